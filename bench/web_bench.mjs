// The browser build's costs in headless Chromium (WebGL on SwiftShader): the
// size of each file the page loads (and gzipped), the time from navigation to
// the splash and, with a tap on the splash, to the first pond frame, and the
// work per frame with no and with all 192 pegs at 320 x 480, and with all at
// 360 x 740: the main thread's, and the GPU process's CPU time, where
// SwiftShader draws.
//   make web && node bench/web_bench.mjs [BUILD_WEB]
import { readdirSync, readFileSync } from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { gzipSync } from 'node:zlib';
import puppeteer from '../tests/web/node_modules/puppeteer-core/lib/esm/puppeteer/puppeteer-core.js';

const root = path.resolve(process.argv[2] || 'build-web');
const files = ['index.html', 'page.js', 'sw.js', 'pegpond.js', 'pegpond.wasm', 'pegpond.data'];
for (const file of files) {
  const body = readFileSync(path.join(root, file));
  console.log(`${file}: ${(body.length / 1024).toFixed(1)} KB, gzipped ${(gzipSync(body, { level: 9 }).length / 1024).toFixed(1)} KB`);
}

const server = http.createServer((request, response) => {
  const file = path.join(root, new URL(request.url, 'http://here').pathname.replace(/\/$/, '/index.html'));
  try {
    response.writeHead(200, { 'Content-Type': file.endsWith('.wasm') ? 'application/wasm' : '' }).end(readFileSync(file));
  } catch {
    response.writeHead(404).end();
  }
}).listen(0, '127.0.0.1');
await new Promise((resolve) => server.on('listening', resolve));
const browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: 'new',
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'] });
const median = (values) => values.sort((a, b) => a - b)[Math.floor(values.length / 2)];
// The CPU time of Chromium's GPU process so far, in ms.
const gpuTime = () => readdirSync('/proc').filter((pid) => /^\d+$/.test(pid)).reduce((total, pid) => {
  try {
    if (!readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes('--type=gpu-process')) return total;
    const fields = readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
    return total + (Number(fields[11]) + Number(fields[12])) * 10;  // utime + stime, at 100 ticks a second
  } catch {
    return total;
  }
}, 0);

// Each drawElements call is stamped, and so is the work of each pass of the
// frame loop: from the timer that wakes it to the timer it sleeps on.
function stamp() {
  window.draws = [];
  window.work = [];
  const draw = WebGLRenderingContext.prototype.drawElements, schedule = window.setTimeout;
  WebGLRenderingContext.prototype.drawElements = function (...args) {
    draw.apply(this, args);
    window.draws.push(performance.now());
  };
  let woke;
  window.setTimeout = function (callback, ms, ...rest) {
    if (woke !== undefined && ms > 0) window.work.push(performance.now() - woke), (woke = undefined);
    return schedule.call(this, (...args) => ((woke = performance.now()), callback(...args)), ms, ...rest);
  };
}
for (const [width, height, pegs] of [[320, 480, '_'], [320, 480, 'A'], [360, 740, '_']]) {
  const page = await browser.newPage();
  await page.setViewport({ width, height });
  await page.evaluateOnNewDocument(stamp);
  await page.goto(`http://127.0.0.1:${server.address().port}/#${pegs.repeat(32)}`);  // all 192 pegs, or none
  await page.waitForFunction(() => window.draws.length > 0);
  const splash = await page.evaluate(() => window.draws[0]);
  await page.mouse.click(width / 2, height / 2);
  await page.waitForFunction((splash) => window.draws.some((t) => t > splash + 1), {}, splash);
  const pond = await page.evaluate((splash) => window.draws.find((t) => t > splash + 1), splash);
  await page.evaluate(() => (window.work = []));
  const gpuFrom = gpuTime();
  await new Promise((resolve) => setTimeout(resolve, 6000));
  const work = await page.evaluate(() => window.work), gpu = (gpuTime() - gpuFrom) / work.length;
  const sorted = [...work].sort((a, b) => a - b);
  console.log(`${width} x ${height}, ${pegs == '_' ? 192 : 0} pegs: splash at ${splash.toFixed(0)} ms, first pond frame at ${pond.toFixed(0)} ms ` +
    `(tap at the splash); ${work.length} frames in 6 s, work per frame ${median(work).toFixed(1)} ms median ` +
    `(p10 ${sorted[Math.floor(sorted.length / 10)].toFixed(1)}, p90 ${sorted[Math.floor(sorted.length * 9 / 10)].toFixed(1)}); ` +
    `GPU process ${gpu.toFixed(1)} ms a frame`);
  await page.close();
}
await browser.close();
server.close();
