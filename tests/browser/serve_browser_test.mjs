// zorvik serve in a real browser (Debian's chromium, headless, through playwright-core): the
// page arrives with its charset; saving its page source reloads it and only it, keeping the
// scroll position; a style sheet or image it uses reloads it too; a generation with errors
// shows its log over the page, and the next good one takes it away; SIGTERM ends it with 0.
// usage: node serve_browser_test.mjs ZORVIK_BINARY
import { spawn } from "node:child_process";
import { mkdtempSync, writeFileSync, renameSync, mkdirSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { createServer, connect } from "node:net";
import assert from "node:assert/strict";
import { chromium } from "playwright-core";

const zorvik = process.argv[2];
const cp932 = {
  cover: Buffer.from([0x95, 0x5c, 0x8e, 0x86, 0x82, 0xc5, 0x82, 0xb7]), // 表紙です
  other: Buffer.from([0x95, 0xca, 0x82, 0xcc, 0x83, 0x79, 0x81, 0x5b, 0x83, 0x57]), // 別のページ
  changed: Buffer.from([0x95, 0xcf, 0x8d, 0x58, 0x8c, 0xe3]), // 変更後
};
const crlf = (text) => Buffer.from(text.replace(/\n/g, "\r\n"), "latin1");
const page = (...parts) => Buffer.concat(parts.map((p) => (typeof p === "string" ? crlf(p) : p)));

const site = mkdtempSync(join(tmpdir(), "zorvik-browser-"));
// Saves as an editor does: a new file renamed over the old one.
function save(name, bytes) {
  writeFileSync(join(site, name + ".new"), bytes);
  renameSync(join(site, name + ".new"), join(site, name));
}
function cover(title) {
  return page("@Template {$DataFolder}../templates/cover.tmpl\n@WriteFile {$DataFolder}../out/index.html\n$Title ", title, "\n");
}
mkdirSync(join(site, "pages"));
mkdirSync(join(site, "templates"));
mkdirSync(join(site, "style"));
// A long page, so that its scroll position means something; no charset declared: served as
// Shift_JIS all the same.
save("templates/cover.tmpl", crlf('<html><head><link rel="stylesheet" href="../style/site.css"></head>\n' +
  '<body><h1 id="title">{$Title}</h1><div style="height:5000px"></div><img src="../style/logo.svg"></body></html>\n'));
save("templates/other.tmpl", crlf('<html><head><meta charset="Shift_JIS"><link rel="stylesheet" href="../style/site.css"></head>\n' +
  '<body><h1 id="title">{$Title}</h1></body></html>\n'));
save("style/site.css", crlf("h1 { color: rgb(0, 0, 255); }\n"));
save("style/logo.svg", crlf('<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"></svg>\n'));
save("pages/index.dat", cover(cp932.cover));
save("pages/other.dat", page("@Template {$DataFolder}../templates/other.tmpl\n@WriteFile {$DataFolder}../out/other.html\n$Title ", cp932.other, "\n"));
save("site.gro", crlf("{$GRODataFolder}pages/index.dat\n{$GRODataFolder}pages/other.dat\n"));

const port = await new Promise((resolve) => {
  const probe = createServer().listen(0, "127.0.0.1", () => {
    const { port } = probe.address();
    probe.close(() => resolve(port));
  });
});
const server = spawn(zorvik, ["serve", "--port", String(port), join(site, "site.gro")], {
  stdio: ["ignore", "pipe", "inherit"],
});
process.on("exit", () => server.kill("SIGKILL"));
const address = await new Promise((resolve, reject) => {
  let out = "";
  server.stdout.on("data", (chunk) => {
    out += chunk;
    if (out.includes("\n")) resolve(out.split("\n")[0]);
  });
  server.on("exit", (code) => reject(new Error("zorvik serve ended: " + code)));
});
assert.equal(address, `http://127.0.0.1:${port}/out/index.html`);

const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args: ["--no-sandbox"] });
try {
  const context = await browser.newContext();
  const index = await context.newPage();
  const other = await context.newPage();
  await index.goto(address);
  await other.goto(`http://127.0.0.1:${port}/out/other.html`);
  assert.equal(await index.evaluate(() => document.characterSet), "Shift_JIS");
  assert.equal(await index.textContent("#title"), "表紙です");
  assert.equal(await other.textContent("#title"), "別のページ");
  // Both pages listen before anything changes.
  for (const p of [index, other]) await p.waitForFunction(() => window.zorvikListening === true);
  const mark = (p) => p.evaluate(() => { window.zorvikMark = 1; });
  const marked = (p) => p.evaluate(() => window.zorvikMark === 1);

  // Saving the page source reloads that page, at its scroll position, and not the other one.
  await mark(index);
  await mark(other);
  await index.evaluate(() => window.scrollTo(0, 1234));
  let loaded = index.waitForEvent("load");
  const saved = Date.now();
  save("pages/index.dat", cover(cp932.changed));
  await loaded;
  const reloadMs = Date.now() - saved;
  assert.equal(await index.textContent("#title"), "変更後");
  assert.equal(await marked(index), false);
  await index.waitForFunction(() => window.scrollY === 1234);
  assert.equal(await marked(other), true, "a page that did not change was reloaded");
  assert.ok(reloadMs < 1000, `reload took ${reloadMs} ms`);
  console.log(`save to reloaded page: ${reloadMs} ms`);

  // An image only the first page uses reloads only that page; the style sheet both use, both.
  await mark(index);
  loaded = index.waitForEvent("load");
  save("style/logo.svg", crlf('<svg xmlns="http://www.w3.org/2000/svg" width="20" height="20"></svg>\n'));
  await loaded;
  assert.equal(await marked(other), true, "an image the page does not use reloaded it");
  await mark(index);
  loaded = Promise.all([index.waitForEvent("load"), other.waitForEvent("load")]);
  save("style/site.css", crlf("h1 { color: rgb(255, 0, 0); }\n"));
  await loaded;
  assert.equal(await other.evaluate(() => getComputedStyle(document.querySelector("h1")).color), "rgb(255, 0, 0)");

  // A mistake shows the log over the page; mending it takes the log away.
  save("pages/index.dat", page(cover(cp932.changed), "a line that is no value\n"));
  await index.waitForSelector("#zorvik-errors");
  const shown = await index.textContent("#zorvik-errors");
  assert.match(shown, /index\.dat:4: error: \(エラー\)構文エラーです\(3\): a line that is no value/);
  await mark(index);
  save("pages/index.dat", cover(cp932.changed));
  await index.waitForSelector("#zorvik-errors", { state: "detached" });
  assert.equal(await marked(index), true, "a page whose bytes stayed was reloaded");

  // Ten tabs of the site at once: every one loads and listens, and a style sheet they all use
  // reloads them all. (A browser allows six connections to a host.)
  const tabs = [index, other];
  while (tabs.length < 10) {
    const tab = await context.newPage();
    await tab.goto(`http://127.0.0.1:${port}/out/other.html`, { timeout: 5000 });
    tabs.push(tab);
  }
  for (const tab of tabs) await tab.waitForFunction(() => window.zorvikListening === true, null, { timeout: 5000 });
  loaded = Promise.all(tabs.map((tab) => tab.waitForEvent("load", { timeout: 5000 })));
  save("style/site.css", crlf("h1 { color: rgb(0, 128, 0); }\n"));
  await loaded;
  for (const tab of tabs) {
    assert.equal(await tab.evaluate(() => getComputedStyle(document.querySelector("h1")).color), "rgb(0, 128, 0)");
  }

  // Fifty clients that send a header line every two seconds, as a slow or hostile client
  // does: a page still loads within a second.
  const drips = [];
  for (let i = 0; i < 50; i++) {
    const socket = connect(port, "127.0.0.1");
    socket.on("error", () => {});
    socket.write(`GET /out/index.html HTTP/1.1\r\nHost: 127.0.0.1:${port}\r\n`);
    drips.push(setInterval(() => socket.write(`X-Drip-${i}: 1\r\n`), 2000));
    drips.push(socket);
  }
  await new Promise((resolve) => setTimeout(resolve, 2500));
  const asked = Date.now();
  const response = await fetch(`http://127.0.0.1:${port}/out/other.html`);
  await response.text();
  const answeredMs = Date.now() - asked;
  for (const drip of drips) (drip.destroy ? drip.destroy() : clearInterval(drip));
  assert.equal(response.status, 200);
  assert.ok(answeredMs < 1000, `a page took ${answeredMs} ms beside 50 slow clients`);
  console.log(`a page beside 50 slow clients: ${answeredMs} ms`);
} finally {
  await browser.close();
}

const status = await new Promise((resolve) => {
  server.removeAllListeners("exit");
  server.on("exit", (code) => resolve(code));
  server.kill("SIGTERM");
});
assert.equal(status, 0);
rmSync(site, { recursive: true, force: true });
console.log("zorvik serve passed in chromium");
