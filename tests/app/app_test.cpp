// The application shell without a window: the paced frame loop and its event
// dispatch, touch painting, the keyboard commands and UpdateTick.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app.h"
#include "sequencer.h"

namespace {
Uint32 FakeNow;
Uint32 FakeTicks() { return FakeNow; }
std::vector<Uint32> Sleeps;
void FakeDelay(Uint32 ms) { Sleeps.push_back(ms), FakeNow += ms; }
TiltAxes Reading = {0, 0, 32767};
TiltAxes FakeTilt(SDL_Joystick*) { return Reading; }
std::vector<int> Played;
std::vector<double> Dues;
void Record(int note, double dueMs) { Played.push_back(note), Dues.push_back(dueMs); }
int Redraws;
void CountRedraw() { ++Redraws; }
SDL_Surface FakeScreen;
std::string NewFolder() {
  char name[] = "/tmp/pegpond-app-XXXXXX";
  return mkdtemp(name);
}

SDL_Event Event(Uint8 type, int x = 0, int y = 0, Uint8 state = 0) {
  SDL_Event e{};
  e.type = type;
  if (type == SDL_MOUSEMOTION) e.motion.x = Uint16(x), e.motion.y = Uint16(y), e.motion.state = state;
  if (type != SDL_MOUSEMOTION) e.button.x = Uint16(x), e.button.y = Uint16(y), e.button.button = SDL_BUTTON_LEFT;
  return e;
}
SDL_Event Key(SDLKey sym, int mod = 0) {
  SDL_Event e = Event(SDL_KEYDOWN);
  e.key.keysym.sym = sym, e.key.keysym.mod = SDLMod(mod);
  return e;
}
void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 0); }
void QuitOnThirdFrame() {
  FakeNow += 5;  // each frame takes 5 ms
  if (++Redraws == 3) Push(Event(SDL_QUIT));
}
// Cell centres on the 320 x 480 reference screen.
int X(int column) { return 22 + 25 * column; }
int Y(int row) { return 427 - 25 * row; }

class Shell : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
  }
  static void TearDownTestSuite() { SDL_Quit(); }
  void SetUp() override {
    ASSERT_EQ(chdir(dir.c_str()), 0);
    FakeScreen.w = 320, FakeScreen.h = 480;
    ScreenSurface = &FakeScreen;
    TickSource = FakeTicks, Delay = FakeDelay, TiltSource = FakeTilt, NoteSink = Record, RedrawFrame = CountRedraw;
    Reading = TiltAxes{0, 0, 32767};
    FakeNow = FrameTime = 10000;
    IntroEndTime = 0, AppActive = true, PaintValue = -1, LifeMode = 0, Redraws = 0;
    Sleeps.clear(), Played.clear(), Dues.clear();
    ClearGrid();
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string dir = NewFolder();
};

TEST_F(Shell, TheLoopPacesFramesTo33MsAndIdlesWhileInactiveOrInTheIntro) {
  EXPECT_TRUE(PaceDelayMs(32) == 1 && PaceDelayMs(500) == 0);  // no catching up after a long frame
  RedrawFrame = QuitOnThirdFrame;
  PreviousFrameTime = FakeNow;
  RunFrameLoop();
  EXPECT_EQ(Sleeps, (std::vector<Uint32>{33, 28, 28}));
  EXPECT_EQ(Redraws, 3);
  for (bool active : {false, true}) {
    AppActive = active;
    IntroEndTime = active ? FakeNow + 5000 : 0;
    Sleeps.clear();
    Push(Event(SDL_QUIT));
    RunFrameLoop();
    EXPECT_TRUE(Sleeps.back() == IdleDelayMs && Redraws == 3);
  }
}

TEST_F(Shell, DispatchFollowsActivationTheIntroAndQuitRequests) {
  SDL_Event active = Event(SDL_ACTIVEEVENT);
  active.active.state = SDL_APPACTIVE;
  DispatchEvent(active);
  EXPECT_FALSE(AppActive);
  active.active.gain = 1, active.active.state = SDL_APPINPUTFOCUS;
  DispatchEvent(active);
  EXPECT_TRUE(AppActive);
  // The intro wait is over only after its end; exposes redraw only then.
  FakeNow = 5000, StartIntro();
  DispatchEvent(Event(SDL_VIDEOEXPOSE));
  EXPECT_EQ(Redraws, 0);
  FrameTime = 10001, DispatchEvent(Event(SDL_VIDEOEXPOSE));
  EXPECT_EQ(Redraws, 1);
  // A quit request ends the loop after the drain even when events follow it.
  EXPECT_FALSE(DrainEvents());
  Push(Event(SDL_QUIT));
  Push(Key(SDLK_0));
  EXPECT_TRUE(DrainEvents());
  EXPECT_FALSE(DrainEvents());
  EXPECT_EQ(LastEvent.type, SDL_KEYDOWN);  // an empty drain keeps the last event
  // A press or a key ends the intro wait, and only the key acts.
  FrameTime = 1000, IntroEndTime = 6000;
  DispatchEvent(Event(SDL_MOUSEMOTION, X(0), Y(0), SDL_BUTTON(1)));  // a held motion paints, even now
  EXPECT_TRUE(HasPeg(0, 0) && IntroEndTime == 6000);
  DispatchEvent(Event(SDL_MOUSEBUTTONDOWN, X(1), Y(0)));
  EXPECT_TRUE(IntroEndTime == 0 && !HasPeg(0, 1));
  DispatchEvent(Event(SDL_MOUSEBUTTONDOWN, X(1), Y(0)));
  EXPECT_TRUE(HasPeg(0, 1));
  IntroEndTime = 6000;
  DispatchEvent(Key(SDLK_l));
  EXPECT_TRUE(IntroEndTime == 0 && LifeMode == 1);
}

TEST_F(Shell, TapsToggleAndAStrokePaintsWhatItsFirstCellBecame) {
  struct Point {
    int x, y, row, column;  // -1: no cell
  } points[] = {{0, Y(0), 0, 0},  // the margin left of the grid truncates to column 0
                {309, Y(0), 0, 11}, {310, Y(0), -1, -1}, {X(0), 40, 15, 0}, {X(0), 39, -1, -1},
                {X(0), 463, 0, 0},  {X(0), 464, -1, -1}, {X(3), Y(5), 5, 3}};
  for (const Point& p : points) {
    ClearGrid();
    PaintValue = -1;
    PaintAtPoint(p.x, p.y);
    int painted = -1;
    for (int i = 0; i < GridCells; ++i)
      if (PegGrid[i]) painted = i;
    EXPECT_EQ(painted, p.row < 0 ? -1 : p.row * GridColumns + p.column) << p.x << "," << p.y;
  }
  FakeScreen.w = 480, FakeScreen.h = 320;  // wider and lower: the rows are centred
  HandleMouseEvent(Event(SDL_MOUSEBUTTONDOWN, 11, 319));
  EXPECT_TRUE(HasPeg(1, 0));
  FakeScreen.w = 320, FakeScreen.h = 480;
  ClearGrid();
  GridCell(3, 5) = 1, GridCell(3, 8) = 2, GridCell(4, 0) = 255;
  HandleMouseEvent(Event(SDL_MOUSEBUTTONDOWN, X(3), Y(3)));  // an empty cell: this stroke places
  for (int c : {4, 5, 6, 8, 6, 3}) HandleMouseEvent(Event(SDL_MOUSEMOTION, X(c), Y(3), SDL_BUTTON(1)));
  HandleMouseEvent(Event(SDL_MOUSEMOTION, X(7), Y(3), 0));  // no button held
  HandleMouseEvent(Event(SDL_MOUSEBUTTONUP, X(3), Y(3)));
  for (int c = 3; c <= 8; ++c) EXPECT_EQ(GridCell(3, c), c == 7 ? 0 : 1) << c;
  HandleMouseEvent(Event(SDL_MOUSEBUTTONDOWN, X(0), Y(4)));  // a peg: this stroke removes
  HandleMouseEvent(Event(SDL_MOUSEMOTION, X(4), Y(3), SDL_BUTTON(1)));
  EXPECT_EQ(GridCell(4, 0) + GridCell(3, 4), 0);
  HandleMouseEvent(Event(SDL_MOUSEBUTTONUP, X(4), Y(3)));
  EXPECT_EQ(PaintValue, -1);
  // A stroke begun outside the grid decides at the first cell it enters.
  HandleMouseEvent(Event(SDL_MOUSEBUTTONDOWN, X(0), 10));
  EXPECT_EQ(PaintValue, -1);
  HandleMouseEvent(Event(SDL_MOUSEMOTION, X(5), Y(3), SDL_BUTTON(1)));
  HandleMouseEvent(Event(SDL_MOUSEMOTION, X(4), Y(3), SDL_BUTTON(1)));
  EXPECT_FALSE(HasPeg(3, 5) || HasPeg(3, 4));
}

TEST_F(Shell, KeysLoadAndShiftKeysSaveTheirSlotsLSwitchesLifeAndMMotion) {
  const SDLKey letters[9] = {SDLK_e, SDLK_r, SDLK_t, SDLK_d, SDLK_f, SDLK_g, SDLK_x, SDLK_c, SDLK_v};
  for (int slot = 1; slot <= 9; ++slot) {
    EXPECT_TRUE(SlotForKey(SDLKey(SDLK_0 + slot)) == slot && SlotForKey(letters[slot - 1]) == slot) << slot;
  }
  for (SDLKey none : {SDLK_0, SDLK_a, SDLK_l, SDLK_w, SDLK_z, SDLK_SPACE, SDLK_LEFT, SDLK_BACKSPACE})
    EXPECT_EQ(SlotForKey(none), 0) << none;
  // Only Shift turns a load into a save, whatever else is held.
  GridCell(7, 7) = 1;
  for (int mod : {0, int(KMOD_CAPS | KMOD_CTRL | KMOD_ALT | KMOD_NUM | KMOD_MODE)}) {
    DispatchEvent(Key(SDLK_r, mod));
    EXPECT_TRUE(access("motif2.pat", F_OK) != 0 && HasPeg(7, 7));  // a missing slot loads nothing
  }
  DispatchEvent(Key(SDLK_9, KMOD_RSHIFT | KMOD_CAPS));
  ClearGrid();
  DispatchEvent(Key(SDLK_v, KMOD_CAPS));
  EXPECT_TRUE(HasPeg(7, 7));
  DispatchEvent(Key(SDLK_l, KMOD_LSHIFT));
  DispatchEvent(Key(SDLK_l, KMOD_CTRL));
  EXPECT_TRUE(LifeMode == 0 && access("motif1.pat", F_OK) != 0);
  DispatchEvent(Key(SDLK_m));  // the motion switch, off and on
  EXPECT_EQ(MotionSensing, 0);
  DispatchEvent(Key(SDLK_m));
  EXPECT_EQ(MotionSensing, 1);
}

TEST_F(Shell, UpdateTickSoundsSteersShakesAndEvolves) {
  SweepLine = Playhead{};
  Shake = ShakeDetector{};
  StartStepClock(FakeNow);
  GridCell(15, 3) = GridCell(15, 4) = GridCell(14, 0) = 1;
  UpdateTick();  // row 0 counts as sounded
  FakeNow += 250;
  UpdateTick();
  EXPECT_EQ(Played, (std::vector<int>{5, 6}));
  // A line noticed late is still due at its step boundary.
  FakeNow += 279;
  UpdateTick();
  EXPECT_EQ(Played.back(), 2);
  EXPECT_EQ(Dues, (std::vector<double>{10250, 10250, 10500}));
  // A wrap in life mode moves one peg.
  LifeMode = 1;
  uint8_t before[GridCells];
  std::copy(PegGrid, PegGrid + GridCells, before);
  FakeNow += 15 * 250;
  UpdateTick();
  EXPECT_FALSE(std::equal(PegGrid, PegGrid + GridCells, before));
  // Tilting right turns the sweep; four violent jolts clear the grid.
  Reading = TiltAxes{19661, 0, 26214};
  UpdateTick();
  EXPECT_EQ(SweepLine.horizontalDirection, 1);
  Reading = TiltAxes{32767, 32767, 32767};
  for (int jolt = 0; jolt < 4; ++jolt) UpdateTick();
  EXPECT_TRUE(std::all_of(PegGrid, PegGrid + GridCells, [](uint8_t c) { return c == 0; }));
}
}  // namespace
