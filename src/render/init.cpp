#include "render.h"

void InitRenderResources() {
  // The order matters: the water's size is known before the tables that
  // address it, and the water is cleared only once everything exists.
  BuildRippleProgram();
  InitWaterField();
  BuildWaterProgram();
  InitQuadTables(ScreenWidth, ScreenHeight, SimSize);
  BuildImpulseAndCopyPrograms();
  PegTexture = LoadTexture("peg.png");
  BackgroundTexture = LoadTexture("background.png");
  BakePegStamps();
  // Quads are drawn in order, with no culling or depth; neither is turned on again.
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  ClearWaterTexture();
  ClearWaterTexture();

  // What stays the same from frame to frame is set once: the samplers' units
  // and texel sizes, the frame's clear colour, the background on unit 1,
  // unit 0 active for every other texture, and positions enabled. Blending
  // starts on, as every frame leaves it for the next tick.
  float texel = 1.0f / static_cast<float>(SimSize);
  glUseProgram(RippleProgram);
  glUniform1i(RippleTextureLocation, 0);
  glUniform2f(RippleTexelLocation, texel, texel);
  glUseProgram(WaterProgram);
  glUniform1i(WaterSamplerLocation, 0);
  glUniform1i(BackgroundSamplerLocation, 1);
  glUniform2f(WaterTexelLocation, texel, texel);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, BackgroundTexture);
  glActiveTexture(GL_TEXTURE0);
  glEnableVertexAttribArray(PositionSlot);
  glDisableVertexAttribArray(TexCoord1Slot);
  glEnable(GL_BLEND);
}
