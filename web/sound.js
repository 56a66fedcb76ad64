// ---- Sound sets ----------------------------------------------------------
// A sound control shows the set the notes sound in and switches to the next,
// as the program's own key s does. The first set comes with the page; the
// program asks for the others' files the first time each is chosen, and they
// are fetched from sounds/FOLDER/ then, each checked by decoding it, into the
// data folder. The set goes into a shared link after the tempo, as
// ";sound=bells"; a link with none plays the first.
'use strict';
const SoundKey = 115;  // SDL's key 's'
const NoteFiles = Array.from({ length: 16 }, (_, n) => 'note' + String(n).padStart(2, '0') + '.wav');
const sound = { now: 0, asked: 0, names: [], shown: '', fetches: {} };

// 1 when a set's files are in the data folder, 0 while they are on their way,
// -1 when one could not be had (asked again, they are fetched again).
function fetchSoundSet(folder) {
  const state = sound.fetches[folder];
  if (state === 'failed') delete sound.fetches[folder];
  if (state) return state === 'ready' ? 1 : state === 'failed' ? -1 : 0;
  sound.fetches[folder] = 'fetching';
  Promise.all(NoteFiles.map((name) => fetchNote(folder + '/' + name))).then((files) => {
    const FS = Module.FS;
    FS.mkdirTree('/data/' + folder);
    files.forEach((bytes, n) => FS.writeFile('/data/' + folder + '/' + NoteFiles[n], bytes));
    if (!FS.analyzePath('/pegpond/' + folder).exists) FS.symlink('/data/' + folder, '/pegpond/' + folder);
    sound.fetches[folder] = 'ready';
  }, () => (sound.fetches[folder] = 'failed'));
  return 0;
}
async function fetchNote(path) {
  const response = await fetch('sounds/' + path);
  if (!response.ok) throw new Error(path);
  const bytes = await response.arrayBuffer(), context = SDL.audioContext;
  if (context) {
    await new Promise((decoded, broken) => {
      const promise = context.decodeAudioData(bytes.slice(0), decoded, broken);
      if (promise) promise.catch(() => {});  // the callbacks tell
    });
  }
  return new Uint8Array(bytes);
}

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
