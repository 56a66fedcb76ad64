#include "app.h"
#include "audio.h"
#include "render.h"

SDL_Surface* ScreenSurface;
SDL_Joystick* TiltJoystick;

Uint32 FrameTime;
Uint32 PreviousFrameTime;
Uint32 IntroEndTime;
bool AppActive = true;
SDL_Event LastEvent;  // type starts as SDL_NOEVENT

static void NoRedraw() {}

Uint32 (*TickSource)() = SDL_GetTicks;
void (*Delay)(Uint32 ms) = SDL_Delay;
void (*RedrawFrame)() = NoRedraw;

void StartIntro() { IntroEndTime = TickSource() + IntroMs; }

bool IntroOver() { return FrameTime > IntroEndTime; }

Uint32 PaceDelayMs(Uint32 elapsed) { return elapsed <= FramePeriodMs - 1 ? FramePeriodMs - elapsed : 0; }

void DispatchEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_ACTIVEEVENT:
      AppActive = event.active.gain != 0;
      break;
    case SDL_KEYDOWN:
      HandleKeyEvent(event.key.keysym);
      break;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      HandleMouseEvent(event);
      break;
    case SDL_VIDEOEXPOSE:
      if (IntroOver()) RedrawFrame();
      break;
    default:
      break;
  }
}

bool DrainEvents() {
  // A quit request ends the loop after this drain even when other events
  // follow it in the queue.
  bool quit = false;
  while (SDL_PollEvent(&LastEvent)) {
    if (LastEvent.type == SDL_QUIT) quit = true;
    DispatchEvent(LastEvent);
  }
  return quit;
}

void RunFrameLoop() {
  bool screenKept = false;
  for (;;) {
    if (AppActive != screenKept) KeepScreenOn(screenKept = AppActive);
    FrameTime = TickSource();
    Uint32 delay = PaceDelayMs(FrameTime - PreviousFrameTime);
    if (delay > 0) {
      Delay(delay);
      FrameTime = TickSource();
    }
    PreviousFrameTime = FrameTime;
    Composer.takeMark = FollowTake();
    FollowSoundSets();

    if (AppActive && IntroOver()) {
      UpdateTick();
      RedrawFrame();
    } else {
      Delay(IdleDelayMs);
    }
    if (DrainEvents()) break;
  }
  KeepScreenOn(false);
}
