// Asks before an action that loses data, in the page's own dialog (a
// native confirm() would stop the page and its event stream).
//
//   if (await confirmAction('Delete every stored document?', 'Reset the store')) reset();

import {byId} from './dom.js';

export function confirmAction(message, confirmLabel) {
  const dialog = byId('confirm');
  byId('confirm-message').textContent = message;
  byId('confirm-yes').textContent = confirmLabel;
  dialog.returnValue = '';
  dialog.showModal();
  // Cancel first: Enter on an unthinking keyboard must not destroy.
  byId('confirm-no').focus();
  return new Promise((resolve) => {
    dialog.addEventListener('close', () => resolve(dialog.returnValue === 'yes'), {once: true});
  });
}
