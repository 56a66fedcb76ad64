// What the event fuzzer stands in for, so it runs the real UpdateTick with no
// GL context, accelerometer or sound device: the water half of a tick, and the
// default tilt and note seams (the fuzzer sets its own; reaching these means a
// seam was bypassed). StepWater checks the line the tick says sat out: none,
// or the line the sweep has just reached.
#include "audio.h"
#include "fuzz_support.h"
#include "platform.h"
#include "render.h"

int LastSkipColumn = -1, LastSkipRow = -1;

void BeginWaterStep() {}

void StepWater(int skipColumn, int skipRow) {
  LastSkipColumn = skipColumn;
  LastSkipRow = skipRow;
  if (skipColumn == -1 && skipRow == -1) return;
  if (SweepLine.horizontalDirection != 0)
    Require(skipColumn == SweepLine.index && skipRow == -1, "the water skips a line other than the column reached");
  else
    Require(skipRow == SweepLine.index && skipColumn == -1, "the water skips a line other than the row reached");
}

TiltAxes ReadTiltAxes(SDL_Joystick*) {
  Require(false, "the tick read the real accelerometer");
  return TiltAxes{0, 0, 0};
}

void PlayNote(int) { Require(false, "a note went to the real mixer"); }
