#include "platform.h"
#include "render.h"

Composition Composer;

namespace {
// A rectangle of one colour, in window pixels from the bottom left.
void FillRectangle(int left, int bottom, int width, int height, float r, float g, float b) {
  glEnable(GL_SCISSOR_TEST);
  glScissor(left, bottom, width, height);
  glClearColor(r, g, b, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glDisable(GL_SCISSOR_TEST);
}

// A square's edges, `width` pixels wide, inside it.
void FillFrame(int left, int bottom, int size, int width, float r, float g, float b) {
  FillRectangle(left, bottom, size, width, r, g, b);
  FillRectangle(left, bottom + size - width, size, width, r, g, b);
  FillRectangle(left, bottom, width, size, r, g, b);
  FillRectangle(left + size - width, bottom, width, size, r, g, b);
}
}  // namespace

// Texture unit 0 stays active, and the background stays bound on unit 1, from
// the end of InitRenderResources on; the samplers' units and the texel size are
// set there too. A frame always follows a tick.
void ComposeFrame() {
  glViewport(0, 0, ScreenWidth, ScreenHeight);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  // The water over the background. Blending is left as found: off after a
  // tick; after another frame with no tick between, still on from its pegs.
  // Positions and the first texture coordinates are enabled already.
  glUseProgram(WaterProgram);
  glEnableVertexAttribArray(TexCoord1Slot);
  glBindTexture(GL_TEXTURE_2D, Water.textures[Water.current]);
  // The tick's ripple read this texture unfiltered; shown, it is smoothed.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
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
  glDisableVertexAttribArray(TexCoord1Slot);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glBindTexture(GL_TEXTURE_2D, PegStamps);
  DrawPegs(pressedColumn, pressedRow, LineSitsOut, FrameStampCoords);
  // The lowered line lies elsewhere between pixels: it needs the filter.
  if (pressedColumn >= 0 || pressedRow >= 0) {
    glBindTexture(GL_TEXTURE_2D, PegTexture);
    DrawPegs(pressedColumn, pressedRow, OnlyLineLowered, PictureCoords);
  }

  // A take runs: a red square at the right end of the band above the grid.
  int gridBottom = (ScreenHeight - CellSize * GridRows) / 2, gridTop = gridBottom + CellSize * GridRows;
  if (Composer.takeMark) {
    int mark = 12;
    FillRectangle(10 + CellSize * GridColumns - mark, gridTop + (ScreenHeight - gridTop - mark) / 2, mark, mark,
                  0.9f, 0.1f, 0.1f);
  }
  // The keyboard's cursor: a yellow frame, 3 px wide, just inside its cell,
  // over a dark one outside, so that it shows over light and dark water alike.
  if (Composer.framedRow >= 0 && Composer.framedColumn >= 0) {
    int left = 10 + CellSize * Composer.framedColumn, bottom = gridBottom + CellSize * Composer.framedRow;
    FillFrame(left - 1, bottom - 1, CellSize + 2, 1, 0.1f, 0.1f, 0.1f);
    FillFrame(left, bottom, CellSize, 3, 1.0f, 0.85f, 0.1f);
  }

  SwapScreen();
}
