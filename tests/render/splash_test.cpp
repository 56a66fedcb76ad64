#include "gl_test_support.h"

namespace {
class Splash : public GlTest {};

// Texel (x, y from the top) of a 512 x 512 picture that says where it is.
Rgba Marker(int x, int y) { return Rgba{x & 255, y & 255, (x >> 8) * 64 + (y >> 8) * 128, 77}; }
}  // namespace

TEST(SplashWindow, CentredUprightWindowIntoThePicture) {
  float c[8];
  SplashTexCoords(320, 480, c);
  const float portrait[8] = {0.1875f, 0.96875f, 0.1875f, 0.03125f, 0.8125f, 0.03125f, 0.8125f, 0.96875f};
  for (int i = 0; i < 8; ++i) EXPECT_NEAR(c[i], portrait[i], 1e-6) << i;
  SplashTexCoords(480, 320, c);
  const float landscape[8] = {0.1875f, 0.708333f, 0.1875f, 0.291667f, 0.8125f, 0.291667f, 0.8125f, 0.708333f};
  for (int i = 0; i < 8; ++i) EXPECT_NEAR(c[i], landscape[i], 1e-6) << i;
}

TEST_F(Splash, ShowsThePictureCentreUprightAndLeavesItsState) {
  StartGl(320, 480);
  std::vector<uint8_t> picture;
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) {
      Rgba m = Marker(x, y);
      picture.insert(picture.end(), {uint8_t(m.r), uint8_t(m.g), uint8_t(m.b), uint8_t(m.a)});
    }
  ASSERT_TRUE(WritePng("splash.png", 512, 512, 4, picture));
  // State the splash must set for itself.
  glViewport(5, 5, 10, 10);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnableVertexAttribArray(TexCoord1Slot);
  glActiveTexture(GL_TEXTURE3);
  glClearColor(1, 0, 1, 0);

  ShowSplash();

  // One texel a pixel: screen pixel (x, y up) shows picture column 96 + x and
  // row 16 + 479 - y from the top, its colours unblended despite alpha 77.
  std::vector<uint8_t> screen = ReadPixels(0, 0, 320, 480);
  for (int y : {0, 1, 240, 478, 479})
    for (int x : {0, 1, 160, 318, 319}) EXPECT_EQ(PixelAt(screen, 320, x, y), Marker(96 + x, 495 - y)) << x << ", " << y;

  GLint viewport[4], active = 0, program = 0, deleted = 0, enabled[3];
  GLfloat clear[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 320, 480}));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  for (GLuint slot = 0; slot < 3; ++slot) glGetVertexAttribiv(slot, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled[slot]);
  EXPECT_EQ(std::vector<GLint>(enabled, enabled + 3), (std::vector<GLint>{1, 1, 0}));
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  EXPECT_EQ(active, GL_TEXTURE0);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(std::vector<GLfloat>(clear, clear + 4), (std::vector<GLfloat>{0, 0, 0, 1}));
  // Nothing it made survives: the texture is gone, the program only waits for
  // another to be made current.
  EXPECT_EQ(CountTextureObjects(), 0);
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  glGetProgramiv(GLuint(program), GL_DELETE_STATUS, &deleted);
  EXPECT_EQ(deleted, GL_TRUE);
}

TEST_F(Splash, MissingPictureShowsBlack) {
  StartGl(320, 480);
  ShowSplash();
  std::vector<uint8_t> screen = ReadPixels(0, 0, 320, 480);
  for (int i = 0; i < 320 * 480; ++i) ASSERT_EQ(PixelAt(screen, 320, i % 320, i / 320), (Rgba{0, 0, 0, 255})) << i;
}
