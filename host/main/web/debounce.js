// Folds a burst of calls into one: the history replayed when the page opens
// can hold thousands of events, and each would otherwise read the same
// resources again.
//
//   const reload = debounce(loadPages, 30);
//   reload(); reload(); reload();   // one loadPages, 30 ms after the last call

export function debounce(action, milliseconds) {
  let timer = null;
  return (...args) => {
    clearTimeout(timer);
    timer = setTimeout(() => action(...args), milliseconds);
  };
}
