// Building and filling elements without markup strings, so that no text
// from tav-core is ever parsed as HTML.
//
//   const row = h('tr', {}, h('td', {class: 'id'}, page.id), h('td', {}, page.name));
//   h('button', {type: 'button', onclick: () => save()}, 'Save');

// An element with attributes and children. An attribute whose name starts
// with "on" becomes a listener; `true` sets a boolean attribute, `false`
// and null leave it out; children may be nodes, texts, numbers, arrays or
// null (skipped).
export function h(tag, attributes = {}, ...children) {
  const element = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes)) {
    if (value === null || value === undefined || value === false) continue;
    if (name.startsWith('on') && typeof value === 'function') {
      element.addEventListener(name.slice(2), value);
    } else if (name === 'dataset') {
      Object.assign(element.dataset, value);
    } else {
      element.setAttribute(name, value === true ? '' : String(value));
    }
  }
  append(element, children);
  return element;
}

function append(element, children) {
  for (const child of children) {
    if (child === null || child === undefined || child === false) continue;
    if (Array.isArray(child)) append(element, child);
    else element.append(child instanceof Node ? child : String(child));
  }
}

// Replaces everything inside `element`.
export function fill(element, ...children) {
  element.replaceChildren();
  append(element, children);
  return element;
}

export function byId(id) {
  return document.getElementById(id);
}

// "14:03:27" for a Date or an ISO text.
export function clockTime(value) {
  const date = value instanceof Date ? value : new Date(value);
  if (Number.isNaN(date.getTime())) return String(value);
  return date.toLocaleTimeString([], {hour12: false});
}

// Shows `text` in an output element, marked as a failure or not; an empty
// text clears it.
export function say(element, text, failed = false) {
  element.textContent = text;
  element.classList.toggle('failed', Boolean(failed && text));
}

// Runs `draw` and gives the focus back to the control that had it, found
// again by its data-focus-key, or when that one is now disabled (a page
// moved to the top), to the first enabled button of the same
// data-focus-group: redrawing a list must not throw a keyboard user back to
// the top of the page.
export function keepingFocus(container, draw) {
  const active = document.activeElement;
  const key = active && container.contains(active) ? active.dataset.focusKey : undefined;
  const group = key ? active.closest('[data-focus-group]')?.dataset.focusGroup : undefined;
  draw();
  if (!key) return;
  const again = container.querySelector(`[data-focus-key="${CSS.escape(key)}"]`);
  if (again && !again.disabled) {
    again.focus();
    return;
  }
  const fallback = group && container.querySelector(`[data-focus-group="${CSS.escape(group)}"] button:enabled`);
  if (fallback) fallback.focus();
}
