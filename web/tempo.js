// ---- Tempo ---------------------------------------------------------------
// A slower and a faster button round the tempo the sweep plays at, which the
// program shares (its bpm from the next step on); the tempo also goes into a
// shared link after the pattern, as ";tempo=90", and a link with none plays at
// 120. The buttons press the program's own keys, - and =.
'use strict';
const SlowerKey = 45, FasterKey = 61;  // SDL's keys '-' and '='
const TempoRange = { slowest: 60, fastest: 240, start: 120, step: 10 };
const tempo = { address: 0, shown: 0 };

// The bpm a link asks for, or the start's where it asks for none or a wrong one.
function linkTempo(hash) {
  const asked = /;tempo=(\d{2,3})(;|$)/.exec(hash);
  const bpm = asked ? Number(asked[1]) : TempoRange.start;
  const fits = bpm >= TempoRange.slowest && bpm <= TempoRange.fastest && bpm % TempoRange.step === 0;
  return fits ? bpm : TempoRange.start;
}
const tempoLinkPart = () => {
  const bpm = tempo.address ? Module.HEAP32[tempo.address >> 2] : TempoRange.start;
  return bpm === TempoRange.start ? '' : ';tempo=' + bpm;
};

// The program's bpm of the step under way and from the next step on: a
// link's tempo is both before the first step.
function showTempo(now, next, bar, makeButton) {
  tempo.address = next;
  Module.HEAP32[now >> 2] = Module.HEAP32[next >> 2] = linkTempo(location.hash);
  bar.setAttribute('role', 'group');
  bar.setAttribute('aria-label', 'tempo');
  tempo.slower = makeButton('slower', '−', bar);
  tempo.value = Object.assign(document.createElement('output'), { className: 'tempo' });
  tempo.value.setAttribute('aria-live', 'polite');
  bar.appendChild(tempo.value);
  tempo.faster = makeButton('faster', '+', bar);
  tempo.slower.addEventListener('click', () => press(SlowerKey));
  tempo.faster.addEventListener('click', () => press(FasterKey));
  watchTempo();
}
function watchTempo() {
  const bpm = Module.HEAP32[tempo.address >> 2];
  if (bpm !== tempo.shown) {
    tempo.shown = bpm;
    tempo.value.textContent = bpm + ' bpm';
    tempo.slower.setAttribute('aria-disabled', bpm <= TempoRange.slowest ? 'true' : 'false');
    tempo.faster.setAttribute('aria-disabled', bpm >= TempoRange.fastest ? 'true' : 'false');
  }
  requestAnimationFrame(watchTempo);
}
