// The built HTMLFiles keep what the embedded server relies on: the file set, Shift_JIS bytes,
// the window titles, the form's target, small files and no static name the server would take
// for a data-script request. RKDIAL_HTML_DIR names the built folder.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');

const dir = process.env.RKDIAL_HTML_DIR;
const read = (name) => fs.readFileSync(path.join(dir, name));
const sjis = (bytes) => new TextDecoder('shift_jis', { fatal: true }).decode(bytes);
const two = (n) => String(n).padStart(2, '0');

const phonebookPages = [];
for (let k = 1; k <= 20; k++) phonebookPages.push('17tansyuku_' + two(k) + '.html');
for (let k = 1; k <= 50; k++) phonebookPages.push('18tel_' + two(k) + '.html');
const scripts = ['rkrules.js', 'rkdial.js', 'rkedit.js', 'rksend.js', 'rklist.js'];

test('the folder holds exactly the pages and scripts, none named like a data script, each small', () => {
  const names = fs.readdirSync(dir).sort();
  assert.deepEqual(names, ['17tansyuku.html', 'list.html', ...phonebookPages, ...scripts].sort());
  for (const name of names) {
    assert.ok(!name.includes('m.js'), name);
    // Ten full 1,024-byte blocks would make the server pause for 100 ms.
    assert.ok(read(name).length < 10240, name + ' has ' + read(name).length + ' bytes');
  }
});

test('pages declare Shift_JIS and are Shift_JIS bytes; scripts decode and compile', () => {
  for (const name of ['17tansyuku.html', 'list.html', ...phonebookPages]) {
    const text = sjis(read(name));
    assert.match(text.slice(0, 200), /<meta charset="Shift_JIS">/, name);
  }
  for (const name of scripts) assert.doesNotThrow(() => new vm.Script(sjis(read(name)), { filename: name }), name);
});

// CP932 bytes, written out by hand.
const KYOTSU = '8b a4 92 ca 93 64 98 62 92 a0'; // 共通電話帳
const TANSHUKU = '92 5a 8f 6b 94 d4 8d 86'; // 短縮番号
const MY = '83 7d 83 43 93 64 98 62 92 a0'; // マイ電話帳
const SHUYO = '8e fb 97 65 88 ca 92 75'; // 収容位置
const ascii = (text) => Buffer.from(text, 'latin1').toString('hex').replace(/(..)/g, '$1 ').trim();

test('window titles are byte for byte those the server looks for', () => {
  const cases = [
    ['17tansyuku_01.html', [KYOTSU, ascii('[PAGE1('), TANSHUKU, ascii('000'), '81 60', ascii('049)]')]],
    ['17tansyuku_13.html', [KYOTSU, ascii('[PAGE13('), TANSHUKU, ascii('600'), '81 60', ascii('649)]')]],
    ['17tansyuku_20.html', [KYOTSU, ascii('[PAGE20('), TANSHUKU, ascii('950'), '81 60', ascii('989)]')]],
    ['18tel_01.html', [MY, ascii('[PAGE1('), SHUYO, ascii('101,102)]')]],
    ['18tel_50.html', [MY, ascii('[PAGE50('), SHUYO, ascii('199,200)]')]]
  ];
  for (const [name, parts] of cases) {
    const bytes = read(name).toString('latin1');
    const title = /<title>(.*?)<\/title>/s.exec(bytes)[1];
    assert.equal(Buffer.from(title, 'latin1').toString('hex').replace(/(..)/g, '$1 ').trim(), parts.join(' '), name);
  }
});

test('every phonebook page posts its form to its own path in Shift_JIS, into the hidden frame', () => {
  for (const name of phonebookPages) {
    const text = sjis(read(name));
    const form = /<form [^>]*>/.exec(text)[0];
    for (const attribute of ['method="post"', 'action="' + name + '"', 'accept-charset="Shift_JIS"', 'target="rkpost"']) {
      assert.ok(form.includes(attribute), name + ': ' + attribute);
    }
    // The answer loads there without running a script (its redirect, the page's own data requests),
    // yet of the page's own origin: the server refuses what an opaque origin asks for.
    assert.match(text, /<iframe name="rkpost"[^>]* sandbox="allow-same-origin">/, name);
    const [, book, page] = /<html lang="ja" data-book="(\d+)" data-page="(\d+)">/.exec(text);
    assert.equal(name, (book === '17' ? '17tansyuku_' : '18tel_') + two(page) + '.html');
    // Only the page script creates fields; the static page names nothing the decoder would take.
    assert.doesNotMatch(text, /\sname="[sthi]/, name);
  }
});
