// The workbench's entry: the panels, the navigation between them, the event
// stream and its connection state.

import {initBook} from './book.js';
import {byId, say} from './dom.js';
import {follow} from './event_stream.js';
import {addEvent, initEvents} from './events.js';
import {initGame} from './game.js';
import {initPicker, openPicker} from './picker.js';
import {initReference} from './reference.js';
import {loadAll, onEvent} from './resources.js';
import {initStatus, loadStatus} from './status.js';
import * as store from './store.js';

const PANELS = ['book', 'game', 'api', 'status'];
const STATES = {
  connecting: 'Connecting…',
  open: 'Connected',
  reconnecting: 'Reconnecting…',
  closed: 'Disconnected',
};

function showPanel() {
  const wanted = location.hash.slice(1);
  const panel = PANELS.includes(wanted) ? wanted : 'book';
  for (const name of PANELS) {
    byId(`panel-${name}`).hidden = name !== panel;
    const link = document.querySelector(`nav a[href="#${name}"]`);
    if (name === panel) link.setAttribute('aria-current', 'page');
    else link.removeAttribute('aria-current');
  }
  if (panel === 'api') initReference();
  if (panel === 'status') loadStatus();
}

function showConnection(state, detail) {
  const element = byId('connection');
  element.dataset.state = state;
  element.textContent = detail ? `${STATES[state]} (${detail})` : STATES[state];
}

initPicker();
initBook({openPicker});
initGame();
initEvents();
initStatus();
store.on('problem', (text) => say(byId('book-notice'), text, true));
window.addEventListener('hashchange', showPanel);
showPanel();
loadAll();
follow('/events?replay=1&name=OnJsonApiEvent_', {
  onEvent: (event) => {
    addEvent(event);
    onEvent(event);
  },
  onState: showConnection,
  onResync: () => {
    loadAll();
    if (!byId('panel-status').hidden) loadStatus();
  },
});
