#include <algorithm>
#include <string>

#include "app.h"
#include "audio.h"
#include "render.h"
#include "sequencer.h"

int CursorRow = GridRows - 1, CursorColumn = 0;

namespace {
// Tab gives the arrows to the cursor, and back to steering.
void SwitchArrows() {
  ArrowsSteer ^= 1;
  Composer.framedRow = ArrowsSteer ? -1 : CursorRow;
  Composer.framedColumn = ArrowsSteer ? -1 : CursorColumn;
}

// In cursor mode the arrows move the cursor (up is up the screen, no wrap) and
// Space toggles its cell, as a tap would; true when the key did one of these.
bool MoveCursor(SDLKey sym) {
  if (ArrowsSteer) return false;
  if (sym == SDLK_SPACE) {
    CloseGridStep();
    BeginGridStep(StrokeStep);
    GridCell(CursorRow, CursorColumn) ^= 1;
    CloseGridStep();
    return true;
  }
  if (sym != SDLK_UP && sym != SDLK_DOWN && sym != SDLK_LEFT && sym != SDLK_RIGHT) return false;
  CursorRow = std::clamp(CursorRow + (sym == SDLK_UP) - (sym == SDLK_DOWN), 0, GridRows - 1);
  CursorColumn = std::clamp(CursorColumn + (sym == SDLK_RIGHT) - (sym == SDLK_LEFT), 0, GridColumns - 1);
  Composer.framedRow = CursorRow, Composer.framedColumn = CursorColumn;
  return true;
}
}  // namespace

int SlotForKey(SDLKey sym) {
  // Digits, and the letters e r t / d f g / x c v row by row.
  if (sym >= SDLK_1 && sym <= SDLK_9) return sym - SDLK_1 + 1;
  static const SDLKey Letters[9] = {SDLK_e, SDLK_r, SDLK_t, SDLK_d, SDLK_f, SDLK_g, SDLK_x, SDLK_c, SDLK_v};
  for (int i = 0; i < 9; ++i)
    if (sym == Letters[i]) return i + 1;
  return 0;
}

void HandleKeyEvent(const SDL_keysym& key) {
  IntroEndTime = 0;  // every key ends the intro wait
  if (key.sym == SDLK_TAB) {
    SwitchArrows();
    return;
  }
  if (MoveCursor(key.sym)) return;
  if (key.sym == SDLK_l) {
    LifeMode ^= 1;
    Announce(LifeMode ? "life on" : "life off");
    CloseGridStep();  // a new run of life
    return;
  }
  // Ctrl+Z undoes; Ctrl+Y and Ctrl+Shift+Z redo.
  if ((key.mod & KMOD_CTRL) && (key.sym == SDLK_z || key.sym == SDLK_y)) {
    if (key.sym == SDLK_z && !(key.mod & KMOD_SHIFT))
      UndoGridStep();
    else
      RedoGridStep();
    return;
  }
  if (key.sym == SDLK_w) {
    ToggleTake();
    return;
  }
  if (key.sym == SDLK_s) {
    ChooseNextSoundSet();
    return;
  }
  if (key.sym == SDLK_m) {  // the accelerometer's steering and shaking off, and on
    MotionSensing ^= 1;
    Announce(MotionSensing ? "motion on" : "motion off");
    return;
  }
  // Slower with -, faster with = (the + key unshifted), + and the keypad's.
  if (key.sym == SDLK_MINUS || key.sym == SDLK_KP_MINUS) {
    ChangeTempo(-1);
    return;
  }
  if (key.sym == SDLK_EQUALS || key.sym == SDLK_PLUS || key.sym == SDLK_KP_PLUS) {
    ChangeTempo(+1);
    return;
  }
  int slot = SlotForKey(key.sym);
  if (slot == 0) return;
  char name[16];
  PatternFileName(slot, name);
  bool save = (key.mod & KMOD_SHIFT) != 0;
  if (!save) CloseGridStep(), BeginGridStep(LoadStep);
  bool done = LoadOrSavePattern(name, save);
  CloseGridStep();
  if (save) {
    std::string said = "slot " + std::to_string(slot) + (done ? " saved" : " not saved");
    Announce(said.c_str());
  }
}
