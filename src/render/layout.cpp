#include <cstring>

#include "render.h"

// The layout is made for the handheld's 320-pixel-wide portrait screen.
int ScreenWidth = 320, ScreenHeight = 480;

void SetRenderScreen(int width, int height) {
  ScreenWidth = width;
  ScreenHeight = height;
}

GridMetrics GridMetricsFor(int width, int height) {
  float w = static_cast<float>(width), h = static_cast<float>(height);
  GridMetrics m;
  // The grid's left edge stays 10 pixels in (from the 320 reference width),
  // so wider screens keep a strip without cells on the right.
  m.GridLeft = static_cast<float>(CellSize * -GridColumns + 320) / w - 1.0f;
  m.GridBottom = (h + static_cast<float>(CellSize * -GridRows)) / h - 1.0f;
  m.HalfCellWidth = static_cast<float>(CellSize) / w;
  m.HalfCellHeight = static_cast<float>(CellSize) / h;
  return m;
}

QuadCorners CellQuad(const GridMetrics& m, int column, int row, float drop) {
  float x = (m.HalfCellWidth + m.HalfCellWidth) * (static_cast<float>(column) + 0.5f) + m.GridLeft;
  float y = (m.HalfCellHeight + m.HalfCellHeight) * (static_cast<float>(row) + 0.5f) + m.GridBottom - drop;
  float left = x - m.HalfCellWidth, right = x + m.HalfCellWidth;
  float bottom = y - m.HalfCellHeight, top = y + m.HalfCellHeight;
  return QuadCorners{{left, bottom, 0, left, top, 0, right, top, 0, right, bottom, 0}};
}

const float FullScreenPositions[12] = {-1, -1, 0, -1, 1, 0, 1, 1, 0, 1, -1, 0};
const GLushort QuadIndices[6] = {0, 1, 2, 0, 2, 3};
const float UnitTexCoords[8] = {0, 0, 0, 1, 1, 1, 1, 0};
const float PegTexCoords[8] = {0.109375f, 0.109375f, 0.109375f, 0.890625f,
                               0.890625f, 0.890625f, 0.890625f, 0.109375f};
// Both hold the unit square until InitQuadTables.
float BackgroundTexCoords[8] = {0, 0, 0, 1, 1, 1, 1, 0};
float SimTexCoords[8] = {0, 0, 0, 1, 1, 1, 1, 0};

void InitQuadTables(int width, int height, int simSize) {
  float w = static_cast<float>(width), h = static_cast<float>(height);

  // A screen-shaped window into the square background: 0.625 of it wide, as
  // tall as the aspect ratio asks, centred. t0 at the bottom corners, so the
  // picture's top rows lie along the bottom of the screen.
  float a = 0.625f;
  float s0 = (1.0f - a) / 2.0f, s1 = s0 + a;
  float b = (h / w) * 0.625f;
  float t0 = (1.0f - b) / 2.0f, t1 = t0 + b;
  const float background[8] = {s0, t0, s0, t1, s1, t1, s1, t0};

  // The lower-left region of the water texture, one texel per 2 x 2 pixels.
  float sw = w / (static_cast<float>(simSize) * SimScale);
  float sh = h / (static_cast<float>(simSize) * SimScale);
  const float sim[8] = {0, 0, 0, sh, sw, sh, sw, 0};

  for (int i = 0; i < 8; ++i) {
    BackgroundTexCoords[i] = background[i];
    SimTexCoords[i] = sim[i];
  }
}

void DrawQuad(const float* positions) {
  glVertexAttribPointer(PositionSlot, 3, GL_FLOAT, GL_FALSE, 0, positions);
  glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, QuadIndices);
}

namespace {
// Room for every peg of the grid: their corners, their texture coordinates,
// and the triangles of each quad, 16-bit indices (768 corners in all).
float PegPositions[GridCells * 12];
float PegBatchTexCoords[GridCells * 8];
GLushort PegIndices[GridCells * 6];

void FillPegIndices() {
  for (int peg = 0; peg < GridCells; ++peg)
    for (int i = 0; i < 6; ++i) PegIndices[peg * 6 + i] = static_cast<GLushort>(peg * 4 + QuadIndices[i]);
}
}  // namespace

PegCoords EveryPeg(const float texCoords[8]) {
  PegCoords coords;
  for (auto& column : coords.corners)
    for (float* corners : column) std::memcpy(corners, texCoords, 8 * sizeof(float));
  return coords;
}

PegCoords PictureCoords = EveryPeg(PegTexCoords);

void DrawPegs(int lineColumn, int lineRow, LinePegs line, const PegCoords& coords) {
  static bool filled = (FillPegIndices(), true);
  (void)filled;
  GridMetrics metrics = GridMetricsFor(ScreenWidth, ScreenHeight);
  int count = 0;
  for (int row = 0; row < GridRows; ++row)
    for (int column = 0; column < GridColumns; ++column) {
      if (!HasPeg(row, column)) continue;
      bool onLine = column == lineColumn || row == lineRow;
      if (onLine == (line == LineSitsOut)) continue;
      QuadCorners cell = CellQuad(metrics, column, row, onLine ? PressedDrop : 0.0f);
      std::memcpy(&PegPositions[count * 12], cell.positions, sizeof cell.positions);
      std::memcpy(&PegBatchTexCoords[count++ * 8], coords.corners[column & 1][row & 1], 8 * sizeof(float));
    }
  if (count == 0) return;
  glVertexAttribPointer(PositionSlot, 3, GL_FLOAT, GL_FALSE, 0, PegPositions);
  glVertexAttribPointer(TexCoord0Slot, 2, GL_FLOAT, GL_FALSE, 0, PegBatchTexCoords);
  glDrawElements(GL_TRIANGLES, 6 * count, GL_UNSIGNED_SHORT, PegIndices);
}
