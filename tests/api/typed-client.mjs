// Generates TypeScript types from an OpenAPI document and compiles the
// typed client against them with tsc --strict; then compiles the calls with
// wrong bodies and requires each of them, and nothing else, to fail.
//
//   node typed-client.mjs DOCUMENT WORK_DIR
import { execFileSync, spawnSync } from "node:child_process";
import { mkdirSync, readFileSync, writeFileSync } from "node:fs";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";

const here = dirname(fileURLToPath(import.meta.url));
const [document, work] = process.argv.slice(2).map((p) => resolve(p));
mkdirSync(work, { recursive: true });
const bin = (name) => join(here, "node_modules", ".bin", name);
const failures = [];

execFileSync(bin("openapi-typescript"), [document, "-o", join(work, "perks-api.d.ts")], { stdio: "inherit" });

function compile(file) {
  const config = {
    compilerOptions: {
      strict: true, noEmit: true, target: "ES2022", module: "ESNext", moduleResolution: "Bundler",
      skipLibCheck: false, types: [], paths: { "perks-api": [join(work, "perks-api.d.ts")] },
    },
    files: [join(here, "client", file)],
  };
  const tsconfig = join(work, `tsconfig.${file}.json`);
  writeFileSync(tsconfig, JSON.stringify(config, null, 2));
  const run = spawnSync(bin("tsc"), ["-p", tsconfig], { encoding: "utf8" });
  return { status: run.status, output: run.stdout + run.stderr };
}

const client = compile("perks_client.ts");
if (client.status !== 0) failures.push(`the typed client does not compile:\n${client.output}`);

// Each line marked WRONG gives an error, and no other line does.
const wrong = compile("wrong_bodies.ts");
const source = readFileSync(join(here, "client", "wrong_bodies.ts"), "utf8").split("\n");
const marked = source.flatMap((line, i) => (line.includes("// WRONG") ? [i + 1] : []));
const errorLines = new Set([...wrong.output.matchAll(/wrong_bodies\.ts\((\d+),\d+\): error/g)].map((m) => Number(m[1])));
for (const line of marked) {
  if (!errorLines.has(line)) failures.push(`line ${line} of wrong_bodies.ts compiles: ${source[line - 1].trim()}`);
}
for (const line of errorLines) {
  if (!marked.includes(line)) failures.push(`line ${line} of wrong_bodies.ts fails unexpectedly:\n${wrong.output}`);
}
if (wrong.status === 0) failures.push("wrong_bodies.ts compiles");

for (const failure of failures) console.log(`FAULT: ${failure}`);
console.log(`typed client: ${client.status === 0 ? "compiles" : "fails"}; ${marked.length} wrong calls refused`);
console.log(failures.length ? "0 passed, 1 failed" : "1 passed, 0 failed");
process.exitCode = failures.length ? 1 : 0;
