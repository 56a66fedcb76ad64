// ---- Keys between the page and the program ---------------------------------
// The program takes every key the page gets, and its SDL keeps the browser
// from acting on them. Tab is left to the browser, so that the focus moves
// through the controls, and so are Enter and Space on a focused control, so
// that they press or tick it; every other key still plays.
'use strict';
['keydown', 'keypress', 'keyup'].forEach((type) => window.addEventListener(type, (event) => {
  const press = event.key === 'Enter' || event.key === ' ';
  const control = event.target instanceof HTMLButtonElement || event.target instanceof HTMLInputElement;
  if (event.key === 'Tab' || (press && control)) event.stopPropagation();
}, true));
