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
  // Bands above and below the grid for a row of controls 44 px tall, where the
  // cells stay 24 px or more (a 320 x 480 screen: 96 % of its size).
  const cell = 25 * shown[0] / canvas.width, bands = height - 16 * cell;
  if (height >= width && bands < 2 * 47 && cell > 24) {
    const scale = Math.max((height - 2 * 47) / (16 * cell), 24 / cell);
    shown = [Math.floor(shown[0] * scale), Math.floor(shown[1] * scale)];
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

// Browsers let sound start only from a gesture: the end of a touch, a mouse
// press, a key. Ask then, whenever the program's audio is not running (not yet,
// or suspended since by a call, another app or the page being hidden).
function resumeSound(event) {
  const context = typeof SDL !== 'undefined' && SDL.audioContext;
  if (event.type === 'pointerup' && event.pointerType !== 'touch') return;
  if (context && context.state !== 'running') context.resume().catch(() => {});
}
['touchend', 'pointerup', 'mousedown', 'keydown'].forEach((type) => window.addEventListener(type, resumeSound, true));

// iOS lends its motion sensor only when asked from a tap.
window.addEventListener('pointerdown', () => {
  if (window.DeviceMotionEvent && DeviceMotionEvent.requestPermission) DeviceMotionEvent.requestPermission().catch(() => {});
}, { once: true });

// A pattern in the link: the 192 cells, one bit each from the bottom row up,
// as 32 characters of URL-safe base64 after '#' (then the tempo, tempo.js, and
// the sound set, sound.js).
// Anything else is ignored.
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

// ---- Controls ------------------------------------------------------------
// Nine slots, the life switch, rec, share and help (and the sound set, the
// tempo, undo and redo, which have scripts of their own), as buttons in the bands above
// and below the grid (on a screen too flat for them, beside the canvas). Each
// hands the program its key's command through PressKey; the program shares
// its grid and life switch, and the slot files tell which slots hold a pattern.
const SlotKey = (n) => 48 + n, LifeKey = 108, TakeKey = 119;  // SDL's keys '1' to '9', 'l' and 'w'
const UndoKey = 122, RedoKey = 121, Shift = 1, Ctrl = 2;  // 'z' and 'y', with Ctrl
const HoldMs = 500;  // pressing a slot this long saves into it
const state = { grid: 0, life: 0 };
const bar = (id) => Object.assign(document.createElement('div'), { id, className: 'controls' });
const slotsBar = bar('slots'), toolsBar = bar('tools'), editBar = bar('edit'), soundBar = bar('sound-set'), tempoBar = bar('tempo');
const movesBar = bar('moves');
function button(name, text, bar) {
  const b = document.createElement('button');
  b.setAttribute('aria-label', name);
  show(b, text);
  b.addEventListener('contextmenu', (event) => event.preventDefault());
  bar.appendChild(b);
  return b;
}
// A button's text. A glyph or a running time that its name does not hold is
// hidden from screen readers, as the name says it all.
function show(b, text) {
  const shown = Object.assign(document.createElement('span'), { textContent: text });
  if (!b.getAttribute('aria-label').includes(text)) shown.setAttribute('aria-hidden', 'true');
  b.replaceChildren(shown);
}
const press = (key, mods = 0) => Module._PressKey && Module._PressKey(key, mods);
const slotButtons = Array.from({ length: 9 }, (_, i) => {
  const n = i + 1, b = button('slot ' + n, String(n), slotsBar);
  let timer = 0, held = false;
  const release = () => clearTimeout(timer);
  b.addEventListener('pointerdown', () => {
    held = false;
    timer = setTimeout(() => (held = true, press(SlotKey(n), Shift)), HoldMs);
  });
  ['pointerup', 'pointercancel', 'pointerleave'].forEach((type) => b.addEventListener(type, release));
  b.addEventListener('click', () => (held ? (held = false) : press(SlotKey(n))));
  return b;
});
const lifeButton = button('life', 'life', toolsBar);
lifeButton.setAttribute('aria-pressed', 'false');
lifeButton.addEventListener('click', () => press(LifeKey));
const recButton = button('rec', 'rec', toolsBar);
recButton.id = 'rec';
recButton.addEventListener('click', () => press(TakeKey));
// The share control puts the current pattern into the address and copies the link.
const shareButton = button('share', 'share', toolsBar);
shareButton.id = 'share';
shareButton.addEventListener('click', () => {
  const pattern = encodePattern(Array.from(Module.HEAPU8.subarray(state.grid, state.grid + 192)));
  history.replaceState(null, '', '#' + pattern + tempoLinkPart() + soundLinkPart());
  if (navigator.clipboard) navigator.clipboard.writeText(location.href).catch(() => {});
  show(shareButton, 'link copied');
  announce('link copied');
  setTimeout(() => show(shareButton, 'share'), 2000);
});
// Undo and redo, as Ctrl+Z and Ctrl+Y: a tap, a stroke, a load, a shake or a run of life at a time.
button('undo', 'undo', editBar).addEventListener('click', () => press(UndoKey, Ctrl));
button('redo', 'redo', editBar).addEventListener('click', () => press(RedoKey, Ctrl));
const help = document.getElementById('help');
button('help', '?', toolsBar).addEventListener('click', () => (help.hidden = false));
help.addEventListener('click', (event) => !event.target.closest('label') && (help.hidden = true));
window.addEventListener('keydown', (event) => event.key === 'Escape' && !help.hidden && (help.hidden = true), true);
if (!matchMedia('(any-pointer: fine)').matches) document.getElementById('keys').hidden = true;

// A slot that holds a pattern looks filled, and says so after its name.
function showSlot(n) {
  const filled = !!Module.FS && Module.FS.analyzePath('/pegpond/motif' + n + '.pat').exists;
  slotButtons[n - 1].classList.toggle('filled', filled);
  if (filled) slotButtons[n - 1].setAttribute('aria-describedby', 'holds-pattern');
  else slotButtons[n - 1].removeAttribute('aria-describedby');
}
function watchControls() {
  const on = state.life && Module.HEAPU8[state.life] & 1 ? 'true' : 'false';
  if (lifeButton.getAttribute('aria-pressed') !== on) lifeButton.setAttribute('aria-pressed', on);
  const rec = clip ? '● ' + Math.floor((performance.now() - clip.started) / 1000) + ' s' : 'rec';
  if (recButton.textContent !== rec) show(recButton, rec);
  recButton.classList.toggle('recording', !!clip);
  if (recButton.getAttribute('aria-pressed') !== String(!!clip)) recButton.setAttribute('aria-pressed', String(!!clip));
  requestAnimationFrame(watchControls);
}
function showControls(grid, life) {
  Object.assign(state, { grid, life });
  for (let n = 1; n <= 9; ++n) showSlot(n);
  document.querySelector('main').append(toolsBar, moreBar, editBar, soundBar, tempoBar, slotsBar, movesBar, moreBackdrop);
  showMore();
  placeControls();
  watchControls();
  // In the order they are seen, top to bottom; a task of its own, as the most to lay out.
  setTimeout(() => showGrid(grid, document.querySelector('main'), slotsBar));
}
window.addEventListener('resize', () => state.grid && (placeControls(), placeGrid()));

// ---- Takes ---------------------------------------------------------------
// A take in the browser is a clip: the canvas at 30 frames a second and the
// notes, which the program sounds into clipSound too. The browser encodes it
// as it goes (MP4 where it can, as phones play and share it, else WebM); at the
// stop the clip and the program's MIDI file are shared where the browser can
// share files, as phones can, and downloaded elsewhere.
const TakeLimitMs = 3600 * 1000;
let clip = null;
function startClip(path) {
  const context = SDL.audioContext;
  if (!window.MediaRecorder || !canvas.captureStream || !context) return 0;
  if (!Module.clipSound) {
    // A silent voice that never ends keeps the clip's sound going between notes:
    // with nothing sounding into it, a recorder leaves out the time.
    Module.clipSound = context.createMediaStreamDestination();
    const hold = context.createOscillator(), silence = context.createGain();
    silence.gain.value = 0;
    hold.connect(silence).connect(Module.clipSound);
    hold.start();
  }
  const tracks = canvas.captureStream(30).getVideoTracks().concat(Module.clipSound.stream.getAudioTracks());
  const type = ['video/mp4', 'video/webm;codecs=vp8,opus', 'video/webm'].find((t) => MediaRecorder.isTypeSupported(t));
  let recorder;
  try {
    recorder = new MediaRecorder(new MediaStream(tracks), type ? { mimeType: type } : {});
    recorder.start(1000);
  } catch (error) {
    return 0;
  }
  const parts = [];
  recorder.ondataavailable = (event) => event.data.size && parts.push(event.data);
  recorder.onstop = () => {
    tracks[0].stop();  // the canvas is no longer captured
    offerTake(path, new Blob(parts, { type: recorder.mimeType }));
  };
  clip = { recorder, started: performance.now() };
  return 1;
}
function stopClip() {
  if (clip && clip.recorder.state !== 'inactive') clip.recorder.stop();
  clip = null;
}
const clipRunning = () => (clip && clip.recorder.state === 'recording' && performance.now() - clip.started < TakeLimitMs ? 1 : 0);
async function offerTake(path, video) {
  const name = path.split('/').pop(), files = [new File([video], name + (/mp4/.test(video.type) ? '.mp4' : '.webm'), { type: video.type })];
  const midi = path + '.mid';
  if (Module.FS.analyzePath(midi).exists) {
    files.push(new File([Module.FS.readFile(midi)], name + '.mid', { type: 'audio/midi' }));
    Module.FS.unlink(midi);
  }
  if (navigator.canShare && navigator.canShare({ files })) {
    try {
      return await navigator.share({ files, title: 'pegpond' });
    } catch (error) {
      if (error.name === 'AbortError') return;  // the player closed the share sheet; else download
    }
  }
  for (const file of files) {
    const link = Object.assign(document.createElement('a'), { href: URL.createObjectURL(file), download: file.name });
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }
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
  if (!document.createElement('canvas').getContext('webgl')) {
    return 'pegpond could not start: this browser has no WebGL, which pegpond draws with.';
  }
  return 'pegpond could not start: a shader program failed to build on this browser\'s WebGL.';
}

var Module = {
  canvas,
  onMade() { say(''); },  // the program made its pictures and notes: the splash follows
  announce,
  onExit(code) { if (code !== 0) say(explain()); },
  onState(grid, cells, life, tempoNow, tempoNext, soundNow, soundAsked, soundNames, motionOn, calmWater) {
    const pattern = decodePattern(location.hash.slice(1).split(';')[0]);
    if (pattern) Module.HEAPU8.set(pattern, grid);
    showTempo(tempoNow, tempoNext, tempoBar, button);
    showSound(soundNow, soundAsked, soundNames, soundBar, button);
    showMotion(motionOn, movesBar, button);
    showCalm(calmWater);
    showControls(grid, life);
  },
  fetchSoundSet,
  soundSample,
  onSlotSaved: showSlot,
  onSlotStored(n) {
    slotButtons[n - 1].classList.add('saved');
    setTimeout(() => slotButtons[n - 1].classList.remove('saved'), 1200);
  },
  onAbort() { say(explain()); },
  startClip,
  stopClip,
  clipRunning,
};

// Offline after one visit, where browsers allow a service worker (https, or
// this machine's own addresses); anywhere else the page works as it is.
if (window.isSecureContext && 'serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => {});

// A browser's first WebGL context and first audio context take long to make
// (a quarter to a whole second, as its GPU's and audio's sides start), and the
// page would wait for them. Each side is started first where the page does not
// wait: a worker makes a WebGL context, and the list of sound devices is asked
// for. The program makes its pictures and notes meanwhile, then waits for both
// (Module.warmed) before it makes its own contexts, which are then quick.
// All of it waits for "Loading…" to be shown: the GPU's side, busy starting,
// would hold the page's first picture back. The program comes in meanwhile
// (index.html preloads it).
function warmUp() {
  Module.warmed = Promise.all([
    new Promise((made) => {
      const worker = new Worker(URL.createObjectURL(new Blob(
        ["postMessage(typeof OffscreenCanvas !== 'undefined' && !!new OffscreenCanvas(1, 1).getContext('webgl'))"])));
      worker.onmessage = worker.onerror = () => (worker.terminate(), made());
    }),
    navigator.mediaDevices && navigator.mediaDevices.enumerateDevices(),
  ]).catch(() => {});  // a warm-up that fails only leaves the program's contexts slow
  document.body.appendChild(Object.assign(document.createElement('script'), { src: 'pegpond.js' }));
}
new Promise((shown) => {
  setTimeout(shown, 500);  // where the browser does not tell
  if (window.PerformanceObserver && (PerformanceObserver.supportedEntryTypes || []).includes('paint')) {
    new PerformanceObserver((list, observer) => (observer.disconnect(), shown())).observe({ type: 'paint', buffered: true });
  }
}).then(warmUp);
