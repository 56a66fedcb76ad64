#include "app.h"
#include "audio.h"
#include "render.h"
#include "sequencer.h"

TiltAxes (*TiltSource)(SDL_Joystick*) = ReadTiltAxes;
void (*NoteSink)(int note, double dueMs) = PlayNote;

void UpdateTick() {
  static bool clockStarted = false;
  if (!clockStarted) {
    StartStepClock(TickSource());
    clockStarted = true;
  }
  Uint32 now = TickSource();
  TiltAxes axes = TiltSource(TiltJoystick);
  Tilt tilt = ReadAccelerometer(axes.x, axes.y, axes.z);
  DetectShake(now, tilt.m2);
  SteerByTilt(tilt);
  int tempo = Tempo;
  bool wrapped = AdvancePlayhead(now);
  if (Tempo != tempo) KeepTakeTempo(Tempo, TempoChangeMs);
  if (wrapped && LifeMode) EvolveLife();
  BeginWaterStep();
  LineSkip skip = TriggerLineNotes(NoteSink);
  StepWater(skip.skipColumn, skip.skipRow);
}
