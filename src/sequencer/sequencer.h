// The sequencer: the peg grid and its pattern files, the sweep line with its
// step clock, tilt steering and note triggering, shake to clear and life.
// Plain global state; everything runs on the frame loop's one thread.
#pragma once

#include <cstdint>

// ---- Peg grid -------------------------------------------------------------
// 16 rows by 12 columns, row-major, row 0 at the bottom, column 0 at the left.
// Bit 0 of a cell is a peg; readers test only that bit, writers store 0 or 1
// (a loaded pattern file is stored as its bytes are).
const int GridRows = 16;
const int GridColumns = 12;
const int GridCells = GridRows * GridColumns;  // also the size of a pattern file
extern uint8_t PegGrid[GridCells];

inline uint8_t& GridCell(int row, int column) { return PegGrid[row * GridColumns + column]; }
inline bool HasPeg(int row, int column) { return (GridCell(row, column) & 1) != 0; }
void ClearGrid();

// Pattern slot files "motif1.pat" to "motif9.pat" in the working directory.
void PatternFileName(int slot, char name[16]);
// Loads the grid from, or saves it to, a pattern file. Silent. A load reads at
// most 192 bytes over the first cells; a save replaces the file only once all
// 192 bytes are safely written, and otherwise leaves the old file as it was;
// in a folder it cannot write it rewrites a writable slot file in place.
void LoadOrSavePattern(const char* fileName, bool save);

// ---- Sweep line -----------------------------------------------------------
const uint32_t StepPeriodMs = 250;

struct Playhead {
  int32_t index = 0;                // row (0-15) or column (0-11)
  int32_t horizontalDirection = 0;  // +1 column moving right, -1 left, 0 a row
  int32_t verticalDirection = -1;   // +1 row moving up, -1 down, 0 a column
  uint32_t stepRemainderMs = 0;     // below StepPeriodMs after every tick
  int32_t lastSoundedIndex = 0;
};
extern Playhead SweepLine;

// Accelerometer readings in units of one gravity, and their squared magnitude.
struct Tilt {
  float x, y, z, m2;
};
Tilt ReadAccelerometer(int16_t rawX, int16_t rawY, int16_t rawZ);

// Picks a direction when the device is still and clearly tilted along one axis.
void SteerByTilt(const Tilt& tilt);

// The step clock: StartStepClock on the first tick, AdvancePlayhead on every
// tick; returns true when the line wrapped past either end.
void StartStepClock(uint32_t now);
bool AdvancePlayhead(uint32_t now);

// The line whose pegs the water leaves out in this tick; -1 for none.
struct LineSkip {
  int32_t skipColumn, skipRow;
};
// Sounds the pegs of a newly reached line through play(note, dueMs): dueMs is
// when the line was due, the step clock's last boundary, however late the tick.
LineSkip TriggerLineNotes(void (*play)(int note, uint32_t dueMs));
// The note a peg at this place on the current line sounds.
int NoteForPeg(const Playhead& line, int place);

// ---- Shake to clear -------------------------------------------------------
const uint32_t ShakeWindowMs = 2000;
struct ShakeDetector {
  int32_t count = 0;
  uint32_t windowStartMs = 0;
};
extern ShakeDetector Shake;
// Counts strong jolts within the window; clears the grid from the fourth on.
void DetectShake(uint32_t now, float m2);

// ---- Life ---------------------------------------------------------------
extern uint8_t LifeMode;
// One peg dies and one is born, chosen at random with neighbour weights.
void EvolveLife();
