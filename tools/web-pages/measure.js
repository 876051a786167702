// Figures of the edit pages in headless Chromium against rkdial-cli serve, by hand (not a test):
//   node tools/web-pages/measure.js [runs]          (RKDIAL_CLI: default build/dev/bin/rkdial-cli)
// Medians over the runs of: navigation to filled inputs for common page 1 and my-phonebook
// page 1, with the server's pauses and without; one submit-and-reload cycle with the pauses; the
// list page of a full 990-memory phonebook. With RKDIAL_MEASURE_DETAIL=1 every request's timing of
// one page load is printed too.
'use strict';
const path = require('node:path');
const fs = require('node:fs');
const { spawnSync } = require('node:child_process');

const root = path.resolve(__dirname, '../..');
process.env.RKDIAL_CLI = process.env.RKDIAL_CLI || path.join(root, 'build/dev/bin/rkdial-cli');
process.env.RKDIAL_TEST_DATA = process.env.RKDIAL_TEST_DATA || path.join(root, 'tests/data');
const S = require('../../tests/web/e2e/support.js');
const playwright = S.requireBrowser();
const runs = Math.max(1, +process.argv[2] || 10);
const files = path.join(S.DATA, 'browser_edit');

const median = (list) => {
  const sorted = list.slice().sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};
const summary = (list) => 'median ' + median(list).toFixed(0) + ' ms (min ' + Math.min(...list).toFixed(0) +
  ', max ' + Math.max(...list).toFixed(0) + ', n=' + list.length + ')';

// When the rows are there (built and filled in one task) and when the list says it is shown,
// from the start of the navigation.
const PROBE = `
  new MutationObserver(function () {
    if (window.rkFilled === undefined && document.querySelector('table.book input')) window.rkFilled = performance.now();
    var state = document.querySelector('#bar .state');
    if (window.rkShown === undefined && state && state.textContent === '表示しました') window.rkShown = performance.now();
  }).observe(document, { childList: true, subtree: true, characterData: true });`;

async function timeToFilled(page, url) {
  await page.goto('about:blank');
  await page.goto(url);
  await page.waitForFunction(() => window.rkFilled !== undefined);
  return page.evaluate(() => window.rkFilled);
}

function requestTimings(page) {
  return page.evaluate(() => [performance.getEntriesByType('navigation')[0]]
    .concat(performance.getEntriesByType('resource')).map((e) => e.name.replace(/^.*\//, '').padEnd(34) +
      ' start ' + e.startTime.toFixed(0).padStart(4) + '  request ' + e.requestStart.toFixed(0).padStart(4) +
      '  first byte ' + e.responseStart.toFixed(0).padStart(4) + '  end ' + e.responseEnd.toFixed(0).padStart(4) +
      '  ' + (e.encodedBodySize || e.transferSize) + ' B').join('\n'));
}

// Every memory filled to its limits: 24-digit numbers, 20-byte names.
function fullPhonebook(folder) {
  const lines = ['短縮番号,電話番号,カナ名称,漢字名称,グループ番号'];
  const kanji = '東西南北上下左右前後';
  for (let m = 0; m < 990; m++) {
    const number = ('0' + String(m).padStart(3, '0')).repeat(6);
    const kana = ('ｱｶｻﾀﾅﾊﾏﾔﾗﾜ'[m % 10] + 'ｲｷｼﾁﾆﾋﾐﾕﾘｦﾝｰ'.repeat(2)).slice(0, 20);
    const name = kanji.slice(m % 10) + kanji.slice(0, m % 10);
    lines.push([String(m).padStart(3, '0'), number, kana, name, '0' + (m % 8)].join(','));
  }
  const file = path.join(folder, 'full.rkdat');
  const converted = spawnSync('iconv', ['-f', 'UTF-8', '-t', 'CP932'], { input: lines.join('\r\n') + '\r\n' });
  if (converted.status !== 0) throw new Error('iconv: ' + converted.stderr);
  fs.writeFileSync(file, converted.stdout);
  return file;
}

(async () => {
  const browser = await S.openBrowser(playwright);
  await browser.context.addInitScript(PROBE);
  const page = await browser.context.newPage();
  const folder = S.temporaryFolder('measure');
  // Both servers run at once and the runs alternate between them, so that both see the same load
  // on the machine.
  const servers = [];
  const serve = async (label, options) => servers.push(Object.assign(await S.startServe(options), { label }));
  try {
    const loaded = ['--common', path.join(files, 'common.rkdat'), '--my', path.join(files, 'my.rkdat')];
    await serve('with pauses', loaded);
    await serve('--no-pauses', loaded.concat(['--no-pauses']));
    for (const name of ['17tansyuku_01.html', '18tel_01.html']) {
      const times = servers.map(() => []);
      for (const server of servers) await timeToFilled(page, server.url + name); // warms the browser
      for (let i = 0; i < runs; i++) {
        for (const [k, server] of servers.entries()) times[k].push(await timeToFilled(page, server.url + name));
      }
      for (const [k, server] of servers.entries()) {
        console.log(name + ' ' + server.label + ': to filled inputs ' + summary(times[k]));
        if (process.env.RKDIAL_MEASURE_DETAIL) {
          await timeToFilled(page, server.url + name);
          console.log(await requestTimings(page));
        }
      }
    }
    const cycles = [];
    for (let i = 0; i < Math.min(runs, 5); i++) {
      await timeToFilled(page, servers[0].url + '17tansyuku_01.html');
      await S.typeInto(page, 's010n1', '03' + String(1000 + i));
      const start = Date.now();
      await S.submitPage(page);
      cycles.push(Date.now() - start);
    }
    console.log('submit and reload with pauses: from 送信 to the stored values shown ' + summary(cycles));
    while (servers.length) {
      const server = servers.pop();
      await S.stopServe(server);
      S.removeFolder(server);
    }

    const full = fullPhonebook(folder);
    await serve('with pauses', ['--memory', '990', '--common', full]);
    await serve('--no-pauses', ['--memory', '990', '--common', full, '--no-pauses']);
    const times = servers.map(() => []);
    for (let i = 0; i < runs; i++) {
      for (const [k, server] of servers.entries()) {
        await page.goto('about:blank');
        await page.goto(server.url + 'list.html');
        await page.waitForFunction(() => window.rkShown !== undefined);
        times[k].push(await page.evaluate(() => window.rkShown));
        const shown = await page.$$eval('table.list tbody tr', (rows) => rows.length);
        if (shown !== 990) throw new Error('the list shows ' + shown + ' rows, not 990');
      }
    }
    for (const [k, server] of servers.entries()) {
      console.log('list.html, 990 memories, ' + server.label + ': to the shown list ' + summary(times[k]));
    }
    if (process.env.RKDIAL_MEASURE_DETAIL) console.log(await requestTimings(page));
  } finally {
    for (const server of servers) {
      await S.stopServe(server);
      S.removeFolder(server);
    }
    await browser.close();
    fs.rmSync(folder, { recursive: true, force: true });
  }
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
