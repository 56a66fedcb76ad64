// Touch painting and the keyboard commands.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "app.h"
#include "mouse_events.h"
#include "sequencer.h"

namespace {
SDL_Surface FakeScreen;

void UseScreen(int w, int h) {
  FakeScreen.w = w;
  FakeScreen.h = h;
  ScreenSurface = &FakeScreen;
}

// Which cell a fresh stroke at (x, y) paints on a screen of the given height,
// or (-1, -1) when it paints nothing.
std::pair<int, int> CellAt(int x, int y) {
  ClearGrid();
  PaintValue = -1;
  PaintAtPoint(x, y);
  for (int i = 0; i < GridCells; ++i)
    if (PegGrid[i]) return {i / GridColumns, i % GridColumns};
  EXPECT_EQ(PaintValue, -1);  // nothing painted: the stroke stays undecided
  return {-1, -1};
}

TEST(PaintAtPoint, PixelToCellTableOnTheReferenceScreen) {
  UseScreen(320, 480);
  using Cell = std::pair<int, int>;
  EXPECT_EQ(CellAt(0, 452), Cell(0, 0));    // the 10 px left margin is column 0
  EXPECT_EQ(CellAt(34, 452), Cell(0, 0));
  EXPECT_EQ(CellAt(35, 452), Cell(0, 1));
  EXPECT_EQ(CellAt(285, 452), Cell(0, 11));
  EXPECT_EQ(CellAt(309, 452), Cell(0, 11));
  EXPECT_EQ(CellAt(310, 452), Cell(-1, -1));  // right of the grid
  EXPECT_EQ(CellAt(22, 40), Cell(15, 0));     // top row spans y 40 to 64
  EXPECT_EQ(CellAt(22, 64), Cell(15, 0));
  EXPECT_EQ(CellAt(22, 65), Cell(14, 0));
  EXPECT_EQ(CellAt(22, 39), Cell(-1, -1));  // above the grid
  EXPECT_EQ(CellAt(22, 415), Cell(0, 0));
  EXPECT_EQ(CellAt(22, 414), Cell(1, 0));
  EXPECT_EQ(CellAt(22, 463), Cell(0, 0));  // up to 24 px below the grid is row 0
  EXPECT_EQ(CellAt(22, 464), Cell(-1, -1));
  EXPECT_EQ(CellAt(22, 479), Cell(-1, -1));
}

TEST(PaintAtPoint, WiderScreensKeepTheTenPixelLeftEdge) {
  UseScreen(480, 320);  // a screen lower than the grid: rows 0 and 15 lie off it
  EXPECT_EQ(CellAt(11, 319), std::make_pair(1, 0));  // bottom edge at -40
  EXPECT_EQ(CellAt(400, 300), std::make_pair(-1, -1));
}

class Strokes : public ::testing::Test {
 protected:
  void SetUp() override {
    UseScreen(320, 480);
    ClearGrid();
    PaintValue = -1;
    FrameTime = 10000;
    IntroEndTime = 0;
  }
  // Cell centres on 320 x 480.
  static int X(int column) { return 22 + 25 * column; }
  static int Y(int row) { return 427 - 25 * row; }
  static void Press(int x, int y) { Send(SDL_MOUSEBUTTONDOWN, x, y); }
  static void Drag(int x, int y) { Send(SDL_MOUSEMOTION, x, y, SDL_BUTTON(1)); }
  static void Release(int x, int y) { Send(SDL_MOUSEBUTTONUP, x, y); }
  static void Send(Uint8 type, int x, int y, Uint8 state = 0) { HandleMouseEvent(MouseEvent(type, x, y, state)); }
};

TEST_F(Strokes, TapTogglesAndDragPaintsTheFirstCellsValue) {
  Press(X(2), Y(3));
  Release(X(2), Y(3));
  EXPECT_TRUE(HasPeg(3, 2));
  Press(X(2), Y(3));
  EXPECT_FALSE(HasPeg(3, 2));
  Release(X(2), Y(3));

  GridCell(3, 5) = 1;
  Press(X(3), Y(3));  // starts on an empty cell: the stroke places pegs
  for (int c = 4; c <= 6; ++c) Drag(X(c), Y(3));
  for (int c = 6; c >= 3; --c) Drag(X(c), Y(3));  // back again: nothing toggles
  Release(X(3), Y(3));
  for (int c = 3; c <= 6; ++c) EXPECT_TRUE(HasPeg(3, c)) << c;

  Press(X(4), Y(3));  // starts on a peg: the stroke removes them
  Drag(X(5), Y(3));
  Drag(X(7), Y(3));
  EXPECT_FALSE(HasPeg(3, 4));
  EXPECT_FALSE(HasPeg(3, 5));
  EXPECT_FALSE(HasPeg(3, 7));
  EXPECT_TRUE(HasPeg(3, 6));  // not crossed
}

TEST_F(Strokes, PressOutsideLeavesTheStrokeUndecidedUntilItEntersTheGrid) {
  GridCell(15, 0) = 1;
  Press(X(0), 10);
  EXPECT_EQ(PaintValue, -1);
  Drag(X(0), Y(15));  // first cell reached holds a peg: this stroke removes
  Drag(X(1), Y(15));
  EXPECT_FALSE(HasPeg(15, 0));
  EXPECT_FALSE(HasPeg(15, 1));
}

TEST_F(Strokes, TwoFingersShareOneValueAndEitherReleaseResetsIt) {
  Press(X(0), Y(0));  // first finger places
  EXPECT_EQ(PaintValue, 1);
  GridCell(5, 5) = 1;
  Press(X(9), Y(9));  // second finger resets, then decides for both (empty: place)
  Drag(X(5), Y(5));   // the first finger drags over a peg: stays
  EXPECT_TRUE(HasPeg(5, 5));
  Release(X(9), Y(9));
  EXPECT_EQ(PaintValue, -1);
  Drag(X(5), Y(5));  // the other finger's next cell decides anew: remove
  EXPECT_FALSE(HasPeg(5, 5));
}

TEST_F(Strokes, CellsWithOtherBitsBecomeExactlyZeroOrOne) {
  GridCell(1, 1) = 2;  // empty by bit 0
  GridCell(1, 2) = 255;
  Press(X(1), Y(1));
  EXPECT_EQ(GridCell(1, 1), 1);
  Press(X(2), Y(1));
  EXPECT_EQ(GridCell(1, 2), 0);
}

class Keys : public ::testing::Test {
 protected:
  std::string dir, home;
  void SetUp() override {
    char name[] = "/tmp/pegpond-keys-XXXXXX";
    dir = mkdtemp(name);
    char cwd[4096];
    home = getcwd(cwd, sizeof cwd);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    ClearGrid();
    LifeMode = 0;
  }
  void TearDown() override {
    ASSERT_EQ(chdir(home.c_str()), 0);
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  static void Key(SDLKey sym, int mod) {
    SDL_keysym k{};
    k.sym = sym;
    k.mod = static_cast<SDLMod>(mod);
    IntroEndTime = 5000;
    HandleKeyEvent(k);
    EXPECT_EQ(IntroEndTime, 0u);
  }
  static bool Exists(const char* name) { return access(name, F_OK) == 0; }
};

TEST_F(Keys, SlotTableDigitsAndLetters) {
  const SDLKey letters[9] = {SDLK_e, SDLK_r, SDLK_t, SDLK_d, SDLK_f, SDLK_g, SDLK_x, SDLK_c, SDLK_v};
  for (int slot = 1; slot <= 9; ++slot) {
    EXPECT_EQ(SlotForKey(static_cast<SDLKey>(SDLK_0 + slot)), slot);
    EXPECT_EQ(SlotForKey(letters[slot - 1]), slot);
  }
  for (SDLKey none : {SDLK_0, SDLK_a, SDLK_l, SDLK_q, SDLK_SPACE, SDLK_LEFT, SDLK_BACKSPACE})
    EXPECT_EQ(SlotForKey(none), 0) << none;
}

TEST_F(Keys, OnlyShiftTurnsALoadIntoASaveWhateverElseIsHeld) {
  const int others[] = {0, KMOD_CAPS, KMOD_LCTRL, KMOD_RCTRL, KMOD_LALT, KMOD_RALT, KMOD_NUM, KMOD_MODE,
                        KMOD_CAPS | KMOD_LCTRL | KMOD_LALT};
  for (int shift : {0, int(KMOD_LSHIFT), int(KMOD_RSHIFT), int(KMOD_SHIFT)})
    for (int other : others) {
      std::remove("motif2.pat");
      GridCell(0, 0) = 1;
      Key(SDLK_r, shift | other);
      bool saved = Exists("motif2.pat");
      EXPECT_EQ(saved, shift != 0) << std::hex << (shift | other);
      if (!saved) {
        EXPECT_TRUE(HasPeg(0, 0));  // loading a missing slot changes nothing
      }
    }
}

TEST_F(Keys, DigitSavesAndLoadsItsSlot) {
  GridCell(7, 7) = 1;
  Key(SDLK_9, KMOD_LSHIFT);
  ClearGrid();
  Key(SDLK_v, KMOD_CAPS);
  EXPECT_TRUE(HasPeg(7, 7));
  std::ifstream in("motif9.pat", std::ios::binary | std::ios::ate);
  EXPECT_EQ(in.tellg(), 192);
}

TEST_F(Keys, LTogglesLifeWithOrWithoutModifiers) {
  Key(SDLK_l, KMOD_LSHIFT);
  EXPECT_EQ(LifeMode, 1);
  Key(SDLK_l, KMOD_CTRL);
  EXPECT_EQ(LifeMode, 0);
  EXPECT_FALSE(Exists("motif1.pat"));
}
}  // namespace
