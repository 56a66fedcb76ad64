// ---- Calm water --------------------------------------------------------------
// For players who want less motion: the sweep and the pegs leave the water
// still, and the lowered line alone shows the beat. On where the system asks
// for reduced motion, and switched in the help; the player's own choice is
// kept in the browser's storage and wins.
'use strict';
const calmBox = document.getElementById('calm');
function showCalm(address) {
  let kept = null;
  try {
    kept = localStorage.getItem('pegpond-calm');
  } catch (error) {}  // storage refused: the system's choice
  calmBox.checked = kept ? kept === 'on' : matchMedia('(prefers-reduced-motion: reduce)').matches;
  const apply = () => (Module.HEAP32[address >> 2] = calmBox.checked ? 1 : 0);
  calmBox.addEventListener('change', () => {
    apply();
    try {
      localStorage.setItem('pegpond-calm', calmBox.checked ? 'on' : 'off');
    } catch (error) {}
  });
  apply();
}
