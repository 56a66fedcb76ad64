// Helpers shared by the render tests: pixels, textures to draw from and into,
// GL state snapshots, and a scratch working directory for the test's pictures.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "headless_gl.h"
#include "render.h"
#include "scratch_files.h"

struct Rgba {
  int r, g, b, a;
};
inline bool operator==(const Rgba& p, const Rgba& q) { return p.r == q.r && p.g == q.g && p.b == q.b && p.a == q.a; }
inline std::ostream& operator<<(std::ostream& out, const Rgba& p) {
  return out << "(" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
}

// The pixel at (x, y) of a readback width pixels wide.
inline Rgba PixelAt(const std::vector<uint8_t>& pixels, int width, int x, int y) {
  size_t i = (static_cast<size_t>(y) * width + x) * 4;
  return Rgba{pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3]};
}

// An RGBA8 texture with nearest filtering, filled from texels or left empty,
// bound on the active unit.
inline GLuint MakeTexture(int width, int height, const std::vector<uint8_t>* texels) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               texels ? texels->data() : nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  return texture;
}

// An empty texture made on a spare unit, so the units a program reads keep
// their textures.
inline GLuint MakeTarget(int width, int height) {
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  glActiveTexture(GL_TEXTURE7);
  GLuint target = MakeTexture(width, height, nullptr);
  glActiveTexture(static_cast<GLenum>(active));
  return target;
}

// The state a picture load may touch: active unit, bindings of units 0 and 1,
// unpack alignment, program, framebuffer.
inline std::vector<GLint> GlStateNow() {
  std::vector<GLint> s(7);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &s[0]);
  for (int unit : {0, 1}) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s[1 + unit]);
  }
  glActiveTexture(static_cast<GLenum>(s[0]));
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &s[3]);
  glGetIntegerv(GL_CURRENT_PROGRAM, &s[4]);
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &s[5]);
  s[6] = glIsEnabled(GL_BLEND);
  return s;
}

// Texture objects in existence (names bound at least once) among the low names.
inline int CountTextureObjects() {
  int count = 0;
  for (GLuint name = 1; name < 4096; ++name) count += glIsTexture(name) ? 1 : 0;
  return count;
}

// A scratch directory as the working directory, where the program's picture
// names resolve, and a headless context once StartGl is called.
class GlTest : public ::testing::Test {
 protected:
  void StartGl(int width, int height) {
    ASSERT_TRUE(CreateHeadlessGl(width, height));
    SetRenderScreen(width, height);
  }
  void SetUp() override {
    directory = MakeScratchDirectory();
    char here[4096];
    ASSERT_FALSE(directory.empty());
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    previousDirectory = here;
    ASSERT_EQ(chdir(directory.c_str()), 0);
  }
  void TearDown() override {
    DestroyHeadlessGl();
    EXPECT_EQ(chdir(previousDirectory.c_str()), 0);
    RemoveScratchDirectory(directory);
  }
  std::string directory, previousDirectory;
};
