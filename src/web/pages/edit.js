// The rows of one phonebook page: built from the page's entries, filled from its data script and
// marked with what the decoder and the stores would change. The events and the submission are
// in send.js.
(function () {
  'use strict';
  var R = window.RkRules, P = window.RkPage, el = P.el;
  var book = document.documentElement.getAttribute('data-book');
  var page = +document.documentElement.getAttribute('data-page');
  var common = book === R.COMMON;
  var form = document.getElementById('book');
  var E = { book: book, page: page, form: form, rows: [], tables: [], mode: 0, usable: false };

  var KINDS = common ? ['number', 'kanji', 'kana'] : ['number', 'kanji', 'mykana'];
  var LABELS = { number: '番号', kanji: '名前', kana: '読み', mykana: '読み' };
  var HEAD = ['短縮番号', '電話番号', '名前（漢字）', '読み（半角カナ）'].concat(common ? ['グループ'] : [], ['状態']);
  var SHORT = { end: '区切り文字以降', over: '20バイト超', split: '全角が切れる', bad: '表せない文字', blank: '空白になる文字' };
  var SHORT_NUMBER = { end: '使えない文字', over: '24桁超' };
  var OFF = 'メモリー数' + (common ? 600 : 990) + '件の設定では使用できません';

  E.state = el('span', { class: 'state note', role: 'status' });
  E.send = el('button', { type: 'submit', form: 'book', class: 'primary', text: '送信', disabled: '' });
  E.setState = function (kind, text) {
    E.state.className = 'state ' + kind;
    E.state.textContent = text;
    E.state.title = text;
  };
  var bar = document.getElementById('bar');
  [P.navigation(book, page), el('span', { class: 'grow' }), E.state, E.send].forEach(function (n) { bar.appendChild(n); });

  function newTable(caption) {
    var tbody = el('tbody');
    var table = el('table', { class: 'book' }, [caption ? el('caption', { text: caption }) : null,
      el('thead', {}, [el('tr', {}, HEAD.map(function (text) { return el('th', { text: text }); }))]), tbody]);
    form.appendChild(table);
    E.tables.push(table);
    return tbody;
  }

  function buildRow(entry, tbody) {
    var label = R.pad(entry.memory, 3);
    var row = { entry: entry, tr: el('tr'), fields: [], tags: el('td', { class: 'state-cell' }) };
    row.tr.appendChild(el('th', { text: label }));
    KINDS.forEach(function (kind, i) {
      var input = el('input', { type: 'text', name: entry.prefix + (i + 1), class: kind === 'number' ? 'num' : 'name',
        autocomplete: 'off', spellcheck: 'false', 'aria-label': label + ' ' + HEAD[i + 1] });
      var field = { kind: kind, input: input, loaded: '', fix: el('div', { class: 'fix', hidden: '' }) };
      field.count = kind === 'number' ? null : el('span', { class: 'count', 'aria-hidden': 'true' });
      row.tr.appendChild(el('td', { class: kind === 'number' ? '' : 'name' }, [input, field.count, field.fix]));
      input.rkRow = row;
      input.rkField = field;
      row.fields.push(field);
    });
    row.controls = row.fields.map(function (f) { return f.input; });
    if (common) {
      row.group = el('select', { name: entry.prefix + '4', 'aria-label': label + ' グループ' });
      for (var g = 0; g <= 7; g++) row.group.appendChild(el('option', { value: String(g), text: String(g) }));
      row.group.rkRow = row;
      row.controls.push(row.group);
      row.tr.appendChild(el('td', {}, [row.group]));
    }
    row.tr.appendChild(row.tags);
    tbody.appendChild(row.tr);
    E.rows.push(row);
  }

  E.build = function () {
    form.textContent = '';
    var tbody = null, position = 0;
    R.pageEntries(book, page).forEach(function (entry) {
      if (!tbody || entry.position !== position) {
        position = entry.position;
        tbody = newTable(common ? '' : '収容位置 ' + position);
      }
      buildRow(entry, tbody);
    });
    form.appendChild(el('p', { class: 'help noprint', text: 'Tab: 次の項目　Enter / Shift+Enter: 下 / 上の行　' +
      'Ctrl+Enter: 送信　赤: 登録されない部分　黄: 空白に変わる文字・重複番号　青: 登録時に変わった項目' }));
  };

  // Values into the rows; with `sent` (what was submitted) the fields the store changed are
  // pointed out. Returns their number.
  E.fill = function (entries, sent) {
    var altered = 0;
    entries.forEach(function (entry, i) {
      var row = E.rows[i];
      row.available = !R.unavailable(book, entry.memory, entry.values, E.mode);
      row.fields.forEach(function (field, k) {
        field.input.value = field.loaded = entry.values[k];
        var changed = !!sent && row.available && sent[i][k] !== field.loaded;
        field.input.classList.toggle('altered', changed);
        field.input.title = changed ? '送信した値: ' + sent[i][k] : '';
        if (changed) altered++;
      });
      if (row.group) row.group.value = row.groupLoaded = String(parseInt(entry.values[3], 10) || 0);
      row.tr.hidden = !row.available;
      row.controls.forEach(function (control) {
        control.readOnly = !row.available;
        control.tabIndex = row.available ? 0 : -1;
      });
    });
    markUnavailable();
    E.rows.forEach(E.evaluate);
    E.duplicates();
    return altered;
  };

  // Memories that the memory count leaves out stay in the form (the page's first field must
  // open the body) but hidden, with one note for each run of them.
  function markUnavailable() {
    form.querySelectorAll('tr.gap, #off').forEach(function (n) { n.remove(); });
    var rows = E.rows;
    E.usable = rows.some(function (row) { return row.available; });
    E.tables.forEach(function (table) { table.hidden = !E.usable; });
    E.send.disabled = !E.usable;
    form.querySelector('.help').hidden = !E.usable;
    if (!E.usable) {
      form.insertBefore(el('div', { class: 'panel off', id: 'off' }, [
        el('h2', { text: '短縮番号 ' + R.pageInfo(book, page).range + ' は使用できません' }),
        el('p', { text: 'このページの短縮番号は、' + OFF + '。メモリー数990件の設定で使用できます。' })]), form.firstChild);
    }
    function same(i, j) { return rows[j] && !rows[j].available && rows[j].entry.position === rows[i].entry.position; }
    rows.forEach(function (row, i) {
      if (row.available || same(i, i - 1)) return;
      var last = i;
      while (same(i, last + 1)) last++;
      var text = R.pad(row.entry.memory, 3) + '～' + R.pad(rows[last].entry.memory, 3) + ': ' + OFF;
      row.tr.parentNode.insertBefore(el('tr', { class: 'gap unavailable' }, [
        el('td', { colspan: String(HEAD.length), text: text })]), row.tr);
    });
  }

  function tag(row, kind, text, title) {
    row.tags.appendChild(el('span', { class: 'tag ' + kind, text: text, title: title || '' }));
  }

  // One field's marks: its frame, its byte counter, and under it the text with the characters
  // that would be lost (red) or turned into blanks (amber).
  function mark(row, field) {
    var value = field.input.value;
    var result = field.result = field.kind === 'number' ? R.checkNumber(value) : R.checkName(value, field.kind);
    field.input.classList.toggle('error', result.error);
    field.input.classList.toggle('warn', !result.error && result.warning);
    if (field.count) {
      field.count.textContent = value ? result.bytes + '/20' : '';
      field.count.classList.toggle('over', result.bytes > R.NAME_LIMIT);
    }
    var marked = result.error || result.warning;
    field.fix.hidden = !marked;
    field.fix.textContent = '';
    if (!marked) return;
    Array.from(value).forEach(function (ch, i) {
      var text = document.createTextNode(ch === ' ' ? '\u2423' : ch);
      field.fix.appendChild(result.marks[i] ? el('mark', { class: result.marks[i] }, [text]) : text);
    });
    var why = R.reasons(field.kind, result).join('\n');
    field.fix.title = why;
    var names = Object.keys(result.kinds).map(function (k) { return (field.kind === 'number' ? SHORT_NUMBER : SHORT)[k]; }).filter(function (t, i, all) {
      return t && all.indexOf(t) === i;
    });
    tag(row, result.error ? 'error' : 'warn', LABELS[field.kind] + ': ' + names.join('・'), why);
  }

  E.evaluate = function (row) {
    row.tags.textContent = '';
    row.fields.forEach(function (field) { mark(row, field); });
    row.error = row.fields.some(function (f) { return f.result.error; });
    row.changed = row.fields.some(function (f) { return f.input.value !== f.loaded; }) ||
      (!!row.group && row.group.value !== row.groupLoaded);
    var number = row.fields[0].input.value, named = row.fields[1].input.value || row.fields[2].input.value;
    row.tr.classList.toggle('empty', !number);
    row.tr.classList.toggle('changed', row.changed);
    row.fields[0].input.placeholder = number || named ? '' : '（空き）';
    if (!row.fields[0].result.stored && named) tag(row, 'warn', '番号なし', '電話番号のないメモリーは空きとして扱われます');
    if (row.fields.some(function (f) { return f.input.classList.contains('altered'); })) {
      tag(row, 'info', '登録時に変更', '送信した値と登録された値が違います（項目の上で表示）');
    }
  };

  // Numbers that occur twice on the page; on a my-phonebook page only within one telephone,
  // as the main unit checks them.
  E.duplicates = function () {
    var live = E.rows.filter(function (row) { return row.available; });
    live.forEach(function (row) {
      row.fields[0].input.classList.remove('dup');
      row.tags.querySelectorAll('.dup').forEach(function (t) { t.remove(); });
    });
    R.findDuplicates(live.map(function (row) { return row.fields[0].result.stored; }),
      live.map(function (row) { return row.entry.position || 0; })).forEach(function (group) {
      group.forEach(function (index) {
        var others = group.filter(function (j) { return j !== index; }).map(function (j) {
          return R.pad(live[j].entry.memory, 3);
        }).join(', ');
        live[index].fields[0].input.classList.add('dup');
        live[index].tags.appendChild(el('span', { class: 'tag warn dup', text: '重複: ' + others,
          title: '同じ電話番号が ' + others + ' にもあります' }));
      });
    });
  };

  window.RkEdit = E;
})();
