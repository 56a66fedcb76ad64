// Rendering on a real OpenGL ES 2.0 context (headless llvmpipe), read back:
// whole frames of a played scene against reference frames, the splash, the
// picture loader and the fate of a shader that will not build.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "headless_gl.h"
#include "render.h"

// The render test binary is linked with these wrapped, so a test can lower
// the texture size this GL reports and count the pictures decoded.
GLint FakeMaxTextureSize = 0;
int Decoded = 0;
extern "C" void __real_glGetIntegerv(GLenum name, GLint* value);
extern "C" void __wrap_glGetIntegerv(GLenum name, GLint* value) {
  __real_glGetIntegerv(name, value);
  if (name == GL_MAX_TEXTURE_SIZE && FakeMaxTextureSize > 0) *value = FakeMaxTextureSize;
}
extern "C" unsigned char* __real__Z13DecodePicturePKcPiS1_S1_(const char*, int*, int*, int*);
extern "C" unsigned char* __wrap__Z13DecodePicturePKcPiS1_S1_(const char* name, int* w, int* h, int* channels) {
  ++Decoded;
  return __real__Z13DecodePicturePKcPiS1_S1_(name, w, h, channels);
}

namespace {
typedef std::vector<uint8_t> Pixels;
bool Png(const char* name, int width, int height, int channels, const Pixels& pixels) {
  return stbi_write_png(name, width, height, channels, pixels.data(), width * channels);
}

class Render : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/pegpond-render-XXXXXX";
    ASSERT_TRUE(mkdtemp(name) && chdir(name) == 0);
    directory = name;
  }
  void TearDown() override {
    DestroyHeadlessGl();
    FakeMaxTextureSize = 0;
    std::filesystem::remove_all(directory);
  }
  void Start(int width, int height) {
    ASSERT_TRUE(CreateHeadlessGl(width, height));
    SetRenderScreen(width, height);
  }
  // A background that shows where each part of it lands, and a round peg
  // with a soft edge.
  static void WriteScenePictures() {
    Pixels background, peg;
    for (int y = 0; y < 512; ++y)
      for (int x = 0; x < 512; ++x)
        background.insert(background.end(), {uint8_t(x / 2), uint8_t(y / 2), uint8_t((x / 64 + y / 64) % 2 ? 200 : 60)});
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        int d2 = (x - 32) * (x - 32) + (y - 32) * (y - 32);
        peg.insert(peg.end(), {250, uint8_t(255 - 4 * y), 40, uint8_t(d2 < 400 ? 255 : d2 < 600 ? 128 : 0)});
      }
    ASSERT_TRUE(Png("background.png", 512, 512, 3, background) && Png("peg.png", 64, 64, 4, peg) &&
                Png("splash.png", 512, 512, 3, background));
  }
  // Compares the framebuffer with a reference frame; PEGPOND_WRITE_REFERENCE=1
  // writes the reference instead (look at it before committing it). Up to 2
  // levels of 255 per channel may differ: no one sees them, and cheaper
  // arithmetic for the same picture may round differently.
  //
  // Played water holds to that only on the rasterizer the references were made
  // with, llvmpipe on x86-64. A shader's mediump need only carry 10 bits, and
  // the ripple step writes each slope as 0.5 + (right - left), which for flat
  // water lands within a rounding of 127.5 levels: after one step from the
  // same start, llvmpipe on aarch64 wrote 127 where x86-64 wrote 128 for 37,451
  // of the 65,536 slope texels, and agreed with it elsewhere but for 5 texels
  // by 1 level. The highlight takes the normal's 80th power, so the next frame
  // differed by 4 to 5 levels nearly everywhere, and the water's feedback made
  // single pixels differ by up to 156 by the last frame compared. A phone's
  // GPU, with 16-bit mediump, parts further. What holds on any conforming
  // rasterizer is the picture's geometry: the means of its 16 x 16 blocks,
  // which were at most 8.5 levels apart there (the mean 3.2). They must be
  // within 16: on the reference rasterizer, a peg missing or moved by a cell
  // moved a block by 79 levels or more, and row 11's pegs drawn unpressed, or
  // the water one step further, by 30.
  static void ExpectFrame(const std::string& name, int width, int height, bool played = false) {
    Pixels bottomUp = ReadPixels(0, 0, width, height), shown;
    for (int y = height - 1; y >= 0; --y)  // rows from the top, as a picture file has them
      shown.insert(shown.end(), &bottomUp[y * width * 4], &bottomUp[(y + 1) * width * 4]);
    std::string reference = std::string(REFERENCE_DIR) + "/" + name + ".png";
    if (std::getenv("PEGPOND_WRITE_REFERENCE")) {
      ASSERT_TRUE(Png(reference.c_str(), width, height, 4, shown));
      return;
    }
    int w = 0, h = 0, channels = 0, differing = 0, first = -1, largest = 0;
    unsigned char* expected = stbi_load(reference.c_str(), &w, &h, &channels, 4);
    ASSERT_TRUE(expected && w == width && h == height) << reference;
    bool exact = !played || ReferenceRasterizer();
    const int block = exact ? 1 : 16, allowed = exact ? 2 : 16;
    for (int by = 0; by < height; by += block)
      for (int bx = 0; bx < width; bx += block)
        for (int c = 0; c < 4; ++c) {
          int sum = 0;
          for (int y = by; y < by + block; ++y)
            for (int x = bx; x < bx + block; ++x) sum += shown[(y * width + x) * 4 + c] - expected[(y * width + x) * 4 + c];
          int difference = std::abs(sum) / (block * block);
          largest = std::max(largest, difference);
          if (difference > allowed) differing++, first = first < 0 ? by * width + bx : first;
        }
    stbi_image_free(expected);
    std::printf("%s: the largest difference from the reference is %d of 255%s\n", name.c_str(), largest,
                exact ? "" : " in the means of 16 x 16 blocks");
    EXPECT_EQ(differing, 0) << name << ": first at x " << first % width << ", y " << first / width << " from the top";
  }
  static bool ReferenceRasterizer() {
#if defined(__x86_64__)
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return renderer && std::strstr(renderer, "llvmpipe");
#else
    return false;
#endif
  }
  std::string directory;
};

void NoNote(int, double) {}

// A played scene: pegs (one in column 0 above row 0, two on row 11), the sweep
// line moving on, the water ticked every 33 ms and a frame composed each tick.
// Frames are compared where the sweep has just reached row 11 (its pegs drawn
// pressed) and on a wider-than-tall screen, where the line is a column.
TEST_F(Render, PlayedFramesMatchTheirReferences) {
  struct Scene {
    const char* name;
    int width, height, horizontal, vertical, ticks;
  } scenes[] = {{"portrait-row11", 320, 480, 0, -1, 38}, {"landscape-column", 480, 320, 1, 0, 60}};
  for (const Scene& s : scenes) {
    Start(s.width, s.height);
    WriteScenePictures();
    InitRenderResources();
    ClearGrid();
    const int pegs[][2] = {{0, 0}, {1, 0}, {5, 11}, {11, 2}, {11, 3}, {15, 6}, {8, 9}};
    for (auto peg : pegs) GridCell(peg[0], peg[1]) = 1;
    SweepLine = Playhead{0, s.horizontal, s.vertical, 0, 0};
    Composer = Composition{};
    StartStepClock(0);
    for (int tick = 1; tick <= s.ticks; ++tick) {
      AdvancePlayhead(uint32_t(tick) * 33);
      BeginWaterStep();
      LineSkip skip = TriggerLineNotes(NoNote);
      StepWater(skip.skipColumn, skip.skipRow);
      ComposeFrame();
    }
    ExpectFrame(s.name, s.width, s.height, true);
    DestroyHeadlessGl();
  }
}

TEST_F(Render, SplashShowsItsPictureUprightOrBlackWithoutOne) {
  Start(320, 480);
  ShowSplash();
  Pixels black = ReadPixels(0, 0, 320, 480);
  for (size_t i = 0; i < black.size(); ++i) ASSERT_EQ(black[i], i % 4 == 3 ? 255 : 0) << i;
  WriteScenePictures();
  glEnable(GL_BLEND);  // state the splash sets for itself
  glViewport(5, 5, 10, 10);
  ShowSplash();
  ExpectFrame("splash", 320, 480);
}

TEST_F(Render, PicturesLoadInTheirOwnFormatOrNotAtAll) {
  Start(8, 8);
  CopyProgram = BuildProgram(QuadVertexShader, CopyFragmentShader);
  // 5 pixels a side: odd rows of 5, 10, 15 and 20 bytes. Each channel count
  // uploads in its format; the file's top row lands at t = 0.
  for (int channels = 1; channels <= 4; ++channels) {
    Pixels picture;
    for (int i = 0; i < 25 * channels; ++i) picture.push_back(uint8_t(13 + 7 * i));
    ASSERT_TRUE(Png("p.png", 5, 5, channels, picture));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    GLuint texture = LoadTexture("p.png");
    ASSERT_NE(texture, 0u);
    glViewport(0, 0, 5, 5);
    glUseProgram(CopyProgram);
    glEnableVertexAttribArray(PositionSlot);
    glEnableVertexAttribArray(TexCoord0Slot);
    glVertexAttribPointer(TexCoord0Slot, 2, GL_FLOAT, GL_FALSE, 0, UnitTexCoords);
    DrawQuad(FullScreenPositions);
    Pixels shown = ReadPixels(0, 0, 5, 5);
    for (int i = 0; i < 25; ++i) {
      const uint8_t* p = &picture[i * channels];
      uint8_t grey = p[0], alpha = channels == 2 ? p[1] : channels == 4 ? p[3] : 255;
      Pixels expected = channels < 3 ? Pixels{grey, grey, grey, alpha} : Pixels{p[0], p[1], p[2], alpha};
      ASSERT_EQ(Pixels(&shown[i * 4], &shown[i * 4 + 4]), expected) << channels << " channels, pixel " << i;
    }
  }
  // Missing, not square, not a picture, or not a PNG (other decoders are not
  // trusted): no texture, and nothing bound or changed.
  const Pixels grey(9 * 9 * 3, 90);
  ASSERT_TRUE(Png("wide.png", 8, 4, 3, grey));
  std::ofstream("garbage.png") << "not a picture";
  Pixels square(8 * 8 * 3, 128);
  ASSERT_TRUE(stbi_write_jpg("square.jpg", 8, 8, 3, square.data(), 90));
  ASSERT_TRUE(stbi_write_bmp("square.bmp", 8, 8, 3, square.data()));
  GLint bound = 0, after = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  for (const char* name : {"missing.png", "wide.png", "garbage.png", "square.jpg", "square.bmp"})
    EXPECT_EQ(LoadTexture(name), 0u) << name;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &after);
  EXPECT_EQ(after, bound);
  EXPECT_FALSE(glIsTexture(GLuint(bound) + 1));
  // A picture as wide as this GL allows loads; one texel wider is refused
  // from its header alone, never decoded.
  FakeMaxTextureSize = 8;
  ASSERT_TRUE(Png("8.png", 8, 8, 1, grey) && Png("9.png", 9, 9, 1, grey));
  Decoded = 0;
  EXPECT_NE(LoadTexture("8.png"), 0u);
  EXPECT_EQ(LoadTexture("9.png"), 0u);
  EXPECT_EQ(Decoded, 1);
}

// A program that does not compile, link or validate ends the process with
// status 255 and no output.
TEST_F(Render, AShaderThatWillNotBuildEndsTheProgramSilently) {
  const char* Broken[][2] = {
      {QuadVertexShader, CopyFragmentShader},
      {"void main() { gl_Position = Nowhere; }", CopyFragmentShader},
      {QuadVertexShader, "void main() { gl_FragColor = vec4(1.0) }"},
      {QuadVertexShader, "varying mediump vec2 Unwritten;\nvoid main() { gl_FragColor = vec4(Unwritten, 0.0, 1.0); }"},
      {QuadVertexShader, "uniform sampler2D Flat;\nuniform samplerCube Round;\nvoid main() {\n"
                         "gl_FragColor = texture2D(Flat, vec2(0.5)) + textureCube(Round, vec3(1.0)); }"}};
  for (int fault = 0; fault < 5; ++fault) {
    pid_t child = fork();
    if (child == 0) {
      int out = open("out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1), dup2(out, 2);
      if (CreateHeadlessGl(16, 16)) BuildProgram(Broken[fault][0], Broken[fault][1]);
      _exit(0);
    }
    int status = -1;
    waitpid(child, &status, 0);
    std::ifstream printed("out");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(printed), {}), "") << fault;
    EXPECT_EQ(WEXITSTATUS(status), fault == 0 ? 0 : 255) << fault;
  }
}
}  // namespace
