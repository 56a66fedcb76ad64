// ---- Motion on screen ------------------------------------------------------
// Steering and clearing without tilting or shaking: four steering buttons hold
// an arrow key for a moment, as a tilt would, and clear holds Backspace, as a
// shake does (undo brings the pattern back). The motion switch turns the
// phone's tilt and shake off and on, as the program's own key m does; the
// page keeps the choice in the browser's storage.
'use strict';
const MotionKey = 109;  // SDL's key 'm'
const SteerHoldMs = 250;  // several ticks of the program's
const motion = { address: 0, shown: -1 };

function showMotion(address, bar, makeButton) {
  motion.address = address;
  try {
    if (localStorage.getItem('pegpond-motion') === 'off') Module.HEAP32[address >> 2] = 0;
  } catch (error) {}  // storage refused: motion on, as at every start
  [['steer left', '←'], ['steer up', '↑'], ['steer down', '↓'], ['steer right', '→']].forEach(([name, text]) => {
    const which = ['steer left', 'steer right', 'steer up', 'steer down'].indexOf(name);
    makeButton(name, text, bar).addEventListener('click', () => Module._HoldKey(which, SteerHoldMs));
  });
  makeButton('clear', 'clear', bar).addEventListener('click', () => Module._HoldKey(4, SteerHoldMs));
  motion.button = makeButton('motion', 'motion', bar);
  motion.button.addEventListener('click', () => press(MotionKey));
  watchMotion();
}
function watchMotion() {
  const on = Module.HEAP32[motion.address >> 2] ? 1 : 0;
  if (on !== motion.shown) {
    motion.shown = on;
    motion.button.setAttribute('aria-pressed', on ? 'true' : 'false');
    try {
      localStorage.setItem('pegpond-motion', on ? 'on' : 'off');
    } catch (error) {}
  }
  requestAnimationFrame(watchMotion);
}
