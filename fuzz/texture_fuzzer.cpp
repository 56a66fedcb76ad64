// Picture files of any content through LoadTexture on a headless context, the
// program's own PNG-only decoder inside: a texture only for a square picture,
// and no GL error.
#include "fuzz.h"
#include "headless_gl.h"
#include "platform.h"
#include "render.h"

void Breathe() {}  // the page's pause between the start's steps

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = CreateHeadlessGl(16, 16);
  Require(ready, "no headless OpenGL ES 2.0 context");
  EnterScratchDirectory();
  WriteBytes("in.png", data, size);
  GLuint texture = LoadTexture("in.png");
  int width = 0, height = 0, channels = 0;
  Require(!texture || (PictureInfo("in.png", &width, &height, &channels) && width == height), "a texture not square");
  glDeleteTextures(1, &texture);
  Require(glGetError() == GL_NO_ERROR, "a GL error");
  return 0;
}
