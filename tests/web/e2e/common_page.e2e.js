// Browser editing of the common phonebook with the server's real pauses (600 memories, duplicates
// allowed): the start page, page 1 as loaded, an edit submitted by the page's own button and seen
// after the reload, page 13 as unavailable, another site turned away, and the files saved after
// SIGTERM.
'use strict';
const { test, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');
const S = require('./support.js');

const playwright = S.requireBrowser();
const files = path.join(S.DATA, 'browser_edit');
const saved = S.temporaryFolder('saved');
let server, browser, page;
const pageErrors = [];

before(async () => {
  server = await S.startServe(['--common', path.join(files, 'common.rkdat'), '--my', path.join(files, 'my.rkdat'),
    '--save-common', path.join(saved, 'common.rkdat'), '--save-my', path.join(saved, 'my.rkdat')]);
  browser = await S.openBrowser(playwright);
  page = await browser.context.newPage();
  page.on('pageerror', (error) => pageErrors.push(error.message));
});

afterEach(() => assert.deepEqual(pageErrors.splice(0), [], 'errors in the page'));

after(async () => {
  if (browser) await browser.close();
  if (server && !server.exit) await S.stopServe(server);
  S.removeFolder(server);
  fs.rmSync(saved, { recursive: true, force: true });
});

const two = (n) => String(n).padStart(2, '0');
const three = S.three;

test('the start page links all 20 common and 50 my-phonebook pages, each to the page of its title', async () => {
  await page.goto(server.url);
  assert.equal(await page.title(), '短縮ダイヤル 電話帳編集');
  const links = await page.$$eval('ul.pages a', (as) => as.map((a) => ({ href: a.getAttribute('href'), text: a.textContent,
    off: a.classList.contains('off') })));
  const expected = [];
  for (let k = 1; k <= 20; k++) {
    const last = k === 20 ? 989 : 50 * k - 1;
    expected.push({ href: '17tansyuku_' + two(k) + '.html', range: three(50 * (k - 1)) + '～' + three(last),
      title: '共通電話帳[PAGE' + k + '(短縮番号' + three(50 * (k - 1)) + '～' + three(last) + ')]' });
  }
  for (let k = 1; k <= 50; k++) {
    const low = 99 + 2 * k;
    expected.push({ href: '18tel_' + two(k) + '.html', range: low + '・' + (low + 1),
      title: 'マイ電話帳[PAGE' + k + '(収容位置' + low + ',' + (low + 1) + ')]' });
  }
  assert.deepEqual(links.map((l) => l.href), expected.map((e) => e.href));
  links.forEach((link, i) => assert.ok(link.text.includes(expected[i].range), link.text));
  // 600 memories: the pages from 600 on are greyed out once the memory count has come.
  await page.waitForFunction(() => document.getElementById('mode').textContent !== '');
  assert.deepEqual((await page.$$eval('ul.pages a', (as) => as.map((a) => a.classList.contains('off')))).slice(0, 20),
    Array.from({ length: 20 }, (_, i) => i >= 12));
  assert.ok(await page.$('a[href="list.html"]'));
  for (const { href, title } of expected) {
    const answer = await fetch(server.url + href);
    assert.equal(answer.status, 200, href);
    assert.equal(/<title>(.*?)<\/title>/.exec(S.sjis(await answer.arrayBuffer()))[1], title, href);
  }
});

// Rows of page 1 as the hand-written common.rkdat fills them: number, kanji, kana, group.
const loaded = {
  '000': ['0312345678', '山田太郎', 'ﾔﾏﾀﾞ ﾀﾛｳ', '1'],
  '001': ['0451112222', '鈴木商店', 'ｽｽﾞｷ', '2'],
  '002': ['0669998888', '青木工務店', 'ｱｵｷ', '3'],
  '004': ['0522223333', '加藤医院', 'ｶﾄｳ', '0'],
  '005': ['0120123456', 'ＡＢＣサービス', 'ABC', '7'],
  '006': ['0298765432', '読みなし', '', '1'],
  '049': ['0112345678', '林', 'ﾊﾔｼ', '1']
};
const empty = ['', '', '', '1'];

const openPage = (name) => S.openEditPage(page, server.url + name);
const typeInto = (name, text) => S.typeInto(page, name, text);

async function rowsOfPage1() {
  const rows = await S.pageValues(page);
  assert.deepEqual(rows.map((r) => r.memory), Array.from({ length: 50 }, (_, i) => three(i)));
  return Object.fromEntries(rows.map((r) => [r.memory, r.values]));
}

test('page 1 shows the loaded values', async () => {
  await openPage('17tansyuku_01.html');
  assert.equal(await page.title(), '共通電話帳[PAGE1(短縮番号000～049)]');
  const rows = await rowsOfPage1();
  for (const [memory, values] of Object.entries(rows)) assert.deepEqual(values, loaded[memory] || empty, memory);
});

test('a kanji name, a kana name typed as hiragana and a new number are stored and come back after the reload', async () => {
  // Memory 000 is edited too: the form's first field opens the body, and nothing else of the
  // form may be taken for it.
  await typeInto('s000n1', '0312349999');
  await typeInto('s000n2', '山田花子');
  await typeInto('s000n3', 'やまだ はなこ');
  await typeInto('s003n1', '0387654321');
  await typeInto('s003n2', '後藤次郎');
  await typeInto('s003n3', 'ごとう じろう');
  await page.selectOption('[name="s003n4"]', '6');
  assert.equal(await page.inputValue('[name="s000n3"]'), 'ﾔﾏﾀﾞ ﾊﾅｺ');
  assert.equal(await page.inputValue('[name="s003n3"]'), 'ｺﾞﾄｳ ｼﾞﾛｳ');

  const state = page.locator('#bar .state');
  const submitted = S.submitPage(page);
  submitted.catch(() => {}); // awaited below; a failure before then is reported there
  await page.waitForFunction(() => document.querySelector('#bar .state').textContent === '送信中…');
  // The server's own waits (a second before the body, two before the redirect) keep the page
  // busy, and its form frozen, until the stored values are back.
  await page.waitForTimeout(1500);
  assert.match(await state.getAttribute('class'), /\bbusy\b/);
  assert.ok(await page.$eval('#book', (form) => form.inert));
  await submitted;

  const expected = Object.assign({}, loaded, {
    '000': ['0312349999', '山田花子', 'ﾔﾏﾀﾞ ﾊﾅｺ', '1'],
    '003': ['0387654321', '後藤次郎', 'ｺﾞﾄｳ ｼﾞﾛｳ', '6']
  });
  const check = async () => {
    const rows = await rowsOfPage1();
    for (const [memory, values] of Object.entries(rows)) assert.deepEqual(values, expected[memory] || empty, memory);
  };
  await check();
  assert.equal(await page.$$eval('input.altered', (inputs) => inputs.length), 0);
  // A new visit reads the same from the server.
  await openPage('17tansyuku_01.html');
  await check();
});

test('page 13 in 600-memory mode shows its memories as unavailable', async () => {
  await openPage('17tansyuku_13.html');
  assert.equal(await page.textContent('#off h2'), '短縮番号 600～649 は使用できません');
  assert.equal(await page.$$eval('table.book input', (inputs) => inputs.filter((i) => i.offsetParent).length), 0);
  assert.ok(await page.isDisabled('button[type=submit]'));
});

// Another site open in the same browser, served from another loopback address: it includes the
// data script and submits a hidden form to the server, as any page the operator visits could.
function attackingSite(target) {
  const html = '<!DOCTYPE html><html><head><meta charset="utf-8"><title>elsewhere</title></head><body>' +
    '<script src="' + target + '17tansyuku_01m.js?page=001" onerror="window.scriptRefused = true"></script>' +
    '<script>window.stolen = typeof arVals === "undefined" ? null : arVals;</script>' +
    '<form id="f" method="post" action="' + target + '17tansyuku_01.html" target="sink">' +
    '<input type="hidden" name="s000n1" value="0999999999"><input type="hidden" name="s000n2" value="%83e">' +
    '<input type="hidden" name="s000n3" value="ATTACK"><input type="hidden" name="s000n4" value="1"></form>' +
    '<iframe name="sink"></iframe></body></html>';
  const site = http.createServer((request, response) => {
    response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' });
    response.end(html);
  });
  return new Promise((resolve) => site.listen(0, '127.0.0.2', () => resolve(site)));
}

test('another site can neither read the data script nor submit a page, while our own pages go on', async () => {
  const site = await attackingSite(server.url);
  try {
    const other = await browser.context.newPage();
    await other.goto('http://127.0.0.2:' + site.address().port + '/');
    assert.equal(await other.evaluate(() => window.scriptRefused), true);
    assert.equal(await other.evaluate(() => window.stolen), null);
    const answered = other.waitForEvent('framenavigated', { predicate: (frame) => frame.name() === 'sink' });
    await other.evaluate(() => document.getElementById('f').submit());
    await answered;
    await other.close();
  } finally {
    site.close();
  }
  // One line each on the server's standard error, naming the rule.
  await new Promise((resolve) => setTimeout(resolve, 200));
  const refusals = server.stderr.split('\n').filter(Boolean);
  server.stderr = '';
  assert.deepEqual(refusals.map((line) => /refused by the (\S+) rule/.exec(line)[1] + ' ' + / ((GET|POST) \S+)/.exec(line)[1]),
    ['Sec-Fetch-Site GET /17tansyuku_01m.js?page=001', 'Origin POST /17tansyuku_01.html']);

  // Nothing changed; the operator's page fills and submits as before.
  await openPage('17tansyuku_01.html');
  assert.equal(await page.inputValue('[name="s000n1"]'), '0312349999');
  assert.equal(await page.inputValue('[name="s000n3"]'), 'ﾔﾏﾀﾞ ﾊﾅｺ');
  await S.submitPage(page);
  assert.equal(await page.inputValue('[name="s000n1"]'), '0312349999');
});

test('after SIGTERM the saved files hold every submitted entry and everything else as loaded', async () => {
  const exit = await S.stopServe(server);
  assert.deepEqual(exit, { code: 0, signal: null });
  assert.equal(server.stderr, '');
  // 600 memories: 599 was loaded, 950 was not.
  const entries = Object.assign({}, loaded, {
    '000': ['0312349999', '山田花子', 'ﾔﾏﾀﾞ ﾊﾅｺ', '1'],
    '003': ['0387654321', '後藤次郎', 'ｺﾞﾄｳ ｼﾞﾛｳ', '6'],
    '050': ['0333334444', '田中', 'ﾀﾅｶ', '4'],
    '599': ['0999999999', '和田', 'ﾜﾀﾞ', '5']
  });
  assert.deepEqual(S.recordLines(path.join(saved, 'common.rkdat')), S.commonFileLines(entries));
  assert.deepEqual(S.recordLines(path.join(saved, 'my.rkdat')), S.myFileLines({
    '101_980': ['0311112222', '本社', 'ﾎﾝｼｬ'], '101_999': ['200', '内線', 'ﾅｲｾﾝ'],
    '102_995': ['09012345678', '営業部', 'ｴｲｷﾞｮｳ']
  }));
  // The first line keeps what the loaded file carried; only its time is new.
  const first = (file) => fs.readFileSync(file).subarray(0, 192).toString('latin1');
  const [was, is] = [first(path.join(files, 'common.rkdat')), first(path.join(saved, 'common.rkdat'))];
  assert.match(is, /^\d{12},/);
  assert.equal(is.slice(12), was.slice(12));
});
