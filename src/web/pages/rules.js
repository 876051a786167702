// What the edit pages know about the phonebook's rules: Shift_JIS byte counts, what the form
// decoder and the stores do to each field, kana folding, duplicates, the data script's field
// names and page ranges. No page access here, so that node loads it too.
(function (root, make) {
  var api = make();
  if (typeof module === 'object' && module.exports) module.exports = api;
  else root.RkRules = api;
})(this, function () {
  'use strict';

  // The phonebook's page table (src/phonebook/page_rules.h), written in when the pages are built:
  // the pages of both books, what each field holds, the memories of each memory count.
  var TABLE = /*@PAGE_TABLE@*/null;

  // Characters with a double-byte Shift_JIS code, taken from the browser's own decoder: the
  // encoder that submits the form is its inverse, so this is exactly what can be sent, leaving
  // out the user-defined area (leads 0xF0..0xF9), which the encoder never sends. One bit per
  // character of the basic plane; every pair is decoded with a line feed after it.
  var doubleByte = null;
  function doubleByteMap() {
    if (doubleByte) return doubleByte;
    var bytes = new Uint8Array(60 * 188 * 3), at = 0;
    for (var lead = 0x81; lead <= 0xfc; lead++) {
      if (lead === 0xa0) lead = 0xe0;
      if (lead === 0xf0) lead = 0xfa;
      for (var trail = 0x40; trail <= 0xfc; trail++) {
        if (trail === 0x7f) continue;
        bytes[at++] = lead;
        bytes[at++] = trail;
        bytes[at++] = 10;
      }
    }
    var text = new TextDecoder('shift_jis').decode(bytes.subarray(0, at));
    doubleByte = new Uint8Array(8192);
    for (var i = 0, start = 0; i <= text.length; i++) {
      if (i < text.length && text.charCodeAt(i) !== 10) continue;
      var c = text.charCodeAt(start);
      if (i - start === 1 && c !== 0xfffd) doubleByte[c >> 3] |= 1 << (c & 7);
      start = i + 1;
    }
    return doubleByte;
  }

  // Bytes of one character in Shift_JIS; 0 when it has no code.
  function sjisLength(ch) {
    var c = ch.codePointAt(0);
    if (c <= 0x80 || (c >= 0xff61 && c <= 0xff9f) || c === 0xa5 || c === 0x203e) return 1;
    if (c === 0x2212 || (c < 0x10000 && doubleByteMap()[c >> 3] & (1 << (c & 7)))) return 2;
    return 0;
  }

  // A character without a code is submitted as a numeric character reference.
  function sentText(ch) {
    return sjisLength(ch) ? ch : '&#' + ch.codePointAt(0) + ';';
  }

  function sjisBytes(text) {
    var n = 0;
    for (var ch of text) n += sjisLength(ch) || sentText(ch).length;
    return n;
  }

  // Half-width katakana for full-width katakana, hiragana and kana punctuation; voiced marks
  // become the separate half-width marks. Built from the normalisation tables, not typed in.
  var halfOf = null;
  function halfTable() {
    if (halfOf) return halfOf;
    halfOf = new Map();
    for (var c = 0xff61; c <= 0xff9f; c++) {
      var half = String.fromCharCode(c);
      halfOf.set(half.normalize('NFKC'), half);
    }
    // Kana without a half-width form of their own.
    [['\u30ee', '\uff9c'], ['\u30f0', '\uff72'], ['\u30f1', '\uff74'], ['\u30f5', '\uff76'], ['\u30f6', '\uff79'],
     ['\u309b', '\uff9e'], ['\u309c', '\uff9f']].forEach(function (p) { halfOf.set(p[0], p[1]); });
    return halfOf;
  }

  function toHalfWidthKana(text) {
    var table = halfTable();
    var out = '';
    for (var ch of text) {
      var c = ch.codePointAt(0);
      if (c >= 0x3041 && c <= 0x3096) ch = String.fromCharCode(c + 0x60);
      else if (c >= 0xff01 && c <= 0xff5e) ch = String.fromCharCode(c - 0xfee0);
      else if (c === 0x3000) ch = ' ';
      if (!table.has(ch) && ch >= '\u30a1' && ch <= '\u30fa') {
        var parts = ch.normalize('NFD');
        out += (table.get(parts[0]) || parts[0]) + (table.get(parts.slice(1)) || parts.slice(1));
      } else {
        out += table.get(ch) || ch;
      }
    }
    return out;
  }

  // Telephone numbers typed with the input method on: full-width digits and marks, a long-vowel
  // mark or a minus sign for the hyphen, lower-case pause and flash marks.
  function foldNumber(text) {
    return text.replace(/[\uff01-\uff5e]/g, function (ch) {
      return String.fromCharCode(ch.charCodeAt(0) - 0xfee0);
    }).replace(/[\u30fc\u2010-\u2015\u2212\uff70]/g, '-').replace(/[pm]/g, function (ch) {
      return ch.toUpperCase();
    });
  }

  var NUMBER = TABLE.number, NAME = TABLE.name;
  var NUMBER_LIMIT = NUMBER.limit;
  var NAME_LIMIT = NAME.limit;
  var ERRORS = { end: 1, cut: 1, over: 1, split: 1, bad: 1 };

  // The number as the store keeps it: a character outside the dialling set ends the number
  // (it packs as the end code), and only so many characters fit.
  function checkNumber(text) {
    var chars = Array.from(text), marks = [], kept = '';
    var ended = false;
    chars.forEach(function (ch, i) {
      if (ended) { marks[i] = 'cut'; return; }
      if (NUMBER.keep.indexOf(ch) < 0 || NUMBER.ends.indexOf(ch) >= 0) { ended = true; marks[i] = 'end'; return; }
      if (kept.length >= NUMBER_LIMIT) { marks[i] = 'over'; return; }
      kept += ch;
    });
    return summary(marks, { stored: kept, length: chars.length });
  }

  // The byte a one-byte character is sent as: the yen sign and the overline take the places of
  // the backslash and the tilde.
  function byteOf(ch) {
    return ch === '\u00a5' ? '\\' : ch === '\u203e' ? '~' : ch;
  }

  // Names, per field (the table's fields): which typed characters end the value in the decoder,
  // and whether double-byte characters are kept; the store turns the table's blanks into blanks.
  function checkName(text, kind) {
    var rule = TABLE.fields[kind];
    var chars = Array.from(text), marks = [], bytes = 0, ended = false;
    chars.forEach(function (ch, i) {
      if (ended) { marks[i] = 'cut'; return; }
      if (rule.ends.indexOf(ch) >= 0) { ended = true; marks[i] = 'end'; return; }
      var length = sjisLength(ch);
      if (!length) marks[i] = 'bad';
      else if (length === 2 ? !rule.wide : NAME.blanks.indexOf(byteOf(ch)) >= 0) marks[i] = 'blank';
      var sent = length || sentText(ch).length;
      if (bytes >= NAME_LIMIT) marks[i] = 'over';
      else if (bytes + sent > NAME_LIMIT) marks[i] = length === 2 ? 'split' : 'over';
      bytes += sent;
    });
    return summary(marks, { bytes: bytes, length: chars.length });
  }

  // Characters as the reasons list them: the digits as one range, the rest one by one.
  function listed(chars) {
    var rest = chars.replace(/[0-9]/g, '');
    return (rest.length + 10 === chars.length ? '0～9 ' : '') + rest.split('').join(' ');
  }

  // Why the marked characters of a field are marked, one text per kind of mark.
  var BLANKS = listed(NAME.blanks) + (NAME.blanks.indexOf('\\') >= 0 ? ' \u00a5' : '');
  var WHY = {
    number: { end: '使えない文字以降は登録されません（' + listed(NUMBER.keep) + '）',
      over: NUMBER_LIMIT + '桁を超える分は登録されません' },
    name: { over: NAME_LIMIT + 'バイトを超える分は登録されません',
      split: NAME_LIMIT + 'バイト目で切れる全角文字は登録されません', bad: 'Shift_JIS にない文字は送れません',
      blank: '「' + BLANKS + '」は空白になります' },
    kana: { blank: '全角文字と「' + BLANKS + '」は空白になります（半角で入力）' }
  };

  function reasons(kind, result) {
    var list = [];
    result.marks.forEach(function (mark) {
      var set = kind === 'number' ? WHY.number : mark === 'blank' && kind !== 'kanji' ? WHY.kana : WHY.name;
      var why = mark === 'end' && kind !== 'number' ? '「' + listed(TABLE.fields[kind].ends) + '」以降は登録されません' : set[mark];
      if (why && list.indexOf(why) < 0) list.push(why);
    });
    return list;
  }

  // What the page folds while the operator types into a field of this kind.
  function foldFor(kind) {
    return kind === 'number' ? foldNumber : kind === 'kanji' ? null : toHalfWidthKana;
  }

  function summary(marks, result) {
    result.marks = marks;
    result.kinds = {};
    marks.forEach(function (kind) { if (kind) result.kinds[kind] = true; });
    result.error = Object.keys(result.kinds).some(function (k) { return ERRORS[k]; });
    result.warning = !!result.kinds.blank;
    return result;
  }

  // Groups of indices whose numbers (as stored) are equal and not empty; `scope` keeps apart
  // entries whose duplicates do not count against each other (the telephones of a page).
  function findDuplicates(numbers, scopes) {
    var seen = new Map(), groups = [];
    numbers.forEach(function (number, i) {
      if (!number) return;
      var key = (scopes ? scopes[i] : '') + ' ' + number;
      if (!seen.has(key)) seen.set(key, []);
      seen.get(key).push(i);
    });
    seen.forEach(function (list) { if (list.length > 1) groups.push(list); });
    return groups;
  }

  function pad(n, width) {
    var s = String(n);
    while (s.length < width) s = '0' + s;
    return s;
  }

  // Field names of a data script from its header: arFormat holds, per dimension, the text before
  // the number and as many zeros as the number's width; arSeq names the dimension of each nesting
  // level, innermost first; arParam holds low and high of every dimension, group after group.
  function fieldNames(format, sequence, param) {
    var dims = format.length, names = [];
    var parts = format.map(function (element) {
      var zeros = /0*$/.exec(element)[0].length;
      return { text: element.slice(0, element.length - zeros), width: zeros };
    });
    for (var g = 0; g + 2 * dims <= param.length; g += 2 * dims) {
      var index = [];
      (function walk(level) {
        var dim = sequence[level];
        for (var v = param[g + 2 * dim]; v <= param[g + 2 * dim + 1]; v++) {
          index[dim] = v;
          if (level > 0) walk(level - 1);
          else names.push(parts.map(function (p, d) { return p.text + pad(index[d], p.width); }).join(''));
        }
      })(dims - 1);
    }
    return names;
  }

  // The table's printf patterns: "%d", "%03d" and "%s", filled in order.
  function fillIn(pattern, values) {
    var i = 0;
    return pattern.replace(/%(0\d+)?([ds])/g, function (all, width) {
      var value = values[i++];
      return width ? pad(value, +width) : String(value);
    });
  }

  // The pages of the two books, first and last of each in a row: the common book's pages hold
  // memories, my phonebook's positions with the same memories each.
  var COMMON = TABLE.common, MY = TABLE.my;
  function pageInfo(book, page) {
    var b = TABLE.books[book], span = b.pages.slice(2 * page - 2, 2 * page), range = fillIn(b.range, span);
    var info = { book: book, page: page, pages: b.pages.length / 2, range: range, file: fillIn(b.file, [page]),
      data: b.data, title: fillIn(b.title, [page, range]) };
    if (b.memories) info.positions = span;
    else { info.first = span[0]; info.last = span[1]; }
    return info;
  }

  // Entries of a page in the order of its data script: {name prefix, memory, position}.
  function pageEntries(book, page) {
    var b = TABLE.books[book], info = pageInfo(book, page), list = [];
    var prefix = b.name.slice(0, b.name.lastIndexOf('%'));
    if (!b.memories) {
      for (var m = info.first; m <= info.last; m++) list.push({ prefix: fillIn(prefix, [m]), memory: m });
    } else {
      for (var p = info.positions[0]; p <= info.positions[1]; p++) {
        for (m = b.memories[0]; m <= b.memories[1]; m++) list.push({ prefix: fillIn(prefix, [p, m]), memory: m, position: p });
      }
    }
    return list;
  }

  // The memory count from the data-set value of item 120: 1 = 600 memories, 2 = 990; 0 unknown.
  function memoryMode(value) {
    return Object.prototype.hasOwnProperty.call(TABLE.modes, value) ? +value : 0;
  }

  // A memory the current count leaves out: all of its values empty and in the range the count
  // excludes. Without a known count only a common memory can tell, by its missing group digit
  // (every existing common memory has one).
  function unavailable(book, memory, values, mode) {
    if (values.some(function (v) { return v !== ''; })) return false;
    var count = TABLE.modes[mode]; // common memories in use, first memory of a telephone
    if (book === COMMON) return count ? memory >= count[0] : true;
    return !!count && memory < count[1];
  }

  // Telephone positions typed as "101-104, 150": the valid ones in order, and what was not.
  function parsePositions(text) {
    var positions = new Set(), rejected = [];
    text.split(/[,\s\u3001]+/).filter(Boolean).forEach(function (token) {
      var m = /^(\d{3})(?:-(\d{3}))?$/.exec(foldNumber(token));
      var low = m && +m[1], high = m && +(m[2] || m[1]);
      if (!m || low < 101 || high > 200 || low > high) { rejected.push(token); return; }
      for (var p = low; p <= high; p++) positions.add(p);
    });
    return { positions: Array.from(positions).sort(function (a, b) { return a - b; }), rejected: rejected };
  }

  return {
    COMMON: COMMON, MY: MY, NUMBER_LIMIT: NUMBER_LIMIT, NAME_LIMIT: NAME_LIMIT,
    sjisLength: sjisLength, sjisBytes: sjisBytes, toHalfWidthKana: toHalfWidthKana, foldNumber: foldNumber,
    checkNumber: checkNumber, checkName: checkName, findDuplicates: findDuplicates, fieldNames: fieldNames,
    pageInfo: pageInfo, pageEntries: pageEntries, memoryMode: memoryMode, unavailable: unavailable,
    parsePositions: parsePositions, reasons: reasons, foldFor: foldFor, pad: pad
  };
});
