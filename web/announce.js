// ---- What the pond does, told to a screen reader ---------------------------
// The program tells a polite live region of what shows only in the pond: the
// sweep turning, a shake's clear, life switched, a slot saved, a take started
// or stopped. Emptied first, so that the same words twice are told twice.
'use strict';
const announcements = document.getElementById('announcements');
function announce(text) {
  announcements.textContent = '';
  setTimeout(() => { announcements.textContent = text; }, 100);
}
