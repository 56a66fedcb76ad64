#include <cmath>

#include "render.h"

int SimWidth, SimHeight, SimSize;
WaterField Water;
int CalmWater = 0;

int PowerOfTwoExponent(unsigned n) {
  if (n <= 1) return 1;
  int e = 0;
  for (unsigned rest = n - 1; rest != 0; rest >>= 1) ++e;
  return e;
}

void InitWaterField() {
  SimWidth = static_cast<int>(std::ceil(static_cast<float>(ScreenWidth) / SimScale));
  SimHeight = static_cast<int>(std::ceil(static_cast<float>(ScreenHeight) / SimScale));
  int larger = SimWidth > SimHeight ? SimWidth : SimHeight;
  // Power-of-two sides: ES 2.0 repeats only those.
  SimSize = 1 << PowerOfTwoExponent(static_cast<unsigned>(larger));

  glGenTextures(2, Water.textures);
  glActiveTexture(GL_TEXTURE0);
  for (GLuint texture : Water.textures) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, SimSize, SimSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  }
  glGenFramebuffers(1, &Water.framebuffer);
  Water.current = 0;
}

void ClearWaterTexture() {
  glBindFramebuffer(GL_FRAMEBUFFER, Water.framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, Water.textures[Water.current], 0);
  glViewport(0, 0, SimSize, SimSize);
  glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
  glClear(GL_COLOR_BUFFER_BIT);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  Water.current ^= 1;
}

QuadCorners SweepBarQuad(const GridMetrics& m, const Playhead& line) {
  // At a step the bar lies on the centre of the line just reached; it glides
  // towards the next line as the step's remainder grows.
  float glide = StepFraction(line);
  if (line.horizontalDirection != 0) {
    float x = (m.HalfCellWidth + m.HalfCellWidth) *
                  (static_cast<float>(line.index) + 0.5f + static_cast<float>(line.horizontalDirection) * glide) +
              m.GridLeft;
    float w = m.HalfCellWidth * 0.06f;
    float bottom = m.HalfCellHeight - 1.0f, top = 1.0f - m.HalfCellHeight;
    return QuadCorners{{x - w, bottom, 0, x - w, top, 0, x + w, top, 0, x + w, bottom, 0}};
  }
  float y = (m.HalfCellHeight + m.HalfCellHeight) *
                (static_cast<float>(line.index) + 0.5f + static_cast<float>(line.verticalDirection) * glide) +
            m.GridBottom;
  float h = m.HalfCellHeight * 0.06f;
  float left = m.HalfCellWidth - 1.0f, right = 1.0f - m.HalfCellWidth;
  return QuadCorners{{left, y - h, 0, left, y + h, 0, right, y + h, 0, right, y - h, 0}};
}

void BeginWaterStep() {
  // Positions below are in NDC of the whole screen; this viewport maps the
  // screen onto the simulated region, 2 x 2 pixels to a texel.
  glBindFramebuffer(GL_FRAMEBUFFER, Water.framebuffer);
  glViewport(0, 0, SimWidth, SimHeight);
  // The newest state is the inking's target. current flips only at the end of
  // StepWater, so both halves of the tick agree on which texture is which.
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, Water.textures[Water.current ^ 1], 0);
}

void StepWater(int skipColumn, int skipRow) {
  const int k = Water.current;
  if (CalmWater) {  // both textures at rest, neither inked nor stepped: the water lies still
    if (!Water.calm) {
      ClearWaterTexture(), ClearWaterTexture();
      glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    }
    Water.calm = true;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDisable(GL_BLEND);
    return;
  }
  Water.calm = false;

  // Ink: the bar and the pegs add to the height channel.
  // Positions stay enabled; the frame before left blending on and the second
  // texture coordinates off.
  glUseProgram(BarImpulseProgram);
  glDisableVertexAttribArray(TexCoord0Slot);
  glBlendFunc(GL_ONE, GL_ONE);
  QuadCorners bar = SweepBarQuad(GridMetricsFor(ScreenWidth, ScreenHeight), SweepLine);
  DrawQuad(bar.positions);

  // The pegs of the line that sounded this tick sit out one impulse.
  glUseProgram(PegImpulseProgram);
  glEnableVertexAttribArray(TexCoord0Slot);
  glBindTexture(GL_TEXTURE_2D, ImpulseTexture);
  DrawPegs(skipColumn, skipRow, LineSitsOut, ImpulseCoords);

  // Ripple: step the inked state into the other texture, replacing the whole
  // simulated region.
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, Water.textures[k], 0);
  glUseProgram(RippleProgram);
  glEnableVertexAttribArray(TexCoord1Slot);
  glBindTexture(GL_TEXTURE_2D, Water.textures[k ^ 1]);
  // The frame before showed this texture smoothed; the step reads it texel by texel.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glDisable(GL_BLEND);
  glVertexAttribPointer(TexCoord0Slot, 2, GL_FLOAT, GL_FALSE, 0, SimTexCoords);
  glVertexAttribPointer(TexCoord1Slot, 2, GL_FLOAT, GL_FALSE, 0, SimTexCoords);
  DrawQuad(FullScreenPositions);

  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  // The inked state is what the next frame shows; the stepped one is the
  // newest, which the next tick inks.
  Water.current = k ^ 1;
}
