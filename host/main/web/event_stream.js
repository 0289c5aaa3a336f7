// Follows tav-core's GET /events as a browser's EventSource would, but says
// what it is doing: it starts with the recent history, resumes after the
// last id it saw when it reconnects, and reconnects by itself, sooner at
// first, when tav-core stops or restarts. A "lagged" event (this reader
// fell behind what tav-core keeps) and every reconnection call `onResync`,
// since events may have been missed: the reader should read its resources
// again.
//
//   follow('/events?replay=1&name=OnJsonApiEvent_', {
//     onEvent: ({id, name, data}) => ..., onState: (state, detail) => ..., onResync: () => ...});

const RETRY_MILLISECONDS = [250, 500, 1000, 2000];

export function follow(url, {onEvent, onState, onResync}) {
  let lastId = '';
  let attempt = 0;
  let connectedBefore = false;
  const controller = new AbortController();

  async function connect() {
    onState(connectedBefore ? 'reconnecting' : 'connecting', attempt ? `attempt ${attempt + 1}` : '');
    const headers = lastId ? {'Last-Event-ID': lastId} : {};
    const response = await fetch(url, {headers, cache: 'no-store', signal: controller.signal});
    if (!response.ok || !response.body) throw new Error(`GET /events answered ${response.status}`);
    attempt = 0;
    onState('open', '');
    if (connectedBefore) onResync('reconnected');
    connectedBefore = true;
    await readFrames(response.body, (frame) => {
      if (frame.id) lastId = frame.id;
      if (frame.name === 'lagged') onResync('lagged');
      onEvent(frame);
    });
  }

  (async () => {
    while (!controller.signal.aborted) {
      try {
        await connect();
      } catch (failure) {
        if (controller.signal.aborted) break;
      }
      const wait = RETRY_MILLISECONDS[Math.min(attempt, RETRY_MILLISECONDS.length - 1)];
      attempt += 1;
      onState('closed', `retrying in ${wait} ms`);
      await new Promise((resolve) => setTimeout(resolve, wait));
    }
  })();
  return () => controller.abort();
}

// Splits a Server-Sent Events body into frames {id, name, data}, `data`
// parsed as JSON when it is JSON. Comment lines are skipped.
async function readFrames(body, onFrame) {
  const reader = body.getReader();
  const decoder = new TextDecoder();
  let buffer = '';
  for (;;) {
    const {value, done} = await reader.read();
    if (done) return;
    buffer += decoder.decode(value, {stream: true}).replace(/\r\n?/g, '\n');
    let end;
    while ((end = buffer.indexOf('\n\n')) >= 0) {
      const frame = parseFrame(buffer.slice(0, end));
      buffer = buffer.slice(end + 2);
      if (frame) onFrame(frame);
    }
  }
}

export function parseFrame(block) {
  let id = '';
  let name = 'message';
  const data = [];
  for (const line of block.split('\n')) {
    if (line.startsWith(':')) continue;
    const colon = line.indexOf(':');
    const field = colon < 0 ? line : line.slice(0, colon);
    const value = colon < 0 ? '' : line.slice(colon + 1).replace(/^ /, '');
    if (field === 'id') id = value;
    else if (field === 'event') name = value;
    else if (field === 'data') data.push(value);
  }
  if (!data.length) return null;
  const text = data.join('\n');
  let parsed = text;
  try {
    parsed = JSON.parse(text);
  } catch {
    // Not JSON: shown as the text it is.
  }
  return {id, name, data: parsed};
}
