// WebKitGTK's MiniBrowser through WebKitWebDriver, dressed as the part of
// puppeteer the browser tests use. Its WebDriver is the classic one: no
// scripts before a page's own (the test server puts them into the page), no
// network switch (offline is the server closed), no touch (touches are mouse
// presses, as WebKitGTK turns them into), and a window at least 447 px wide.
import { spawn } from 'node:child_process';
import { writeFile } from 'node:fs/promises';
import net from 'node:net';
import { Builder, By, Key } from 'selenium-webdriver';

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const freePort = () => new Promise((resolve) => {
  const probe = net.createServer().listen(0, '127.0.0.1', () => ((port) => probe.close(() => resolve(port)))(probe.address().port));
});
const keys = { Shift: Key.SHIFT, Backspace: Key.BACK_SPACE, Tab: Key.TAB, Enter: Key.ENTER, Escape: Key.ESCAPE, ArrowLeft: Key.ARROW_LEFT,
  ArrowRight: Key.ARROW_RIGHT, ArrowUp: Key.ARROW_UP, ArrowDown: Key.ARROW_DOWN };
const call = (fn) => `return (${fn}).apply(null, arguments)`;

// The scripts of the page being driven, run before page.js on every load.
let scripts = [];
export const insert = (html) => html.replace('<script src="page.js">', () => `<script>${scripts.join('\n')}</script><script src="page.js">`);

function wrap(driver) {
  const evaluate = (fn, ...args) => driver.executeScript(call(fn), ...args);
  const act = (build) => build(driver.actions()).perform();
  const press = (x, y) => (actions) => actions.move({ x: Math.round(x), y: Math.round(y) }).press();
  const page = {
    evaluate,
    evaluateOnNewDocument: (fn) => void scripts.push(`(${fn})();`),
    goto: (url) => driver.get(url),
    reload: () => driver.navigate().refresh(),
    url: () => driver.getCurrentUrl(),
    async waitForFunction(fn, { timeout = 30000 } = {}, ...args) {
      for (const end = Date.now() + timeout; !(await evaluate(fn, ...args).catch(() => false)); await sleep(50)) {
        if (Date.now() > end) throw new Error(`${fn} still false after ${timeout} ms`);
      }
    },
    $eval: (selector, fn) => driver.executeScript(`return (${fn})(document.querySelector(arguments[0]))`, selector),
    $$eval: (selector, fn) => driver.executeScript(`return (${fn})(Array.from(document.querySelectorAll(arguments[0])))`, selector),
    click: (selector) => driver.findElement(By.css(selector)).click(),
    mouse: { click: (x, y) => act((actions) => press(x, y)(actions).release()) },
    keyboard: {
      press: (key) => act((actions) => actions.sendKeys(keys[key] || key)),
      down: (key) => act((actions) => actions.keyDown(keys[key] || key)),
      up: (key) => act((actions) => actions.keyUp(keys[key] || key)),
    },
    // The window is sized for the viewport asked for, as wide as it will go.
    async setViewport({ width, height }) {
      for (let tries = 0; tries < 3; ++tries) {
        const [innerWidth, innerHeight] = await evaluate(() => [innerWidth, innerHeight]);
        if (innerHeight === height && (innerWidth === width || (tries > 0 && innerWidth > width))) break;
        const outer = await driver.manage().window().getRect();
        await driver.manage().window().setRect({ width: outer.width + width - innerWidth, height: outer.height + height - innerHeight });
        await sleep(200);
      }
    },
    emulate: ({ viewport }) => page.setViewport(viewport),
    screenshot: async ({ path }) => writeFile(path, await driver.takeScreenshot(), 'base64'),
    setOfflineMode: async () => {},
    close: async () => {},
  };
  page.touchscreen = { tap: page.mouse.click, touchStart: (x, y) => act(press(x, y)), touchEnd: () => act((actions) => actions.release()) };
  return page;
}

// One MiniBrowser session a page, each with a profile of its own, so the
// scripts the service worker keeps with the page are that page's.
export async function launch(binary) {
  let port, server, driver = null;
  const serve = async () => {
    if (server) server.kill();
    port = await freePort();
    server = spawn('WebKitWebDriver', [`--port=${port}`], { stdio: 'ignore' });
  };
  // Now and then a new session never answers (its MiniBrowser gone before it
  // connected, and the driver waiting on it): after half a minute the driver
  // is started again.
  const session = () => new Builder().usingServer(`http://127.0.0.1:${port}`)
    .withCapabilities({ browserName: 'MiniBrowser', 'webkitgtk:browserOptions': { binary, args: ['--automation'] } }).build();
  const start = async () => {
    if (driver) await Promise.race([driver.quit(), sleep(10000)]);
    scripts = [];
    for (let tries = 0; ; ++tries) {
      try {
        driver = await Promise.race([session(), sleep(30000).then(() => Promise.reject(new Error('no session in 30 s')))]);
        // A page that never finishes loading fails its test within a minute,
        // rather than holding the run for the driver's five.
        await driver.manage().setTimeouts({ pageLoad: 60000, script: 60000 });
        return driver;
      } catch (error) {
        if (tries > 20) throw error;
        if (/no session/.test(error.message)) await serve();
        await sleep(100);  // the driver is still starting
      }
    }
  };
  await serve();
  await start();
  return {
    newPage: async () => wrap(await start()),
    version: async () => `WebKitGTK ${(await driver.getCapabilities()).get('browserVersion')}`,
    userAgent: () => driver.executeScript('return navigator.userAgent'),
    close: async () => (driver && await Promise.race([driver.quit(), sleep(10000)]), server.kill()),
  };
}
