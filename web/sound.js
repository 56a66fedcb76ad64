// ---- Sound sets ----------------------------------------------------------
// A sound control shows the set the notes sound in and switches to the next,
// as the program's own key s does. The first set comes with the page; the
// program asks for the others the first time each is chosen, and their files
// are fetched from sounds/FOLDER/ then and read into audio buffers at their
// own rate, for the program to play. The set goes into a shared link after
// the tempo, as ";sound=bells"; a link with none plays the first.
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
// The files are fetched one after another, the next while one is read, and
// read one a frame: many requests at once, or much reading in one frame,
// take the time the audio thread needs on a busy machine, and the beat would
// stumble.
async function readSet(folder) {
  const get = (n) => fetch('sounds/' + folder + '/' + NoteFiles[n]).catch(() => ({ ok: false }));
  let next = get(0);
  for (let n = 0; n < NoteFiles.length; ++n) {
    const response = await next;
    next = n + 1 < NoteFiles.length ? get(n + 1) : null;
    if (!response.ok) throw new Error(NoteFiles[n]);
    const bytes = await response.arrayBuffer();
    await new Promise((frame) => requestAnimationFrame(frame));
    sound.samples[folder + '/' + NoteFiles[n]] = readWav(bytes);
  }
}
// Our samples are 16-bit PCM WAV files. They are read here rather than by the
// browser's decoder, which converts each to the context's rate on cores the
// audio thread needs.
function readWav(bytes) {
  const view = new DataView(bytes), text = (at) => String.fromCharCode(...new Uint8Array(bytes, at, 4));
  if (bytes.byteLength < 12 || text(0) !== 'RIFF' || text(8) !== 'WAVE') throw new Error('not a WAV file');
  let format = null;
  for (let at = 12; at + 8 <= bytes.byteLength; at += 8 + view.getUint32(at + 4, true) + (view.getUint32(at + 4, true) & 1)) {
    const size = view.getUint32(at + 4, true);
    if (text(at) === 'fmt ' && size >= 16) {
      format = { pcm: view.getUint16(at + 8, true), channels: view.getUint16(at + 10, true),
        rate: view.getUint32(at + 12, true), bits: view.getUint16(at + 22, true) };
    } else if (text(at) === 'data' && format && format.pcm === 1 && format.bits === 16 && format.channels >= 1) {
      const frames = Math.floor(Math.min(size, bytes.byteLength - at - 8) / 2 / format.channels);
      const buffer = SDL.audioContext.createBuffer(format.channels, frames, format.rate);  // throws on a rate it cannot take
      for (let channel = 0; channel < format.channels; ++channel) {
        const samples = buffer.getChannelData(channel);
        for (let i = 0; i < frames; ++i) samples[i] = view.getInt16(at + 8 + 2 * (i * format.channels + channel), true) / 32768;
      }
      if (frames > 0) return buffer;
    }
  }
  throw new Error('no 16-bit PCM sound');
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
