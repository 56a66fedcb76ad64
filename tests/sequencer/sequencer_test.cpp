// The sequencer: the sweep line's clock, steering and notes, shake, life and
// the pattern files.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sequencer.h"

namespace {
std::vector<int> Played;
void Record(int note, double) { Played.push_back(note); }
int PegCount() {
  int n = 0;
  for (uint8_t cell : PegGrid) n += cell & 1;
  return n;
}
typedef std::vector<uint8_t> Bytes;
Bytes Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
void Write(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
// Runs f in a child process, which ends with the status f returns.
template <class F>
int InChild(F f) {
  pid_t child = fork();
  if (child == 0) _exit(f());
  int status = 0;
  waitpid(child, &status, 0);
  return WEXITSTATUS(status);
}
int Entries(const std::string& dir) { return int(std::distance(std::filesystem::directory_iterator(dir), {})); }

TEST(SweepLine, StepsEvery250MsAndWrapsAtEitherEnd) {
  // Moving down from row 0: not yet a step at 249 ms, then wraps to the top
  // row; from row 10 two steps with 50 ms carried; forty steps up from row 3
  // wrap with the overshoot dropped; columns end at 11, and a row index turned
  // into a column past column 11 wraps too.
  struct Step {
    int horizontal, vertical, from, ms, index, wraps, remainder;
  } steps[] = {{0, -1, 0, 249, 0, 0, 249}, {0, -1, 0, 250, 15, 1, 0}, {0, -1, 10, 550, 8, 0, 50},
               {0, 1, 3, 10000, 0, 1, 0},  {0, 1, 14, 250, 15, 0, 0}, {1, 0, 10, 250, 11, 0, 0},
               {1, 0, 11, 250, 0, 1, 0},   {-1, 0, 1, 250, 0, 0, 0},  {-1, 0, 0, 250, 11, 1, 0},
               {-1, 0, 14, 250, 0, 1, 0}};
  for (const Step& s : steps) {
    SweepLine = Playhead{s.from, s.horizontal, s.vertical, 0, 0};
    StartStepClock(0xFFFFFF00u);  // differences wrap around the tick counter
    EXPECT_EQ(AdvancePlayhead(0xFFFFFF00u + s.ms), s.wraps != 0) << s.from << " after " << s.ms;
    EXPECT_EQ(SweepLine.index * 1000 + int(SweepLine.stepRemainderMs), s.index * 1000 + s.remainder) << s.from;
  }
}

// Tempo presses during a step take effect from the next one: each step then
// lasts 30000 / bpm ms, exactly, however the frames fall; a press beyond 60 or
// 240 bpm does nothing.
TEST(SweepLine, ATempoChangeStartsWithTheNextStepAndKeepsItsLengthExactly) {
  const struct { int presses, bpm; double stepMs; } cases[] = {{-3, 90, 1000.0 / 3}, {+12, 240, 125}, {-7, 60, 500}, {+2, 140, 30000.0 / 140}};
  for (auto c : cases) {
    Tempo = NextTempo = 120;
    for (int i = 0; i < std::abs(c.presses); ++i) ChangeTempo(c.presses > 0 ? 1 : -1);
    EXPECT_EQ(Tempo, 120);
    SweepLine = Playhead{0, 0, 1, 0, 0};
    StartStepClock(1000);
    static std::vector<double> dues;
    dues.clear();
    for (uint32_t now = 1000; now < 4000; now += 33 + now % 7) {
      AdvancePlayhead(now);
      GridCell(SweepLine.index, 0) = 1;
      TriggerLineNotes([](int, double due) { dues.push_back(due); });
      EXPECT_LT(SweepLine.stepRemainderMs, StepMs(Tempo));
    }
    ASSERT_GE(dues.size(), 5u);
    EXPECT_EQ(Tempo, c.bpm);
    EXPECT_EQ(dues[0], 1250);  // the step under way ends at the old tempo
    EXPECT_EQ(TempoChangeMs, 1250);
    for (size_t i = 1; i < dues.size(); ++i) EXPECT_NEAR(dues[i] - dues[i - 1], c.stepMs, 1e-6) << c.bpm;
    ClearGrid();
  }
  Tempo = NextTempo = 120;
}

TEST(SweepLine, TiltSteersOnlyWhenStillAndClearlyAlongOneAxis) {
  struct Case {
    int x, y, z;  // raw units: 0.2 g is 6553.6, 0.4 g 13107.2
    int fromHorizontal, fromVertical, horizontal, vertical;
  } cases[] = {  // below 0.2 g and above 0.4 g, only when m2 is about 1
      {13108, 6553, 30000, 0, 1, 1, 0},  {-13108, 0, 30000, 0, 1, -1, 0}, {13107, 0, 30000, 0, 1, 0, 1},
      {13108, 6554, 30000, 0, 1, 0, 1},  {0, -13108, 30000, 1, 0, 0, 1},  {6553, 13108, 30000, 1, 0, 0, -1},
      {6554, 13108, 30000, 1, 0, 1, 0},  {20000, 0, 0, 0, 1, 0, 1},       {32767, 0, 32767, 0, 1, 0, 1},
      {0, 0, 0, 1, 0, 1, 0}};
  for (const Case& c : cases) {
    SweepLine = Playhead{0, c.fromHorizontal, c.fromVertical, 0, 0};
    SteerByTilt(ReadAccelerometer(c.x, c.y, c.z));
    EXPECT_TRUE(SweepLine.horizontalDirection == c.horizontal && SweepLine.verticalDirection == c.vertical)
        << c.x << "," << c.y << "," << c.z;
  }
  // The magnitude window is open at both ends: 0.81 and 1.21 steer nothing.
  for (float m2 : {0.81f, 1.21f, 0.8101f}) {
    SweepLine = Playhead{};
    SteerByTilt(Tilt{0.9f, 0.0f, 0.0f, m2});
    EXPECT_EQ(SweepLine.horizontalDirection, m2 == 0.8101f ? 1 : 0) << m2;
  }
}

TEST(SweepLine, ANewlyReachedLineSoundsItsPegsOnce) {
  ClearGrid();
  for (int row = 0; row < GridRows; ++row) GridCell(row, 5) = 1;
  for (int column = 0; column < GridColumns; ++column) GridCell(7, column) = 1;
  GridCell(7, 0) = 2, GridCell(7, 1) = 3;  // only bit 0 makes a peg
  struct Case {
    int horizontal, vertical, index;
    std::vector<int> notes;
  } cases[] = {{1, 0, 5, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
               {-1, 0, 5, {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
               {0, -1, 7, {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
               {0, 1, 7, {12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2}}};
  for (const Case& c : cases) {
    SweepLine = Playhead{c.index, c.horizontal, c.vertical, 0, -1};
    Played.clear();
    LineSkip skip = TriggerLineNotes(Record);
    EXPECT_EQ(Played, c.notes);
    EXPECT_TRUE(skip.skipColumn == (c.horizontal ? c.index : -1) && skip.skipRow == (c.horizontal ? -1 : c.index));
    // Staying on the line, or turning onto the other axis at the same index, sounds nothing.
    SweepLine.horizontalDirection = c.vertical, SweepLine.verticalDirection = c.horizontal;
    skip = TriggerLineNotes(Record);
    EXPECT_TRUE(Played.size() == c.notes.size() && skip.skipColumn + skip.skipRow == -2);
  }
}

// Undo and redo, a step at a time: a stroke (S: a cell, C: the stroke ends)
// and a run of life (L) each one step, a step that changed nothing (N, a load
// of the same pattern) passed over, redo (R) dropped by a new change; then the
// last 128 of 160 taps undone, and no more.
TEST(Undo, StepsRunsRedoAndTheLimit) {
  ClearGrid(), ClearGridHistory();
  const struct { char op; int cell; const char* first; } steps[] = {
      {'S', 0, "1000"}, {'S', 1, "1100"}, {'C', 0, "1100"}, {'S', 2, "1110"}, {'L', 3, "1111"}, {'L', 2, "1101"},
      {'N', 0, "1101"}, {'U', 0, "1110"}, {'U', 0, "1100"}, {'R', 0, "1110"}, {'C', 0, "1110"}, {'S', 2, "1100"},
      {'R', 0, "1100"}, {'U', 0, "1110"}, {'U', 0, "1100"}, {'U', 0, "0000"}, {'U', 0, "0000"}, {'R', 0, "1100"}};
  for (const auto& step : steps) {
    if (step.op == 'S' || step.op == 'L') BeginGridStep(step.op == 'S' ? StrokeStep : LifeStep), PegGrid[step.cell] ^= 1;
    if (step.op == 'C') CloseGridStep();
    if (step.op == 'N') CloseGridStep(), BeginGridStep(LoadStep), CloseGridStep();
    if (step.op == 'U') UndoGridStep();
    if (step.op == 'R') RedoGridStep();
    std::string first;
    for (int cell = 0; cell < 4; ++cell) first += char('0' + PegGrid[cell]);
    EXPECT_EQ(first, step.first) << step.op << step.cell;
  }
  ClearGrid(), ClearGridHistory();
  for (int tap = 0; tap < 160; ++tap) CloseGridStep(), BeginGridStep(StrokeStep), PegGrid[tap] = 1;
  int undone = 0;
  while (UndoGridStep()) ++undone;
  EXPECT_EQ(undone, UndoSteps);
  EXPECT_EQ(PegCount(), 160 - UndoSteps);
}

TEST(Shake, FourJoltsWithinTwoSecondsClearTheGridUntilTheWindowEnds) {
  Shake = ShakeDetector{};
  ClearGrid();
  GridCell(5, 5) = 1;
  // Jolts alternate between above 1.44 and above 2.89, both strict; the
  // window opens at the first jolt and still counts 2000 ms later.
  const std::pair<uint32_t, float> jolts[] = {{0, 1.44f}, {10, 1.45f}, {20, 2.89f}, {30, 2.9f}, {2010, 1.5f}};
  for (auto jolt : jolts) DetectShake(jolt.first, jolt.second);
  EXPECT_TRUE(Shake.count == 3 && PegCount() == 1);
  DetectShake(2010, 3.0f);
  EXPECT_EQ(PegCount(), 0);
  GridCell(1, 1) = 1;  // painting while shaken is wiped until the window ends
  DetectShake(2010, 0.0f);
  EXPECT_EQ(PegCount(), 0);
  GridCell(1, 1) = 1;
  DetectShake(2011, 1.0f);  // the window has expired
  EXPECT_TRUE(Shake.count == 0 && PegCount() == 1);
  // A steady push counts once; lying still or no accelerometer never counts.
  for (uint32_t t = 3000; t < 4900; t += 33) DetectShake(t, t < 4000 ? 2.0f : 0.0f);
  EXPECT_TRUE(Shake.count == 1 && Shake.windowStartMs == 3000 && PegCount() == 1);
}

TEST(Life, OnePegDiesAndOneIsBornWeightedByNeighbours) {
  std::srand(1);
  ClearGrid();
  EvolveLife();
  EXPECT_EQ(PegCount(), 1);  // an empty grid only gains
  for (int i = 0; i < GridCells; i += 3) PegGrid[i] = 1;
  int before = PegCount();
  for (int round = 0; round < 20; ++round) EvolveLife();
  EXPECT_EQ(PegCount(), before);
  // Births favour lonely cells. A full grid but for the corner (0, 0), whose
  // eight neighbours wrap around the edges, and a 3 x 3 clearing around (8, 6).
  int crowdedBirths = 0, lonelyBirths = 0;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    for (uint8_t& cell : PegGrid) cell = 1;
    GridCell(0, 0) = 0;
    for (int row = 7; row <= 9; ++row)
      for (int column = 5; column <= 7; ++column) GridCell(row, column) = 0;
    std::srand(seed);
    EvolveLife();
    crowdedBirths += HasPeg(0, 0);
    lonelyBirths += HasPeg(8, 6);
  }
  EXPECT_LT(crowdedBirths * 3, lonelyBirths);
}

std::string NewFolder() {
  char name[] = "/tmp/pegpond-pattern-XXXXXX";
  return mkdtemp(name);
}

class Patterns : public ::testing::Test {
 protected:
  std::string dir = NewFolder();
  void TearDown() override { chmod(dir.c_str(), 0700), std::filesystem::remove_all(dir); }
  std::string Path(const char* name) const { return dir + "/" + name; }
};

TEST_F(Patterns, SlotFilesAreTheGridImageByteForByte) {
  char name[16];
  PatternFileName(9, name);
  EXPECT_STREQ(name, "motif9.pat");
  // The first 12 bytes are the bottom row; bits other than bit 0 ride along.
  Bytes image(GridCells);
  for (int i = 0; i < GridCells; ++i) image[i] = uint8_t(i * 7 % 5 == 0 ? 255 : i % 3);
  Write(Path("a.pat"), image);
  LoadOrSavePattern(Path("a.pat").c_str(), false);
  EXPECT_TRUE(HasPeg(0, 0) && !HasPeg(0, 2) && HasPeg(15, 10));
  mode_t mask = umask(027);  // a saved slot is readable as a file opened with "wb" would be
  LoadOrSavePattern(Path("b.pat").c_str(), true);
  umask(mask);
  struct stat saved;
  EXPECT_TRUE(stat(Path("b.pat").c_str(), &saved) == 0 && (saved.st_mode & 07777) == 0640);
  EXPECT_EQ(Read(Path("b.pat")), image);
  ClearGrid();
  LoadOrSavePattern(Path("b.pat").c_str(), true);  // an empty grid saves 192 zero bytes
  EXPECT_EQ(Read(Path("b.pat")), Bytes(GridCells, 0));
}

TEST_F(Patterns, LoadsReadAtMost192BytesOverTheFirstCellsAndCloseTheirFiles) {
  for (uint8_t& cell : PegGrid) cell = 1;
  LoadOrSavePattern(Path("missing.pat").c_str(), false);
  EXPECT_EQ(PegCount(), GridCells);
  Write(Path("short.pat"), Bytes(100, 0));
  Write(Path("long.pat"), Bytes(300, 0));
  int descriptors = Entries("/proc/self/fd");
  LoadOrSavePattern(Path("short.pat").c_str(), false);
  EXPECT_TRUE(PegCount() == 92 && HasPeg(8, 4) && !HasPeg(8, 3));  // rows 0 to 7, row 8 to column 3 emptied
  LoadOrSavePattern(Path("long.pat").c_str(), false);
  EXPECT_TRUE(PegCount() == 0 && Entries("/proc/self/fd") == descriptors);
}

TEST_F(Patterns, AFailedSaveLeavesTheOldSlotAndNoTemporaryFile) {
  Bytes old(GridCells, 1);
  std::string slot = Path("motif3.pat");
  Write(slot, old);
  // A file size limit below 192 bytes stops the write short, as a full medium would.
  EXPECT_EQ(InChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    return LoadOrSavePattern(slot.c_str(), true) ? 1 : 0;
  }), 0);  // and says it failed
  EXPECT_TRUE(Read(slot) == old && Entries(dir) == 1);
  // A directory where the slot should be, or a folder that does not exist.
  mkdir(Path("motif4.pat").c_str(), 0700);
  EXPECT_FALSE(LoadOrSavePattern(Path("motif4.pat").c_str(), true));
  EXPECT_FALSE(LoadOrSavePattern(Path("none/motif1.pat").c_str(), true));
  EXPECT_EQ(Entries(dir), 2);
}

TEST_F(Patterns, InAFolderWeCannotWriteAWritableSlotIsRewrittenInPlace) {
  // As root, the save runs as nobody in a folder of root's; otherwise the folder is made read-only.
  const uid_t nobody = 65534;
  bool root = geteuid() == 0;
  Write(Path("motif1.pat"), Bytes(300, 9));
  Write(Path("motif2.pat"), Bytes(GridCells, 9));
  chmod(Path("motif2.pat").c_str(), 0444);
  if (root) {
    if (chown(Path("motif1.pat").c_str(), nobody, nobody) != 0) GTEST_SKIP() << "cannot hand a file to nobody";
    chmod(dir.c_str(), 0755);
  } else {
    chmod(dir.c_str(), 0555);
  }
  GridCell(0, 1) = 1;
  int status = InChild([&] {
    if (root && (setgid(nobody) != 0 || setuid(nobody) != 0)) return 3;
    for (const char* slot : {"motif1.pat", "motif2.pat", "motif3.pat"}) LoadOrSavePattern(Path(slot).c_str(), true);
    return 0;
  });
  if (status == 3) GTEST_SKIP() << "cannot drop root privileges to run as nobody";
  Bytes expected(PegGrid, PegGrid + GridCells);
  EXPECT_EQ(Read(Path("motif1.pat")), expected);
  EXPECT_EQ(Read(Path("motif2.pat")), Bytes(GridCells, 9));  // not ours to write
  EXPECT_EQ(Entries(dir), 2);
}
}  // namespace
