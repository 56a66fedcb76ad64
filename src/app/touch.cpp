#include "app.h"
#include "sequencer.h"

int PaintValue = -1;

// The grid is laid out for the handheld's 320-pixel-wide screen: its left edge
// stays 10 px from the left on any width; the 400 px band of rows is centred
// vertically. Conversions truncate toward zero, so the left margin maps to
// column 0 and up to 24 px below the grid to row 0.
void PaintAtPoint(int x, int y) {
  const float cell = 25.0f;
  int height = ScreenSurface->h;
  float leftEdge = (320.0f + -12.0f * cell) * 0.5f;
  float bottomEdge = (static_cast<float>(height) + -16.0f * cell) * 0.5f;
  int column = static_cast<int>((static_cast<float>(x) - leftEdge) / cell);
  int upwardY = (height - 1) - y;
  int row = static_cast<int>((static_cast<float>(upwardY) - bottomEdge) / cell);
  if (column < 0 || row < 0 || column > GridColumns - 1 || row > GridRows - 1) return;
  if (PaintValue < 0) PaintValue = HasPeg(row, column) ? 0 : 1;
  if (GridCell(row, column) != PaintValue) BeginGridStep(StrokeStep);  // the stroke's first change begins its step
  GridCell(row, column) = static_cast<uint8_t>(PaintValue);
}

void HandleMouseEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
      PaintValue = -1;
      CloseGridStep();  // a new stroke
      if (IntroOver())
        PaintAtPoint(event.button.x, event.button.y);
      else
        IntroEndTime = 0;  // a press during the intro only ends it
      break;
    case SDL_MOUSEMOTION:
      if (event.motion.state != 0) PaintAtPoint(event.motion.x, event.motion.y);
      break;
    case SDL_MOUSEBUTTONUP:
      PaintValue = -1;
      break;
    default:
      break;
  }
}
