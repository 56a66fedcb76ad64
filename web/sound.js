// ---- Sound sets ----------------------------------------------------------
// A sound control shows the set the notes sound in and switches to the next,
// as the program's own key s does. The first set comes with the page; the
// program asks for the others the first time each is chosen, and their files
// are fetched from sounds/FOLDER/ then and decoded, for the program to play.
// The set goes into a shared link after the tempo, as ";sound=bells"; a link
// with none plays the first.
'use strict';
const SoundKey = 115;  // SDL's key 's'
const NoteFiles = Array.from({ length: 16 }, (_, n) => 'note' + String(n).padStart(2, '0') + '.wav');
const sound = { now: 0, asked: 0, names: [], shown: '', fetches: {}, samples: {} };

// 1 when a set's samples are in, 0 while they are on their way, -1 when one
// could not be had (asked again, they are fetched again).
function fetchSoundSet(folder) {
  const state = sound.fetches[folder];
  if (state === 'failed') delete sound.fetches[folder];
  if (state) return state === 'ready' ? 1 : state === 'failed' ? -1 : 0;
  sound.fetches[folder] = 'fetching';
  readSet(folder).then(() => (sound.fetches[folder] = 'ready'), () => (sound.fetches[folder] = 'failed'));
  return 0;
}
// The files are fetched one after another, the next while one is decoded,
// and decoded one a frame: many requests or decodings at once take the time
// the audio thread needs on a busy machine, and the beat would stumble.
async function readSet(folder) {
  const get = (n) => fetch('sounds/' + folder + '/' + NoteFiles[n]).catch(() => ({ ok: false }));
  const context = SDL.audioContext;
  let next = get(0);
  for (let n = 0; n < NoteFiles.length; ++n) {
    const response = await next;
    next = n + 1 < NoteFiles.length ? get(n + 1) : null;
    if (!response.ok || !context) throw new Error(NoteFiles[n]);
    const bytes = await response.arrayBuffer();
    await new Promise((frame) => requestAnimationFrame(frame));
    sound.samples[folder + '/' + NoteFiles[n]] = await new Promise((decoded, broken) => {
      const promise = context.decodeAudioData(bytes, decoded, broken);
      if (promise) promise.catch(() => {});  // the callbacks tell
    });
  }
}
// The sample of a set's file, or null.
const soundSample = (folder, name) => sound.samples[folder + '/' + name] || null;

// The set a link asks for, or the first where it asks for none or an unknown one.
function linkSound(hash) {
  const asked = /;sound=([a-z]+)(;|$)/.exec(hash);
  return Math.max(0, asked ? sound.names.indexOf(asked[1]) : 0);
}
const soundLinkPart = () => {
  const set = sound.asked ? Module.HEAP32[sound.asked >> 2] : 0;
  return set ? ';sound=' + sound.names[set] : '';
};

// The program's set sounding and the one chosen last, which a link's set
// becomes before the first step; names in the program's order.
function showSound(now, asked, names, bar, makeButton) {
  Object.assign(sound, { now, asked, names: names.split(',') });
  Module.HEAP32[asked >> 2] = linkSound(location.hash);
  sound.button = makeButton('sound', '', bar);
  sound.button.addEventListener('click', () => press(SoundKey));
  watchSound();
}
// The button names the set chosen, dimmed until it sounds.
function watchSound() {
  const now = Module.HEAP32[sound.now >> 2], asked = Module.HEAP32[sound.asked >> 2];
  const shown = sound.names[asked] + (asked === now ? '' : '…');
  if (shown !== sound.shown) {
    sound.shown = shown;
    sound.button.textContent = shown;
    sound.button.setAttribute('aria-label', 'sound ' + shown);
    sound.button.classList.toggle('loading', asked !== now);
  }
  requestAnimationFrame(watchSound);
}
