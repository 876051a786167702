// Browser editing with the duplicate check on and 990 memories, without the server's pauses: a
// my-phonebook page edited and read back, the list page in both orders, a duplicate number
// reported, and the files saved after SIGTERM.
'use strict';
const { test, before, after, afterEach } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const S = require('./support.js');

const playwright = S.requireBrowser();
const files = path.join(S.DATA, 'browser_edit');
const saved = S.temporaryFolder('saved');
let server, browser, page;
const pageErrors = [];

before(async () => {
  server = await S.startServe(['--no-pauses', '--dup-check', '--memory', '990',
    '--common', path.join(files, 'common.rkdat'), '--my', path.join(files, 'my.rkdat'),
    '--save-common', path.join(saved, 'common.rkdat'), '--save-my', path.join(saved, 'my.rkdat')]);
  browser = await S.openBrowser(playwright);
  page = await browser.context.newPage();
  page.on('pageerror', (error) => pageErrors.push(error.message));
});

after(async () => {
  if (browser) await browser.close();
  if (server && !server.exit) await S.stopServe(server);
  S.removeFolder(server);
  fs.rmSync(saved, { recursive: true, force: true });
});

afterEach(() => assert.deepEqual(pageErrors.splice(0), [], 'errors in the page'));

// My phonebook as loaded in 990-memory mode: memories 980..989 do not exist, so 101's 980 is gone.
const myLoaded = { '101_999': ['200', '内線', 'ﾅｲｾﾝ'], '102_995': ['09012345678', '営業部', 'ｴｲｷﾞｮｳ'] };
const myEdited = Object.assign({}, myLoaded, { '102_990': ['0801234567', '鈴木', 'ｽｽﾞｷ'] });

async function myRows() {
  const rows = await S.pageValues(page);
  const keys = [];
  for (const p of [101, 102]) for (let m = 980; m <= 999; m++) keys.push(p + '_' + m);
  assert.equal(rows.length, keys.length);
  return Object.fromEntries(rows.map((row, i) => [keys[i], row]));
}

function assertMyRows(rows, expected) {
  for (const [key, row] of Object.entries(rows)) {
    const memory = +key.slice(4);
    assert.equal(row.hidden, memory < 990, key);
    if (memory >= 990) assert.deepEqual(row.values, expected[key] || ['', '', ''], key);
  }
}

test('a my-phonebook page shows the loaded values, stores a hiragana reading as half-width and reads it back', async () => {
  await S.openEditPage(page, server.url + '18tel_01.html');
  assert.equal(await page.title(), 'マイ電話帳[PAGE1(収容位置101,102)]');
  assertMyRows(await myRows(), myLoaded);
  assert.deepEqual(await page.$$eval('tr.gap', (rows) => rows.map((r) => r.textContent)),
    ['980～989: メモリー数990件の設定では使用できません', '980～989: メモリー数990件の設定では使用できません']);

  await S.typeInto(page, 't102_990n1', '0801234567');
  await S.typeInto(page, 't102_990n2', '鈴木');
  await S.typeInto(page, 't102_990n3', 'すずき');
  await S.submitPage(page);
  assertMyRows(await myRows(), myEdited);
  await S.openEditPage(page, server.url + '18tel_01.html');
  assertMyRows(await myRows(), myEdited);
  assert.equal(server.stderr, '');
});

// The common phonebook as loaded in 990-memory mode (950 is loaded too).
const common = {
  '000': ['0312345678', '山田太郎', 'ﾔﾏﾀﾞ ﾀﾛｳ', '1'],
  '001': ['0451112222', '鈴木商店', 'ｽｽﾞｷ', '2'],
  '002': ['0669998888', '青木工務店', 'ｱｵｷ', '3'],
  '004': ['0522223333', '加藤医院', 'ｶﾄｳ', '0'],
  '005': ['0120123456', 'ＡＢＣサービス', 'ABC', '7'],
  '006': ['0298765432', '読みなし', '', '1'],
  '049': ['0112345678', '林', 'ﾊﾔｼ', '1'],
  '050': ['0333334444', '田中', 'ﾀﾅｶ', '4'],
  '599': ['0999999999', '和田', 'ﾜﾀﾞ', '5'],
  '950': ['0881112222', '松本', 'ﾏﾂﾓﾄ', '6']
};

// The list's tables: headings and rows as text cells.
function listTables() {
  return page.$$eval('#out h2', (headings) => headings.map((h2) => {
    const table = h2.nextElementSibling;
    return [h2.textContent].concat(Array.from(table.querySelectorAll('tbody tr')).map((tr) =>
      tr.classList.contains('head') ? '[' + tr.textContent + ']' :
        Array.from(tr.cells).map((td) => td.textContent).join(' ')));
  }));
}

const row = (memory, e) => [memory, e[0], e[1], e[2]].concat(e.length > 3 ? [e[3]] : []).join(' ');

test('the list page shows every loaded entry, by memory number and by reading', async () => {
  await page.goto(server.url + 'list.html');
  await page.waitForFunction(() => document.querySelector('#bar .state').textContent === '表示しました');
  assert.deepEqual(await listTables(), [['共通電話帳（短縮番号順）　10件',
    ...Object.keys(common).sort().map((m) => row(m, common[m]))]]);

  await page.fill('#positions', '101-102');
  await page.check('#by-reading');
  await page.click('#show');
  await page.waitForSelector('#out h2:has-text("収容位置 102")');
  const c = (m) => row(m, common[m]);
  assert.deepEqual(await listTables(), [
    ['共通電話帳（読み順）　10件', '[あ]', c('002'), '[か]', c('004'), '[さ]', c('001'), '[た]', c('050'), '[は]', c('049'),
      '[ま]', c('950'), '[や]', c('000'), '[わ]', c('599'), '[英数・記号]', c('005'), '[読みなし]', c('006')],
    ['マイ電話帳　収容位置 101（読み順）', '[な]', row('999', myEdited['101_999'])],
    ['マイ電話帳　収容位置 102（読み順）', '[あ]', row('995', myEdited['102_995']), '[さ]', row('990', myEdited['102_990'])]
  ]);
});

test('with the duplicate check on, a duplicate number gives the message, and the page shows what was kept', async () => {
  await S.openEditPage(page, server.url + '17tansyuku_01.html');
  await S.typeInto(page, 's004n1', '0312345678');
  // The page marks the pair before it is sent.
  assert.deepEqual(await page.$$eval('input.dup', (inputs) => inputs.map((i) => i.name)), ['s000n1', 's004n1']);
  await S.submitPage(page);
  assert.equal(server.stderr.trim(), '短縮番号000番と004番が重複して登録されています。');
  // Committing the page keeps a number where it comes first: the later memory loses it, and the
  // page shows that and points at the field that was not stored as sent.
  assert.match(await page.textContent('#bar .state'), /^登録しました .*（1項目が変更）$/);
  assert.deepEqual(await page.$$eval('input.altered', (inputs) => inputs.map((i) => [i.name, i.value, i.title])),
    [['s004n1', '', '送信した値: 0312345678']]);
  assert.deepEqual((await S.pageValues(page))[4].values, ['', '加藤医院', 'ｶﾄｳ', '0']);
});

test('after SIGTERM the saved files hold every submitted entry', async () => {
  const exit = await S.stopServe(server);
  assert.deepEqual(exit, { code: 0, signal: null });
  assert.deepEqual(S.recordLines(path.join(saved, 'common.rkdat')),
    S.commonFileLines(Object.assign({}, common, { '004': ['', '加藤医院', 'ｶﾄｳ', '0'] }), 951));
  assert.deepEqual(S.recordLines(path.join(saved, 'my.rkdat')), S.myFileLines(myEdited));
});
