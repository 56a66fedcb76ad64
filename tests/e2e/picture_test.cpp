// What the real program shows under Xvfb, with test pictures whose halves have
// distinct colours: the splash upright, the background mirrored through live
// water, and clicked pegs at their cells.
#include <gtest/gtest.h>
#include <stb_image_write.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include "program_test.h"

namespace {
typedef std::function<void(int x, int y, unsigned char* rgba)> Painter;

void WritePicture(const std::string& path, int side, const Painter& paint) {
  unlink(path.c_str());  // the work folder links the generated picture here
  std::vector<unsigned char> pixels(side * side * 4);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) paint(x, y, &pixels[(y * side + x) * 4]);
  ASSERT_TRUE(stbi_write_png(path.c_str(), side, side, 4, pixels.data(), side * 4));
}

void Fill(unsigned char* p, int r, int g, int b, int a = 255) {
  p[0] = r, p[1] = g, p[2] = b, p[3] = a;
}

// Counts the pixels of a screen band whose colour the test accepts.
int Count(const Screenshot& shot, int top, int bottom, const std::function<bool(const uint8_t*)>& accept) {
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < shot.width; ++x) n += accept(shot.At(x, y));
  return n;
}
bool Reddish(const uint8_t* p) { return p[0] > 150 && p[1] < 100 && p[2] < 100; }
bool Bluish(const uint8_t* p) { return p[2] > 150 && p[0] < 100 && p[1] < 100; }
bool Greenish(const uint8_t* p) { return p[1] > 130 && p[0] < 110 && p[2] < 110; }
bool Magenta(const uint8_t* p) { return p[0] > 130 && p[2] > 130 && p[1] < 110; }
bool Yellow(const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] < 120; }

class Pictures : public ProgramTest {
 protected:
  void SetUp() override {
    Prepare();
    // Splash: red above, blue below. Background: green above, magenta below.
    WritePicture(dir + "/splash.png", 512, [](int, int y, unsigned char* p) {
      y < 256 ? Fill(p, 220, 20, 20) : Fill(p, 20, 20, 220);
    });
    WritePicture(dir + "/background.png", 512, [](int, int y, unsigned char* p) {
      y < 256 ? Fill(p, 20, 180, 20) : Fill(p, 180, 20, 180);
    });
    // Peg: an opaque yellow square over the part a cell shows.
    WritePicture(dir + "/peg.png", 64, [](int x, int y, unsigned char* p) {
      bool inside = x >= 7 && x < 57 && y >= 7 && y < 57;
      inside ? Fill(p, 250, 250, 40) : Fill(p, 0, 0, 0, 0);
    });
  }
};

TEST_F(Pictures, SplashIsUprightDuringTheIntro) {
  program = StartPegpond(server, dir);
  ASSERT_TRUE(WaitForWindow(server)) << WhyNoWindow(program);
  SleepMs(1000);  // well inside the five-second intro
  Screenshot shot = TakeScreenshot(server);
  ASSERT_EQ(shot.width, 320);
  int area = 320 * 200;
  EXPECT_GT(Count(shot, 0, 200, Reddish), area * 9 / 10);
  EXPECT_GT(Count(shot, 280, 480, Bluish), area * 9 / 10);
}

TEST_F(Pictures, BackgroundShowsMirroredThroughLiveWaterWithPegsAtTheirCells) {
  program = StartPegpond(server, dir);
  ASSERT_TRUE(WaitForWindow(server)) << WhyNoWindow(program);
  Xdo(server, "mousemove 160 240");
  Xdo(server, "key 0");  // ends the intro
  SleepMs(500);
  Xdo(server, "mousemove 122 352 click 1");  // row 3, column 4
  Xdo(server, "mousemove 272 77 click 1");   // row 14, column 10
  SleepMs(1500);
  Screenshot first = TakeScreenshot(server);
  SleepMs(1000);
  Screenshot second = TakeScreenshot(server);
  ASSERT_EQ(first.width, 320);
  ASSERT_EQ(second.width, 320);

  // The picture's top half lies along the bottom of the screen. The water
  // bends and brightens it, so judge by a clear majority.
  int area = 320 * 150;
  EXPECT_GT(Count(first, 20, 170, Magenta), area * 7 / 10);
  EXPECT_GT(Count(first, 310, 460, Greenish), area * 7 / 10);

  // The clicked cells show the peg picture (22 x 22 px around each centre).
  for (auto cell : {std::make_pair(122, 352), std::make_pair(272, 77)}) {
    int yellow = 0;
    for (int y = cell.second - 8; y <= cell.second + 8; ++y)
      for (int x = cell.first - 8; x <= cell.first + 8; ++x) yellow += Yellow(first.At(x, y));
    EXPECT_GT(yellow, 17 * 17 * 9 / 10) << cell.first << "," << cell.second;
  }

  // The water is alive: a second later the picture has moved.
  int changed = 0;
  for (size_t i = 0; i < first.rgb.size(); i += 3)
    changed += first.rgb[i] != second.rgb[i] || first.rgb[i + 1] != second.rgb[i + 1] ||
               first.rgb[i + 2] != second.rgb[i + 2];
  EXPECT_GT(changed, 1000);
}
}  // namespace
