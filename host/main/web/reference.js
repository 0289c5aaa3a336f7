// The API reference, made from the OpenAPI document tav-core serves: every
// operation with its parameters, body and answers, and a form to try it
// with a body in JSON, YAML or MessagePack, showing the answer's status,
// headers and body and the curl command that does the same.
//
//   initReference();   // reads the document the first time the API panel opens

import * as api from './api.js';
import {curlCommand} from './curl_command.js';
import {byId, fill, h, say} from './dom.js';
import {encode} from './msgpack.js';
import {toYaml} from './yaml_text.js';

const DOCUMENT = `${api.CORE}/openapi.json`;
const METHODS = ['get', 'put', 'post', 'patch', 'delete'];
const FORMATS = {
  json: {label: 'JSON', type: 'application/json'},
  yaml: {label: 'YAML', type: 'application/x-yaml'},
  msgpack: {label: 'MessagePack (written as JSON, sent encoded)', type: 'application/x-msgpack'},
};

let document_ = null;

export async function initReference() {
  if (document_) return;
  const container = byId('reference');
  say(byId('reference-notice'), 'Reading the OpenAPI document…');
  const answer = await api.get(DOCUMENT);
  if (!answer.ok || !answer.json) {
    say(byId('reference-notice'), `Reading ${DOCUMENT}: ${answer.error}`, true);
    return;
  }
  document_ = answer.json;
  say(byId('reference-notice'), '');
  byId('reference-title').textContent = `${document_.info.title} ${document_.info.version}`;
  byId('reference-description').textContent = document_.info.description || '';
  const operations = [];
  for (const [path, item] of Object.entries(document_.paths || {})) {
    for (const method of METHODS) {
      if (item[method]) operations.push(operation(method.toUpperCase(), path, item[method]));
    }
  }
  fill(container, operations);
}

// Follows a "$ref" within the document.
function resolve(node) {
  let current = node;
  for (let hops = 0; current && current.$ref && hops < 20; ++hops) {
    current = current.$ref.replace(/^#\//, '').split('/').reduce((at, part) => (at ? at[part] : undefined), document_);
  }
  return current || {};
}

function schemaName(schema) {
  if (!schema) return '';
  if (schema.$ref) return schema.$ref.split('/').pop();
  if (schema.type === 'array') return `list of ${schemaName(schema.items) || 'values'}`;
  return schema.type || '';
}

// A value of the schema to start a body from: the fields of an object, a
// zero of each kind.
function example(schema, depth = 0) {
  const node = resolve(schema);
  if (node.const !== undefined) return node.const;
  if (Array.isArray(node.enum)) return node.enum[0];
  if (node.anyOf || node.oneOf) return example((node.anyOf || node.oneOf)[0], depth);
  switch (node.type) {
    case 'object': {
      if (depth > 3) return {};
      const value = {};
      for (const [name, field] of Object.entries(node.properties || {})) value[name] = example(field, depth + 1);
      return value;
    }
    case 'array':
      return [];
    case 'integer':
    case 'number':
      return 0;
    case 'boolean':
      return false;
    case 'string':
      return '';
    default:
      return null;
  }
}

function operation(method, path, described) {
  const key = `${method}-${path}`.replace(/[^A-Za-z0-9]+/g, '-');
  const parameters = (described.parameters || []).map(resolve);
  const body = described.requestBody ? resolve(described.requestBody) : null;
  const streams = Object.values(described.responses || {}).some((response) =>
    Object.keys(resolve(response).content || {}).includes('text/event-stream'));
  const form = streams ? streamNote(path) : tryForm(key, method, path, parameters, body);
  return h('details', {class: 'operation', id: `operation-${key}`},
    h('summary', {}, h('span', {class: `method ${method}`}, method), ' ', h('code', {}, path),
      described.summary && described.summary !== described.operationId
        ? [' ', h('span', {class: 'op-summary'}, described.summary)] : null),
    described.description ? h('p', {}, described.description) : null,
    answersList(described.responses || {}),
    form);
}

function answersList(responses) {
  return h('dl', {class: 'answers'}, Object.entries(responses).map(([status, response]) => {
    const resolved = resolve(response);
    const content = resolved.content ? Object.values(resolved.content)[0] : null;
    const schema = content ? schemaName(content.schema) : '';
    return [h('dt', {}, status), h('dd', {}, resolved.description || '', schema ? ` (${schema})` : '')];
  }));
}

function streamNote(path) {
  return h('p', {class: 'note'}, 'A stream that stays open: the Events panel follows it. With curl: ',
           h('code', {}, `curl -N '${location.origin}${path}?replay=1'`));
}

function tryForm(key, method, path, parameters, body) {
  const inputs = parameters.filter((p) => p.in === 'path' || p.in === 'query').map((parameter) => {
    const id = `${key}-param-${parameter.name}`;
    return h('p', {}, h('label', {for: id}, `${parameter.name} (${parameter.in})`), ' ',
             h('input', {id, name: parameter.name, dataset: {in: parameter.in}, required: parameter.required,
                         inputmode: resolve(parameter.schema).type === 'integer' ? 'numeric' : null}));
  });
  const formatId = `${key}-format`;
  const bodyId = `${key}-body`;
  const bodyValue = body ? example(Object.values(body.content || {})[0]?.schema) : undefined;
  const bodyFields = body ? [
    h('p', {}, h('label', {for: formatId}, 'Body format'), ' ',
      h('select', {id: formatId, name: 'format', onchange: (event) => switchFormat(event.target)},
        Object.entries(FORMATS).map(([value, format]) => h('option', {value}, format.label)))),
    h('p', {}, h('label', {for: bodyId}, 'Body'),
      h('textarea', {id: bodyId, name: 'body', rows: 6, spellcheck: 'false', dataset: {format: 'json'}},
        JSON.stringify(bodyValue, null, 2))),
  ] : [];
  const answer = h('div', {class: 'answer', 'aria-live': 'polite'});
  const curl = h('div', {class: 'curl'});
  const form = h('form', {class: 'try-it', 'aria-label': `Try ${method} ${path}`},
    inputs, bodyFields,
    h('p', {}, h('button', {type: 'submit'}, 'Send'), ' ', h('output', {})),
    answer, curl);
  form.addEventListener('submit', (event) => {
    event.preventDefault();
    send(form, method, path, answer, curl);
  });
  return form;
}

// JSON and MessagePack are written as JSON; YAML is written as YAML, made
// from the JSON when it parses. Going back from YAML keeps the last JSON.
function switchFormat(select) {
  const textarea = select.form.elements.body;
  const from = textarea.dataset.format;
  const to = select.value;
  if (to === 'yaml' && from !== 'yaml') {
    try {
      textarea.dataset.json = textarea.value;
      textarea.value = toYaml(JSON.parse(textarea.value));
    } catch {
      // Not JSON: left as it is for the person to rewrite.
    }
  } else if (from === 'yaml' && to !== 'yaml' && textarea.dataset.json) {
    textarea.value = textarea.dataset.json;
  }
  textarea.dataset.format = to;
}

// The request the form describes: {method, url, target, contentType, body}
// or {problem}.
function requestOf(form, method, path) {
  let target = path;
  const query = new URLSearchParams();
  for (const input of form.querySelectorAll('input[data-in]')) {
    if (input.dataset.in === 'path') target = target.replace(`{${input.name}}`, encodeURIComponent(input.value));
    else if (input.value) query.set(input.name, input.value);
  }
  if (query.toString()) target += `?${query}`;
  const request = {method, target, url: `${location.origin}${target}`};
  const textarea = form.elements.body;
  if (!textarea) return request;
  const format = form.elements.format.value;
  request.contentType = FORMATS[format].type;
  if (format !== 'msgpack') {
    request.body = textarea.value;
    return request;
  }
  try {
    request.body = encode(JSON.parse(textarea.value));
  } catch (failure) {
    return {problem: `The body is not JSON: ${failure.message}`};
  }
  return request;
}

async function send(form, method, path, answerBox, curlBox) {
  const output = form.querySelector('output');
  const request = requestOf(form, method, path);
  if (request.problem) {
    say(output, request.problem, true);
    return;
  }
  say(output, 'Sending…');
  const answer = await api.request(method, request.target, {body: request.body, contentType: request.contentType});
  say(output, answer.status ? '' : answer.error, !answer.status);
  fill(answerBox,
    h('p', {class: 'answer-status'}, `${answer.status}`),
    h('table', {class: 'answer-headers'}, h('caption', {}, 'Headers'),
      answer.headers.map(([name, value]) => h('tr', {}, h('th', {scope: 'row'}, name), h('td', {}, value)))),
    h('pre', {class: 'answer-body'}, answer.text));
  const command = curlCommand(request);
  const copy = h('button', {type: 'button', class: 'copy'}, 'Copy');
  copy.addEventListener('click', async () => {
    try {
      await navigator.clipboard.writeText(command);
      copy.textContent = 'Copied';
    } catch {
      copy.textContent = 'Select and copy';
    }
  });
  fill(curlBox, h('p', {}, 'The same with curl: ', copy), h('pre', {class: 'curl-command'}, command));
}
