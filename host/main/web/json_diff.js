// What changed between two JSON values, as a list of changes by path:
//   diff({a: 1, b: [1]}, {a: 2, b: [1, 2]})
//   // [{path: 'a', kind: 'changed', before: 1, after: 2}, {path: 'b[1]', kind: 'added', after: 2}]
// Lists of objects with an "id" are matched by id ("[id=7]"), so that a
// page moving in the book reads as its order changing, not as every page
// after it being replaced.

export function diff(before, after, path = '') {
  if (Object.is(before, after)) return [];
  if (isObject(before) && isObject(after)) return diffObjects(before, after, path);
  if (Array.isArray(before) && Array.isArray(after)) {
    return keyedById(before) && keyedById(after) ? diffById(before, after, path) : diffArrays(before, after, path);
  }
  return [{path: path || '(value)', kind: 'changed', before, after}];
}

function isObject(value) {
  return value !== null && typeof value === 'object' && !Array.isArray(value);
}

function keyedById(list) {
  return list.length > 0 && list.every((item) => isObject(item) && (typeof item.id === 'number' ||
                                                                      typeof item.id === 'string'));
}

function diffObjects(before, after, path) {
  const changes = [];
  const join = (key) => (path ? `${path}.${key}` : key);
  for (const key of Object.keys(before)) {
    if (!(key in after)) changes.push({path: join(key), kind: 'removed', before: before[key]});
    else changes.push(...diff(before[key], after[key], join(key)));
  }
  for (const key of Object.keys(after)) {
    if (!(key in before)) changes.push({path: join(key), kind: 'added', after: after[key]});
  }
  return changes;
}

function diffArrays(before, after, path) {
  const changes = [];
  const length = Math.max(before.length, after.length);
  for (let at = 0; at < length; ++at) {
    const where = `${path}[${at}]`;
    if (at >= after.length) changes.push({path: where, kind: 'removed', before: before[at]});
    else if (at >= before.length) changes.push({path: where, kind: 'added', after: after[at]});
    else changes.push(...diff(before[at], after[at], where));
  }
  return changes;
}

function diffById(before, after, path) {
  const changes = [];
  const old = new Map(before.map((item) => [item.id, item]));
  const now = new Map(after.map((item) => [item.id, item]));
  for (const [id, item] of old) {
    const where = `${path}[id=${id}]`;
    if (!now.has(id)) changes.push({path: where, kind: 'removed', before: item});
    else changes.push(...diff(item, now.get(id), where));
  }
  for (const [id, item] of now) {
    if (!old.has(id)) changes.push({path: `${path}[id=${id}]`, kind: 'added', after: item});
  }
  return changes;
}

// One line per change: "~ a: 1 → 2", "+ b[1]: 2", "- c: true".
export function describe(change) {
  const show = (value) => JSON.stringify(value);
  switch (change.kind) {
    case 'added':
      return `+ ${change.path}: ${show(change.after)}`;
    case 'removed':
      return `- ${change.path}: ${show(change.before)}`;
    default:
      return `~ ${change.path}: ${show(change.before)} → ${show(change.after)}`;
  }
}
