// The frame loop's pacing decision and its event dispatch: quit handling, the
// intro wait, the active flag and expose redraws.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "app.h"
#include "mouse_events.h"
#include "sequencer.h"

namespace {
int Redraws;
void CountRedraw() { ++Redraws; }

SDL_Surface FakeScreen;

class Dispatch : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
  }
  static void TearDownTestSuite() { SDL_Quit(); }
  void SetUp() override {
    FakeScreen.w = 320;
    FakeScreen.h = 480;
    ScreenSurface = &FakeScreen;
    RedrawFrame = CountRedraw;
    Redraws = 0;
    FrameTime = 1000;
    IntroEndTime = 6000;  // in the intro wait
    AppActive = true;
    PaintValue = -1;
    LifeMode = 0;
    ClearGrid();
    SDL_Event drop;
    while (SDL_PollEvent(&drop)) {
    }
  }
  static SDL_Event Event(Uint8 type) {
    SDL_Event e{};
    e.type = type;
    return e;
  }
  static void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 0); }
};

TEST(Pacing, ShortFramesAreToppedUpToThirtyThreeMilliseconds) {
  EXPECT_EQ(PaceDelayMs(0), 33u);
  EXPECT_EQ(PaceDelayMs(1), 32u);
  EXPECT_EQ(PaceDelayMs(32), 1u);
  EXPECT_EQ(PaceDelayMs(33), 0u);
  EXPECT_EQ(PaceDelayMs(500), 0u);  // no catching up after a long frame
}

TEST_F(Dispatch, ActivationFollowsTheGainWhateverTheState) {
  SDL_Event e = Event(SDL_ACTIVEEVENT);
  e.active.gain = 0;
  e.active.state = SDL_APPACTIVE;
  DispatchEvent(e);
  EXPECT_FALSE(AppActive);
  e.active.gain = 1;
  e.active.state = SDL_APPINPUTFOCUS;
  DispatchEvent(e);
  EXPECT_TRUE(AppActive);
}

TEST_F(Dispatch, IntroWaitIsOverOnlyAfterItsEnd) {
  FrameTime = 6000;
  EXPECT_FALSE(IntroOver());
  FrameTime = 6001;
  EXPECT_TRUE(IntroOver());
}

TEST_F(Dispatch, PressDuringTheIntroEndsItWithoutPainting) {
  DispatchEvent(MouseEvent(SDL_MOUSEBUTTONDOWN, 22, 452));  // bottom-left cell
  EXPECT_EQ(IntroEndTime, 0u);
  EXPECT_FALSE(HasPeg(0, 0));
  EXPECT_EQ(PaintValue, -1);
  // The next press of the same drain already finds the wait over.
  DispatchEvent(MouseEvent(SDL_MOUSEBUTTONDOWN, 22, 452));
  EXPECT_TRUE(HasPeg(0, 0));
}

TEST_F(Dispatch, HeldMotionPaintsEvenDuringTheIntroAndWhileInactive) {
  AppActive = false;
  DispatchEvent(MouseEvent(SDL_MOUSEMOTION, 22, 452, 0));
  EXPECT_FALSE(HasPeg(0, 0));
  DispatchEvent(MouseEvent(SDL_MOUSEMOTION, 22, 452, SDL_BUTTON(1)));
  EXPECT_TRUE(HasPeg(0, 0));
  EXPECT_EQ(IntroEndTime, 6000u);  // motion does not end the wait
}

TEST_F(Dispatch, KeyDuringTheIntroEndsItAndRunsItsCommand) {
  SDL_Event e = Event(SDL_KEYDOWN);
  e.key.keysym.sym = SDLK_l;
  DispatchEvent(e);
  EXPECT_EQ(IntroEndTime, 0u);
  EXPECT_EQ(LifeMode, 1);
  IntroEndTime = 6000;
  e.key.keysym.sym = SDLK_0;  // no command, still ends the wait
  DispatchEvent(e);
  EXPECT_EQ(IntroEndTime, 0u);
  EXPECT_EQ(LifeMode, 1);
}

TEST_F(Dispatch, ExposeRedrawsOnlyAfterTheIntroButAlsoWhileInactive) {
  DispatchEvent(Event(SDL_VIDEOEXPOSE));
  EXPECT_EQ(Redraws, 0);
  FrameTime = 7000;
  AppActive = false;
  DispatchEvent(Event(SDL_VIDEOEXPOSE));
  EXPECT_EQ(Redraws, 1);
}

TEST_F(Dispatch, AQuitRequestEndsTheLoopEvenWhenOtherEventsFollowIt) {
  EXPECT_FALSE(DrainEvents());
  Push(Event(SDL_QUIT));
  SDL_Event key = Event(SDL_KEYDOWN);
  key.key.keysym.sym = SDLK_0;
  Push(key);
  EXPECT_TRUE(DrainEvents());
  EXPECT_EQ(LastEvent.type, SDL_KEYDOWN);  // the drain was finished first
  EXPECT_EQ(IntroEndTime, 0u);

  Push(key);
  Push(Event(SDL_QUIT));
  EXPECT_TRUE(DrainEvents());
}

TEST_F(Dispatch, AnEmptyDrainKeepsTheLastEvent) {
  Push(Event(SDL_VIDEOEXPOSE));
  EXPECT_FALSE(DrainEvents());
  EXPECT_FALSE(DrainEvents());
  EXPECT_EQ(LastEvent.type, SDL_VIDEOEXPOSE);
}
}  // namespace
