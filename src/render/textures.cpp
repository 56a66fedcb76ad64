#include "platform.h"
#include "render.h"

GLuint PegTexture, BackgroundTexture;

namespace {
GLenum FormatForChannels(int channels) {
  switch (channels) {
    case 1: return GL_LUMINANCE;
    case 2: return GL_LUMINANCE_ALPHA;
    case 3: return GL_RGB;
    default: return GL_RGBA;
  }
}

bool UsableSize(int width, int height) {
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  return width == height && width > 0 && width <= maxSize;
}
}  // namespace

GLuint LoadTexture(const char* fileName) {
  // The header alone decides whether the picture can be used, so a file that
  // claims a huge size is refused before anything is decoded or allocated.
  int width = 0, height = 0, channels = 0;
  if (!PictureInfo(fileName, &width, &height, &channels)) return 0;
  if (!UsableSize(width, height)) return 0;

  unsigned char* pixels = DecodePicture(fileName, &width, &height, &channels);
  if (!pixels) return 0;
  // The file may have changed since its header was read.
  if (!UsableSize(width, height)) {
    FreePicture(pixels);
    return 0;
  }
  GLenum format = FormatForChannels(channels);
  Breathe();  // between the decoding and the upload

  GLuint texture = 0;
  glGenTextures(1, &texture);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // rows of 1- and 3-channel pictures are tightly packed
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  // The decoder's first row is the picture's top row: it lands at t = 0.
  glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
  FreePicture(pixels);
  Breathe();
  return texture;
}
