// Draws the book: one card per page in the plugin's order, with its styles,
// its perks by slot, its flags, the perks automatic repair changed and why
// the plugin finds it invalid; and acts on it: set current, edit, move,
// delete, clear repair marks, reset to the presets.
//
//   initBook({openPicker});   // once; redraws whenever the store changes

import * as api from './api.js';
import {confirmAction} from './confirm.js';
import {byId, fill, h, keepingFocus, say} from './dom.js';
import {problems} from './page_check.js';
import {loadPages} from './resources.js';
import * as store from './store.js';

const FLAGS = [
  ['current', 'current'],
  ['isActive', 'active'],
  ['isValid', 'valid'],
  ['isEditable', 'editable'],
  ['isDeletable', 'deletable'],
];

let openPicker = () => {};
let draggedId = null;

export function initBook(options) {
  openPicker = options.openPicker;
  byId('book-create').addEventListener('click', () => openPicker(null));
  byId('book-reset').addEventListener('click', resetToPresets);
  for (const key of ['pages', 'catalogue', 'disabled']) store.on(key, draw);
}

// What the book was last drawn from: reading the same pages again (every
// event reads them) redraws nothing, so that nothing moves under a pointer.
let drawn = null;

function draw() {
  const pages = store.get('pages') || [];
  const catalogue = store.get('catalogue');
  const list = byId('book-pages');
  if (!catalogue) return;
  const source = {pages: JSON.stringify(pages), disabled: JSON.stringify(store.get('disabled') || []), catalogue};
  if (drawn && drawn.pages === source.pages && drawn.disabled === source.disabled && drawn.catalogue === catalogue) return;
  drawn = source;
  keepingFocus(list, () => fill(list, pages.map((page, at) => card(page, at, pages, catalogue))));
  byId('book-count').textContent = `${pages.length} page${pages.length === 1 ? '' : 's'}`;
}

function card(page, at, pages, catalogue) {
  const titleId = `page-${page.id}-name`;
  const classes = ['card', page.current ? 'current' : '', page.isValid ? '' : 'invalid'].join(' ').trim();
  return h('li', {
    class: classes,
    dataset: {pageId: page.id, focusGroup: page.id},
    draggable: page.isEditable ? 'true' : 'false',
    ondragstart: (event) => {
      draggedId = page.id;
      event.dataTransfer.setData('text/plain', String(page.id));
      event.dataTransfer.effectAllowed = 'move';
    },
    ondragover: (event) => {
      if (draggedId !== null && draggedId !== page.id) event.preventDefault();
    },
    ondrop: (event) => {
      event.preventDefault();
      const box = event.currentTarget.getBoundingClientRect();
      const after = event.clientY > box.top + box.height / 2;
      const moved = draggedId;
      draggedId = null;
      if (moved !== null && moved !== page.id) move(moved, page.id, after ? 1 : -1, 'Move');
    },
    onkeydown: (event) => {
      if (!event.altKey || !page.isEditable) return;
      if (event.key === 'ArrowUp' && at > 0) move(page.id, pages[at - 1].id, -1, 'Move up');
      else if (event.key === 'ArrowDown' && at < pages.length - 1) move(page.id, pages[at + 1].id, 1, 'Move down');
      else return;
      event.preventDefault();
    },
  },
  h('article', {'aria-labelledby': titleId},
    h('header', {},
      h('h3', {id: titleId}, page.name || '(no name)'),
      h('span', {class: 'page-id', title: 'Page id'}, `#${page.id}`)),
    h('p', {class: 'styles'},
      h('span', {class: 'style-name'}, catalogue.styleName(page.primaryStyleId)), ' + ',
      h('span', {class: 'style-name sub'}, catalogue.styleName(page.subStyleId))),
    flags(page),
    slots(page, catalogue),
    repaired(page, catalogue),
    whyInvalid(page, catalogue),
    actions(page, at, pages)));
}

function flags(page) {
  return h('ul', {class: 'flags', 'aria-label': 'Flags'},
    FLAGS.map(([field, label]) => h('li', {class: page[field] ? 'on' : 'off', title: `${label}: ${page[field] ? 'yes' : 'no'}`},
      `${page[field] ? '✓' : '✗'} ${label}`)));
}

function slots(page, catalogue) {
  const placed = catalogue.placement(page);
  // "Tempest row 1" under the heading "Tempest" reads as "row 1".
  const group = (styleId, entries) => {
    const style = catalogue.styleName(styleId);
    const label = (slot) => (slot.label.startsWith(`${style} `) ? slot.label.slice(style.length + 1) : slot.label);
    return h('div', {class: 'slot-group'}, h('h4', {}, style),
      h('dl', {}, entries.map(({slot, perkId}) => [h('dt', {}, label(slot)), h('dd', {}, catalogue.perkName(perkId))])));
  };
  return h('div', {class: 'slots'},
    group(page.primaryStyleId, placed.primary),
    group(page.subStyleId, placed.secondary),
    placed.unplaced.length ? h('p', {class: 'unplaced'}, 'In no slot: ',
      placed.unplaced.map((id) => catalogue.perkName(id)).join(', ')) : null);
}

// The positions automatic repair changed, with the perk now there.
function repaired(page, catalogue) {
  const positions = page.autoModifiedSelections || [];
  if (!positions.length) return null;
  const changes = positions.map((at) => `${catalogue.perkName((page.selectedPerkIds || [])[at])} (position ${at + 1})`);
  return h('p', {class: 'repaired'}, 'Changed by automatic repair: ', changes.join(', '));
}

function whyInvalid(page, catalogue) {
  if (page.isValid) return null;
  const found = problems(page, catalogue, store.get('disabled') || []);
  const reasons = found.length ? found : ['The plugin finds it invalid against its own game data'];
  return h('div', {class: 'problems', role: 'note'},
    h('p', {}, 'Invalid:'), h('ul', {}, reasons.map((reason) => h('li', {}, reason))));
}

function actions(page, at, pages) {
  const name = page.name || `page ${page.id}`;
  const button = (action, label, onclick, enabled = true) => h('button', {
    type: 'button', class: action, 'aria-label': `${label} ${name}`, disabled: !enabled,
    dataset: {focusKey: `${page.id}:${action}`}, onclick,
  }, label);
  const previous = pages[at - 1];
  const next = pages[at + 1];
  return h('div', {class: 'actions'},
    button('set-current', 'Set current', () => run(`Set ${name} current`, () => api.setCurrentPage(page.id)),
           !page.current),
    button('edit', 'Edit', () => openPicker(page), page.isEditable),
    button('move-up', 'Move up', () => move(page.id, previous.id, -1, 'Move up'), page.isEditable && !!previous),
    button('move-down', 'Move down', () => move(page.id, next.id, 1, 'Move down'), page.isEditable && !!next),
    (page.autoModifiedSelections || []).length
      ? button('clear-marks', 'Clear repair marks',
               () => run(`Clear the repair marks of ${name}`, () => api.clearRepairMarks(page.id)), page.isEditable)
      : null,
    button('delete', 'Delete', () => run(`Delete ${name}`, () => api.deletePage(page.id)), page.isDeletable));
}

function move(target, destination, offset, label) {
  return run(label, () => api.movePage(target, destination, offset));
}

// Runs a change and shows the plugin's answer when it refused; the list is
// read again either way (a failed set-current may still have moved the
// current page).
async function run(what, call) {
  const notice = byId('book-notice');
  say(notice, `${what}…`);
  const answer = await call();
  say(notice, answer.ok ? `${what}: done` : `${what}: ${answer.error}`, !answer.ok);
  await loadPages();
  return answer;
}

async function resetToPresets() {
  const sure = await confirmAction('Reset the book to the preset pages? Every page of your own is deleted.',
                                   'Reset the book');
  if (sure) await run('Reset to the presets', api.resetPages);
}
