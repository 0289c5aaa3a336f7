// Starts tav-core, fetches the OpenAPI document it serves, checks that it is
// the one `tav-core --openapi` prints (but for the server's port) and that
// the plugin's bare API root points to it, then writes it to OUT.
//
//   node served-document.mjs TAV_CORE PLUGIN DATA_DIR OUT
import { spawn, spawnSync } from "node:child_process";
import { mkdirSync, mkdtempSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { isDeepStrictEqual } from "node:util";

const [program, plugin, data, out] = process.argv.slice(2);
const folder = mkdtempSync(join(tmpdir(), "tav-openapi-"));
const failures = [];

function withoutServers(document) {
  const { servers, ...rest } = document;
  return rest;
}

async function waitForPort(child) {
  let output = "";
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error("tav-core did not serve within a minute")), 60000);
    child.stdout.on("data", (chunk) => {
      output += chunk;
      const match = /serving http:\/\/127\.0\.0\.1:([0-9]+)\//.exec(output);
      if (match) {
        clearTimeout(timer);
        resolve(Number(match[1]));
      }
    });
    child.on("exit", (code) => reject(new Error(`tav-core exited with ${code}`)));
  });
}

const printed = spawnSync(program, ["--openapi", "--plugin", plugin, "--store", join(folder, "s.sqlite3")], {
  encoding: "utf8",
});
if (printed.status !== 0) failures.push(`tav-core --openapi exited with ${printed.status}: ${printed.stderr}`);

const core = spawn(program, ["--port", "0", "--quiet", "--plugin", plugin, "--data", data,
                             "--store", join(folder, "s.sqlite3")], { stdio: ["ignore", "pipe", "inherit"] });
try {
  const port = await waitForPort(core);
  const base = `http://127.0.0.1:${port}`;
  const answer = await fetch(`${base}/tav-core/v1/openapi.json`);
  const served = await answer.json();
  if (answer.status !== 200) failures.push(`the document answered ${answer.status}`);
  if (served.servers?.[0]?.url !== base) failures.push(`the served document names ${served.servers?.[0]?.url}`);
  if (printed.status === 0 && !isDeepStrictEqual(withoutServers(JSON.parse(printed.stdout)), withoutServers(served))) {
    failures.push("the printed document is not the served one");
  }
  const root = Object.keys(served.paths).find((path) => path !== "/events").split("/").slice(0, 3).join("/");
  const index = await fetch(base + root);
  const link = index.headers.get("link");
  if (index.status !== 200 || link !== '</tav-core/v1/openapi.json>; rel="service-desc"') {
    failures.push(`GET ${root} answered ${index.status} with the link ${link}`);
  }
  mkdirSync(dirname(out), { recursive: true });
  writeFileSync(out, JSON.stringify(served, null, 2) + "\n");
  const operations = Object.values(served.paths).reduce((n, item) => n + Object.keys(item).length, 0);
  console.log(`${out}: ${operations} operations, ${Object.keys(served.components.schemas).length} schemas`);
} catch (error) {
  failures.push(error.message);
} finally {
  core.kill("SIGTERM");
  rmSync(folder, { recursive: true, force: true });
}
for (const failure of failures) console.log(`FAULT: ${failure}`);
console.log(failures.length ? "0 passed, 1 failed" : "1 passed, 0 failed");
process.exitCode = failures.length ? 1 : 0;
