// The grid's undo history: each step keeps the grid as it was before the
// step, in a ring of fixed size; taking one back keeps the grid as it was
// then for redoing.
#include <cstring>

#include "sequencer.h"

namespace {
typedef uint8_t Snapshot[GridCells];
Snapshot Undos[UndoSteps], Redos[UndoSteps];
int undoNext = 0, undoCount = 0, redoCount = 0;
int openKind = -1;  // the kind of change the open step holds; -1: none open

bool SameAsGrid(const Snapshot& snapshot) { return std::memcmp(snapshot, PegGrid, GridCells) == 0; }
}  // namespace

void BeginGridStep(GridStepKind kind) {
  if (kind == openKind) return;
  openKind = kind;
  std::memcpy(Undos[undoNext], PegGrid, GridCells);
  undoNext = (undoNext + 1) % UndoSteps;
  if (undoCount < UndoSteps) ++undoCount;  // else the oldest step is gone
  redoCount = 0;
}

void CloseGridStep() { openKind = -1; }

void ClearGridHistory() { undoCount = redoCount = 0, openKind = -1; }

// Steps that changed nothing (a load of the pattern there, a shake of an
// empty grid) are passed over.
bool UndoGridStep() {
  CloseGridStep();
  while (undoCount > 0) {
    undoNext = (undoNext + UndoSteps - 1) % UndoSteps, --undoCount;
    if (SameAsGrid(Undos[undoNext])) continue;
    std::memcpy(Redos[redoCount++], PegGrid, GridCells);
    std::memcpy(PegGrid, Undos[undoNext], GridCells);
    return true;
  }
  return false;
}

bool RedoGridStep() {
  CloseGridStep();
  if (redoCount == 0) return false;
  std::memcpy(Undos[undoNext], PegGrid, GridCells);
  undoNext = (undoNext + 1) % UndoSteps, ++undoCount;
  std::memcpy(PegGrid, Redos[--redoCount], GridCells);
  return true;
}
