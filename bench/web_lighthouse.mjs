// Lighthouse's mobile audit of the page as the README serves it (scripts/serve:
// nginx, gzipped), five times in headless Chromium with WebGL on SwiftShader:
// the median and range of each category's score and of the metrics the
// performance score is made of (Lighthouse slows the page's main thread 4
// times by simulation, as on a mid-range phone).
//   make web && node bench/web_lighthouse.mjs [BUILD_WEB]
import { execFile, spawn } from 'node:child_process';
import net from 'node:net';
import path from 'node:path';
import { promisify } from 'node:util';

const here = path.dirname(new URL(import.meta.url).pathname);
const root = path.resolve(process.argv[2] || 'build-web');
const port = await new Promise((resolve) => ((probe) => probe.listen(0, '127.0.0.1', () => ((p) => probe.close(() => resolve(p)))(probe.address().port)))(net.createServer()));
const server = spawn(path.join(here, '../scripts/serve'), [root, String(port)], { stdio: 'ignore' });
await new Promise((resolve) => setTimeout(resolve, 1000));

const metrics = { 'first-contentful-paint': 'FCP', 'largest-contentful-paint': 'LCP', 'speed-index': 'SI', 'total-blocking-time': 'TBT',
  'cumulative-layout-shift': 'CLS', interactive: 'TTI' };
const runs = [];
for (let run = 0; run < 5; ++run) {
  const { stdout } = await promisify(execFile)(path.join(here, '../tests/web/node_modules/.bin/lighthouse'), [`http://127.0.0.1:${port}/`,
    '--output=json', '--quiet', '--chrome-flags=--headless=new --no-sandbox --use-angle=swiftshader --enable-unsafe-swiftshader'],
  { env: { ...process.env, CHROME_PATH: '/usr/bin/chromium' }, maxBuffer: 1 << 28 });
  const report = JSON.parse(stdout);
  const result = Object.fromEntries(Object.entries(report.categories).map(([name, c]) => [name, Math.round(c.score * 100)]));
  for (const [id, name] of Object.entries(metrics)) result[name] = report.audits[id].numericValue;
  if (run === 0) console.log(`Lighthouse ${report.lighthouseVersion}, ${report.environment.hostUserAgent.match(/Chrome\/[\d.]+/)[0]}, ${root}`);
  console.log(`run ${run + 1}: ${JSON.stringify(result, (k, v) => (typeof v === 'number' && !Number.isInteger(v) ? Number(v.toFixed(3)) : v))}`);
  runs.push(result);
}
const summary = (key) => ((values) => `${values[2]} (${values[0]}–${values[4]})`)(runs.map((r) => Math.round(key === 'CLS' ? r[key] * 1000 : r[key])).sort((a, b) => a - b));
console.log(`median (range) of 5: ${Object.keys(runs[0]).map((key) => `${key} ${summary(key)}`).join(', ')} (times in ms, CLS in thousandths)`);
server.kill();
