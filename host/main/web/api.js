// Talks to tav-core: the plugin's API, the peers' resources and the core's
// own endpoints, all on this origin. Nothing here throws for an HTTP
// status: every call resolves to an answer whose `error` holds the text to
// show a person (the plugin's own message when it gave one).
//
//   const answer = await api.get('/tav-perks/v1/pages');
//   if (answer.ok) show(answer.json); else report(answer.error);

export const PERKS = '/tav-perks/v1';
export const CORE = '/tav-core/v1';

// One request. `body`: a value sent as JSON, or a string / Uint8Array sent
// as it is with `contentType`. Resolves to {ok, status, headers (list of
// [name, value]), text, json (undefined unless the body is JSON), error}.
export async function request(method, path, {body, contentType, headers = {}} = {}) {
  const init = {method, headers: {...headers}, cache: 'no-store'};
  if (body !== undefined) {
    const raw = typeof body === 'string' || body instanceof Uint8Array;
    init.body = raw ? body : JSON.stringify(body);
    init.headers['Content-Type'] = contentType || 'application/json';
  }
  let response;
  try {
    response = await fetch(path, init);
  } catch (failure) {
    return {ok: false, status: 0, headers: [], text: '', json: undefined,
            error: `tav-core did not answer (${failure.message})`};
  }
  const text = await response.text().catch(() => '');
  const json = parseJson(text, response.headers.get('Content-Type'));
  const answer = {ok: response.ok, status: response.status, headers: [...response.headers], text, json};
  answer.error = response.ok ? '' : errorText(answer);
  return answer;
}

function parseJson(text, type) {
  if (!text || !/json/i.test(type || '')) return undefined;
  try {
    return JSON.parse(text);
  } catch {
    return undefined;
  }
}

// "404 Perk Page not found.": the status and the text of {"error": ...} as
// the plugin or tav-core gave it, or the body as it came.
export function errorText(answer) {
  const message = answer.json && typeof answer.json.error === 'string' ? answer.json.error : answer.text;
  return `${answer.status} ${message}`.trim();
}

export const get = (path) => request('GET', path);
export const put = (path, body) => request('PUT', path, {body});
export const post = (path, body) => request('POST', path, {body});
export const patch = (path, body) => request('PATCH', path, {body});
export const remove = (path) => request('DELETE', path);

// The book.
export const pages = () => get(`${PERKS}/pages`);
export const createPage = (page) => post(`${PERKS}/pages`, page);
export const updatePage = (id, page) => put(`${PERKS}/pages/${id}`, page);
export const deletePage = (id) => remove(`${PERKS}/pages/${id}`);
export const resetPages = () => remove(`${PERKS}/pages`);
export const setCurrentPage = (id) => put(`${PERKS}/currentpage`, id);
export const clearRepairMarks = (id) => remove(`${PERKS}/pages/${id}/auto-modified-selections`);
// Moves `target` next to `destination`: after it with offset 1, before it with -1.
export const movePage = (target, destination, offset) =>
  post(`${PERKS}/update-page-order`, {targetPageId: target, destinationPageId: destination, offset});
