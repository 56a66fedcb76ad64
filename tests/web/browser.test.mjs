// The browser build in headless Chromium (WebGL on SwiftShader), served from
// BUILD_WEB (default build-web) on 127.0.0.1: what a person sees and hears,
// taps, keys, the phone's motion, slots kept across a reload, and a browser
// without WebGL.
import { execFileSync } from 'node:child_process';
import { readFile } from 'node:fs/promises';
import http from 'node:http';
import path from 'node:path';
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import puppeteer from 'puppeteer-core';

const root = path.resolve(process.env.BUILD_WEB || 'build-web');
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
const server = http.createServer((request, response) => {
  const file = path.join(root, new URL(request.url, 'http://here').pathname.replace(/\/$/, '/index.html'));
  readFile(file).then((body) => response.writeHead(200, { 'Content-Type': types[path.extname(file)] || '' }).end(body),
    () => response.writeHead(404).end());
});
let browser, address;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

before(async () => {
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  address = `http://127.0.0.1:${server.address().port}/`;
  browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: 'new',
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--autoplay-policy=user-gesture-required'] });
});
after(async () => {
  await browser.close();
  server.close();
});

// Every note started, with the pan its panner was given and its start time on
// the audio clock: the wrapper knows a sample by the order the program decoded
// them in, note00 first.
function listen() {
  window.played = [];
  const Original = window.AudioContext;
  window.AudioContext = class extends Original {
    constructor(...options) {
      super(...options);
      const notes = new Map(), decode = this.decodeAudioData.bind(this);
      const source = this.createBufferSource.bind(this), panner = this.createPanner.bind(this);
      let decoded = 0, lastPanner = null;
      this.decodeAudioData = (data, done, failed, note = decoded++) =>
        decode(data, (buffer) => (notes.set(buffer, note), done && done(buffer)), failed);
      this.createPanner = () => (lastPanner = panner());
      this.createBufferSource = () => {
        const node = source(), start = node.start.bind(node);
        node.start = (when = 0) =>
          (window.played.push({ note: notes.get(node.buffer), panner: lastPanner, when: Math.max(when, this.currentTime) }), start(when));
        return node;
      };
    }
  };
}
const played = (page) => page.evaluate(() => window.played.map((p) => ({ note: p.note, pan: p.panner.positionX.value, when: p.when })));

async function open(width = 360, height = 740) {
  const page = await browser.newPage();
  await page.setViewport({ width, height });
  await page.evaluateOnNewDocument(listen);
  await page.goto(address);
  await page.waitForFunction(() => document.getElementById('status').hidden);
  await sleep(1000);  // the program starts and shows its splash
  return page;
}
// The mean colour of a square of the page, through ImageMagick.
async function colourAt(page, x, y, side = 12) {
  await page.screenshot({ path: '/tmp/pegpond-page.png' });
  const mean = execFileSync('convert', ['/tmp/pegpond-page.png', '-crop', `${side}x${side}+${x - side / 2}+${y - side / 2}`,
    '-scale', '1x1!', '-format', '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]', 'info:']);
  return String(mean).split(' ').map(Number);
}
// Cell centres on a 360 x 740 page, drawn 1:1: the grid's bottom lies 170 px above the page's.
const cell = (row, column) => [22 + 25 * column, 739 - 170 - 12 - 25 * row];
const pattern = (pegs) => Array.from({ length: 192 }, (_, i) => (pegs.some(([r, c]) => r * 12 + c === i) ? 1 : 0));
const slot = (page, n) => page.evaluate((n) => Array.from(Module.FS.readFile(`/pegpond/motif${n}.pat`)), n);
async function save(page, n) {
  await page.keyboard.down('Shift');
  await page.keyboard.press(String(n));
  await page.keyboard.up('Shift');
}
const motion = (page, x, y, z, times) => page.evaluate(async (x, y, z, times) => {
  for (let i = 0; i < times; ++i) {
    window.dispatchEvent(new DeviceMotionEvent('devicemotion', { accelerationIncludingGravity: { x, y, z }, interval: 16 }));
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}, x, y, z, times);

test('a tap places a peg in the pond; a loaded slot sounds in order, panned left to right, each line a whole number of steps after the one before; tilt steers, a shake clears; saves outlive a reload; links carry patterns', async () => {
  const page = await open();
  await page.mouse.click(180, 300);  // ends the splash and starts the sound
  await sleep(500);
  const [x, y] = cell(5, 3);
  const pond = await colourAt(page, x, y);
  await page.mouse.click(x, y);
  await sleep(500);
  const peg = await colourAt(page, x, y);
  assert.ok(peg[0] > pond[0] + 60 && peg[0] > 150, `a red peg (${peg}) over the pond (${pond})`);
  await save(page, 3);
  await page.click('#share');  // the pattern goes into the address
  const link = page.url();

  // One peg a row: rows 15 to 4 sound notes 2 to 13 as a row line moves down.
  const diagonal = pattern(Array.from({ length: 12 }, (_, c) => [15 - c, c]));
  await page.evaluate((bytes) => Module.FS.writeFile('/pegpond/motif1.pat', new Uint8Array(bytes)), diagonal);
  await page.keyboard.press('1');
  const order = '2,3,4,5,6,7,8,9,10,11,12,13';
  await page.waitForFunction((order) => window.played.map((p) => p.note).join().includes(order), { timeout: 9000 }, order);
  await sleep(200);  // the last note's pan follows its start
  const heard = await played(page), notes = heard.map((p) => p.note);
  const since = heard.slice(notes.join().split(order)[0].split(',').length - 1), run = since.slice(0, 12);
  for (let i = 1; i < 12; ++i) assert.ok(run[i].pan > run[i - 1].pan, JSON.stringify(run));
  const steps = since.map((p, i) => (p.when - (since[i - 1] || p).when) * 1000);
  assert.ok(steps.every((ms) => Math.abs(ms - 250 * Math.round(ms / 250)) <= 1), `start times ${steps} ms apart`);

  // The right edge lowered (as Chromium reports it): a column moving right
  // sounds the peg in row r as note r, so the notes fall from 15, which a row
  // line never plays.
  const before = (await played(page)).length;
  await motion(page, -5.6, 0, 8.0, 60);
  const turned = (await played(page)).slice(before).map((p) => p.note);
  const falling = turned.filter((note, i) => i > 0 && note < turned[i - 1]).length;
  assert.ok(turned.includes(15) && falling > turned.length / 2, `column notes ${turned}`);

  // A violent shake clears the grid: saved, slot 2 is empty.
  await motion(page, 30, 30, 30, 10);
  await sleep(2500);
  await save(page, 2);
  await sleep(1000);
  // The slots are kept in the browser's storage across a reload.
  await page.reload();
  await page.waitForFunction(() => document.getElementById('status').hidden);
  assert.deepEqual(await slot(page, 2), pattern([]));
  assert.deepEqual(await slot(page, 3), pattern([[5, 3]]));
  // The shared link starts with its pattern; a fragment that is not a whole
  // pattern starts with an empty grid.
  for (const [url, pegs] of [[link.replace('#', '?shared#'), [[5, 3]]], [link.slice(0, -1).replace('#', '?cut#'), []]]) {
    await page.goto(url);
    await page.waitForFunction(() => document.getElementById('status').hidden);
    await sleep(1000);
    await page.mouse.click(180, 300);
    await save(page, 4);
    await sleep(300);
    assert.deepEqual(await slot(page, 4), pattern(pegs), url);
  }
  // Turned on its side the phone shows the whole canvas unstretched; turned back, it fills the screen.
  for (const [width, height, shown] of [[740, 360, [282, 0, 175, 360]], [360, 740, [0, 0, 360, 740]]]) {
    await page.setViewport({ width, height }).then(() => sleep(300));
    const box = await page.$eval('canvas', (c) => ((r) => [r.left, r.top, r.width, r.height])(c.getBoundingClientRect()));
    assert.deepEqual(box.map(Math.floor), shown, `${width} x ${height}`);
  }
  await page.close();
});

test('without WebGL the page says why in one sentence', async () => {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(() => {
    const getContext = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function (kind, ...rest) {
      return /webgl/.test(kind) ? null : getContext.call(this, kind, ...rest);
    };
  });
  await page.goto(address);
  const said = await page.$eval('#status', (status) => status.textContent);
  assert.match(said, /^pegpond could not start: this browser has no WebGL/);
  await page.close();
});
