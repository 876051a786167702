// By hand, not a test: how long the operator waits with idle connections open. Starts
// `rkdial-cli serve --port 0 --no-pauses` (the program named on the command line), opens N idle
// connections (nothing sent), asks for a page M times and prints the median time to its complete
// answer; then, over R fresh runs, the median time from SIGTERM to the program's exit with the N
// idle connections still open. Loopback only.
//   node tools/server/idle_connections.js build/dev/bin/rkdial-cli [N=100] [M=50] [R=10]
'use strict';
const { spawn } = require('node:child_process');
const net = require('node:net');

const [cli, idleCount = 100, requests = 50, runs = 10] = process.argv.slice(2).map((v, i) => (i ? +v : v));
const median = (values) => values.slice().sort((a, b) => a - b)[Math.floor(values.length / 2)];
const now = () => Number(process.hrtime.bigint()) / 1e6;

function startServe() {
  const child = spawn(cli, ['serve', '--port', '0', '--no-pauses'], { stdio: ['ignore', 'pipe', 'inherit'] });
  return new Promise((resolve, reject) => {
    let out = '';
    child.stdout.on('data', (text) => {
      out += text;
      const line = /^http:\/\/127\.0\.0\.1:(\d+)\/\n/.exec(out);
      if (line) resolve({ child, port: +line[1] });
    });
    child.on('exit', () => reject(new Error('serve ended early')));
  });
}

function idleConnections(port, count) {
  return Promise.all(Array.from({ length: count }, () => new Promise((resolve) => {
    const socket = net.connect(port, '127.0.0.1', () => resolve(socket));
    socket.on('error', () => {});
  })));
}

function askPage(port) {
  return new Promise((resolve) => {
    const begin = now();
    let bytes = 0;
    const socket = net.connect(port, '127.0.0.1', () =>
      socket.write('GET /17tansyuku_01.html HTTP/1.1\r\nHost: 127.0.0.1:' + port + '\r\n\r\n'));
    socket.on('data', (data) => { bytes += data.length; });
    socket.on('close', () => resolve({ ms: now() - begin, bytes }));
    socket.on('error', () => {});
  });
}

(async () => {
  const { child, port } = await startServe();
  const idle = await idleConnections(port, idleCount);
  await new Promise((r) => setTimeout(r, 200));
  const times = [];
  let failed = 0;
  for (let i = 0; i < requests; i++) {
    const answer = await askPage(port);
    if (answer.bytes === 0) failed++;
    times.push(answer.ms);
  }
  console.log(`page with ${idleCount} idle connections open: median ${median(times).toFixed(2)} ms, ` +
    `max ${Math.max(...times).toFixed(2)} ms, ${failed} of ${requests} unanswered`);
  child.kill('SIGTERM');
  await new Promise((r) => child.on('exit', r));
  idle.forEach((s) => s.destroy());

  const exits = [];
  for (let run = 0; run < runs; run++) {
    const serve = await startServe();
    const open = await idleConnections(serve.port, idleCount);
    await new Promise((r) => setTimeout(r, 200));
    const begin = now();
    serve.child.kill('SIGTERM');
    await new Promise((r) => serve.child.on('exit', r));
    exits.push(now() - begin);
    open.forEach((s) => s.destroy());
  }
  console.log(`SIGTERM to exit with ${idleCount} idle connections open: median ${median(exits).toFixed(1)} ms ` +
    `over ${runs} runs (max ${Math.max(...exits).toFixed(1)} ms)`);
})();
