// Pictures: the input is a picture file of any content, loaded by LoadTexture
// on a headless OpenGL ES 2.0 context. The result is 0 or a new texture. A
// refusal makes no GL call that leaves a trace: the active unit, the textures
// bound on units 0 and 2, the unpack alignment and the texture names stay as
// they were. A texture is bound on unit 0, unit 0 is active, the alignment is
// 1, and the picture was square.
//
// A picture that a few hundred bytes can describe may be thousands of texels
// a side; such pictures are valid and cost seconds each to decode and upload,
// so the ones larger than LargestSide a side are left out of the loads.
#include <unistd.h>

#include "fuzz_support.h"
#include "headless_gl.h"
#include "render.h"

namespace {
GLuint UnitZeroTexture, UnitTwoTexture;  // stand-ins for what the caller had bound
bool NamesCountUp;                         // the GL gives out each name once, in order
const int LargestSide = 2048;

GLint Integer(GLenum what) {
  GLint value = 0;
  glGetIntegerv(what, &value);
  return value;
}

GLint BoundOn(GLenum unit) {
  GLint active = Integer(GL_ACTIVE_TEXTURE);
  glActiveTexture(unit);
  GLint bound = Integer(GL_TEXTURE_BINDING_2D);
  glActiveTexture(static_cast<GLenum>(active));
  return bound;
}

GLuint NextName() {
  GLuint name = 0;
  glGenTextures(1, &name);
  glDeleteTextures(1, &name);
  return name;
}

void SetUpOnce() {
  static bool ready = false;
  if (ready) return;
  Require(CreateHeadlessGl(16, 16), "no headless OpenGL ES 2.0 context");
  EnterScratchDirectory();
  glGenTextures(1, &UnitZeroTexture);
  glGenTextures(1, &UnitTwoTexture);
  GLuint first = NextName();
  NamesCountUp = NextName() == first + 1;
  ready = true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpOnce();
  const char* name = "picture";
  Require(WriteBytes(name, data, size), "cannot write the picture file");
  int claimedWidth = 0, claimedHeight = 0, claimedChannels = 0;
  if (PictureInfo(name, &claimedWidth, &claimedHeight, &claimedChannels) && claimedWidth == claimedHeight &&
      claimedWidth > LargestSide && claimedWidth <= Integer(GL_MAX_TEXTURE_SIZE))
    return -1;  // not added to the corpus

  // A caller's state that differs from what LoadTexture leaves behind.
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, UnitZeroTexture);
  glActiveTexture(GL_TEXTURE2);
  glBindTexture(GL_TEXTURE_2D, UnitTwoTexture);
  const GLint alignment = 2 << (size % 3);  // 2, 4 or 8
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
  while (glGetError() != GL_NO_ERROR) {
  }
  GLuint next = NextName();

  GLuint texture = LoadTexture(name);

  if (texture == 0) {
    Require(Integer(GL_ACTIVE_TEXTURE) == GL_TEXTURE2, "a refusal changed the active texture unit");
    Require(BoundOn(GL_TEXTURE2) == static_cast<GLint>(UnitTwoTexture), "a refusal changed the binding on unit 2");
    Require(BoundOn(GL_TEXTURE0) == static_cast<GLint>(UnitZeroTexture), "a refusal changed the binding on unit 0");
    Require(Integer(GL_UNPACK_ALIGNMENT) == alignment, "a refusal changed the unpack alignment");
    Require(!glIsTexture(next + 1) && !glIsTexture(next), "a refusal left a texture object");
    if (NamesCountUp) Require(NextName() == next + 1, "a refusal used up a texture name");
    Require(glGetError() == GL_NO_ERROR, "a refusal made a failing GL call");
    // A square picture of a usable size that decodes must not be refused.
    int width = 0, height = 0, channels = 0;
    if (PictureInfo(name, &width, &height, &channels) && width == height && width > 0 &&
        width <= Integer(GL_MAX_TEXTURE_SIZE)) {
      unsigned char* pixels = DecodePicture(name, &width, &height, &channels);
      bool usable = pixels && width == height && width > 0 && width <= Integer(GL_MAX_TEXTURE_SIZE);
      FreePicture(pixels);
      Require(!usable, "a usable square picture was refused");
    }
  } else {
    Require(glIsTexture(texture), "the result is not a texture");
    Require(Integer(GL_ACTIVE_TEXTURE) == GL_TEXTURE0, "unit 0 is not left active");
    Require(Integer(GL_TEXTURE_BINDING_2D) == static_cast<GLint>(texture), "the texture is not bound on unit 0");
    Require(BoundOn(GL_TEXTURE2) == static_cast<GLint>(UnitTwoTexture), "the binding on unit 2 changed");
    Require(Integer(GL_UNPACK_ALIGNMENT) == 1, "the unpack alignment is not 1");
    int width = 0, height = 0, channels = 0;
    Require(PictureInfo(name, &width, &height, &channels) && width == height, "a picture that is not square was taken");
    glDeleteTextures(1, &texture);
  }
  unlink(name);
  return 0;
}
