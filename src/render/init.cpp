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
  // Quads are drawn in order, with no culling or depth; neither is turned on again.
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  ClearWaterTexture();
  ClearWaterTexture();
}
