// Encodes a JSON value as MessagePack, the way the plugin reads it: the
// smallest form of each integer, doubles for other numbers, UTF-8 texts.
//
//   encode({name: 'Gale'});   // Uint8Array [0x81, 0xa4, ...]

export function encode(value) {
  const bytes = [];
  write(value, bytes);
  return Uint8Array.from(bytes);
}

function write(value, out) {
  if (value === null || value === undefined) out.push(0xc0);
  else if (value === false) out.push(0xc2);
  else if (value === true) out.push(0xc3);
  else if (typeof value === 'number') writeNumber(value, out);
  else if (typeof value === 'string') writeText(value, out);
  else if (Array.isArray(value)) {
    writeHeader(value.length, 0x90, 0xdc, out);
    for (const item of value) write(item, out);
  } else {
    const entries = Object.entries(value);
    writeHeader(entries.length, 0x80, 0xde, out);
    for (const [key, item] of entries) {
      writeText(key, out);
      write(item, out);
    }
  }
}

// A fix form below 16 items, else 16 or 32 bits of count.
function writeHeader(count, fix, wide, out) {
  if (count < 16) out.push(fix | count);
  else if (count < 0x10000) out.push(wide, ...big(count, 2));
  else out.push(wide + 1, ...big(count, 4));
}

function writeText(text, out) {
  const utf8 = new TextEncoder().encode(text);
  const n = utf8.length;
  if (n < 32) out.push(0xa0 | n);
  else if (n < 0x100) out.push(0xd9, n);
  else if (n < 0x10000) out.push(0xda, ...big(n, 2));
  else out.push(0xdb, ...big(n, 4));
  out.push(...utf8);
}

function writeNumber(n, out) {
  if (!Number.isSafeInteger(n)) {
    const view = new DataView(new ArrayBuffer(8));
    view.setFloat64(0, n);
    out.push(0xcb, ...new Uint8Array(view.buffer));
  } else if (n >= 0) {
    if (n < 0x80) out.push(n);
    else if (n < 0x100) out.push(0xcc, n);
    else if (n < 0x10000) out.push(0xcd, ...big(n, 2));
    else if (n < 0x100000000) out.push(0xce, ...big(n, 4));
    else out.push(0xcf, ...big(n, 8));
  } else if (n >= -32) {
    out.push(n & 0xff);
  } else if (n >= -0x80) {
    out.push(0xd0, n & 0xff);
  } else if (n >= -0x8000) {
    out.push(0xd1, ...big(n & 0xffff, 2));
  } else if (n >= -0x80000000) {
    out.push(0xd2, ...big(n >>> 0, 4));
  } else {
    out.push(0xd3, ...big64(BigInt.asUintN(64, BigInt(n))));
  }
}

// `count` bytes of a non-negative number, most significant first.
function big(n, count) {
  if (count === 8) return big64(BigInt(n));
  const bytes = [];
  for (let at = count - 1; at >= 0; --at) bytes.push(Math.floor(n / 2 ** (8 * at)) & 0xff);
  return bytes;
}

function big64(n) {
  const bytes = [];
  for (let at = 7; at >= 0; --at) bytes.push(Number((n >> BigInt(8 * at)) & 0xffn));
  return bytes;
}
