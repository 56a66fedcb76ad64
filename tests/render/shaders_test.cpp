#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>

#include "gl_test_support.h"

extern char** environ;

namespace {
std::vector<uint8_t> Filled(int side, Rgba t) {
  std::vector<uint8_t> texels;
  for (int i = 0; i < side * side; ++i) texels.insert(texels.end(), {uint8_t(t.r), uint8_t(t.g), uint8_t(t.b), uint8_t(t.a)});
  return texels;
}
void Set(std::vector<uint8_t>& texels, int side, int x, int y, Rgba t) {
  uint8_t* p = &texels[(static_cast<size_t>(y) * side + x) * 4];
  p[0] = uint8_t(t.r), p[1] = uint8_t(t.g), p[2] = uint8_t(t.b), p[3] = uint8_t(t.a);
}

// The five programs on a small context; SetUp building them at all means each
// text compiled, linked and validated as written.
class Shaders : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    StartGl(16, 16);
    BuildRippleProgram();
    BuildWaterProgram();
    BuildImpulseAndCopyPrograms();
  }

  // A full-viewport quad drawn with program into a fresh side x side target;
  // both coordinate slots get the unit square, so fragment (i, j) reads texel
  // (i, j) of a side x side texture.
  std::vector<uint8_t> Draw(GLuint program, int side) {
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, MakeTarget(side, side), 0);
    glViewport(0, 0, side, side);
    glUseProgram(program);
    for (GLuint slot : {PositionSlot, TexCoord0Slot, TexCoord1Slot}) glEnableVertexAttribArray(slot);
    glVertexAttribPointer(TexCoord0Slot, 2, GL_FLOAT, GL_FALSE, 0, UnitTexCoords);
    glVertexAttribPointer(TexCoord1Slot, 2, GL_FLOAT, GL_FALSE, 0, UnitTexCoords);
    DrawQuad(FullScreenPositions);
    std::vector<uint8_t> pixels = ReadPixels(0, 0, side, side);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return pixels;
  }

  std::vector<uint8_t> Ripple(const std::vector<uint8_t>& texels, int side) {
    glActiveTexture(GL_TEXTURE0);
    MakeTexture(side, side, &texels);
    glUseProgram(RippleProgram);
    glUniform1i(RippleTextureLocation, 0);
    glUniform2f(RippleTexelLocation, 1.0f / side, 1.0f / side);
    return Draw(RippleProgram, side);
  }

  // One water texel shown over one background texel.
  Rgba ShowWater(Rgba water, Rgba background) {
    std::vector<uint8_t> w = Filled(1, water), b = Filled(1, background);
    glActiveTexture(GL_TEXTURE0);
    MakeTexture(1, 1, &w);
    glActiveTexture(GL_TEXTURE1);
    MakeTexture(1, 1, &b);
    glUseProgram(WaterProgram);
    glUniform1i(WaterSamplerLocation, 0);
    glUniform1i(BackgroundSamplerLocation, 1);
    return PixelAt(Draw(WaterProgram, 1), 1, 0, 0);
  }
};
}  // namespace

TEST_F(Shaders, AllShareTheAttributeSlots) {
  for (GLuint program : {RippleProgram, WaterProgram, PegImpulseProgram, BarImpulseProgram, CopyProgram})
    EXPECT_EQ(glGetAttribLocation(program, "Position"), 0);
  EXPECT_EQ(glGetAttribLocation(CopyProgram, "TexCoord0"), 1);
  EXPECT_EQ(glGetAttribLocation(RippleProgram, "TexCoord1"), 2);
  EXPECT_GE(RippleTexelLocation, 0);
  EXPECT_NE(WaterSamplerLocation, BackgroundSamplerLocation);
}

TEST_F(Shaders, RippleStep) {
  const int side = 8;
  // Rest, stored as the byte this GL makes of a 0.5 clear, is a fixed point.
  glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
  glClear(GL_COLOR_BUFFER_BIT);
  int rest = PixelAt(ReadPixels(0, 0, 1, 1), 1, 0, 0).r;
  EXPECT_EQ(Ripple(Filled(side, {rest, rest, rest, rest}), side), Filled(side, {rest, rest, rest, rest}));

  // Height 0.7 at rest velocity among rest neighbours: force -0.17, so height
  // 0.03 and velocity -0.17 about rest, both damped by 0.99.
  std::vector<uint8_t> texels = Filled(side, {128, 128, 128, 128});
  Set(texels, side, 3, 3, {179, 128, 128, 128});
  Rgba raised = PixelAt(Ripple(texels, side), side, 3, 3);
  EXPECT_NEAR(raised.r, 0.5297 * 255, 1);
  EXPECT_NEAR(raised.g, 0.3317 * 255, 1);

  // A raised flat area with no velocity sinks back towards rest.
  Rgba flat = PixelAt(Ripple(Filled(side, {179, 128, 128, 128}), side), side, 3, 3);
  EXPECT_TRUE(flat.r < 179 && flat.r > 128 && flat.g < 128) << flat;

  // The slope channels come from the neighbours alone: right 0.6 and left
  // 0.4 give blue 0.7, upper 0.45 and lower 0.55 give alpha 0.4.
  Set(texels, side, 4, 3, {153, 128, 128, 128});
  Set(texels, side, 2, 3, {102, 128, 128, 128});
  Set(texels, side, 3, 4, {115, 128, 128, 128});
  Set(texels, side, 3, 2, {140, 128, 128, 128});
  Rgba first = PixelAt(Ripple(texels, side), side, 3, 3);
  Set(texels, side, 3, 3, {250, 20, 3, 240});
  Rgba second = PixelAt(Ripple(texels, side), side, 3, 3);
  EXPECT_NEAR(first.b, 127.5 + 153 - 102, 1);
  EXPECT_NEAR(first.a, 127.5 + 115 - 140, 1);
  EXPECT_EQ(first.b, second.b);
  EXPECT_EQ(first.a, second.a);
}

TEST_F(Shaders, WaterDisplay) {
  // Flat water adds the straight-up normal's highlight, 0.9701^80 = 0.088.
  // (Rest stored as 128 tilts the normal by 1/510, which adds about 0.005.)
  Rgba flat = ShowWater({128, 128, 128, 128}, {100, 50, 0, 255});
  EXPECT_NEAR(flat.r - 100, 0.088 * 255, 3);
  EXPECT_EQ(flat.g - 50, flat.r - 100);
  EXPECT_EQ(flat.b, flat.r - 100);

  // The slope along the light direction gives the brightest, about 0.996.
  Rgba brightest = ShowWater({128, 128, 128 + 49, 128 + 37}, {0, 0, 0, 255});
  EXPECT_GE(brightest.r, 250);
  EXPECT_TRUE(brightest.r == brightest.g && brightest.g == brightest.b) << brightest;

  // Alpha is the background's.
  EXPECT_EQ(ShowWater({128, 128, 128, 128}, {100, 100, 100, 77}).a, 77);
  EXPECT_EQ(ShowWater({128, 128, 200, 60}, {10, 10, 10, 0}).a, 0);
}

TEST_F(Shaders, ImpulsesAndCopy) {
  const int side = 4;
  std::vector<uint8_t> picture;
  for (int i = 0; i < side * side; ++i)
    picture.insert(picture.end(), {uint8_t(10 * i), uint8_t(200 - i), uint8_t(7 * i), uint8_t(17 * i)});
  glActiveTexture(GL_TEXTURE0);
  MakeTexture(side, side, &picture);

  // A peg writes its picture's alpha into the height and nothing else.
  std::vector<uint8_t> pushed = Draw(PegImpulseProgram, side);
  for (int i = 0; i < side * side; ++i) EXPECT_EQ(PixelAt(pushed, side, i % side, i / side), (Rgba{17 * i, 0, 0, 0}));
  EXPECT_EQ(Draw(CopyProgram, side), picture);
  EXPECT_EQ(Draw(BarImpulseProgram, side), Filled(side, {15, 0, 0, 0}));  // 0.06
}

// A program that does not build ends the process with status 255 and no output.
TEST(ShaderFailure, EndsTheProcessSilently) {
  std::string directory = MakeScratchDirectory(), out = directory + "/out";
  ASSERT_FALSE(directory.empty());
  auto run = [&](const char* fault) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    char* argv[] = {const_cast<char*>(SHADER_FAILURE_CHILD), const_cast<char*>(fault), nullptr};
    pid_t child = 0;
    int status = -1;
    if (posix_spawn(&child, SHADER_FAILURE_CHILD, &actions, nullptr, argv, environ) == 0) waitpid(child, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    std::ifstream printed(out);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(printed), std::istreambuf_iterator<char>()), "") << fault;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(run("none"), 0);
  for (const char* fault : {"vertex", "fragment", "link", "validate"}) EXPECT_EQ(run(fault), 255) << fault;
  RemoveScratchDirectory(directory);
}
