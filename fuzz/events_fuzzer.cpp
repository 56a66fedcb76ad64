// The application's handlers and UpdateTick with no window, GL or sound: every
// four input bytes become a touch, a key, an activation change or a tick with
// a fake clock and accelerometer. After each step the sweep line is one row or
// one column in range with less than a step left over, and every cell holds 0
// or 1 (only the program writes slot files here).
#include "app.h"
#include "fuzz.h"
#include "render.h"
#include "sequencer.h"

// The water step and the real devices are stood in for.
void BeginWaterStep() {}
void StepWater(int, int) {}
TiltAxes ReadTiltAxes(SDL_Joystick*) { return TiltAxes{0, 0, 0}; }
int MotionSensing = 1, ArrowsSteer = 1;
void PlayNote(int, double) {}
void Announce(const char*) {}
void KeepScreenOn(bool) {}
// Takes would go to the music folder, not the scratch one.
void ToggleTake() {}
void KeepTakeTempo(int, double) {}
bool FollowTake() { return false; }
void ChooseNextSoundSet() {}
void FollowSoundSets() {}
Composition Composer;

namespace {
Uint32 Now = 1000;
TiltAxes Reading;
Uint32 FakeTicks() { return Now; }
TiltAxes FakeTilt(SDL_Joystick*) { return Reading; }
void CheckNote(int note, double dueMs) {
  Require(note >= 0 && note < 16, "a note out of range");
  Require(Now - dueMs >= 0 && Now - dueMs < StepMs(Tempo), "a line due before the last step began, or after now");
}
SDL_Surface Screen;

void CheckState() {
  const Playhead& p = SweepLine;
  Require((p.horizontalDirection == 0) != (p.verticalDirection == 0), "the sweep line has not exactly one direction");
  Require(p.index >= 0 && p.index < (p.horizontalDirection ? GridColumns : GridRows), "the sweep line is off the grid");
  Require(p.stepRemainderMs < StepMs(Tempo) && Tempo >= SlowestTempo && Tempo <= FastestTempo, "a whole step was left over, or the tempo is out of its range");
  for (uint8_t cell : PegGrid) Require(cell <= 1, "a cell holds neither 0 nor 1");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnterScratchDirectory();
  Screen.w = 320, Screen.h = 480;
  ScreenSurface = &Screen;
  TickSource = FakeTicks, TiltSource = FakeTilt, NoteSink = CheckNote;
  ClearGrid();
  SweepLine = Playhead{};
  Tempo = NextTempo = StartTempo;
  ClearGridHistory();
  Shake = ShakeDetector{};
  LifeMode = 0, PaintValue = -1, IntroEndTime = 0, FrameTime = Now;
  for (size_t i = 0; i + 4 <= size; i += 4) {
    const uint8_t* b = data + i;
    SDL_Event e{};
    switch (b[0] % 6) {
      case 0: e.type = SDL_MOUSEBUTTONDOWN; e.button.x = Uint16(2 * b[1]); e.button.y = Uint16(2 * b[2]); break;
      case 1: e.type = SDL_MOUSEMOTION; e.motion.x = Uint16(2 * b[1]); e.motion.y = Uint16(2 * b[2]); e.motion.state = b[3] & 1; break;
      case 2: e.type = SDL_MOUSEBUTTONUP; break;
      case 3: e.type = SDL_KEYDOWN; e.key.keysym.sym = SDLKey(b[1]); e.key.keysym.mod = SDLMod(b[2] << 8 | b[3]); break;
      case 4: e.type = SDL_ACTIVEEVENT; e.active.gain = b[1] & 1; e.active.state = b[2]; break;
      default:
        Now += 4u * b[1];
        FrameTime = Now;
        Reading = TiltAxes{Sint16(int8_t(b[2]) * 256), Sint16(int8_t(b[3]) * 256), Sint16(b[0] * 128)};
        UpdateTick();
    }
    if (e.type) DispatchEvent(e);
    CheckState();
  }
  return 0;
}
