// The curl command that sends the same request, ready to paste in a POSIX
// shell:
//   curlCommand({method: 'PUT', url: 'http://127.0.0.1:8080/tav-perks/v1/currentpage',
//                contentType: 'application/json', body: '123'})
//   // "curl -sS -X PUT 'http://…/currentpage' -H 'Content-Type: application/json' --data-binary '123'"
// A binary body (a Uint8Array) is piped from printf in octal escapes,
// which every POSIX printf reads.

export function curlCommand({method, url, contentType, body}) {
  const parts = ['curl', '-sS'];
  if (method !== 'GET') parts.push('-X', method);
  parts.push(quote(url));
  if (body === undefined) return parts.join(' ');
  if (contentType) parts.push('-H', quote(`Content-Type: ${contentType}`));
  if (body instanceof Uint8Array) {
    const escaped = [...body].map((byte) => `\\${byte.toString(8).padStart(3, '0')}`).join('');
    return `printf '${escaped}' | ${parts.join(' ')} --data-binary @-`;
  }
  // Inline, unless it starts with "@", which curl would read as a file name.
  if (body.startsWith('@')) return `printf '%s' ${quote(body)} | ${parts.join(' ')} --data-binary @-`;
  return `${parts.join(' ')} --data-binary ${quote(body)}`;
}

// One shell word: in single quotes, each single quote closed, escaped and reopened.
export function quote(text) {
  return `'${text.replace(/'/g, `'\\''`)}'`;
}
