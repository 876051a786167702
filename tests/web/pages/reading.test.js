// Reading order of the list page.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const S = require('../../../src/web/pages/reading.js');

test('entries sort by the syllabary of their reading, then other readings, then none', () => {
  const readings = ['ABC', 'ﾀﾅｶ', '', 'ｶﾞｰﾃﾞﾝ', 'ｶｰﾄﾞ', 'ｱｵｷ', 'ﾀﾞｲﾁ', 'ｻｯﾎﾟﾛ', 'ｻﾄｳ', 'ﾜｶﾊﾞ', 'ｦﾘ', 'ﾝｸﾞ', 'ﾊﾅ', 'ﾊﾞﾅ', 'ﾊﾟﾅ',
    '123', 'ｧｲ'];
  const entries = readings.map((reading, memory) => ({ reading, memory }));
  entries.push({ reading: 'ﾀﾅｶ', memory: 0.5 });
  entries.sort(S.compareByReading);
  assert.deepEqual(entries.map((e) => e.reading + '/' + S.readingHeading(e.reading)), [
    'ｧｲ/あ', 'ｱｵｷ/あ', 'ｶﾞｰﾃﾞﾝ/か', 'ｶｰﾄﾞ/か', 'ｻｯﾎﾟﾛ/さ', 'ｻﾄｳ/さ', 'ﾀﾞｲﾁ/た', 'ﾀﾅｶ/た', 'ﾀﾅｶ/た',
    'ﾊﾅ/は', 'ﾊﾞﾅ/は', 'ﾊﾟﾅ/は', 'ﾜｶﾊﾞ/わ', 'ｦﾘ/わ', 'ﾝｸﾞ/わ', '123/英数・記号', 'ABC/英数・記号', '/読みなし'
  ]);
  // Equal readings keep memory order.
  assert.deepEqual(entries.filter((e) => e.reading === 'ﾀﾅｶ').map((e) => e.memory), [0.5, 1]);
});
