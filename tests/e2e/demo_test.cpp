// The headless demo that `make run` falls back to without a display.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "harness.h"

TEST(Demo, LeavesAPlausibleScreenshotAndANonSilentRecording) {
  std::string command = std::string("cd '") + PEGPOND_SOURCE_DIR + "' && scripts/demo '" + PEGPOND_BUILD_DIR +
                        "' > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::string png = std::string(PEGPOND_BUILD_DIR) + "/demo/pegpond.png";
  std::string wav = std::string(PEGPOND_BUILD_DIR) + "/demo/pegpond.wav";

  int w = 0, h = 0, channels = 0;
  unsigned char* pixels = stbi_load(png.c_str(), &w, &h, &channels, 3);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 480);
  // Water over the pond bed is mid-toned and varied; the pegs are red.
  long dark = 0, red = 0;
  double sum = 0, sumSquares = 0;
  for (int i = 0; i < w * h; ++i) {
    const unsigned char* p = pixels + 3 * i;
    int level = (p[0] + p[1] + p[2]) / 3;
    dark += level < 16;
    red += p[0] > 150 && p[1] < 100 && p[2] < 100;
    sum += level;
    sumSquares += double(level) * level;
  }
  stbi_image_free(pixels);
  double mean = sum / (w * h), deviation = std::sqrt(sumSquares / (w * h) - mean * mean);
  EXPECT_LT(dark, w * h / 10);
  EXPECT_GT(mean, 60);
  EXPECT_GT(deviation, 10);
  EXPECT_GT(red, 22 * 40);  // the demo pattern's 22 pegs, each well over 40 red pixels

  std::string sound = ReadFile(wav);
  ASSERT_GT(sound.size(), 44u + 22050 * 4 * 5);  // more than five seconds of stereo
  EXPECT_EQ(sound.substr(0, 4), "RIFF");
  double energy = 0;
  for (size_t i = 44; i + 1 < sound.size(); i += 2) {
    int16_t s = int16_t(uint8_t(sound[i]) | (uint8_t(sound[i + 1]) << 8));
    energy += double(s) * s;
  }
  EXPECT_GT(std::sqrt(energy / ((sound.size() - 44) / 2)), 100.0);
}
