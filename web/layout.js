// ---- Where the controls go --------------------------------------------------
// The grid covers 300 x 400 canvas pixels, 10 from the left and centred from
// top to bottom; the controls take the bands above and below it, or the room
// beside the canvas, each at least 44 x 44 px to touch. Undo, redo, the sound
// and the tempo get a row of their own in the band above where it holds two
// (a phone's), or go beside the canvas where the screen leaves room; the
// steering, clear and the motion switch go below, with the slots. Where a band
// holds one row and there is no room beside (a 320 x 480 screen), the tools
// and the steering stay, and "more" opens the rest over the grid.
'use strict';
const Touch = 44, Gap = 4, Margin = 1;  // the least a control is to touch, the space between, and above the first
const moreBar = Object.assign(document.createElement('div'), { id: 'more', className: 'controls' });
const moreBackdrop = Object.assign(document.createElement('div'), { id: 'more-backdrop', hidden: true });
const more = { compact: false, open: false };

function showMore() {
  more.button = button('more', 'more', moreBar);
  more.button.setAttribute('aria-expanded', 'false');
  more.button.setAttribute('aria-controls', 'edit sound-set tempo slots');
  more.button.addEventListener('click', () => openMore(!more.open));
  moreBackdrop.addEventListener('click', () => openMore(false));
  window.addEventListener('keydown', (event) => {
    if (event.key !== 'Escape' || !more.open) return;
    openMore(false);
    more.button.focus();
  }, true);
}
function openMore(open) {
  more.open = open;
  placeControls();
}

function placeControls() {
  const box = canvas.getBoundingClientRect(), scale = box.width / canvas.width;
  const gridTop = box.top + (canvas.height - 400) / 2 * scale, gridBottom = gridTop + 400 * scale;
  const band = Math.min(gridTop, window.innerHeight - gridBottom);
  const rows = Math.floor((band - 2 * Margin + Gap) / (Touch + Gap));  // rows of controls a band holds
  const rowHeight = (n) => Math.min((band - 2 * Margin - (n - 1) * Gap) / n, 56);
  const wide = window.innerWidth - box.right, beside = Math.min(Math.max(wide, box.left) - 8, 180);
  const slotsInARow = box.width >= 9 * (Touch + Gap) + 4;
  const place = (bar, left, top, width, height, columns) => Object.assign(bar.style, {
    left: left + 'px', top: top + 'px', width: width + 'px', height: height + 'px',
    gridTemplateColumns: `repeat(${columns}, minmax(0, 1fr))`, fontSize: width / columns < 52 ? '12px' : '',
  });
  const placeExtras = (left, top, width, height) => {  // undo and redo, the sound, then the tempo, in a row
    const unit = width / 6.5;
    place(editBar, left, top, 2 * unit, height, 2);
    place(soundBar, left + 2 * unit, top, 1.5 * unit, height, 1);
    place(tempoBar, left + 3.5 * unit, top, 3 * unit, height, 3);
  };
  const placeBeside = (top) => {  // a row each
    place(editBar, 4, top, beside, Touch, 2);
    place(soundBar, 4, top + Touch + 2 * Gap, beside, Touch, 1);
    place(tempoBar, 4, top + 2 * (Touch + 2 * Gap), beside, Touch, 3);
  };
  const right = window.innerWidth - beside - 4, high = (n) => n * Touch + (n - 1) * Gap;
  more.compact = false;
  if (rows >= (slotsInARow ? 2 : 3) && box.width >= 6.5 * 50) {  // two rows above; the slots (in one row or two) and the moves below
    const above = rowHeight(2), top = gridTop - band + (band - 2 * above - Gap) / 2;
    place(toolsBar, box.left, top, box.width, above, 4);
    placeExtras(box.left, top + above + Gap, box.width, above);
    const n = slotsInARow ? 2 : 3, below = rowHeight(n), first = gridBottom + (band - n * below - (n - 1) * Gap) / 2;
    place(slotsBar, box.left, first, box.width, (n - 1) * below + (n - 2) * Gap, slotsInARow ? 9 : 5);
    place(movesBar, box.left, first + (n - 1) * (below + Gap), box.width, below, 6);
  } else if (rows >= 1 && beside >= 120 && slotsInARow) {  // the tools above, the slots below, the rest beside
    const height = rowHeight(1);
    place(toolsBar, box.left, gridTop - band + (band - height) / 2, box.width, height, 4);
    placeBeside(box.top + 4);
    place(slotsBar, box.left, gridBottom + (band - height) / 2, box.width, height, 9);
    place(movesBar, right, box.top + 4, beside, high(2), 3);
  } else if (rows >= 1 && beside < 120) {  // the tools and "more" above, the moves below, the rest when asked
    const height = rowHeight(1), unit = box.width / 5;
    more.compact = true;
    place(toolsBar, box.left, gridTop - band + (band - height) / 2, 4 * unit, height, 4);
    place(moreBar, box.left + 4 * unit, gridTop - band + (band - height) / 2, unit, height, 1);
    place(movesBar, box.left, gridBottom + (band - height) / 2, box.width, height, 6);
    const top = gridTop + 80 * scale;  // a row for undo, redo and the sound, one for the tempo, two for the slots
    place(editBar, box.left, top, 2 * unit * 5 / 3, Touch, 2);
    place(soundBar, box.left + 2 * unit * 5 / 3, top, unit * 5 / 3, Touch, 1);
    place(tempoBar, box.left, top + Touch + 3 * Gap, box.width, Touch, 3);
    place(slotsBar, box.left, top + 2 * (Touch + 3 * Gap), box.width, high(2), 5);
  } else {  // a flat screen: beside the canvas, where landscape leaves room
    place(toolsBar, 4, box.top, beside, high(2), 2);
    placeBeside(box.top + high(2) + 2 * Gap);
    place(slotsBar, right, box.top, beside, high(3), 3);
    place(movesBar, right, box.top + high(3) + 2 * Gap, beside, high(2), 3);
  }
  more.open = more.open && more.compact;
  moreBar.hidden = !more.compact;
  moreBackdrop.hidden = !more.open;
  for (const bar of [editBar, soundBar, tempoBar, slotsBar]) {
    bar.hidden = more.compact && !more.open;
    bar.classList.toggle('raised', more.open);
  }
  more.button.setAttribute('aria-expanded', String(more.open));
  if (pegs.view) pegs.view.inert = more.open;
}
