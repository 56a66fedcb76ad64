#include "platform.h"
#include "render.h"

Composition Composer;

void ComposeFrame() {
  glViewport(0, 0, ScreenWidth, ScreenHeight);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  // The water over the background. Blending is left as found: off after a
  // tick; after another frame with no tick between, still on from its pegs.
  glUseProgram(WaterProgram);
  glEnableVertexAttribArray(PositionSlot);
  glEnableVertexAttribArray(TexCoord0Slot);
  glEnableVertexAttribArray(TexCoord1Slot);
  glUniform1i(WaterSamplerLocation, 0);
  glUniform1i(BackgroundSamplerLocation, 1);
  glUniform2f(WaterTexelLocation, 1.0f / static_cast<float>(SimSize), 1.0f / static_cast<float>(SimSize));
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, Water.textures[Water.current]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, BackgroundTexture);
  glVertexAttribPointer(TexCoord0Slot, 2, GL_FLOAT, GL_FALSE, 0, BackgroundTexCoords);
  glVertexAttribPointer(TexCoord1Slot, 2, GL_FLOAT, GL_FALSE, 0, SimTexCoords);
  DrawQuad(FullScreenPositions);

  // The line the sweep has just reached is drawn pressed in this one frame.
  int pressedColumn = -1, pressedRow = -1;
  if (SweepLine.index != Composer.lastComposedIndex) {
    Composer.lastComposedIndex = SweepLine.index;
    if (SweepLine.horizontalDirection != 0)
      pressedColumn = SweepLine.index;
    else
      pressedRow = SweepLine.index;
  }

  glUseProgram(CopyProgram);
  glEnableVertexAttribArray(PositionSlot);
  glEnableVertexAttribArray(TexCoord0Slot);
  glDisableVertexAttribArray(TexCoord1Slot);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, PegTexture);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  GridMetrics metrics = GridMetricsFor(ScreenWidth, ScreenHeight);
  for (int row = 0; row < GridRows; ++row) {
    for (int column = 0; column < GridColumns; ++column) {
      if (!HasPeg(row, column)) continue;
      float drop = row == pressedRow || column == pressedColumn ? PressedDrop : 0.0f;
      QuadCorners cell = CellQuad(metrics, column, row, drop);
      glVertexAttribPointer(TexCoord0Slot, 2, GL_FLOAT, GL_FALSE, 0, PegTexCoords);
      DrawQuad(cell.positions);
    }
  }

  SwapScreen();
}
