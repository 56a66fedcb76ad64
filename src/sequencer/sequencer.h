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
// False when a save did not get onto the disk.
bool LoadOrSavePattern(const char* fileName, bool save);

// ---- Undo and redo --------------------------------------------------------
// Every change of the grid is a step that can be taken back and redone. A
// change calls BeginGridStep first: it begins a new step unless the open step
// holds the same kind, so a whole drag stroke, a shake's clearing or a run of
// life is one step; CloseGridStep ends the open step (a new stroke, life
// switched). A new step drops what could be redone. The last UndoSteps are
// kept, in fixed memory.
enum GridStepKind { StrokeStep, LoadStep, ShakeStep, LifeStep };
const int UndoSteps = 128;
void BeginGridStep(GridStepKind kind);
void CloseGridStep();
void ClearGridHistory();
// Each returns false when there is nothing to undo or redo.
bool UndoGridStep();
bool RedoGridStep();

// ---- Sweep line -----------------------------------------------------------
const uint32_t StepPeriodMs = 250;  // at the tempo every start has

// ---- Tempo ----------------------------------------------------------------
// One step is an eighth note, 30000 / bpm ms: 250 at 120 bpm.
const int StartTempo = 120, SlowestTempo = 60, FastestTempo = 240, TempoStep = 10;
extern int Tempo;      // the bpm of the step under way
extern int NextTempo;  // the bpm from the next step on
// TempoStep bpm faster (+1) or slower (-1), from the next step; nothing
// beyond either end.
void ChangeTempo(int direction);
inline double StepMs(int bpm) { return 30000.0 / bpm; }

struct Playhead {
  int32_t index = 0;                // row (0-15) or column (0-11)
  int32_t horizontalDirection = 0;  // +1 column moving right, -1 left, 0 a row
  int32_t verticalDirection = -1;   // +1 row moving up, -1 down, 0 a column
  uint32_t stepRemainderMs = 0;     // below a step after every tick
  int32_t lastSoundedIndex = 0;
  uint32_t stepRemainderParts = 0;  // and this many 1/Tempo ms, in which every step is whole
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
// tick; returns true when the line wrapped past either end. A new tempo starts
// at the end of the step under way, at TempoChangeMs.
void StartStepClock(uint32_t now);
bool AdvancePlayhead(uint32_t now);
extern double TempoChangeMs;
// How far into its step the line is, from 0 to below 1.
float StepFraction(const Playhead& line);

// The line whose pegs the water leaves out in this tick; -1 for none.
struct LineSkip {
  int32_t skipColumn, skipRow;
};
// Sounds the pegs of a newly reached line through play(note, dueMs): dueMs is
// when the line was due, the step clock's last boundary, however late the tick
// (a fraction of a ms past a whole one at tempos whose step is not whole ms).
LineSkip TriggerLineNotes(void (*play)(int note, double dueMs));
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
