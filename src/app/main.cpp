#include <cstdlib>

#include "app.h"
#include "audio.h"
#include "render.h"
#include "sequencer.h"

namespace {
// A start that fails ends with status 255, the screen and the sound device
// closed first: SDL 2's audio thread would otherwise mix on while the exit
// tears down what it reads, and crash now and then. It exits rather than
// returns: in the page, a main that has paused once returns to nobody.
int FailedStart() {
  CloseScreen();
  SDL_Quit();
  std::exit(-1);
}
}  // namespace

int main(int, char**) {
  PreparePlatform();
  SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK | SDL_INIT_NOPARACHUTE);
  if (!OpenAudioDevice()) return FailedStart();
  TiltJoystick = SDL_JoystickOpen(0);
  PDL_Init(0);
  FilterPointerFocusEvents();
  ScreenSurface = OpenScreen();
  if (!ScreenSurface) return FailedStart();  // nothing may draw without a screen
  SetRenderScreen(ScreenSurface->w, ScreenSurface->h);
  ShowSplash();

  StartIntro();  // the initialisation counts into the intro
  if (!InitResources()) return FailedStart();
  ShareState({PegGrid, GridCells, &LifeMode, &Tempo, &NextTempo, &SoundSetNow, &SoundSetAsked, &CalmWater});

  PreviousFrameTime = SDL_GetTicks();
  AppActive = true;
  RedrawFrame = ComposeFrame;
  RunFrameLoop();

  StopTake();  // a take running at the end is kept
  WaitForTakeSound();
  WaitForSoundSets();
  CloseScreen();
  PDL_Quit();
  SDL_Quit();
  return 0;
}
