#include <algorithm>
#include <cmath>

#include "sequencer.h"

Playhead SweepLine;
int Tempo = StartTempo, NextTempo = StartTempo;
double TempoChangeMs = 0;
static uint32_t previousTickMs;

void ChangeTempo(int direction) {
  NextTempo = std::clamp(NextTempo + direction * TempoStep, SlowestTempo, FastestTempo);
}

Tilt ReadAccelerometer(int16_t rawX, int16_t rawY, int16_t rawZ) {
  Tilt t;
  t.x = static_cast<float>(rawX) / 32768.0f;
  t.y = static_cast<float>(rawY) / 32768.0f;
  t.z = static_cast<float>(rawZ) / 32768.0f;
  t.m2 = t.x * t.x + t.y * t.y + t.z * t.z;
  return t;
}

void SteerByTilt(const Tilt& tilt) {
  // Steer only while the device is still: about one gravity in all.
  if (!(tilt.m2 > 0.81f) || !(tilt.m2 < 1.21f)) return;
  double ax = std::fabs(tilt.x), ay = std::fabs(tilt.y);
  if (ay < 0.2 && ax > 0.4) {
    SweepLine.horizontalDirection = tilt.x > 0 ? 1 : -1;
    SweepLine.verticalDirection = 0;
  } else if (ax < 0.2 && ay > 0.4) {
    SweepLine.horizontalDirection = 0;
    SweepLine.verticalDirection = tilt.y < 0 ? 1 : -1;
  }
}

void StartStepClock(uint32_t now) { previousTickMs = now; }

// Time counts in 1/Tempo ms, in which a step is 30000 whole parts.
static uint64_t RemainderParts(const Playhead& p) { return uint64_t(p.stepRemainderMs) * uint64_t(Tempo) + p.stepRemainderParts; }

float StepFraction(const Playhead& line) {
  double ms = line.stepRemainderMs + double(line.stepRemainderParts) / Tempo;
  return static_cast<float>(ms) / static_cast<float>(StepMs(Tempo));
}

bool AdvancePlayhead(uint32_t now) {
  Playhead& p = SweepLine;
  uint64_t parts = RemainderParts(p) + uint64_t(now - previousTickMs) * uint64_t(Tempo);
  previousTickMs = now;
  uint64_t steps = 0;
  if (NextTempo != Tempo && parts >= 30000) {  // the step under way ends at the old tempo
    parts -= 30000, steps = 1;
    TempoChangeMs = double(now) - double(parts) / Tempo;
    parts = (parts * uint64_t(NextTempo) + uint64_t(Tempo) / 2) / uint64_t(Tempo);
    Tempo = NextTempo;
  }
  steps += parts / 30000, parts %= 30000;
  p.stepRemainderMs = uint32_t(parts / uint64_t(Tempo)), p.stepRemainderParts = uint32_t(parts % uint64_t(Tempo));
  p.index += static_cast<int32_t>(steps) * (p.horizontalDirection + p.verticalDirection);

  // Past either end the line lands on the first or last line, overshoot dropped.
  int32_t last = p.horizontalDirection != 0 ? GridColumns - 1 : GridRows - 1;
  if (p.index > last) {
    p.index = 0;
    return true;
  }
  if (p.index < 0) {
    p.index = last;
    return true;
  }
  return false;
}

int NoteForPeg(const Playhead& line, int place) {
  if (line.horizontalDirection != 0) return line.horizontalDirection > 0 ? place : 15 - place;
  return line.verticalDirection < 0 ? place + 2 : 13 - place;
}

LineSkip TriggerLineNotes(void (*play)(int note, double dueMs)) {
  LineSkip skip{-1, -1};
  Playhead& p = SweepLine;
  if (p.index == p.lastSoundedIndex) return skip;
  p.lastSoundedIndex = p.index;
  double due = double(previousTickMs) - double(RemainderParts(p)) / Tempo;
  if (p.horizontalDirection != 0) {
    skip.skipColumn = p.index;
    for (int row = 0; row < GridRows; ++row)
      if (HasPeg(row, p.index)) play(NoteForPeg(p, row), due);
  } else {
    skip.skipRow = p.index;
    for (int column = 0; column < GridColumns; ++column)
      if (HasPeg(p.index, column)) play(NoteForPeg(p, column), due);
  }
  return skip;
}
