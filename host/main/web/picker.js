// The page editor: a name, a primary style and a sub-style chosen from the
// plugin's styles, then one perk for each slot of the primary style and
// for two slots of the sub-style. What would make the page invalid is
// listed while choosing; the plugin's own answer is shown when it refuses.
//
//   openPicker(null);   // a new page, starting from the first style's defaults
//   openPicker(page);   // edit a page of the book

import * as api from './api.js';
import {byId, fill, h, say} from './dom.js';
import {problems} from './page_check.js';
import {loadPages} from './resources.js';
import * as store from './store.js';

// The page being edited (null for a new one), and the draft: styles and the
// perk chosen for each slot index of each side. `subOrder` remembers which
// sub-style slots were chosen first: choosing a third gives up the oldest.
let editing = null;
let draft = null;

export function initPicker() {
  byId('picker-form').addEventListener('submit', (event) => {
    event.preventDefault();
    save();
  });
  byId('picker-cancel').addEventListener('click', () => byId('picker').close());
  byId('picker-primary').addEventListener('change', (event) => chooseStyles(Number(event.target.value), null));
  byId('picker-sub').addEventListener('change', (event) => {
    draft.sub = Number(event.target.value);
    draft.subPicks = new Map();
    draft.subOrder = [];
    drawSlots();
  });
}

export function openPicker(page) {
  const catalogue = store.get('catalogue');
  if (!catalogue || !catalogue.styles.length) return;
  editing = page;
  byId('picker-title').textContent = page ? `Edit ${page.name}` : 'New page';
  byId('picker-save').textContent = page ? 'Save page' : 'Create page';
  say(byId('picker-notice'), '');
  byId('picker-name').value = page ? page.name : 'New page';
  fill(byId('picker-primary'), catalogue.styles.map((style) => h('option', {value: style.id}, style.name)));
  if (page) {
    draft = draftOf(page, catalogue);
    drawStyles();
  } else {
    chooseStyles(catalogue.styles[0].id, null);
  }
  byId('picker').showModal();
  byId('picker-name').focus();
}

// A draft holding the perks of `page` in the slots they fill.
function draftOf(page, catalogue) {
  const placed = catalogue.placement(page);
  return {
    primary: page.primaryStyleId,
    sub: page.subStyleId,
    primaryPicks: new Map(placed.primary.map(({slot, perkId}) => [slot.index, perkId])),
    subPicks: new Map(placed.secondary.map(({slot, perkId}) => [slot.index, perkId])),
    subOrder: placed.secondary.map(({slot}) => slot.index),
  };
}

// A new primary style brings its default sub-style and perks, as in the
// game; `sub` keeps a chosen sub-style instead when the style allows it.
function chooseStyles(primaryId, sub) {
  const catalogue = store.get('catalogue');
  const style = catalogue.styleById.get(primaryId);
  const allowed = catalogue.subStylesFor(primaryId).map((s) => s.id);
  const subId = sub !== null && allowed.includes(sub) ? sub : (style && allowed.includes(style.defaultSubStyle)
    ? style.defaultSubStyle : allowed[0] ?? -1);
  const defaults = style && Array.isArray(style.defaultPerks) ? style.defaultPerks : [];
  draft = draftOf({primaryStyleId: primaryId, subStyleId: subId, selectedPerkIds: defaults}, catalogue);
  drawStyles();
}

function drawStyles() {
  const catalogue = store.get('catalogue');
  byId('picker-primary').value = String(draft.primary);
  const subs = catalogue.subStylesFor(draft.primary);
  fill(byId('picker-sub'), subs.map((style) => h('option', {value: style.id}, style.name)),
       subs.some((style) => style.id === draft.sub) ? null
         : h('option', {value: draft.sub}, catalogue.styleName(draft.sub)));
  byId('picker-sub').value = String(draft.sub);
  drawSlots();
}

function drawSlots() {
  const catalogue = store.get('catalogue');
  fill(byId('picker-primary-slots'),
       catalogue.primarySlots(draft.primary).map((slot) => slotChoice('primary', slot, draft.primaryPicks, false)));
  fill(byId('picker-sub-slots'),
       catalogue.secondarySlots(draft.sub).map((slot) => slotChoice('sub', slot, draft.subPicks, true)));
  drawProblems();
}

// One slot: a group of radio buttons, one per perk, and "none" for a
// sub-style slot (only two of them are filled).
function slotChoice(side, slot, picks, optional) {
  const catalogue = store.get('catalogue');
  const name = `${side}-slot-${slot.index}`;
  const option = (value, label) => h('label', {class: 'perk-choice'},
    h('input', {type: 'radio', name, value, checked: (picks.get(slot.index) ?? 0) === value,
                onchange: () => pick(side, slot.index, value)}),
    label);
  return h('fieldset', {class: 'slot-choice'},
    h('legend', {}, slot.label),
    slot.perks.map((perkId) => option(perkId, catalogue.perkName(perkId))),
    optional ? option(0, 'none') : null);
}

function pick(side, index, perkId) {
  if (side === 'primary') {
    draft.primaryPicks.set(index, perkId);
    drawProblems();
    return;
  }
  draft.subOrder = draft.subOrder.filter((at) => at !== index);
  if (perkId === 0) {
    draft.subPicks.delete(index);
  } else {
    draft.subPicks.set(index, perkId);
    draft.subOrder.push(index);
    while (draft.subOrder.length > 2) draft.subPicks.delete(draft.subOrder.shift());
  }
  drawSlots();
}

// The page as it would be sent: primary perks in slot order, then the
// sub-style's.
function pageOfDraft() {
  const inOrder = (picks) => [...picks.entries()].sort((a, b) => a[0] - b[0]).map(([, id]) => id).filter(Boolean);
  return {
    name: byId('picker-name').value,
    primaryStyleId: draft.primary,
    subStyleId: draft.sub,
    selectedPerkIds: [...inOrder(draft.primaryPicks), ...inOrder(draft.subPicks)],
  };
}

function drawProblems() {
  const found = problems(pageOfDraft(), store.get('catalogue'), store.get('disabled') || []);
  fill(byId('picker-problems'), found.map((problem) => h('li', {}, problem)));
  byId('picker-problems-title').hidden = found.length === 0;
}

async function save() {
  const page = pageOfDraft();
  const notice = byId('picker-notice');
  say(notice, editing ? 'Saving…' : 'Creating…');
  const answer = editing
    ? await api.updatePage(editing.id, {...page, autoModifiedSelections: editing.autoModifiedSelections || []})
    : await api.createPage(page);
  if (!answer.ok) {
    say(notice, answer.error, true);
    return;
  }
  byId('picker').close();
  say(byId('book-notice'), editing ? `Saved ${page.name}` : `Created ${page.name} (#${answer.json.id})`);
  await loadPages();
}
