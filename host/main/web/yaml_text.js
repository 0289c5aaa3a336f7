// Writes a JSON value as block-style YAML, for a person to edit as a body:
//   toYaml({name: 'Gale', selectedPerkIds: [7101, 7104]})
//   // 'name: "Gale"\nselectedPerkIds:\n  - 7101\n  - 7104\n'
// Texts are written in double quotes (JSON's escapes are YAML's), so that
// none is read back as a number, a boolean or null.

export function toYaml(value) {
  if (!isFilled(value)) return `${inline(value)}\n`;
  return `${lines(value, 0).join('\n')}\n`;
}

function isFilled(value) {
  return value !== null && typeof value === 'object' && Object.keys(value).length > 0;
}

function inline(value) {
  if (Array.isArray(value)) return '[]';
  if (value !== null && typeof value === 'object') return '{}';
  if (typeof value === 'string') return JSON.stringify(value);
  return String(value);
}

function key(name) {
  return /^[A-Za-z_][A-Za-z0-9_-]*$/.test(name) ? name : JSON.stringify(name);
}

function lines(value, depth) {
  const pad = '  '.repeat(depth);
  const out = [];
  if (Array.isArray(value)) {
    for (const item of value) {
      if (!isFilled(item)) {
        out.push(`${pad}- ${inline(item)}`);
      } else if (Array.isArray(item)) {
        out.push(`${pad}-`, ...lines(item, depth + 1));
      } else {
        // The item's first member goes on the dash's line.
        const nested = lines(item, depth + 1);
        out.push(`${pad}- ${nested[0].trimStart()}`, ...nested.slice(1));
      }
    }
    return out;
  }
  for (const [name, item] of Object.entries(value)) {
    if (isFilled(item)) out.push(`${pad}${key(name)}:`, ...lines(item, depth + 1));
    else out.push(`${pad}${key(name)}: ${inline(item)}`);
  }
  return out;
}
