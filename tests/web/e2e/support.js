// What the browser checks share: Debian's Chromium driven by playwright-core, and
// `rkdial-cli serve` as a child process on loopback. RKDIAL_CLI names the program, RKDIAL_TEST_DATA
// the folder of the phonebook files, RKDIAL_CHROMIUM another browser than /usr/bin/chromium.
// Without Chromium or without `npm ci` in this folder the checks cannot run: a file then ends
// with the skip code its CTest entry knows, or fails where RKDIAL_REQUIRE_BROWSER says that both
// were installed (as the test command does).
'use strict';
const { spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const SKIP = 77;
const CHROMIUM = process.env.RKDIAL_CHROMIUM || '/usr/bin/chromium';
const CLI = process.env.RKDIAL_CLI;
const DATA = process.env.RKDIAL_TEST_DATA;

function requireBrowser() {
  const missing = [];
  if (!fs.existsSync(CHROMIUM)) missing.push(CHROMIUM);
  let playwright = null;
  try {
    playwright = require('playwright-core');
  } catch (e) {
    missing.push('playwright-core (npm ci in ' + __dirname + ')');
  }
  if (missing.length) {
    console.log((process.env.RKDIAL_REQUIRE_BROWSER ? 'failed' : 'skipped') + ': no ' + missing.join(', no '));
    process.exit(process.env.RKDIAL_REQUIRE_BROWSER ? 1 : SKIP);
  }
  if (!CLI || !DATA) throw new Error('RKDIAL_CLI and RKDIAL_TEST_DATA must name the program and the test data');
  return playwright;
}

function temporaryFolder(name) {
  return fs.mkdtempSync(path.join(os.tmpdir(), 'rkdial-' + name + '-'));
}

// A fresh profile for every run, nothing fetched from outside, and 1024 x 768 as the operator's
// smallest screen.
async function openBrowser(playwright) {
  const profile = temporaryFolder('profile');
  const context = await playwright.chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    viewport: { width: 1024, height: 768 },
    locale: 'ja-JP'
  });
  context.setDefaultTimeout(20000);
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    }
  };
}

// `rkdial-cli serve --port 0` with the given options, in a folder of its own; resolves once it
// has printed its address.
function startServe(options) {
  const folder = temporaryFolder('serve');
  const child = spawn(CLI, ['serve', '--port', '0', ...options], { cwd: folder, stdio: ['ignore', 'pipe', 'pipe'] });
  const server = { child, folder, stdout: '', stderr: '', exit: null };
  server.exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve((server.exit = { code, signal }))));
  child.stderr.setEncoding('utf8');
  child.stderr.on('data', (text) => { server.stderr += text; });
  child.stdout.setEncoding('utf8');
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('serve printed no address: ' + server.stderr)), 15000);
    child.stdout.on('data', (text) => {
      server.stdout += text;
      const line = /^(http:\/\/127\.0\.0\.1:\d+\/)\n/.exec(server.stdout);
      if (line) {
        clearTimeout(timer);
        server.url = line[1];
        resolve(server);
      }
    });
    server.exited.then((exit) => {
      clearTimeout(timer);
      reject(new Error('serve ended early (' + JSON.stringify(exit) + '): ' + server.stderr));
    });
  });
}

// SIGTERM, as the desktop's "戻る": the server settles the edits and saves. Resolves to the exit.
async function stopServe(server) {
  if (!server.exit) server.child.kill('SIGTERM');
  let timer;
  const timeout = new Promise((resolve) => { timer = setTimeout(resolve, 20000, 'timeout'); });
  const exit = await Promise.race([server.exited, timeout]);
  clearTimeout(timer);
  if (exit === 'timeout') {
    server.child.kill('SIGKILL');
    throw new Error('serve did not end within 20 s of SIGTERM');
  }
  return exit;
}

function removeFolder(server) {
  if (server) fs.rmSync(server.folder, { recursive: true, force: true });
}

const sjis = (bytes) => new TextDecoder('shift_jis', { fatal: true }).decode(bytes);

// The record lines of a phonebook file (CR LF ends, Shift_JIS), without its 192-byte first line.
function recordLines(file) {
  const bytes = fs.readFileSync(file);
  const text = sjis(bytes.subarray(192));
  if (!text.endsWith('\r\n')) throw new Error(file + ' does not end with CR LF');
  return text.slice(0, -2).split('\r\n');
}

// The record lines a saved file must hold for the entries given (memory → [number, kanji, kana,
// group]; position_memory → [number, kanji, kana]), every other memory empty. An empty memory
// has group 1, except one that no load has touched since start-up (from `untouchedFrom` on in
// 990-memory mode): that is all zero, group 0.
const three = (n) => String(n).padStart(3, '0');
function commonFileLines(entries, untouchedFrom = 990) {
  const lines = ['短縮番号,電話番号,カナ名称,漢字名称,グループ番号'];
  for (let m = 0; m < 990; m++) {
    const e = entries[three(m)];
    lines.push(e ? [three(m), e[0], e[2], e[1], '0' + e[3]].join(',') : three(m) + (m < untouchedFrom ? ',,,,01' : ',,,,00'));
  }
  return lines;
}
function myFileLines(entries) {
  const lines = ['収容位置,短縮番号,電話番号,漢字名称,カナ名称'];
  for (let p = 101; p <= 200; p++) {
    for (let m = 980; m <= 999; m++) lines.push([p, m].concat(entries[p + '_' + m] || ['', '', '']).join(','));
  }
  return lines;
}

// The values on an edit page, row by row, as the operator sees them.
function pageValues(page) {
  return page.$$eval('table.book tbody tr:not(.gap)', (rows) => rows.map((row) => {
    const inputs = Array.from(row.querySelectorAll('input'));
    const group = row.querySelector('select');
    return {
      memory: row.querySelector('th').textContent,
      hidden: row.hidden,
      values: inputs.map((input) => input.value).concat(group ? [group.value] : [])
    };
  }));
}

// Waits until an edit page has filled its rows (or said that it has none to fill).
async function openEditPage(page, url) {
  await page.goto(url);
  await page.waitForSelector('table.book input, #off', { state: 'attached' });
}

// Types into a field as a person would, after emptying it.
async function typeInto(page, name, text) {
  await page.fill('[name="' + name + '"]', '');
  await page.click('[name="' + name + '"]');
  await page.keyboard.type(text);
}

// Presses the page's own 送信 and waits until the page has read back what was stored.
async function submitPage(page) {
  await page.click('button[type=submit]');
  await page.waitForFunction(() => /^登録しました/.test(document.querySelector('#bar .state').textContent), null,
    { timeout: 30000 });
}

module.exports = { requireBrowser, openBrowser, startServe, stopServe, removeFolder, recordLines, pageValues, sjis,
  DATA, temporaryFolder, commonFileLines, myFileLines, openEditPage, typeInto, submitPage, three };
