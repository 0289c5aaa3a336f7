// The live event log: one line per event the plugin sent, newest first,
// which opens to show the payload, or for a resource that changed, the
// difference from its previous value. Filtered by name or resource, paused
// (new events wait, counted) and cleared.
//
//   initEvents();
//   addEvent({id, name, data});   // from the event stream

import {byId, clockTime, fill, h} from './dom.js';
import {describe, diff} from './json_diff.js';

const KEPT_LINES = 500;

// Each resource's last value, by uri, to tell what the next event changed.
const lastValues = new Map();
const held = [];
let paused = false;

export function initEvents() {
  byId('events-filter').addEventListener('input', applyFilter);
  byId('events-pause').addEventListener('click', togglePause);
  byId('events-clear').addEventListener('click', () => {
    fill(byId('events-list'));
    held.length = 0;
    drawHeld();
  });
}

export function addEvent(event) {
  const line = lineOf(event);
  if (paused) {
    held.push(line);
    drawHeld();
    return;
  }
  show(line);
}

function show(line) {
  const list = byId('events-list');
  list.prepend(line);
  filterLine(line, byId('events-filter').value.trim().toLowerCase());
  while (list.children.length > KEPT_LINES) list.lastElementChild.remove();
}

// The line is made when the event arrives, paused or not, so that each
// diff is against the value just before it.
function lineOf(event) {
  const payload = event.data;
  const resource = payload && typeof payload === 'object' && typeof payload.uri === 'string' ? payload : null;
  const summary = h('summary', {},
    h('time', {title: 'When it reached this page'}, clockTime(new Date())), ' ',
    h('span', {class: 'event-name'}, event.name),
    resource ? [' ', h('span', {class: `event-type ${resource.eventType}`}, resource.eventType), ' ',
                h('span', {class: 'event-uri'}, resource.uri)] : null);
  const details = h('details', {}, summary, resource ? change(resource) : h('pre', {}, pretty(payload)));
  return h('li', {dataset: {search: `${event.name} ${resource ? resource.uri : ''}`.toLowerCase(), id: event.id}},
           details);
}

function change(resource) {
  const before = lastValues.get(resource.uri);
  const after = resource.eventType === 'Delete' ? undefined : resource.data;
  lastValues.set(resource.uri, after);
  const value = h('details', {class: 'event-value'}, h('summary', {}, 'Whole value'), h('pre', {}, pretty(after)));
  if (before === undefined) return [h('p', {class: 'event-note'}, 'First value seen of this resource'), value];
  const changes = after === undefined ? [] : diff(before, after);
  if (after === undefined) return [h('p', {class: 'event-note'}, 'Removed'), value];
  if (!changes.length) return [h('p', {class: 'event-note'}, 'Same value as before'), value];
  return [h('ul', {class: 'diff'}, changes.map((item) => h('li', {class: item.kind}, describe(item)))), value];
}

function pretty(value) {
  return value === undefined ? '(none)' : JSON.stringify(value, null, 2);
}

function applyFilter() {
  const text = byId('events-filter').value.trim().toLowerCase();
  for (const line of byId('events-list').children) filterLine(line, text);
}

function filterLine(line, text) {
  line.hidden = Boolean(text) && !line.dataset.search.includes(text);
}

function togglePause() {
  paused = !paused;
  const button = byId('events-pause');
  button.setAttribute('aria-pressed', String(paused));
  button.textContent = paused ? 'Resume' : 'Pause';
  if (!paused) {
    for (const line of held.splice(0)) show(line);
  }
  drawHeld();
}

function drawHeld() {
  byId('events-held').textContent = held.length ? `${held.length} new while paused` : '';
}
