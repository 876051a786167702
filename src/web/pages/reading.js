// Reading order of the list page: kana readings by the rows of the syllabary, voiced forms after
// the plain ones; readings that start with anything else follow, then entries without a reading.
(function (root, make) {
  var api = make();
  if (typeof module === 'object' && module.exports) module.exports = api;
  else root.RkReading = api;
})(this, function () {
  'use strict';

  var GOJUON = 'アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン';
  var ROW_STARTS = [0, 5, 10, 15, 20, 25, 30, 35, 38, 43];
  var ROW_NAMES = 'あかさたなはまやらわ';
  var SMALL = { 'ァ': 0, 'ィ': 1, 'ゥ': 2, 'ェ': 3, 'ォ': 4, 'ッ': 17, 'ャ': 35, 'ュ': 36, 'ョ': 37, 'ヮ': 43,
    'ヵ': 5, 'ヶ': 8, 'ヰ': 1, 'ヱ': 3 };

  // Syllabary position of each kana of a reading, with the voiced marks as a second key.
  function kanaKeys(reading) {
    var primary = [], secondary = [];
    for (var ch of reading.normalize('NFKC').normalize('NFD')) {
      var c = ch.codePointAt(0);
      if (c === 0x3099 || c === 0x309a) { secondary[secondary.length - 1] = c - 0x3098; continue; }
      if (c >= 0x3041 && c <= 0x3096) ch = String.fromCharCode(c + 0x60);
      var at = GOJUON.indexOf(ch);
      if (at < 0 && ch in SMALL) at = SMALL[ch];
      if (at < 0) {
        if (ch === '\u30fc' || ch === ' ') continue;
        if (!primary.length) return null;
        at = 100 + ch.toUpperCase().codePointAt(0);
      }
      primary.push(at);
      secondary.push(0);
    }
    return primary.length ? { primary: primary, secondary: secondary } : null;
  }

  function readingHeading(reading) {
    var keys = kanaKeys(reading);
    if (!keys) return reading.trim() ? '英数・記号' : '読みなし';
    var row = 0;
    while (row + 1 < ROW_STARTS.length && keys.primary[0] >= ROW_STARTS[row + 1]) row++;
    return ROW_NAMES[row];
  }

  function compareArrays(a, b) {
    for (var i = 0; i < Math.min(a.length, b.length); i++) if (a[i] !== b[i]) return a[i] - b[i];
    return a.length - b.length;
  }

  // Sort order of two entries {reading, memory}: syllabary, then other readings, then none.
  function compareByReading(a, b) {
    var ka = kanaKeys(a.reading), kb = kanaKeys(b.reading);
    var ca = ka ? 0 : a.reading.trim() ? 1 : 2, cb = kb ? 0 : b.reading.trim() ? 1 : 2;
    if (ca !== cb) return ca - cb;
    var order = ka ? compareArrays(ka.primary, kb.primary) || compareArrays(ka.secondary, kb.secondary) :
      ca === 1 ? (a.reading < b.reading ? -1 : a.reading > b.reading ? 1 : 0) : 0;
    return order || a.memory - b.memory || (a.position || 0) - (b.position || 0);
  }

  return { readingHeading: readingHeading, compareByReading: compareByReading };
});
