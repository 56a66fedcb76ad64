// The page's first load on a phone's network, in headless Chromium: served as
// the README says (scripts/serve: nginx, gzipped), with Chromium's network
// emulated at 1.6 Mbit/s down, 750 kbit/s up and 150 ms round trips and its
// CPU slowed 4 times, from an empty cache. Five loads; the median and range of
// the time from navigation to the splash (drawn, and the page free to show
// it), to the pond ready to play (the
// program's state shared, after its start) and from the first tap, on a link
// with every peg, to the first note's sound (its start on the audio clock), with
// the bytes on the wire up to then. The sweep starts on the first line, which
// it counts as sounded, so the first note is due one step (250 ms) after the
// tap: what the page adds is printed beside it.
//   make web && node bench/web_network.mjs [BUILD_WEB]
import { spawn } from 'node:child_process';
import net from 'node:net';
import path from 'node:path';
import puppeteer from '../tests/web/node_modules/puppeteer-core/lib/esm/puppeteer/puppeteer-core.js';

const root = path.resolve(process.argv[2] || 'build-web');
const port = await new Promise((resolve) => ((probe) => probe.listen(0, '127.0.0.1', () => ((p) => probe.close(() => resolve(p)))(probe.address().port)))(net.createServer()));
const server = spawn(path.join(path.dirname(new URL(import.meta.url).pathname), '../scripts/serve'), [root, String(port)], { stdio: 'ignore' });
await new Promise((resolve) => setTimeout(resolve, 1000));
// Between the browser and the server, counting what the server sends.
let bytes = 0;
const proxy = net.createServer((client) => {
  const upstream = net.connect(port, '127.0.0.1');
  upstream.on('data', (chunk) => (bytes += chunk.length));
  client.pipe(upstream).pipe(client);
  for (const [a, b] of [[client, upstream], [upstream, client]]) a.on('error', () => b.destroy()).on('close', () => b.destroy());
});
await new Promise((resolve) => proxy.listen(0, '127.0.0.1', resolve));
const browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: 'new',
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'] });
console.log(`${await browser.version()}, ${process.argv[2] || 'build-web'}`);

// Each draw is stamped, and each note's start with where it lands on the
// page's clock (the audio clock's time mapped by the context's own timestamp).
function stamp() {
  window.draws = [];
  window.notes = [];
  for (const Context of [WebGLRenderingContext]) {
    for (const name of ['drawElements', 'drawArrays']) {
      const draw = Context.prototype[name];
      Context.prototype[name] = function (...args) {
        draw.apply(this, args);
        window.draws.push(performance.now());
        // The browser can show the first drawing once the page's thread is free.
        if (window.draws.length === 1) requestAnimationFrame(() => (window.shown = performance.now()));
      };
    }
  }
  const Original = window.AudioContext;
  window.AudioContext = class extends Original {
    constructor(...options) {
      super(...options);
      const source = this.createBufferSource.bind(this);
      this.createBufferSource = () => {
        const node = source(), start = node.start.bind(node);
        node.start = (when = 0) => {
          const stamp = this.getOutputTimestamp(), now = performance.now();
          const clock = stamp.performanceTime ? stamp.performanceTime + (Math.max(when, this.currentTime) - stamp.contextTime) * 1000 : now;
          window.notes.push({ called: now, sounds: Math.max(clock, now) });
          start(when);
        };
        return node;
      };
    }
  };
}
const runs = [];
for (let run = 0; run < 5; ++run) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport({ width: 360, height: 740, isMobile: true, hasTouch: true });
  const cdp = await page.createCDPSession();
  await cdp.send('Network.enable');
  await cdp.send('Network.emulateNetworkConditions', { offline: false, latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 750e3 / 8 });
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: 4 });
  await page.evaluateOnNewDocument(stamp);
  bytes = 0;
  await page.goto(`http://127.0.0.1:${proxy.address().port}/#${'_'.repeat(32)}`);  // all 192 pegs
  const start = await page.evaluate(() => performance.timing.navigationStart - performance.timeOrigin);
  await page.waitForFunction(() => window.shown, { timeout: 60000 });
  const splash = await page.evaluate(() => window.shown) - start;
  await page.waitForFunction(() => typeof state !== 'undefined' && state.grid, { timeout: 60000 });
  const ready = await page.evaluate(() => performance.now()) - start;
  await page.evaluate(() => window.addEventListener('touchstart', () => (window.tapped = performance.now()), { once: true, capture: true }));
  await page.touchscreen.tap(180, 300);  // ends the splash and starts the sweep, on a full grid
  const tapped = await page.evaluate(() => window.tapped);
  await page.waitForFunction((t) => window.notes.some((n) => n.called >= t), { timeout: 10000 }, tapped).catch(() => {});
  const note = await page.evaluate((t) => (window.notes.find((n) => n.called >= t) || { sounds: NaN }).sounds - t, tapped);
  runs.push({ splash, ready, note, added: note - 250, bytes });
  console.log(`load ${run + 1}: splash ${splash.toFixed(0)} ms, ready ${ready.toFixed(0)} ms, note ${note.toFixed(0)} ms after the tap ` +
    `(${(note - 250).toFixed(0)} ms after its step), ${bytes} bytes`);
  await context.close();
}
const summary = (key) => ((values) => `${values[2].toFixed(0)} (${values[0].toFixed(0)}–${values[4].toFixed(0)})`)(runs.map((r) => r[key]).sort((a, b) => a - b));
console.log(`median (range) of 5: splash ${summary('splash')} ms, ready to play ${summary('ready')} ms, ` +
  `first note ${summary('note')} ms after its tap (${summary('added')} ms after its step), ${summary('bytes')} bytes`);
await browser.close();
proxy.close();
server.kill();
