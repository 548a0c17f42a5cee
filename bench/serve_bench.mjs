// From an editor-style save to the browser's load of the reloaded page, zorvik serve beside
// hugo server (Debian's hugo, its defaults: fast render mode, pages in memory), on the site
// workload of ../shared/perf/, in one run, alternating edits; medians of the rounds.
// usage: node serve_bench.mjs ZORVIK SITE_DIR [ROUNDS]   (SITE_DIR made by gen_site.py and
// zorvik_site.py; bench/serve_bench does all of it)
import { spawn } from "node:child_process";
import { readFileSync, writeFileSync, renameSync } from "node:fs";
import { join } from "node:path";

const { chromium } = await import(
  new URL("../tests/browser/node_modules/playwright-core/index.mjs", import.meta.url));
const [zorvik, site, roundsText] = process.argv.slice(2);
const rounds = Number(roundsText ?? 20);
const page = "p05000";

function start(command, args, ready) {
  const child = spawn(command, args, { stdio: ["ignore", "pipe", "pipe"] });
  process.on("exit", () => child.kill("SIGKILL"));
  return new Promise((resolve, reject) => {
    let out = "";
    const seen = (chunk) => {
      out += chunk;
      const found = ready(out);
      if (found) resolve({ child, found });
    };
    child.stdout.on("data", seen);
    child.stderr.on("data", seen);
    child.on("exit", (code) => reject(new Error(`${command} ended (${code}): ${out.slice(-500)}`)));
  });
}

// Saves as an editor does: the edited text in a new file, renamed over the old one. The edit
// changes the page's "updated" value, which its footer shows.
function edit(file, round, encoding) {
  const text = readFileSync(file, encoding);
  const edited = text.replace(/(\$Updated [0-9-]+|updated: "[0-9-]+)(?: r\d+)?/, `$1 r${round}`);
  writeFileSync(file + ".new", edited, encoding);
  renameSync(file + ".new", file);
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

const started = Date.now();
const zorvikServer = await start(zorvik, ["serve", "--port", "18931", join(site, "z/site.gro")],
  (out) => out.match(/^(http:\/\/127\.0\.0\.1:\d+\/)/m)?.[1]);
console.log(`zorvik serve: first build and serving after ${Date.now() - started} ms`);
const hugoStarted = Date.now();
const hugoServer = await start("hugo", ["server", "--source", site, "--port", "18932", "--bind", "127.0.0.1"],
  (out) => out.match(/Web Server is available at (http:\/\/[^ ]+\/)/)?.[1]);
console.log(`hugo server: first build and serving after ${Date.now() - hugoStarted} ms`);

const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args: ["--no-sandbox"] });
const context = await browser.newContext();
const zorvikPage = await context.newPage();
const hugoPage = await context.newPage();
await zorvikPage.goto(`${zorvikServer.found}${page}.html`);
await hugoPage.goto(`${hugoServer.found}p/${page}.html`);
await zorvikPage.waitForFunction(() => window.zorvikListening === true);
await hugoPage.waitForTimeout(1000);  // hugo's livereload connects after the load

const times = { zorvik: [], hugo: [] };
const measure = async (name, browserPage, file, encoding, round) => {
  const loaded = browserPage.waitForEvent("load", { timeout: 30000 });
  const saved = performance.now();
  edit(file, round, encoding);
  await loaded;
  times[name].push(performance.now() - saved);
  if (name === "zorvik") await browserPage.waitForFunction(() => window.zorvikListening === true);
  await browserPage.waitForTimeout(300);  // let the other server's watcher settle too
};
for (let round = 1; round <= rounds; ++round) {
  await measure("zorvik", zorvikPage, join(site, `z/p/${page}.dat`), "latin1", round);
  await measure("hugo", hugoPage, join(site, `content/p/${page}.html`), "utf8", round);
}
await browser.close();
zorvikServer.child.kill("SIGTERM");
hugoServer.child.kill("SIGTERM");

const z = median(times.zorvik);
const h = median(times.hugo);
const range = (values) => `${Math.round(Math.min(...values))}–${Math.round(Math.max(...values))}`;
console.log(`save to reloaded page, ${rounds} edits each, medians (range):`);
console.log(`  zorvik serve  ${z.toFixed(1)} ms (${range(times.zorvik)} ms)`);
console.log(`  hugo server   ${h.toFixed(1)} ms (${range(times.hugo)} ms)`);
console.log(`  zorvik / hugo ${(z / h).toFixed(3)}`);
