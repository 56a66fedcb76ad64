#include <gtest/gtest.h>
#include <stb_image.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {
namespace fs = std::filesystem;

struct Picture {
  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels = nullptr;
  ~Picture() { stbi_image_free(pixels); }
  const stbi_uc* At(int x, int y) const { return pixels + (static_cast<size_t>(y) * width + x) * channels; }
  int Alpha(int x, int y) const { return At(x, y)[3]; }
};

void Load(const fs::path& path, Picture& picture) {
  picture.pixels = stbi_load(path.c_str(), &picture.width, &picture.height, &picture.channels, 0);
  ASSERT_NE(picture.pixels, nullptr) << path;
}

fs::path MakeTempDir() {
  std::string pattern = (fs::temp_directory_path() / "gen_pictures_XXXXXX").string();
  return mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
}

int Generate(const fs::path& directory) {
  return std::system((std::string("\"") + GEN_PICTURES + "\" \"" + directory.string() + "\"").c_str());
}

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class GenPictures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    directory = MakeTempDir();
    if (!directory.empty()) status = Generate(directory);
  }
  static void TearDownTestSuite() {
    if (!directory.empty()) fs::remove_all(directory);
  }
  void SetUp() override { ASSERT_EQ(status, 0); }
  static inline fs::path directory;
  static inline int status = -1;
};

TEST_F(GenPictures, WritesThePicturesAtTheirSizes) {
  Picture peg, background, splash;
  Load(directory / "peg.png", peg);
  Load(directory / "background.png", background);
  Load(directory / "splash.png", splash);
  EXPECT_EQ(peg.width, 64);
  EXPECT_EQ(peg.height, 64);
  EXPECT_EQ(peg.channels, 4);
  EXPECT_EQ(background.width, 512);
  EXPECT_EQ(background.height, 512);
  EXPECT_EQ(background.channels, 3);
  EXPECT_EQ(splash.width, 512);
  EXPECT_EQ(splash.height, 512);
  EXPECT_EQ(splash.channels, 3);
}

// Alpha is the peg's shape: opaque in the middle, filling most of the part that covers
// a cell (texels 7 to 56), and clear on that part's border so the cell quad never cuts it.
TEST_F(GenPictures, PegIsAnOpaqueDiscInsideTheCellWindow) {
  Picture peg;
  Load(directory / "peg.png", peg);
  ASSERT_EQ(peg.channels, 4);
  EXPECT_EQ(peg.Alpha(32, 32), 255);
  EXPECT_EQ(peg.Alpha(0, 0), 0);
  EXPECT_EQ(peg.Alpha(63, 0), 0);
  EXPECT_EQ(peg.Alpha(0, 63), 0);
  EXPECT_EQ(peg.Alpha(63, 63), 0);
  for (int k = 7; k <= 56; ++k) {
    EXPECT_EQ(peg.Alpha(k, 7), 0) << k;
    EXPECT_EQ(peg.Alpha(k, 56), 0) << k;
    EXPECT_EQ(peg.Alpha(7, k), 0) << k;
    EXPECT_EQ(peg.Alpha(56, k), 0) << k;
  }
  EXPECT_EQ(peg.Alpha(32, 11), 255);
  EXPECT_EQ(peg.Alpha(11, 32), 255);
  EXPECT_EQ(peg.Alpha(52, 32), 255);
}

// The background repeats: the step across its wrapped edges is no larger than a usual step.
TEST_F(GenPictures, BackgroundTilesSeamlessly) {
  Picture background;
  Load(directory / "background.png", background);
  ASSERT_EQ(background.channels, 3);
  auto rowStep = [&](int a, int b) {
    long sum = 0;
    for (int x = 0; x < 512; ++x)
      for (int c = 0; c < 3; ++c) sum += std::abs(background.At(x, a)[c] - background.At(x, b)[c]);
    return sum;
  };
  auto columnStep = [&](int a, int b) {
    long sum = 0;
    for (int y = 0; y < 512; ++y)
      for (int c = 0; c < 3; ++c) sum += std::abs(background.At(a, y)[c] - background.At(b, y)[c]);
    return sum;
  };
  EXPECT_LT(rowStep(511, 0), 2 * rowStep(255, 256));
  EXPECT_LT(columnStep(511, 0), 2 * columnStep(255, 256));
}

// Text is light on dark water, all within the part a 320 x 480 screen shows, and the
// picture is upright: the big title lies in the upper half, the smaller hint below.
TEST_F(GenPictures, SplashTextIsUprightInsideTheShownWindow) {
  Picture splash;
  Load(directory / "splash.png", splash);
  ASSERT_EQ(splash.channels, 3);
  long upper = 0, lower = 0, outside = 0;
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) {
      const stbi_uc* p = splash.At(x, y);
      if (std::min({p[0], p[1], p[2]}) < 180) continue;
      if (x < 96 || x >= 416 || y < 16 || y >= 496) ++outside;
      (y < 256 ? upper : lower)++;
    }
  EXPECT_EQ(outside, 0);
  EXPECT_GT(lower, 200);
  EXPECT_GT(upper, 2 * lower);
}

TEST_F(GenPictures, RunsAreIdenticalAndFailuresAreReported) {
  fs::path again = MakeTempDir();
  ASSERT_FALSE(again.empty());
  EXPECT_EQ(Generate(again), 0);
  for (const char* name : {"peg.png", "background.png", "splash.png"})
    EXPECT_TRUE(Bytes(directory / name) == Bytes(again / name)) << name;
  fs::remove_all(again);
  EXPECT_NE(Generate(directory / "missing" / "dir"), 0);
}
}  // namespace
