#include "gl_test_support.h"

namespace {
// The water of a 320 x 480 screen (160 x 240 texels of a 256 texture) under
// an opaque 64 x 64 peg picture, at rest, with the sweep line as at start-up.
class WaterTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    StartGl(320, 480);
    const uint8_t opaque[4] = {255, 255, 255, 255};
    ASSERT_TRUE(WriteFlatPng("peg.png", 64, 64, 4, opaque));
    ClearGrid();
    SweepLine = Playhead{};
    InitRenderResources();
    rest = Shown()[0];
  }

  void Tick(int skipColumn, int skipRow) {
    BeginWaterStep();
    StepWater(skipColumn, skipRow);
  }
  std::vector<uint8_t> Shown() { return ReadTexture(Water.textures[Water.current], 0, 0, SimSize, SimSize); }
  // Height under the centre of a cell in what the next frame shows.
  int ShownHeight(int column, int row) { return PixelAt(Shown(), SimSize, (22 + 25 * column) / 2, (52 + 25 * row) / 2).r; }

  int rest = 0;
};
}  // namespace

TEST(WaterSizes, PowerOfTwoExponent) {
  EXPECT_EQ(PowerOfTwoExponent(0), 1);
  EXPECT_EQ(PowerOfTwoExponent(1), 1);
  EXPECT_EQ(PowerOfTwoExponent(2), 1);
  EXPECT_EQ(PowerOfTwoExponent(256), 8);
  EXPECT_EQ(PowerOfTwoExponent(257), 9);
}

class WaterSizesOnScreens : public GlTest {};

TEST_F(WaterSizesOnScreens, HalfTheScreenInAPowerOfTwoSquare) {
  StartGl(16, 16);
  struct Case {
    int width, height, simWidth, simHeight, simSize;
  } cases[] = {{320, 480, 160, 240, 256}, {321, 481, 161, 241, 256}, {480, 320, 240, 160, 256},
               {720, 1440, 360, 720, 1024}, {514, 20, 257, 10, 512}};
  for (const Case& c : cases) {
    SetRenderScreen(c.width, c.height);
    InitWaterField();
    EXPECT_EQ((std::vector<int>{SimWidth, SimHeight, SimSize}), (std::vector<int>{c.simWidth, c.simHeight, c.simSize}))
        << c.width << " x " << c.height;
  }
}

TEST_F(WaterTest, InitialisedAtRestThenInkedAndStepped) {
  EXPECT_EQ(Water.current, 0);
  EXPECT_TRUE(rest == 127 || rest == 128);
  for (GLuint texture : Water.textures)
    EXPECT_EQ(ReadTexture(texture, 0, 0, SimSize, SimSize), std::vector<uint8_t>(SimSize * SimSize * 4, rest));

  GridCell(8, 5) = 1;
  Tick(-1, -1);
  EXPECT_EQ(Water.current, 1);
  // textures[1] took the ink, shown next: the peg's full opacity saturates
  // the height, and nothing but the height changes.
  std::vector<uint8_t> inked = ReadTexture(Water.textures[1], 0, 0, SimSize, SimSize);
  EXPECT_EQ(ShownHeight(5, 8), 255);
  for (size_t i = 0; i < inked.size(); i += 4)
    ASSERT_TRUE(inked[i + 1] == rest && inked[i + 2] == rest && inked[i + 3] == rest) << i / 4;
  // textures[0] took the step from it: the water slopes up into the raised
  // cell from the left and down out of it to the right.
  std::vector<uint8_t> stepped = ReadTexture(Water.textures[0], 0, 0, SimSize, SimSize);
  EXPECT_GT(PixelAt(stepped, SimSize, 67 - 1, 126).b, rest + 50);
  EXPECT_LT(PixelAt(stepped, SimSize, 79 + 1, 126).b, rest - 50);
}

TEST_F(WaterTest, PegsOfTheSoundedLineSitOutOneTick) {
  GridCell(8, 5) = GridCell(3, 5) = GridCell(8, 9) = 1;
  Tick(-1, 8);  // row 8 just reached
  EXPECT_EQ(ShownHeight(5, 8), rest);
  EXPECT_EQ(ShownHeight(9, 8), rest);
  EXPECT_EQ(ShownHeight(5, 3), 255);
  Tick(-1, -1);  // still on row 8: every peg pushes
  EXPECT_EQ(ShownHeight(5, 8), 255);
  EXPECT_EQ(ShownHeight(9, 8), 255);
  Tick(5, -1);  // column 5 just reached
  EXPECT_LT(ShownHeight(5, 8), 255);
  EXPECT_LT(ShownHeight(5, 3), 255);
  EXPECT_EQ(ShownHeight(9, 8), 255);
}

TEST_F(WaterTest, OnAnEmptyGridOnlyTheBarInks) {
  // The bar is 0.06 of a cell thick: it inks the one line of texels whose
  // centres it covers, from half a cell in on the left (or bottom) to half a
  // cell in on the right (or top): texels 6 to 153 across, 6 to 233 up.
  struct Case {
    int horizontal, vertical, index;
    uint32_t remainder;
    int line;  // the texel row of a row line, the texel column of a column line
  } cases[] = {
      {0, -1, 5, 0, 88},    // pixel row 177.5
      {0, -1, 5, 125, 82},  // halfway down to row 4: pixel row 165
      {0, 1, 4, 125, 82},   // halfway up to row 5
      {1, 0, 3, 0, 48},     // pixel column 97.5
      {-1, 0, 3, 125, 42},  // halfway left to column 2: pixel column 85
  };
  for (const Case& c : cases) {
    ClearWaterTexture();
    ClearWaterTexture();
    SweepLine = Playhead{c.index, c.horizontal, c.vertical, c.remainder, 0};
    Tick(-1, -1);
    std::vector<uint8_t> inked = Shown();
    for (int y = 0; y < SimSize; ++y)
      for (int x = 0; x < SimSize; ++x) {
        bool onBar = c.horizontal != 0 ? x == c.line && y >= 6 && y <= 233 : y == c.line && x >= 6 && x <= 153;
        ASSERT_EQ(PixelAt(inked, SimSize, x, y), (Rgba{onBar ? rest + 15 : rest, rest, rest, rest}))
            << "line " << c.index << " at " << c.remainder << " ms: texel " << x << ", " << y;
      }
  }
}

TEST_F(WaterTest, EdgesOfTheRegionReadRestWater) {
  // The whole simulated region raised to 200, the rest of the texture at rest.
  std::vector<uint8_t> raised;
  for (int i = 0; i < SimWidth * SimHeight; ++i) raised.insert(raised.end(), {200, uint8_t(rest), uint8_t(rest), uint8_t(rest)});
  glBindTexture(GL_TEXTURE_2D, Water.textures[Water.current ^ 1]);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, SimWidth, SimHeight, GL_RGBA, GL_UNSIGNED_BYTE, raised.data());
  SweepLine.index = 15;  // the bar on texel row 213, away from the rows looked at
  Tick(-1, -1);

  // Past the right and top edges lie rest texels; past the left and bottom
  // edges, through the repeat, the far side of the texture, also at rest.
  std::vector<uint8_t> stepped = ReadTexture(Water.textures[Water.current ^ 1], 0, 0, SimSize, SimSize);
  int step = 200 - rest;
  EXPECT_NEAR(PixelAt(stepped, SimSize, SimWidth - 1, 100).b, rest - step, 1);
  EXPECT_NEAR(PixelAt(stepped, SimSize, 0, 100).b, rest + step, 1);
  EXPECT_NEAR(PixelAt(stepped, SimSize, 80, 100).b, rest, 1);
  EXPECT_NEAR(PixelAt(stepped, SimSize, 80, SimHeight - 1).a, rest - step, 1);
  EXPECT_NEAR(PixelAt(stepped, SimSize, 80, 0).a, rest + step, 1);
  // Outside the region nothing is written.
  EXPECT_EQ(PixelAt(stepped, SimSize, SimWidth, 100), (Rgba{rest, rest, rest, rest}));
  EXPECT_EQ(PixelAt(stepped, SimSize, 80, SimHeight), (Rgba{rest, rest, rest, rest}));
}
