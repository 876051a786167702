// What every page shares: loading the data scripts one after another, the navigation bar and
// the start page. The style sheet travels inside this script (see the build): a style sheet
// file would come as application/octet-stream, which the browser refuses for <link>.
(function () {
  'use strict';
  var R = window.RkRules;

  function el(tag, attributes, children) {
    var node = document.createElement(tag);
    Object.keys(attributes || {}).forEach(function (key) {
      if (key === 'text') node.textContent = attributes[key];
      else if (key === 'class') node.className = attributes[key];
      else node.setAttribute(key, attributes[key]);
    });
    (children || []).forEach(function (child) { if (child) node.appendChild(child); });
    return node;
  }

  // Every data script assigns the same globals, so scripts load strictly one at a time and each
  // result is taken before the next starts.
  var GLOBALS = ['arFormat', 'arSeq', 'arParam', 'arVals'];
  function loadScript(src) {
    return new Promise(function (resolve, reject) {
      GLOBALS.forEach(function (name) { window[name] = undefined; });
      var script = document.createElement('script');
      var timer = setTimeout(function () { finish(new Error('timeout')); }, 15000);
      function finish(error) {
        clearTimeout(timer);
        script.onload = script.onerror = null;
        script.remove();
        if (error) return reject(error);
        if (!Array.isArray(window.arVals)) return reject(new Error('no values'));
        resolve({ format: window.arFormat, seq: window.arSeq, param: window.arParam, vals: window.arVals });
      }
      script.onload = function () { finish(); };
      script.onerror = function () { finish(new Error('not loaded')); };
      script.charset = 'Shift_JIS';
      script.src = src;
      document.head.appendChild(script);
    });
  }

  // Values of a page, entry by entry. The header must name exactly the page's fields, so that a
  // value never lands in the wrong field. `token` keeps a reload from being served from cache.
  function loadPage(book, page, token) {
    var info = R.pageInfo(book, page);
    var query = '?' + (token ? 'r=' + token + '&' : '') + 'page=' + R.pad(page, 3);
    return loadScript(info.data + query).then(function (data) {
      var entries = R.pageEntries(book, page), per = book === R.COMMON ? 4 : 3, expected = [];
      entries.forEach(function (entry) {
        for (var k = 1; k <= per; k++) expected.push(entry.prefix + k);
      });
      var names = data.format && data.seq && data.param ? R.fieldNames(data.format, data.seq, data.param) : [];
      if (names.join() !== expected.join() || data.vals.length !== expected.length) throw new Error('format');
      entries.forEach(function (entry, i) {
        entry.values = data.vals.slice(i * per, i * per + per).map(String);
      });
      return entries;
    });
  }

  // The memory count (1 = 600, 2 = 990, 0 = unknown) from data-set item 120. Asked after the
  // page's own script: after a submission, the first data-script request is the one that commits
  // the submitted page, and that must be the page's own.
  function loadMode() {
    return loadScript('3_06m.js').then(function (data) { return R.memoryMode(String(data.vals[0])); },
      function () { return 0; });
  }

  function pageOptions(book, current) {
    var select = el('select', { 'aria-label': 'ページを選ぶ' });
    for (var p = 1; p <= (book === R.COMMON ? 20 : 50); p++) {
      var info = R.pageInfo(book, p);
      var option = el('option', { value: info.file, text: 'PAGE' + p + ' ' + info.range.replace(',', '・') });
      if (p === current) option.selected = true;
      select.appendChild(option);
    }
    select.addEventListener('change', function () { location.href = select.value; });
    return select;
  }

  function link(href, text, title) {
    return href ? el('a', { href: href, text: text, title: title || '' }) : el('span', { class: 'off', text: text });
  }

  // Start page, previous and next page, the page picker and the list page.
  function navigation(book, page) {
    var info = R.pageInfo(book, page);
    return el('nav', { class: 'nav' }, [
      link('17tansyuku.html', 'トップ', 'ページ一覧'),
      link(page > 1 && R.pageInfo(book, page - 1).file, '\u25c0 前'),
      pageOptions(book, page),
      link(page < info.pages && R.pageInfo(book, page + 1).file, '次 \u25b6'),
      link('list.html', '一覧表')
    ]);
  }

  // The start page's links are static; the memory count only greys out the pages it leaves out.
  function startPage() {
    var state = document.getElementById('mode');
    loadMode().then(function (mode) {
      state.textContent = mode === 1 ? 'メモリー数: 600件（PAGE13～20 は使用できません）' :
        mode === 2 ? 'メモリー数: 990件（マイ電話帳は 990～999）' :
        'メモリー数を読み込めませんでした';
      if (mode !== 1) return;
      document.querySelectorAll('.pages.common a').forEach(function (a, i) {
        if (i >= 12) { a.className = 'off'; a.title = '600件の設定では使用できません'; }
      });
    });
  }

  window.RkPage = { el: el, loadScript: loadScript, loadPage: loadPage, loadMode: loadMode,
    navigation: navigation, startPage: startPage };

  // An edit page's data is asked for as soon as this script runs, while the page's own scripts
  // are still on their way. A common page needs no memory count: a memory that the count leaves
  // out comes without even its group digit (RkRules.unavailable), so the page fills after one
  // request. A my-phonebook memory beyond the count looks like an empty one: that page asks.
  var root = document.documentElement, book = root.getAttribute('data-book');
  if (book) {
    window.RkPage.first = loadPage(book, +root.getAttribute('data-page')).then(function (entries) {
      if (book === R.COMMON) return { entries: entries, mode: null };
      return loadMode().then(function (mode) { return { entries: entries, mode: mode }; });
    });
  }
})();
