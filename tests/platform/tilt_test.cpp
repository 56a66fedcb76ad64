// What stands in for the accelerometer and the handheld's activation events.
#include <gtest/gtest.h>

#include <cstring>

#include "platform.h"
#include "sequencer.h"

namespace {
TiltAxes Held(std::initializer_list<SDLKey> keys) {
  static Uint8 state[SDLK_LAST];
  std::memset(state, 0, sizeof state);
  for (SDLKey k : keys) state[k] = 1;
  return TiltFromKeys(state);
}

bool Same(const TiltAxes& a, const TiltAxes& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

TEST(TiltFromKeys, ArrowsTiltAndBackspaceShakes) {
  EXPECT_TRUE(Same(Held({}), TiltAxes{0, 0, 32767}));
  EXPECT_TRUE(Same(Held({SDLK_RIGHT}), TiltAxes{19661, 0, 26214}));
  EXPECT_TRUE(Same(Held({SDLK_LEFT}), TiltAxes{-19661, 0, 26214}));
  EXPECT_TRUE(Same(Held({SDLK_UP}), TiltAxes{0, -19661, 26214}));
  EXPECT_TRUE(Same(Held({SDLK_DOWN}), TiltAxes{0, 19661, 26214}));
  EXPECT_TRUE(Same(Held({SDLK_BACKSPACE, SDLK_LEFT}), TiltAxes{32767, 32767, 32767}));
  EXPECT_TRUE(Same(Held({SDLK_RIGHT, SDLK_UP}), TiltAxes{19661, -19661, 26214}));
}

// The stand-in readings drive the sequencer as a real device would.
TEST(TiltFromKeys, ReadingsSteerShakeAndRestAsIntended) {
  struct Case {
    std::initializer_list<SDLKey> keys;
    int horizontal, vertical;
  };
  const Case cases[] = {{{SDLK_RIGHT}, 1, 0},  {{SDLK_LEFT}, -1, 0},           {{SDLK_UP}, 0, 1},
                        {{SDLK_DOWN}, 0, -1},  {{SDLK_RIGHT, SDLK_UP}, 0, 0}, {{SDLK_LEFT, SDLK_RIGHT}, 0, 0},
                        {{}, 0, 0}};
  for (const Case& c : cases) {
    SweepLine = Playhead{};
    SweepLine.horizontalDirection = 0;
    SweepLine.verticalDirection = 0;
    TiltAxes a = Held(c.keys);
    Tilt t = ReadAccelerometer(a.x, a.y, a.z);
    SteerByTilt(t);
    EXPECT_EQ(SweepLine.horizontalDirection, c.horizontal);
    EXPECT_EQ(SweepLine.verticalDirection, c.vertical);
  }
  TiltAxes shake = Held({SDLK_BACKSPACE});
  EXPECT_GT(ReadAccelerometer(shake.x, shake.y, shake.z).m2, 2.89f);  // passes both jolt thresholds
}

TEST(PointerFocus, OnlyPureMouseFocusChangesAreDropped) {
  SDL_Event e{};
  e.type = SDL_ACTIVEEVENT;
  e.active.state = SDL_APPMOUSEFOCUS;
  EXPECT_TRUE(IsPointerFocusOnly(e));
  e.active.state = SDL_APPMOUSEFOCUS | SDL_APPINPUTFOCUS;
  EXPECT_FALSE(IsPointerFocusOnly(e));
  e.active.state = SDL_APPACTIVE;
  EXPECT_FALSE(IsPointerFocusOnly(e));
  e.type = SDL_MOUSEMOTION;
  EXPECT_FALSE(IsPointerFocusOnly(e));
}
}  // namespace
