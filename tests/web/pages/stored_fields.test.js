// The pages' field rules (the served rules script) against the form decoder and the stores: typed
// values are sent as a browser sends the page's form (Shift_JIS, urlencoded), the C++ decoder
// stores them (RKDIAL_STORED_FIELDS, stored_fields.cpp), and every character the page leaves
// unmarked must come back as it was sent, every one it marks as a blank must come back as blanks,
// and every other one it marks must not come back.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const R = require('./served.js')('rkrules.js');

// ---- the browser's Shift_JIS encoder, from the decoder's index ------------------------------
// The encoder takes the first pointer of a character, leaving out the duplicates of leads 0xED
// and 0xEE (pointers 8272..8835) and the user-defined area (8836..10715), which it cannot send.
const encoded = new Map();
(function buildEncoder() {
  const decoder = new TextDecoder('shift_jis');
  for (let pointer = 0; pointer < 11104; pointer++) {
    if (pointer >= 8272 && pointer <= 10715) continue;
    const lead = Math.floor(pointer / 188), trail = pointer % 188;
    const bytes = [lead + (lead < 0x1f ? 0x81 : 0xc1), trail + (trail < 0x3f ? 0x40 : 0x41)];
    const text = decoder.decode(new Uint8Array(bytes));
    if (text.length === 1 && text !== '\ufffd' && !encoded.has(text)) encoded.set(text, bytes);
  }
  for (let c = 0; c < 0x80; c++) encoded.set(String.fromCharCode(c), [c]);
  for (let c = 0xff61; c <= 0xff9f; c++) encoded.set(String.fromCharCode(c), [c - 0xff61 + 0xa1]);
  encoded.set('\u00a5', [0x5c]);
  encoded.set('\u203e', [0x7e]);
  encoded.set('\u2212', encoded.get('\uff0d'));
})();

// The bytes each character of a typed value is sent as: its Shift_JIS code, or, without one, a
// numeric character reference.
function sentBytes(ch) {
  return encoded.get(ch) || Array.from('&#' + ch.codePointAt(0) + ';', (c) => c.charCodeAt(0));
}

function urlencoded(bytes) {
  return bytes.map((b) => (b === 0x20 ? '+' : /[*\-._0-9A-Za-z]/.test(String.fromCharCode(b))
    ? String.fromCharCode(b) : '%' + b.toString(16).toUpperCase().padStart(2, '0'))).join('');
}

// ---- typed values -----------------------------------------------------------------------
const decode = (...bytes) => new TextDecoder('shift_jis').decode(new Uint8Array(bytes));
const WIDE = ['あ', 'ア', 'ソ', '表', '漢', 'ー', '～', '０', '－', '\u2212', '①', 'Ⅰ', 'ⅰ', '髙', '纊',
  decode(0x88, 0x9f), decode(0xe0, 0x40), decode(0xe0, 0x9f), decode(0xea, 0xa4), decode(0xfb, 0x9f),
  decode(0xfc, 0x4b)];
const NARROW = ['A', 'z', '0', '9', ' ', '\t', ',', '"', '<', '>', '\\', '&', '=', '+', '%', '#', ';', '*', '-',
  '.', '_', '@', '~', '\'', '/', '?', '¥', '‾', 'ｱ', 'ﾞ', 'ﾟ', 'ｰ', '｡', 'ﾝ'];
// No Shift_JIS code: sent as character references.
const NONE = ['〜', '€', '😀', '\ue000', 'é', '\u00a0'];
const DIALLING = ['0', '1', '5', '9', '*', '#', '-', 'M', 'P'];
const NUMBER_OTHERS = ['p', 'm', 'A', ' ', '+', ',', '０', 'ー', '〜', '.'];

// A small fixed generator, so that a failure comes back the same.
let seed = 20240917;
function random(n) {
  seed = (seed * 1103515245 + 12345) % 2147483648;
  return Math.floor(seed / 65536) % n;
}
function pick(list) {
  return list[random(list.length)];
}

function nameValue() {
  const length = random(26), weights = random(4);
  let text = '';
  for (let i = 0; i < length; i++) {
    const r = random(12);
    text += r < 1 ? pick(NONE) : r < 4 + weights ? pick(WIDE) : pick(NARROW);
  }
  return text;
}

function numberValue() {
  const length = random(30);
  let text = '';
  for (let i = 0; i < length; i++) text += random(10) < 9 ? pick(DIALLING) : pick(NUMBER_OTHERS);
  return text;
}

const HANDPICKED_NAMES = ['', 'あいうえおかきくけこ', 'aあいうえおかきくけこ', 'abあいうえおかきくけこ', '佐藤,営業', '佐藤<営>',
  'A"B\\C¥', '渡〜', 'ﾔﾏﾀﾞ ﾀﾛｳ', 'ﾔﾏ田', 'ｱ,ｲ<ｳ>', 'ﾎﾝｼｬ本', 'ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃ漢', 'abcdefghijklmnopqrstu',
  'ﾔ' + decode(0xe0, 0x9f) + 'ﾏ', decode(0xe0, 0x9f) + '"ｱ', 'a\tb', '\ue000ｱ'];
const HANDPICKED_NUMBERS = ['03-1234*5#P', '0120M99', '03A12', '03 1234', '0123456789012345678901234', '', '0３', '〜1'];

// ---- the comparison ---------------------------------------------------------------------
// What the decoder did to each character: kept as sent, blanked, or lost.
function decoderMarks(text, stored) {
  let at = 0;
  return Array.from(text).map((ch) => {
    const sent = sentBytes(ch), back = stored.slice(at, at + sent.length);
    at += sent.length;
    if (!encoded.has(ch)) return 'lost';
    if (back.length === sent.length && back.every((b, i) => b === sent[i])) return 'kept';
    return back.length === sent.length && back.every((b) => b === 0x20) ? 'blank' : 'lost';
  });
}

function pageMarks(result, length) {
  const marks = [];
  for (let i = 0; i < length; i++) marks.push(!result.marks[i] ? 'kept' : result.marks[i] === 'blank' ? 'blank' : 'lost');
  return marks;
}

const hexBytes = (hex) => (hex.match(/../g) || []).map((h) => parseInt(h, 16));

// Entries of a page, each given a value of each case list in turn; the bodies as the page sends
// them, and for each entry which cases it carries.
function pages(book, kinds, cases) {
  const bodies = [], carried = [];
  const entries = R.pageEntries(book, 1), count = Math.max(...kinds.map((k) => cases[k].length));
  for (let next = 0; next < count; next += entries.length) {
    const pairs = [], entry = [];
    entries.forEach((e, i) => {
      const values = kinds.map((kind) => cases[kind][next + i] || '');
      values.forEach((value, k) => {
        pairs.push(e.prefix + (k + 1) + '=' + urlencoded(Array.from(value).flatMap(sentBytes)));
      });
      if (book === R.COMMON) pairs.push(e.prefix + '4=1');
      entry.push({ prefix: e.prefix, values: values });
    });
    bodies.push(pairs.join('&'));
    carried.push(entry);
  }
  return { bodies, carried };
}

function storedByDecoder(bodies) {
  const program = process.env.RKDIAL_STORED_FIELDS;
  assert.ok(program, 'RKDIAL_STORED_FIELDS names the decoder program');
  const run = spawnSync(program, { input: bodies.join('\n') + '\n', encoding: 'utf8', maxBuffer: 64 << 20 });
  assert.equal(run.status, 0, run.stderr);
  return run.stdout.trim().split('\n').map((line) => JSON.parse(line));
}

test('the page marks typed values exactly where the decoder and the stores change them', () => {
  const names = HANDPICKED_NAMES.concat(Array.from({ length: 1500 }, nameValue));
  const numbers = HANDPICKED_NUMBERS.concat(Array.from({ length: 500 }, numberValue));
  const books = [
    [R.COMMON, ['number', 'kanji', 'kana']],
    [R.MY, ['number', 'kanji', 'mykana']]
  ];
  const mismatches = [];
  let compared = 0;
  for (const [book, kinds] of books) {
    const cases = {};
    kinds.forEach((kind, k) => { cases[kind] = kind === 'number' ? numbers : names.slice(k).concat(names.slice(0, k)); });
    const { bodies, carried } = pages(book, kinds, cases);
    const stored = storedByDecoder(bodies);
    carried.forEach((entries, b) => entries.forEach((entry) => {
      const back = stored[b][entry.prefix];
      assert.ok(back, entry.prefix + ' is stored');
      kinds.forEach((kind, k) => {
        const text = entry.values[k], length = Array.from(text).length;
        const result = kind === 'number' ? R.checkNumber(text) : R.checkName(text, kind);
        const page = pageMarks(result, length), decoder = decoderMarks(text, hexBytes(back[k]));
        compared++;
        if (page.join() !== decoder.join()) mismatches.push({ kind, text, page: page.join(' '), decoder: decoder.join(' ') });
        // The counter beside a name shows the bytes the browser sends.
        if (kind !== 'number' && result.bytes !== Array.from(text).flatMap(sentBytes).length) {
          mismatches.push({ kind, text, bytes: result.bytes });
        }
      });
    }));
  }
  assert.ok(compared > 6000, compared + ' values compared');
  assert.deepEqual(mismatches.slice(0, 5), [], mismatches.length + ' values marked otherwise than stored');
});
