// ---- The grid for the keyboard and screen readers ------------------------
// An ARIA grid over the canvas's cells: 16 rows of 12, the top row first, each
// cell a toggle named by where it is ("row 3, column 5") and pressed while it
// holds a peg. It is one tab stop: the arrows, Home and End move the focus
// within it (and do not steer then), and Space or Enter toggles the cell as a
// tap on it does, so undo takes it back. The cells are see-through and let
// pointers through to the canvas; a ring shows the focused one while the grid
// has the keyboard's focus.
'use strict';
const Rows = 16, Columns = 12;
const pegs = { grid: 0, view: null, cells: [], shown: [], row: 0, column: 0 };

function showGrid(grid, parent, before) {
  pegs.grid = grid;
  const view = pegs.view = Object.assign(document.createElement('div'), { id: 'pegs' });
  view.setAttribute('role', 'grid');
  view.setAttribute('aria-label', 'pegs');
  for (let row = 0; row < Rows; ++row) {
    const line = document.createElement('div');
    line.setAttribute('role', 'row');
    line.setAttribute('aria-label', `row ${row + 1}`);  // not its twelve cells' names read as one
    for (let column = 0; column < Columns; ++column) {
      const place = document.createElement('div'), cell = document.createElement('button');
      place.setAttribute('role', 'gridcell');
      cell.setAttribute('aria-label', `row ${row + 1}, column ${column + 1}`);
      cell.setAttribute('aria-pressed', 'false');
      cell.tabIndex = row === 0 && column === 0 ? 0 : -1;
      cell.addEventListener('click', () => tapCell(row, column));
      cell.addEventListener('focus', () => Object.assign(pegs, { row, column }));
      place.appendChild(cell);
      line.appendChild(place);
      pegs.cells.push(cell);
    }
    view.appendChild(line);
  }
  view.addEventListener('keydown', moveFocus);
  parent.insertBefore(view, before);
  placeGrid();
  watchGrid();
}
// The program's cells count rows from the bottom.
const cellIndex = (row, column) => (Rows - 1 - row) * Columns + column;
function tapCell(row, column) {
  const top = (canvas.height - 25 * Rows) / 2;
  Module._TapAt(10 + 25 * column + 12, top + 25 * row + 12);
}
function moveFocus(event) {
  const moves = { ArrowLeft: [0, -1], ArrowRight: [0, 1], ArrowUp: [-1, 0], ArrowDown: [1, 0] };
  let { row, column } = pegs;
  if (moves[event.key]) row += moves[event.key][0], column += moves[event.key][1];
  else if (event.key === 'Home') column = 0, row = event.ctrlKey ? 0 : row;
  else if (event.key === 'End') column = Columns - 1, row = event.ctrlKey ? Rows - 1 : row;
  else return;
  event.preventDefault();
  event.stopPropagation();  // the program does not steer by them
  row = Math.min(Math.max(row, 0), Rows - 1), column = Math.min(Math.max(column, 0), Columns - 1);
  pegs.cells[pegs.row * Columns + pegs.column].tabIndex = -1;
  const cell = pegs.cells[row * Columns + column];
  cell.tabIndex = 0;
  cell.focus();
}
function placeGrid() {
  if (!pegs.view) return;
  const box = canvas.getBoundingClientRect(), scale = box.width / canvas.width;
  Object.assign(pegs.view.style, {
    left: box.left + 10 * scale + 'px', top: box.top + (canvas.height - 25 * Rows) / 2 * scale + 'px',
    width: 25 * Columns * scale + 'px', height: 25 * Rows * scale + 'px',
  });
}
function watchGrid() {
  const cells = Module.HEAPU8;
  for (let row = 0; row < Rows; ++row) {
    for (let column = 0; column < Columns; ++column) {
      const on = cells[pegs.grid + cellIndex(row, column)] ? 'true' : 'false', i = row * Columns + column;
      if (pegs.shown[i] !== on) pegs.cells[i].setAttribute('aria-pressed', (pegs.shown[i] = on));
    }
  }
  requestAnimationFrame(watchGrid);
}
