// Keeps the store in step with tav-core: reads the plugin's resources once,
// again after the event stream was interrupted, and whenever an event says
// one of them changed.
//
//   await loadAll();
//   onEvent(event);   // from the event stream

import * as api from './api.js';
import {Catalogue} from './catalogue.js';
import {debounce} from './debounce.js';
import * as store from './store.js';

export async function loadCatalogue() {
  const [styles, perks] = await Promise.all([api.get(`${api.PERKS}/styles`), api.get(`${api.PERKS}/perks`)]);
  if (styles.ok && perks.ok) store.set('catalogue', new Catalogue(styles.json, perks.json));
  else store.set('problem', `Reading the game data: ${styles.error || perks.error}`);
}

export async function loadPages() {
  const answer = await api.pages();
  if (answer.ok) store.set('pages', answer.json);
  else store.set('problem', `Reading the pages: ${answer.error}`);
  return answer;
}

export async function loadDisabled() {
  const answer = await api.get(`${api.PERKS}/perks/disabled`);
  if (answer.ok) store.set('disabled', answer.json);
}

export async function loadAll() {
  await Promise.all([loadCatalogue(), loadPages(), loadDisabled()]);
  store.set('reloaded', Date.now());
}

// Several page events arrive together (a page, then the list; the current
// page): one read of the list answers them all.
const pagesChanged = debounce(loadPages, 30);
const catalogueChanged = debounce(loadCatalogue, 30);

// An event from the stream: {id, name, data}. A resource event's data is
// {uri, eventType, data}.
export function onEvent(event) {
  store.set('event', event);
  const uri = event.data && typeof event.data.uri === 'string' ? event.data.uri : '';
  if (uri === `${api.PERKS}/pages` || uri.startsWith(`${api.PERKS}/pages/`) || uri === `${api.PERKS}/currentpage`) {
    pagesChanged();
  } else if (uri === `${api.PERKS}/perks/disabled` && Array.isArray(event.data.data)) {
    store.set('disabled', event.data.data);
  } else if (uri === `${api.PERKS}/styles` || uri === `${api.PERKS}/perks`) {
    catalogueChanged();
  }
}
