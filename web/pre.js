// Before the program runs: its working directory /pegpond keeps the pattern
// slots in the browser's storage (IndexedDB) and links to the data files in
// /data, which the program makes there as it starts. Only the slots are
// stored, each as soon as a save has put its finished file in place; the page
// hears of each save (onSlotSaved) and of its landing in storage
// (onSlotStored).
// SDL listens for unload, a deprecated event whose listeners keep the page out
// of the browser's back/forward cache; with the frame loop the program runs,
// its handling does nothing. The listener is never added.
window.addEventListener = ((add) => function (type, ...rest) {
  return type === 'unload' ? undefined : add.call(this, type, ...rest);
})(window.addEventListener);
// The notes are decoded once, by the mixer through Web Audio from the files the
// program makes: this tells it that none were decoded before, which it would
// warn of.
Module['noAudioDecoding'] = true;
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  const folder = '/pegpond';
  const isSlot = (path) => /(^|\/)motif[1-9]\.pat$/.test(path);
  FS.mkdir(folder);
  FS.mount(IDBFS, {}, folder);
  const localSet = IDBFS.getLocalSet;
  IDBFS.getLocalSet = (mount, callback) => localSet(mount, (error, set) => {
    if (set) Object.keys(set.entries).filter((path) => !isSlot(path)).forEach((path) => delete set.entries[path]);
    callback(error, set);
  });
  let storing = false, again = false, saved = new Set();
  const store = () => {
    if (storing) return void (again = true);
    storing = true;
    const landing = Array.from(saved);
    saved.clear();
    FS.syncfs(false, (error) => {
      storing = false;
      if (!error && Module.onSlotStored) landing.forEach(Module.onSlotStored);
      if (again) again = false, store();
    });
  };
  const rename = FS.rename;
  FS.rename = (from, to) => {
    rename(from, to);
    if (!isSlot(to)) return;
    const slot = Number(/([1-9])\.pat$/.exec(to)[1]);
    saved.add(slot);
    if (Module.onSlotSaved) Module.onSlotSaved(slot);
    store();
  };
  addRunDependency('slots');
  FS.syncfs(true, () => {
    const data = ['peg.png', 'background.png', 'splash.png'];
    for (let note = 0; note < 16; ++note) data.push('note' + String(note).padStart(2, '0') + '.wav');
    data.forEach((name) => FS.symlink('/data/' + name, folder + '/' + name));
    FS.chdir(folder);
    removeRunDependency('slots');
  });
});
