#include <cstdlib>

#include "sequencer.h"

uint8_t LifeMode;

static int LiveNeighbours(int row, int column) {
  int n = 0;
  for (int dr = -1; dr <= 1; ++dr)
    for (int dc = -1; dc <= 1; ++dc) {
      if (dr == 0 && dc == 0) continue;
      // The grid is a torus: opposite edges are neighbours.
      n += HasPeg((row + dr + GridRows) % GridRows, (column + dc + GridColumns) % GridColumns);
    }
  return n;
}

void EvolveLife() {
  BeginGridStep(LifeStep);  // a whole run of life is one step
  // Running totals start at 1 and a draw at or below the weight wins, so the
  // first candidate of each kind is always taken and later ones replace it
  // with probability (weight + 1) / total.
  int deathTotal = 1, birthTotal = 1;
  int deathRow = 0, deathColumn = 0, birthRow = 0, birthColumn = 0;
  for (int row = 0; row < GridRows; ++row)
    for (int column = 0; column < GridColumns; ++column) {
      int n = LiveNeighbours(row, column);
      if (HasPeg(row, column)) {
        deathTotal += n;
        if (std::rand() % deathTotal <= n) deathRow = row, deathColumn = column;
      } else {
        birthTotal += 8 - n;
        if (std::rand() % birthTotal <= 8 - n) birthRow = row, birthColumn = column;
      }
    }
  GridCell(deathRow, deathColumn) = 0;
  GridCell(birthRow, birthColumn) = 1;
}
