// A script of the built HTMLFiles (RKDIAL_HTML_DIR) as the browser gets it: Shift_JIS bytes,
// decoded and run, its exports taken the way node takes a module's.
'use strict';
const fs = require('node:fs');
const path = require('node:path');

module.exports = function served(name) {
  const dir = process.env.RKDIAL_HTML_DIR;
  if (!dir) throw new Error('RKDIAL_HTML_DIR names no built pages');
  const text = new TextDecoder('shift_jis', { fatal: true }).decode(fs.readFileSync(path.join(dir, name)));
  const module = { exports: {} };
  new Function('module', text)(module);
  return module.exports;
};
