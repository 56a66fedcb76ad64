#include "gl_test_support.h"

namespace {
const Rgba White{255, 255, 255, 255};

// A 320 x 480 screen over a grey background, with an opaque white peg picture
// (or none), the water at rest and the sweep line as at start-up.
class Compose : public GlTest {
 protected:
  void Start(bool withPeg) {
    StartGl(320, 480);
    const uint8_t white[4] = {255, 255, 255, 255}, grey[4] = {100, 100, 100, 255};
    if (withPeg) {
      ASSERT_TRUE(WriteFlatPng("peg.png", 64, 64, 4, white));
    }
    ASSERT_TRUE(WriteFlatPng("background.png", 512, 512, 3, grey));
    ClearGrid();
    SweepLine = Playhead{};
    Composer = Composition{};
    InitRenderResources();
  }

  // Composes a frame and reads it back.
  void ComposeAndRead() {
    ComposeFrame();
    frame = ReadPixels(0, 0, 320, 480);
  }

  // The lowest and highest pixel rows of white through the middle of the
  // cell at column, row (with some margin above and below).
  std::pair<int, int> WhiteSpan(int column, int row) {
    int x = 10 + 25 * column + 12;
    int low = -1, high = -1;
    for (int y = 40 + 25 * row - 10; y < 40 + 25 * row + 35; ++y) {
      if (!(PixelAt(frame, 320, x, y) == White)) continue;
      if (low < 0) low = y;
      high = y;
    }
    return {low, high};
  }

  std::vector<uint8_t> frame;
};

using Span = std::pair<int, int>;
}  // namespace

TEST_F(Compose, NewlyReachedLineIsPressedForOneFrame) {
  Start(true);
  GridCell(0, 3) = 1;
  GridCell(5, 3) = 1;
  GridCell(5, 7) = 1;
  GridCell(3, 9) = 1;
  // Cells span 25 pixel rows from 40 + 25 row; pressed, 2.4 pixels lower.
  const Span row0{40, 64}, row3{115, 139}, row5{165, 189};
  const Span row0Pressed{38, 62}, row5Pressed{163, 187};

  // First frame: the index and the composition's memory are both 0.
  ComposeAndRead();
  EXPECT_EQ(WhiteSpan(3, 0), row0);

  // The sweep reaches row 5: its pegs drop in this frame only.
  SweepLine.index = 5;
  ComposeAndRead();
  EXPECT_EQ(WhiteSpan(3, 5), row5Pressed);
  EXPECT_EQ(WhiteSpan(7, 5), row5Pressed);
  EXPECT_EQ(WhiteSpan(3, 0), row0);
  ComposeAndRead();
  EXPECT_EQ(WhiteSpan(3, 5), row5);
  EXPECT_EQ(WhiteSpan(7, 5), row5);

  // A column line presses its column, across the rows.
  SweepLine.horizontalDirection = 1;
  SweepLine.verticalDirection = 0;
  SweepLine.index = 3;
  ComposeAndRead();
  EXPECT_EQ(WhiteSpan(3, 0), row0Pressed);
  EXPECT_EQ(WhiteSpan(3, 5), row5Pressed);
  EXPECT_EQ(WhiteSpan(7, 5), row5);
  EXPECT_EQ(WhiteSpan(9, 3), row3);

  // Turning into row 3 keeps the index, so nothing is pressed.
  SweepLine.horizontalDirection = 0;
  SweepLine.verticalDirection = -1;
  ComposeAndRead();
  EXPECT_EQ(WhiteSpan(9, 3), row3);
  EXPECT_EQ(WhiteSpan(3, 5), row5);
}

TEST_F(Compose, EmptyGridShowsOnlyWater) {
  Start(true);
  ComposeAndRead();
  // Water at rest over grey 100 everywhere: the grey plus the flat highlight.
  Rgba first = PixelAt(frame, 320, 0, 0);
  EXPECT_NEAR(first.r, 100 + 0.088 * 255, 3);
  for (int i = 0; i < 320 * 480; ++i) ASSERT_EQ(PixelAt(frame, 320, i % 320, i / 320), first) << i;
}

TEST_F(Compose, MissingPegPictureDrawsBlackCells) {
  Start(false);
  GridCell(5, 3) = 1;
  ComposeAndRead();
  // Cell pixels 85 to 109 across, 165 to 189 up.
  EXPECT_EQ(PixelAt(frame, 320, 85, 165), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(PixelAt(frame, 320, 109, 189), (Rgba{0, 0, 0, 255}));
  EXPECT_GT(PixelAt(frame, 320, 84, 165).r, 100);
  EXPECT_GT(PixelAt(frame, 320, 110, 189).r, 100);
}
