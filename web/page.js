// The page around the program: sizes the canvas for the viewport, says what
// is loading, asks for the motion sensor where the browser wants a tap for it
// (iOS), and explains a start that failed in one sentence.
'use strict';
const canvas = document.getElementById('canvas');
const status = document.getElementById('status');
function say(text) {
  status.textContent = text;
  status.hidden = !text;
}

// The program lays out for a 320-pixel-wide handheld, so the canvas draws at
// a phone's size and the browser scales it up. Portrait: the viewport divided
// by the largest whole factor that leaves at least 320 x 480. Landscape:
// 320 x 480, shown as large as a whole factor fits, centred.
function drawingSize(width, height) {
  const factor = Math.max(1, Math.floor(Math.min(width / 320, height / 480)));
  return height >= width ? [Math.floor(width / factor), Math.floor(height / factor)] : [320, 480];
}
// The drawing size is kept from the load. A portrait viewport of about its
// shape (a phone's address bar comes and goes) is filled; any other is given
// the whole canvas, unstretched and centred: the largest whole factor, or
// smaller than 1 when even that would not fit, as after turning a phone.
function fit() {
  const width = window.innerWidth, height = window.innerHeight;
  let shown = [width, height];
  if (height < width || Math.abs((width / height) / (canvas.width / canvas.height) - 1) > 0.1) {
    const scale = Math.min(width / canvas.width, height / canvas.height);
    const factor = scale >= 1 ? Math.floor(scale) : scale;
    shown = [Math.floor(canvas.width * factor), Math.floor(canvas.height * factor)];
  }
  const style = document.documentElement.style;
  style.setProperty('--width', shown[0] + 'px');
  style.setProperty('--height', shown[1] + 'px');
  style.setProperty('--left', Math.floor((width - shown[0]) / 2) + 'px');
  style.setProperty('--top', Math.floor((height - shown[1]) / 2) + 'px');
}
[canvas.width, canvas.height] = drawingSize(window.innerWidth, window.innerHeight);
fit();
window.addEventListener('resize', fit);
canvas.addEventListener('contextmenu', (event) => event.preventDefault());

// iOS lends its motion sensor only when asked from a tap.
window.addEventListener('pointerdown', () => {
  if (window.DeviceMotionEvent && DeviceMotionEvent.requestPermission) DeviceMotionEvent.requestPermission().catch(() => {});
}, { once: true });

// A pattern in the link: the 192 cells, one bit each from the bottom row up,
// as 32 characters of URL-safe base64 after '#'. Anything else is ignored.
function decodePattern(text) {
  if (!/^[A-Za-z0-9_-]{32}$/.test(text)) return null;
  const bytes = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
  return Array.from({ length: 192 }, (_, cell) => (bytes.charCodeAt(cell >> 3) >> (cell & 7)) & 1);
}
function encodePattern(cells) {
  let bytes = '';
  for (let i = 0; i < 24; ++i) bytes += String.fromCharCode(cells.slice(8 * i, 8 * i + 8).reduce((b, c, bit) => b | (c & 1) << bit, 0));
  return btoa(bytes).replace(/\+/g, '-').replace(/\//g, '_');
}
// The share control puts the current pattern into the address and copies the link.
function share(grid) {
  const button = document.createElement('button');
  button.id = 'share';
  button.textContent = 'share';
  button.addEventListener('click', () => {
    history.replaceState(null, '', '#' + encodePattern(Array.from(Module.HEAPU8.subarray(grid, grid + 192))));
    if (navigator.clipboard) navigator.clipboard.writeText(location.href).catch(() => {});
    button.textContent = 'link copied';
    setTimeout(() => (button.textContent = 'share'), 2000);
  });
  document.body.appendChild(button);
}

// The program itself says nothing: a start that failed is explained from what
// the browser lacks, as the launcher does on Linux.
function explain() {
  if (!(window.AudioContext || window.webkitAudioContext)) {
    return 'pegpond could not start: this browser has no Web Audio to play its notes.';
  }
  for (let note = 0; note < 16; ++note) {
    const name = 'note' + String(note).padStart(2, '0') + '.wav';
    if (!Module.FS || !Module.FS.analyzePath('/data/' + name).exists) {
      return 'pegpond could not start: the note sample ' + name + ' is missing (reload the page).';
    }
  }
  return 'pegpond could not start: a shader program failed to build on this browser\'s WebGL.';
}

var Module = {
  canvas,
  setStatus(text) {
    const progress = /\((\d+)\/(\d+)\)/.exec(text);
    if (progress) say('Loading… ' + Math.floor(100 * progress[1] / progress[2]) + ' %');
  },
  onRuntimeInitialized() { say(''); },
  onExit(code) { if (code !== 0) say(explain()); },
  onGrid(grid) {
    const cells = decodePattern(location.hash.slice(1));
    if (cells) Module.HEAPU8.set(cells, grid);
    share(grid);
  },
  onAbort() { say(explain()); },
};

if (!document.createElement('canvas').getContext('webgl')) {
  say('pegpond could not start: this browser has no WebGL, which pegpond draws with.');
} else {
  const program = document.createElement('script');
  program.src = 'pegpond.js';
  document.body.appendChild(program);
}
