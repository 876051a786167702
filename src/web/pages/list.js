// The printable list: the whole common phonebook and the my phonebooks of the chosen telephone
// positions, read page by page from the same data scripts as the edit pages.
(function () {
  'use strict';
  var R = window.RkRules, S = window.RkReading, P = window.RkPage, el = P.el;
  var state = el('span', { class: 'state note', role: 'status' });
  var bar = document.getElementById('bar');
  bar.appendChild(el('nav', { class: 'nav' }, [el('a', { href: '17tansyuku.html', text: 'トップ' })]));
  bar.appendChild(el('span', { class: 'grow' }));
  bar.appendChild(state);

  var withCommon = document.getElementById('with-common');
  var positions = document.getElementById('positions');
  var out = document.getElementById('out');
  var run = 0;

  function setState(kind, text) {
    state.className = 'state ' + kind;
    state.textContent = text;
  }

  try {
    positions.value = localStorage.getItem('rkdial.positions') || '';
    if (localStorage.getItem('rkdial.order') === 'reading') document.getElementById('by-reading').checked = true;
  } catch (e) { /* storage may be off; the defaults do */ }

  function byReading() {
    return document.getElementById('by-reading').checked;
  }

  // Registered entries only, sorted; by reading with a heading row at each kana row.
  function table(entries, columns) {
    var reading = byReading();
    entries = entries.filter(function (e) { return e.values[0]; }).map(function (e) {
      return { entry: e, values: e.values, memory: e.memory, position: e.position, reading: e.values[2] };
    });
    entries.sort(reading ? S.compareByReading : function (a, b) { return a.memory - b.memory; });
    if (!entries.length) return el('p', { text: '登録なし' });
    var tbody = el('tbody'), heading = null;
    entries.forEach(function (e) {
      if (reading && S.readingHeading(e.reading) !== heading) {
        heading = S.readingHeading(e.reading);
        tbody.appendChild(el('tr', { class: 'head' }, [el('th', { colspan: String(columns.length), text: heading })]));
      }
      var cells = [el('td', { class: 'no', text: R.pad(e.memory, 3) }), el('td', { class: 'tel', text: e.values[0] }),
        el('td', { text: e.values[1] }), el('td', { text: e.values[2] })];
      if (columns.length > 4) cells.push(el('td', { class: 'grp', text: String(parseInt(e.values[3], 10) || 0) }));
      tbody.appendChild(el('tr', {}, cells));
    });
    return el('table', { class: 'list' }, [
      el('thead', {}, [el('tr', {}, columns.map(function (c) { return el('th', { text: c }); }))]), tbody]);
  }

  function show() {
    var mine = ++run;
    var chosen = R.parsePositions(positions.value);
    try {
      localStorage.setItem('rkdial.positions', positions.value);
      localStorage.setItem('rkdial.order', byReading() ? 'reading' : 'memory');
    } catch (e) { /* not kept then */ }
    var myPages = [];
    chosen.positions.forEach(function (p) {
      var k = Math.floor((p - 99) / 2);
      if (myPages.indexOf(k) < 0) myPages.push(k);
    });
    var commonEntries = [], myEntries = [], mode = 0, done = 0;
    var total = (withCommon.checked ? 20 : 0) + myPages.length;

    function step(book, page, into) {
      return function () {
        if (mine !== run) throw new Error('replaced');
        setState('busy', '読込中… ' + (++done) + ' / ' + total);
        return P.loadPage(book, page).then(function (entries) { into.push.apply(into, entries); });
      };
    }
    // The first page script comes before the memory count (see RkPage.loadMode); the count
    // then spares the requests for common pages that it leaves out.
    var chain = Promise.resolve();
    if (withCommon.checked) chain = chain.then(step(R.COMMON, 1, commonEntries));
    chain = chain.then(P.loadMode).then(function (found) {
      mode = found;
      if (mode === 1 && withCommon.checked) total -= 8;
    });
    chain = chain.then(function () {
      var rest = Promise.resolve();
      for (var k = 2; withCommon.checked && k <= (mode === 1 ? 12 : 20); k++) rest = rest.then(step(R.COMMON, k, commonEntries));
      myPages.forEach(function (k) { rest = rest.then(step(R.MY, k, myEntries)); });
      return rest;
    });
    chain.then(function () {
      out.textContent = '';
      var order = byReading() ? '（読み順）' : '（短縮番号順）';
      var count = commonEntries.filter(function (e) { return e.values[0]; }).length;
      out.appendChild(el('h1', { class: 'printonly', text: '短縮ダイヤル一覧表' }));
      out.appendChild(el('p', { class: 'stamp', text: new Date().toLocaleString('ja-JP') + ' 現在' +
        (mode ? '　メモリー数 ' + (mode === 1 ? 600 : 990) + '件' : '') }));
      if (withCommon.checked) {
        out.appendChild(el('h2', { text: '共通電話帳' + order + '　' + count + '件' }));
        out.appendChild(table(commonEntries, ['短縮番号', '電話番号', '名前', '読み', 'グループ']));
      }
      chosen.positions.forEach(function (p) {
        out.appendChild(el('h2', { text: 'マイ電話帳　収容位置 ' + p + order }));
        out.appendChild(table(myEntries.filter(function (e) { return e.position === p; }),
          ['短縮番号', '電話番号', '名前', '読み']));
      });
      setState(chosen.rejected.length ? 'warn' : 'done', chosen.rejected.length ?
        '収容位置として使えない指定: ' + chosen.rejected.join(' ') : '表示しました');
    }).catch(function (error) {
      if (mine === run && error.message !== 'replaced') setState('fail', 'データを読み込めません（' + done + ' / ' + total + '）');
    });
  }

  document.getElementById('show').addEventListener('click', show);
  document.getElementById('print').addEventListener('click', function () { window.print(); });
  positions.addEventListener('keydown', function (e) {
    if (e.key === 'Enter' && !e.isComposing) show();
  });
  show();
})();
