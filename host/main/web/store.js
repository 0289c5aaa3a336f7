// The one piece of shared state: what the page knows of tav-core, and who
// wants to hear when a part of it changes.
//
//   store.on('pages', (pages) => draw(pages));
//   store.set('pages', answer.json);

const values = new Map();
const listeners = new Map();

export function get(key) {
  return values.get(key);
}

// Sets `key` and tells its listeners, in the order they were added.
export function set(key, value) {
  values.set(key, value);
  for (const listener of listeners.get(key) || []) listener(value);
}

export function on(key, listener) {
  if (!listeners.has(key)) listeners.set(key, []);
  listeners.get(key).push(listener);
}
