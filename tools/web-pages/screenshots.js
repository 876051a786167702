// The README's pictures of browser editing, by hand (not a test): headless Chromium at 1024 x 768
// against rkdial-cli serve with the hand-written phonebook files.
//   node tools/web-pages/screenshots.js [folder, default docs]   (RKDIAL_CLI: default build/dev/bin/rkdial-cli)
'use strict';
const path = require('node:path');

const root = path.resolve(__dirname, '../..');
process.env.RKDIAL_CLI = process.env.RKDIAL_CLI || path.join(root, 'build/dev/bin/rkdial-cli');
process.env.RKDIAL_TEST_DATA = process.env.RKDIAL_TEST_DATA || path.join(root, 'tests/data');
const S = require('../../tests/web/e2e/support.js');
const playwright = S.requireBrowser();
const out = path.resolve(process.argv[2] || path.join(root, 'docs'));
const files = path.join(S.DATA, 'browser_edit');

(async () => {
  const server = await S.startServe(['--no-pauses', '--common', path.join(files, 'common.rkdat'),
    '--my', path.join(files, 'my.rkdat')]);
  const browser = await S.openBrowser(playwright);
  try {
    const page = await browser.context.newPage();
    // A common page while the operator types a new entry: the reading typed in hiragana has
    // become half-width kana, the row is marked as changed.
    await S.openEditPage(page, server.url + '17tansyuku_01.html');
    await S.typeInto(page, 's003n1', '0387654321');
    await S.typeInto(page, 's003n2', '後藤次郎');
    await S.typeInto(page, 's003n3', 'ごとう じろう');
    await page.selectOption('[name="s003n4"]', '6');
    await page.focus('[name="s003n1"]');
    await page.screenshot({ path: path.join(out, 'browser-editing-page.png') });

    await page.goto(server.url + 'list.html');
    await page.fill('#positions', '101-102');
    await page.check('#by-reading');
    await page.click('#show');
    await page.waitForSelector('#out h2:has-text("収容位置 102")');
    await page.screenshot({ path: path.join(out, 'browser-editing-list.png') });
  } finally {
    await browser.close();
    await S.stopServe(server);
    S.removeFolder(server);
  }
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
