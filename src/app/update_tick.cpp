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
  int jolts = Shake.count, horizontal = SweepLine.horizontalDirection, vertical = SweepLine.verticalDirection;
  DetectShake(now, tilt.m2);
  if (jolts <= 3 && Shake.count > 3) Announce("grid cleared by a shake");  // the fourth jolt clears
  SteerByTilt(tilt);
  if (SweepLine.horizontalDirection != horizontal || SweepLine.verticalDirection != vertical)
    Announce(SweepLine.horizontalDirection > 0   ? "sweep moving right"
             : SweepLine.horizontalDirection < 0 ? "sweep moving left"
             : SweepLine.verticalDirection > 0   ? "sweep moving up"
                                                 : "sweep moving down");
  int tempo = Tempo;
  bool wrapped = AdvancePlayhead(now);
  if (Tempo != tempo) KeepTakeTempo(Tempo, TempoChangeMs);
  if (wrapped && LifeMode) EvolveLife();
  BeginWaterStep();
  LineSkip skip = TriggerLineNotes(NoteSink);
  StepWater(skip.skipColumn, skip.skipRow);
}
