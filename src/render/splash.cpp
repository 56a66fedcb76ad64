#include "platform.h"
#include "render.h"

void SplashTexCoords(int width, int height, float texCoords[8]) {
  // The background's window into a square picture, but upright: t0 (the
  // picture's upper part) at the top corners.
  float a = 0.625f;
  float b = (static_cast<float>(height) / static_cast<float>(width)) * 0.625f;
  float s0 = (1.0f - a) / 2.0f;
  float t0 = (1.0f - b) / 2.0f;
  const float corners[8] = {s0, t0 + b, s0, t0, s0 + a, t0, s0 + a, t0 + b};
  for (int i = 0; i < 8; ++i) texCoords[i] = corners[i];
}

void ShowSplash() {
  GLuint texture = LoadTexture("splash.png");  // 0 shows as black
  GLuint program = BuildProgram(QuadVertexShader, CopyFragmentShader);
  float texCoords[8];
  SplashTexCoords(ScreenWidth, ScreenHeight, texCoords);

  glViewport(0, 0, ScreenWidth, ScreenHeight);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glUseProgram(program);  // its Texture sampler keeps its link-time unit 0
  glEnableVertexAttribArray(PositionSlot);
  glEnableVertexAttribArray(TexCoord0Slot);
  glDisableVertexAttribArray(TexCoord1Slot);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glDisable(GL_BLEND);  // the picture's alpha plays no part
  glVertexAttribPointer(TexCoord0Slot, 2, GL_FLOAT, GL_FALSE, 0, texCoords);
  DrawQuad(FullScreenPositions);
  SwapScreen();

  // Nothing of the splash outlives it. The program goes once another is made
  // current, during the initialisation.
  glDeleteTextures(1, &texture);
  glDeleteProgram(program);
}
