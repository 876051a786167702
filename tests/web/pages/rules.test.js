// The edit pages' rules as served (the page table written in): byte counts, what the decoder and
// the stores would do to each field, kana folding, duplicates, field names from a data script's
// header, page ranges.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const R = require('./served.js')('rkrules.js');

test('Shift_JIS byte counts follow what the browser can send', () => {
  const cases = [
    ['A', 1], ['ｱ', 1], ['ﾟ', 1], ['¥', 1],
    ['表', 2], ['ソ', 2], ['～', 2], ['①', 2], ['髙', 2], ['ⅰ', 2], ['－', 2],
    // No code: the form sends a character reference in their place (also for the user-defined
    // area, which the browser decodes but never encodes).
    ['〜', 0], ['€', 0], ['😀', 0], ['\ue000', 0]
  ];
  for (const [ch, bytes] of cases) assert.equal(R.sjisLength(ch), bytes, ch);
  assert.equal(R.sjisBytes('渡邉〜'), 2 + 2 + '&#12316;'.length);
  assert.equal(R.sjisBytes('a😀'), 1 + '&#128512;'.length);
});

// Marks as a compact text: one letter per character, '.' for an unmarked one.
const LETTER = { end: 'E', cut: 'c', over: 'o', split: 's', bad: 'b', blank: 'w' };
function marks(result, length) {
  let text = '';
  for (let i = 0; i < length; i++) text += result.marks[i] ? LETTER[result.marks[i]] : '.';
  return text;
}

// The browser escapes ',', '<', '>' and TAB, so they never end a typed name in the decoder: the
// store blanks them.
test('names are marked where the store blanks or the 20 bytes run out', () => {
  const ten = 'あいうえおかきくけこ';
  const cases = [
    // kind, text, bytes, marks, error, warning
    ['kanji', ten, 20, '..........', false, false],
    ['kanji', 'a' + ten, 21, '..........s', true, false],
    ['kanji', 'ab' + ten, 22, '...........o', true, false],
    ['kanji', 'abcdefghijklmnopqrstu', 21, '....................o', true, false],
    ['kanji', '佐藤,営業', 9, '..w..', false, true],
    ['kanji', '佐藤<営>', 8, '..w.w', false, true],
    ['kanji', 'A"B\\C¥', 6, '.w.w.w', false, true],
    ['kanji', '渡〜', 10, '.b', true, false],
    ['kana', 'ﾔﾏﾀﾞ ﾀﾛｳ', 8, '........', false, false],
    ['kana', 'ﾔﾏ田', 4, '..w', false, true],
    ['kana', 'ｱ,ｲ<ｳ>', 6, '.w.w.w', false, true],
    ['mykana', 'ｱ,ｲ', 3, '.w.', false, true],
    ['mykana', 'ﾎﾝｼｬ本', 6, '....w', false, true],
    ['kana', 'ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃ漢', 21, '...................s', true, false],
    ['kana', 'ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ漢', 22, '....................o', true, false]
  ];
  for (const [kind, text, bytes, expected, error, warning] of cases) {
    const result = R.checkName(text, kind);
    const length = Array.from(text).length;
    assert.deepEqual([result.bytes, marks(result, length), result.error, result.warning], [bytes, expected, error, warning],
      kind + ' ' + text);
  }
});

test('a number keeps the dialling characters up to the first other one, at most 24', () => {
  const cases = [
    ['03-1234*5#P', '03-1234*5#P', '...........'],
    ['0120M99', '0120M99', '.......'],
    ['03A12', '03', '..Ecc'],
    ['03 1234', '03', '..Ecccc'],
    ['0123456789012345678901234', '012345678901234567890123', '........................o'],
    ['', '', '']
  ];
  for (const [text, stored, expected] of cases) {
    const result = R.checkNumber(text);
    assert.deepEqual([result.stored, marks(result, text.length)], [stored, expected], text);
  }
});

test('typed kana and numbers fold to what the phonebook keeps', () => {
  const kana = [
    ['がっこう', 'ｶﾞｯｺｳ'], ['パン', 'ﾊﾟﾝ'], ['ヴァイオリン', 'ｳﾞｧｲｵﾘﾝ'], ['ぢゃ', 'ﾁﾞｬ'], ['ヵヶヮヰヱ', 'ｶｹﾜｲｴ'],
    ['ヷヺ', 'ﾜﾞｦﾞ'], ['ー「。」、・', 'ｰ｢｡｣､･'], ['ＡＢＣ１２３　', 'ABC123 '], ['ｱｲｳ', 'ｱｲｳ'],
    ['漢字', '漢字'], ['é', 'é']
  ];
  for (const [typed, folded] of kana) assert.equal(R.toHalfWidthKana(typed), folded, typed);
  const numbers = [['０３－１２３４ー５６', '03-1234-56'], ['0p1m', '0P1M'], ['＊８０００＃', '*8000#'], ['03−1', '03-1']];
  for (const [typed, folded] of numbers) assert.equal(R.foldNumber(typed), folded, typed);
});

test('duplicates are the equal, non-empty numbers within one scope', () => {
  assert.deepEqual(R.findDuplicates(['03', '', '03', '04', '03', '']), [[0, 2, 4]]);
  assert.deepEqual(R.findDuplicates(['03', '03', '03', '04'], [101, 102, 101, 102]), [[0, 2]]);
  assert.deepEqual(R.findDuplicates(['031', '03', '0310']), []);
});

test('field names come out in the data script order from arFormat, arSeq and arParam', () => {
  const common3 = R.fieldNames(['s000', 'n'], [1, 0, 0], [100, 149, 1, 4]);
  assert.equal(common3.length, 200);
  assert.deepEqual([common3[0], common3[3], common3[4], common3[199]], ['s100n1', 's100n4', 's101n1', 's149n4']);
  assert.equal(R.fieldNames(['s000', 'n'], [1, 0, 0], [950, 989, 1, 4]).length, 160);
  assert.deepEqual(R.fieldNames(['s000', 'n'], [1, 0, 0], [0, 1, 1, 2]), ['s000n1', 's000n2', 's001n1', 's001n2']);
  const my2 = R.fieldNames(['t', '_', 'n'], [2, 1, 0, 0], [103, 104, 980, 999, 1, 3]);
  assert.equal(my2.length, 120);
  assert.deepEqual([my2[0], my2[2], my2[3], my2[59], my2[60], my2[119]],
    ['t103_980n1', 't103_980n3', 't103_981n1', 't103_999n3', 't104_980n1', 't104_999n3']);
});

test('pages: titles, ranges and entries of both books', () => {
  const cases = [
    ['17', 1, '共通電話帳[PAGE1(短縮番号000\uff5e049)]', 's000n', 50],
    ['17', 5, '共通電話帳[PAGE5(短縮番号200\uff5e249)]', 's200n', 50],
    ['17', 20, '共通電話帳[PAGE20(短縮番号950\uff5e989)]', 's950n', 40],
    ['18', 1, 'マイ電話帳[PAGE1(収容位置101,102)]', 't101_980n', 40],
    ['18', 2, 'マイ電話帳[PAGE2(収容位置103,104)]', 't103_980n', 40],
    ['18', 50, 'マイ電話帳[PAGE50(収容位置199,200)]', 't199_980n', 40]
  ];
  for (const [book, page, title, first, count] of cases) {
    const entries = R.pageEntries(book, page);
    assert.deepEqual([R.pageInfo(book, page).title, entries[0].prefix, entries.length], [title, first, count]);
  }
  const my = R.pageEntries('18', 50);
  assert.deepEqual([my[19].prefix, my[20].prefix, my[39].prefix], ['t199_999n', 't200_980n', 't200_999n']);
});

test('a memory is unavailable only when it is empty and outside the memory count', () => {
  const empty = ['', '', '', ''], stored = ['03', '', '', '01'], cleared = ['', '', '', '01'];
  const cases = [
    // book, memory, values, mode (1 = 600, 2 = 990, 0 = unknown), unavailable
    ['17', 599, empty, 1, false], ['17', 600, empty, 1, true], ['17', 600, stored, 1, false], ['17', 600, empty, 2, false],
    ['17', 600, empty, 0, true], ['17', 12, cleared, 0, false],
    ['18', 985, empty.slice(1), 2, true], ['18', 995, empty.slice(1), 2, false], ['18', 985, empty.slice(1), 1, false],
    ['18', 985, empty.slice(1), 0, false]
  ];
  for (const [book, memory, values, mode, expected] of cases) {
    assert.equal(R.unavailable(book, memory, values, mode), expected, [book, memory, values, mode].join(' '));
  }
  assert.deepEqual(['1', '2', '0', '', '12'].map(R.memoryMode), [1, 2, 0, 0, 0]);
});

test('telephone positions for the list: ranges, full-width digits, and what is not a position', () => {
  assert.deepEqual(R.parsePositions('101-104, 150　２００ 99 abc 120-110 150'), {
    positions: [101, 102, 103, 104, 150, 200], rejected: ['99', 'abc', '120-110']
  });
});
