// Today's displays are far larger than the handheld's: the program draws a
// phone-sized logical screen, and the platform shows it a whole factor larger.
#include <GLES2/gl2.h>

#include <algorithm>
#include <cstring>

#include "platform.h"

ScreenScale ChooseScale(int displayWidth, int displayHeight, const char* override) {
  int factor = 0;
  if (override && std::strlen(override) == 1 && override[0] >= '1' && override[0] <= '8') factor = override[0] - '0';
  if (displayHeight >= displayWidth) {
    if (factor == 0) factor = std::max(1, std::min(displayWidth / 320, displayHeight / 480));
    return ScreenScale{factor, displayWidth / factor, displayHeight / factor};
  }
  if (factor == 0) factor = std::max(1, displayHeight * 85 / 100 / 480);
  return ScreenScale{factor, 320, 480};
}

namespace {
const char* const ScaleVertexShader = R"(
attribute vec2 Corner;
varying mediump vec2 Place;
void main()
{
    gl_Position = vec4(Corner * 2.0 - 1.0, 0.0, 1.0);
    Place = Corner;
}
)";
const char* const ScaleFragmentShader = R"(
uniform sampler2D Frame;
varying mediump vec2 Place;
void main()
{
    gl_FragColor = texture2D(Frame, Place);
}
)";
GLuint ScaleProgram, FrameTexture;

GLuint Compile(GLenum kind, const char* source) {
  GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}
}  // namespace

void PresentScaled(const ScreenScale& scale) {
  if (!ScaleProgram) {
    ScaleProgram = glCreateProgram();
    glAttachShader(ScaleProgram, Compile(GL_VERTEX_SHADER, ScaleVertexShader));
    glAttachShader(ScaleProgram, Compile(GL_FRAGMENT_SHADER, ScaleFragmentShader));
    glBindAttribLocation(ScaleProgram, 0, "Corner");
    glLinkProgram(ScaleProgram);
    glGenTextures(1, &FrameTexture);
    glBindTexture(GL_TEXTURE_2D, FrameTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, scale.width, scale.height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);  // any size: no repeat
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  }
  // The frame was drawn at the logical size in the bottom-left corner of the
  // window: copy it out, then draw it over the whole window. Texture unit 0,
  // the program, viewport and attribute 0 are set anew by every drawing pass;
  // blending is kept as it was.
  static const float Corners[8] = {0, 0, 0, 1, 1, 0, 1, 1};
  glBindTexture(GL_TEXTURE_2D, FrameTexture);
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, scale.width, scale.height);
  GLboolean blending = glIsEnabled(GL_BLEND);
  glDisable(GL_BLEND);
  glViewport(0, 0, scale.width * scale.factor, scale.height * scale.factor);
  glUseProgram(ScaleProgram);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, Corners);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  if (blending) glEnable(GL_BLEND);
}
