// tav-core's status: the plugin's identity, its own count of its heap, the
// events it follows, faults at the boundary, the history of events tav-core
// keeps for its streams, and the settings store, which can be emptied here
// behind a confirmation.
//
//   initStatus();   // reads the status each time the panel opens, and on demand

import * as api from './api.js';
import {confirmAction} from './confirm.js';
import {byId, fill, h, say} from './dom.js';
import {loadAll} from './resources.js';

export function initStatus() {
  byId('status-refresh').addEventListener('click', loadStatus);
  byId('store-reset').addEventListener('click', resetStore);
}

export async function loadStatus() {
  const answer = await api.get(`${api.CORE}/status`);
  if (!answer.ok) {
    say(byId('status-notice'), `Reading the status: ${answer.error}`, true);
    return;
  }
  // A failure to read is over; what an action reported stays.
  if (byId('status-notice').classList.contains('failed')) say(byId('status-notice'), '');
  const status = answer.json;
  const plugin = status.plugin || {};
  fill(byId('status-plugin'), pairs({
    name: plugin.name, 'plugin API': plugin.version, alive: plugin.alive ? 'yes' : 'no', functions: plugin.functions,
    'API roots': (plugin.apiRoots || []).join(', '), 'plugin calls': status.pluginCalls,
    'peer requests': status.peerRequests, faults: status.faults,
  }));
  fill(byId('status-memory'), pairs(Object.fromEntries(Object.entries(plugin.memory || {})
    .map(([name, value]) => [words(name), value.toLocaleString('en')]))));
  fill(byId('status-subscriptions'), (status.subscriptions || []).map((name) => h('li', {}, h('code', {}, name))));
  const faults = status.recentFaults || [];
  fill(byId('status-faults'), faults.length ? faults.map((fault) => h('li', {}, fault)) : h('li', {}, 'none'));
  const store = status.store || {};
  fill(byId('status-store'), pairs({
    path: store.path, writes: store.commits,
    documents: (store.documents || []).length ? store.documents.join(', ') : 'none',
    telemetry: status.telemetry ? `${status.telemetry.path} (${status.telemetry.events} events)` : undefined,
  }));
  fill(byId('status-events'), pairs(Object.fromEntries(Object.entries(status.events || {})
    .map(([name, value]) => [words(name), value.toLocaleString('en')]))));
  // Whatever else tav-core reports, as it is.
  const known = new Set(['plugin', 'subscriptions', 'pluginCalls', 'peerRequests', 'faults', 'recentFaults', 'store',
                         'telemetry', 'events']);
  const rest = Object.entries(status).filter(([name]) => !known.has(name));
  byId('status-other').closest('section').hidden = rest.length === 0;
  fill(byId('status-other'), rest.map(([name, value]) => [h('dt', {}, words(name)),
    h('dd', {}, typeof value === 'object' ? h('pre', {}, JSON.stringify(value, null, 2)) : String(value))]));
}

function pairs(object) {
  return Object.entries(object).filter(([, value]) => value !== undefined)
    .map(([name, value]) => [h('dt', {}, name), h('dd', {}, String(value))]);
}

// "bytesInUse" -> "bytes in use".
function words(name) {
  return name.replace(/([a-z])([A-Z])/g, '$1 $2').toLowerCase();
}

async function resetStore() {
  const sure = await confirmAction(
    'Remove every document from the settings store? The plugin is told that each one is gone, as the settings ' +
    'plugin would tell it; the book it holds stays in memory, and its next change writes it back.',
    'Reset the store');
  if (!sure) return;
  const answer = await api.remove(`${api.CORE}/store`);
  const notice = byId('status-notice');
  if (!answer.ok) say(notice, `Resetting the store: ${answer.error}`, true);
  else say(notice, `Store reset: removed ${answer.json.removed.length ? answer.json.removed.join(', ') : 'nothing'}`);
  await Promise.all([loadStatus(), loadAll()]);
}
