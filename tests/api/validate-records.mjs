// Holds what the process tests and the load test received from tav-core
// against the OpenAPI document the same process served: every answer to a
// described operation against that operation's response for its status,
// and every event on the stream against the event stream's frames.
//
//   node validate-records.mjs DIR [--min-answers N] [--min-events N]
//
// DIR holds <name>.openapi.json and <name>.jsonl pairs (see the tests'
// ApiRecorder). Exits 1 on the first fault of each kind it reports, or when
// fewer answers or events were checked than asked for.
import { readFileSync, readdirSync } from "node:fs";
import { join } from "node:path";
import Ajv2020 from "ajv/dist/2020.js";

const kIntegerFormats = ["int8", "uint8", "int16", "uint16", "int32", "uint32", "int64", "uint64"];

function pointer(...parts) {
  return "#" + parts.map((p) => "/" + String(p).replaceAll("~", "~0").replaceAll("/", "~1")).join("");
}

function routeMatcher(path) {
  let pattern = "^";
  let literal = 0;
  for (const piece of path.split(/(\{[^}]*\})/)) {
    if (piece.startsWith("{")) {
      pattern += "[^/]*";
    } else {
      pattern += piece.replace(/[\\^$.|?*+()[\]{}]/g, "\\$&");
      literal += piece.length;
    }
  }
  return { path, regex: new RegExp(pattern + "$"), literal };
}

// One served document, ready to check answers and events against.
class Contract {
  constructor(document) {
    this.document = document;
    this.ajv = new Ajv2020({ strict: true, allErrors: false });
    for (const format of kIntegerFormats) this.ajv.addFormat(format, { type: "number", validate: () => true });
    for (const format of ["float", "double"]) this.ajv.addFormat(format, { type: "number", validate: () => true });
    // The document is a schema store: references point into it by JSON pointer.
    this.ajv.addKeyword("openapi").addKeyword("info").addKeyword("servers").addKeyword("security");
    this.ajv.addKeyword("paths").addKeyword("components");
    this.ajv.addSchema({ ...document, $id: "openapi.json" });
    this.validators = new Map();
    // The more literal route wins, as in the plugin's own routing.
    this.routes = Object.keys(document.paths).map(routeMatcher).sort((a, b) => b.literal - a.literal);
    const stream = document.paths["/events"]?.get?.responses?.["200"]?.content?.["text/event-stream"]?.schema;
    this.eventNames = new Set((stream?.items?.anyOf ?? []).map((frame) => frame.properties.event.const));
  }

  validator(ref) {
    if (!this.validators.has(ref)) this.validators.set(ref, this.ajv.compile({ $ref: "openapi.json" + ref }));
    return this.validators.get(ref);
  }

  check(ref, value) {
    const validate = this.validator(ref);
    if (validate(value)) return null;
    return this.ajv.errorsText(validate.errors, { dataVar: "value" });
  }

  resolveResponse(response) {
    if (!response?.$ref) return response;
    const name = response.$ref.split("/").pop();
    return this.document.components.responses[name];
  }

  // null when the target is not one of the document's operations.
  operation(method, target) {
    const path = target.split("?")[0];
    for (const route of this.routes) {
      if (!route.regex.test(path)) continue;
      const operation = this.document.paths[route.path][method.toLowerCase()];
      if (operation) return { path: route.path, method: method.toLowerCase(), operation };
    }
    return null;
  }

  // A fault's text, or null when the answer matches its operation.
  checkAnswer(answer) {
    const found = this.operation(answer.method, answer.target);
    if (!found) return { described: false };
    const { path, method, operation } = found;
    const status = String(answer.status);
    const key = operation.responses[status] ? status : operation.responses.default ? "default" : null;
    if (!key) return { described: true, fault: `status ${status} is not described` };
    const response = this.resolveResponse(operation.responses[key]);
    if (!response.content) {
      return { described: true, fault: answer.body === "" ? null : `a body where none is described: ${answer.body}` };
    }
    if (response.content["text/event-stream"]) return { described: true, fault: null };
    if (!answer.contentType.startsWith("application/json")) {
      return { described: true, fault: `content type ${answer.contentType}, not JSON` };
    }
    let value;
    try {
      value = JSON.parse(answer.body);
    } catch (error) {
      return { described: true, fault: `not JSON: ${error.message}` };
    }
    const ref = operation.responses[key].$ref
      ? response.content["application/json"].schema.$ref
      : pointer("paths", path, method, "responses", key, "content", "application/json", "schema");
    return { described: true, fault: this.check(ref, value) };
  }

  // Whether `uri` is the path of one of the document's operations.
  describesUri(uri) {
    return this.routes.some((route) => route.regex.test(uri));
  }

  checkEvent(event) {
    let data;
    try {
      data = JSON.parse(event.data);
    } catch (error) {
      return { described: true, fault: `not JSON: ${error.message}` };
    }
    if (!this.eventNames.has(event.name)) {
      // A resource event of a described resource must be described too.
      const uri = typeof data?.uri === "string" ? data.uri : null;
      if (uri && this.describesUri(uri)) return { described: true, fault: "a resource event that is not described" };
      return { described: false };
    }
    const frame = pointer("paths", "/events", "get", "responses", "200", "content", "text/event-stream", "schema",
                          "items");
    return { described: true, fault: this.check(frame, { event: event.name, data }) };
  }
}

function main(argv) {
  const directory = argv[0];
  const minimum = { answers: 0, events: 0 };
  for (let i = 1; i + 1 < argv.length; i += 2) {
    if (argv[i] === "--min-answers") minimum.answers = Number(argv[i + 1]);
    if (argv[i] === "--min-events") minimum.events = Number(argv[i + 1]);
  }
  const counts = { answers: 0, events: 0, otherAnswers: 0, otherEvents: 0, faults: 0 };
  const reported = new Set();
  for (const name of readdirSync(directory).filter((n) => n.endsWith(".openapi.json")).sort()) {
    const stem = name.slice(0, -".openapi.json".length);
    const contract = new Contract(JSON.parse(readFileSync(join(directory, name), "utf8")));
    let text = "";
    try {
      text = readFileSync(join(directory, stem + ".jsonl"), "utf8");
    } catch {
      continue;
    }
    for (const line of text.split("\n").filter((l) => l !== "")) {
      const record = JSON.parse(line);
      const what = record.answer
        ? `${record.answer.method} ${record.answer.target} -> ${record.answer.status}`
        : `event ${record.event.name}`;
      const result = record.answer ? contract.checkAnswer(record.answer) : contract.checkEvent(record.event);
      if (!result.described) {
        counts[record.answer ? "otherAnswers" : "otherEvents"] += 1;
        continue;
      }
      counts[record.answer ? "answers" : "events"] += 1;
      if (!result.fault) continue;
      counts.faults += 1;
      // One report per kind of fault: the load test repeats each many times.
      const kind = `${what.replace(/[0-9]+/g, "N")}: ${result.fault.replace(/[0-9]+/g, "N")}`;
      if (reported.has(kind)) continue;
      reported.add(kind);
      const body = record.answer ? record.answer.body : record.event.data;
      console.log(`FAULT ${stem}: ${what}: ${result.fault}\n  ${body.slice(0, 300)}`);
    }
  }
  console.log(
    `checked ${counts.answers} answers and ${counts.events} events against their documents ` +
      `(${counts.otherAnswers} answers and ${counts.otherEvents} events of paths and events the documents ` +
      `do not describe); ${counts.faults} faults`,
  );
  let failed = counts.faults > 0;
  for (const kind of ["answers", "events"]) {
    if (counts[kind] < minimum[kind]) {
      console.log(`FAULT: ${counts[kind]} ${kind} checked, fewer than ${minimum[kind]}`);
      failed = true;
    }
  }
  console.log(failed ? "0 passed, 1 failed" : "1 passed, 0 failed");
  return failed ? 1 : 0;
}

process.exitCode = main(process.argv.slice(2));
