// Before the program runs: its working directory /pegpond keeps the pattern
// slots in the browser's storage (IndexedDB) and links to the data files
// preloaded in /data. Only the slots are stored, each as soon as a save has
// put its finished file in place.
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
  let storing = false, again = false;
  const store = () => {
    if (storing) return void (again = true);
    storing = true;
    FS.syncfs(false, () => {
      storing = false;
      if (again) again = false, store();
    });
  };
  const rename = FS.rename;
  FS.rename = (from, to) => {
    rename(from, to);
    if (isSlot(to)) store();
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
