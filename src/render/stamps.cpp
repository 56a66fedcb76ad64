#include <cmath>

#include "render.h"

GLuint PegStamps, ImpulseTexture;
PegCoords FrameStampCoords, ImpulseCoords;

namespace {
const int StampSide = 64;

// The part of a pixel (or texel) past its lower left corner, to the 1/256
// that the rasteriser snaps positions to.
float Fraction(float position) {
  float fraction = std::round((position - std::floor(position)) * 256.0f) / 256.0f;
  return fraction < 1.0f ? fraction : 0.0f;
}

// Draws the peg picture, size texels square, with its lower left corner the
// given fraction past texel (x, y) of the stamps, and gives the coordinates
// that address it there: each texel centre a peg covers reads what the
// filter gave the pixel centre at the same place.
void Bake(int x, int y, float fractionX, float fractionY, float size, float coords[8]) {
  float side = static_cast<float>(StampSide);
  float x0 = static_cast<float>(x) + fractionX, y0 = static_cast<float>(y) + fractionY;
  float x1 = x0 + size, y1 = y0 + size;
  auto ndc = [side](float texels) { return texels * 2.0f / side - 1.0f; };
  QuadCorners quad{{ndc(x0), ndc(y0), 0, ndc(x0), ndc(y1), 0, ndc(x1), ndc(y1), 0, ndc(x1), ndc(y0), 0}};
  DrawQuad(quad.positions);
  const float corners[8] = {x0, y0, x0, y1, x1, y1, x1, y0};
  for (int i = 0; i < 8; ++i) coords[i] = corners[i] / side;
}
}  // namespace

void BakePegStamps() {
  glGenTextures(1, &PegStamps);
  glBindTexture(GL_TEXTURE_2D, PegStamps);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, StampSide, StampSide, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glBindFramebuffer(GL_FRAMEBUFFER, Water.framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, PegStamps, 0);
  glViewport(0, 0, StampSide, StampSide);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);

  glDisable(GL_BLEND);
  glUseProgram(CopyProgram);
  glBindTexture(GL_TEXTURE_2D, PegTexture);
  glEnableVertexAttribArray(PositionSlot);
  glEnableVertexAttribArray(TexCoord0Slot);
  glVertexAttribPointer(TexCoord0Slot, 2, GL_FLOAT, GL_FALSE, 0, PegTexCoords);

  // Where the first cell starts on the screen, in pixels.
  GridMetrics m = GridMetricsFor(ScreenWidth, ScreenHeight);
  float left = (m.GridLeft + 1.0f) * static_cast<float>(ScreenWidth) / 2.0f;
  float bottom = (m.GridBottom + 1.0f) * static_cast<float>(ScreenHeight) / 2.0f;
  float frame[8];
  Bake(0, 0, Fraction(left), Fraction(bottom), static_cast<float>(CellSize), frame);
  FrameStampCoords = EveryPeg(frame);

  // In the impulse a cell spans 12.5 texels; the next column or row starts
  // half a texel further on.
  ImpulseTexture = PegTexture, ImpulseCoords = PictureCoords;
  if (SimWidth * 2 == ScreenWidth && SimHeight * 2 == ScreenHeight) {
    ImpulseTexture = PegStamps;
    for (int column = 0; column < 2; ++column)
      for (int row = 0; row < 2; ++row) {
        float x = (left + static_cast<float>(column * CellSize)) / 2.0f;
        float y = (bottom + static_cast<float>(row * CellSize)) / 2.0f;
        Bake(32 + 16 * column, 16 * row, Fraction(x), Fraction(y), static_cast<float>(CellSize) / 2.0f,
             ImpulseCoords.corners[column][row]);
      }
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
}
