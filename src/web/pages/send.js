// Typing, keys and the submission of an edit page. The form is submitted into a hidden frame,
// so the page stays where it is and a reload never asks to send the form again; when the
// answer has come the page reads its data script again and shows what was stored. The frame
// runs no script but keeps the page's origin: what the answer loads there is the page's own
// request, which the server lets through.
(function () {
  'use strict';
  var R = window.RkRules, P = window.RkPage, E = window.RkEdit;
  var form = E.form, rows = E.rows;
  var frame = document.querySelector('iframe[name=rkpost]');
  var busy = false, focused = null, timer = 0;

  function changedCount() {
    return rows.filter(function (row) { return row.changed; }).length;
  }

  function idleState() {
    var n = changedCount();
    if (n) E.setState('note', '未送信の変更: ' + n + '件');
    else if (/note/.test(E.state.className)) E.setState('note', '');
  }

  // Readings and numbers are folded as they are typed, but never inside an input method's
  // conversion; the caret stays behind the same character.
  function fold(field) {
    var convert = R.foldFor(field.kind), input = field.input, before = input.value;
    if (!convert || convert(before) === before) return;
    var caret = convert(before.slice(0, input.selectionStart)).length;
    input.value = convert(before);
    input.setSelectionRange(caret, caret);
  }

  function edited(target, composing) {
    if (!target.rkRow || busy) return;
    if (target.rkField && !composing) fold(target.rkField);
    E.evaluate(target.rkRow);
    E.duplicates();
    idleState();
  }

  form.addEventListener('input', function (e) { edited(e.target, e.isComposing); });
  form.addEventListener('compositionend', function (e) { edited(e.target, false); });
  form.addEventListener('change', function (e) {
    var field = e.target.rkField;
    if (field && field.kind === 'number') field.input.value = field.input.value.trim();
    edited(e.target, false);
  });

  // Enter goes down the column, as in a list; Ctrl+Enter sends.
  form.addEventListener('keydown', function (e) {
    var row = e.target.rkRow;
    if (e.key !== 'Enter' || e.isComposing || e.keyCode === 229 || !row) return;
    e.preventDefault();
    if (e.ctrlKey || e.metaKey) return form.requestSubmit();
    var column = row.controls.indexOf(e.target);
    var live = rows.filter(function (r) { return r.available; });
    var next = live[live.indexOf(row) + (e.shiftKey ? -1 : 1)];
    if (next) next.controls[column].focus();
  });

  // Leaving while a submission is under way would leave it uncommitted (with the duplicate check
  // on, the next page's first data request discards it), so that asks too.
  window.addEventListener('beforeunload', function (e) {
    if (busy || changedCount()) {
      e.preventDefault();
      e.returnValue = '';
    }
  });

  function finish(kind, text) {
    busy = false;
    clearTimeout(timer);
    form.inert = false;
    E.send.disabled = !E.usable;
    E.setState(kind, text);
    if (focused && document.contains(focused)) focused.focus({ preventScroll: true });
  }

  // Asking for the page's data script is also what makes the server commit the submitted page.
  // With the duplicate check on, that first answer still shows the page as submitted, not as
  // committed (a duplicate loses its number in the commit), and until one more data request the
  // server would fall back to it when editing ends: so the page asks twice and shows the second.
  function reload(sent) {
    E.setState('busy', '登録内容を読込中…');
    P.loadPage(E.book, E.page, Date.now()).then(function () {
      return P.loadPage(E.book, E.page, Date.now() + 1);
    }).then(function (entries) {
      var altered = E.fill(entries, sent);
      var time = new Date().toTimeString().slice(0, 8);
      finish(altered ? 'warn' : 'done', '登録しました ' + time + (altered ? '（' + altered + '項目が変更）' : ''));
      if (altered) E.state.title = '青枠の項目は、送信した値と登録された値が違います';
    }, function () {
      finish('fail', '登録内容を読み込めません（再読込してください）');
    });
  }

  form.addEventListener('submit', function (e) {
    var bad = rows.filter(function (row) { return row.available && row.error; }).length;
    if (busy || !E.usable || (bad && !window.confirm('登録されない文字や超過分のある行が ' + bad + ' 行あります。\n' +
      'このまま送信しますか？'))) {
      e.preventDefault();
      return;
    }
    var sent = rows.map(function (row) {
      return row.fields.map(function (field) { return field.input.value; });
    });
    busy = true;
    focused = document.activeElement;
    E.send.disabled = true;
    E.setState('busy', '送信中…');
    frame.onload = function () {
      frame.onload = null;
      clearTimeout(timer);
      reload(sent);
    };
    // The server answers only once a duplicate message on the PC has been closed: a slow answer
    // gets a hint, and a late one is still taken.
    timer = setTimeout(function () {
      E.setState('busy', '応答待ち… PC に重複のメッセージが出ていないか確認してください');
      timer = setTimeout(function () { finish('fail', '送信の応答がありません（サーバーを確認してください）'); }, 60000);
    }, 8000);
    // The form's entries are gathered after this handler; only then is the form frozen.
    setTimeout(function () { if (busy) form.inert = true; }, 0);
  });

  E.setState('busy', '読込中…');
  P.first.then(function (data) {
    E.mode = data.mode || 0;
    E.build();
    E.fill(data.entries, null);
    E.setState('note', data.mode === 0 ? 'メモリー数を読み込めませんでした' : '');
    var first = rows.filter(function (row) { return row.available; })[0];
    if (first) first.controls[0].focus({ preventScroll: true });
  }).catch(function () {
    E.setState('fail', 'データを読み込めません');
    form.textContent = '';
    form.appendChild(P.el('div', { class: 'panel' }, [
      P.el('p', { text: 'このページのデータを読み込めませんでした。電話帳編集のサーバーが動いているか確認してください。' }),
      P.el('button', { type: 'button', text: '再読込', onclick: 'location.reload()' })]));
  });
})();
