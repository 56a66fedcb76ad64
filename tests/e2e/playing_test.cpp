// Playing by hand, for real: X clicks and keys into the running program, its
// pattern files and its captured sound.
#include <gtest/gtest.h>

#include <fstream>

#include "program_test.h"
#include "sound.h"

namespace {
typedef std::vector<char> Pattern;

Pattern Empty() { return Pattern(192, 0); }
void Set(Pattern& p, int row, int column) { p[row * 12 + column] = 1; }

class Playing : public ProgramTest {
 protected:
  void SetUp() override { Prepare(); }
  void WritePattern(int slot, const Pattern& p) {
    std::ofstream(dir + "/motif" + std::to_string(slot) + ".pat", std::ios::binary).write(p.data(), p.size());
  }
  Pattern ReadPattern(int slot) {
    std::string bytes = ReadFile(dir + "/motif" + std::to_string(slot) + ".pat");
    return Pattern(bytes.begin(), bytes.end());
  }
  void Start(const std::string& audio = "dummy") {
    program = StartPegpond(server, dir, audio);
    ASSERT_TRUE(WaitForWindow(server)) << WhyNoWindow(program);
    Xdo(server, "mousemove 160 240");  // keyboard focus follows the pointer
  }
  // Lets the program handle what was sent; frames are 33 ms, but the machine is shared.
  static void Settle() { SleepMs(700); }
  static int X(int column) { return 22 + 25 * column; }
  static int Y(int row) { return 427 - 25 * row; }
  void ClickCell(int row, int column) {
    Xdo(server, "mousemove " + std::to_string(X(column)) + " " + std::to_string(Y(row)) + " click 1");
  }
};

TEST_F(Playing, ClicksAndDragsPaintAndShiftDigitSavesTheGrid) {
  Start();
  Xdo(server, "key 0");  // a key without a command ends the intro
  Settle();
  ClickCell(0, 0);
  ClickCell(15, 11);
  ClickCell(7, 7);
  ClickCell(7, 7);  // a second tap removes it again
  // A drag from an empty cell along row 1, back and forth.
  Xdo(server, "mousemove " + std::to_string(X(1)) + " " + std::to_string(Y(1)) + " mousedown 1");
  for (int c : {2, 3, 4, 3, 2})
    Xdo(server, "mousemove " + std::to_string(X(c)) + " " + std::to_string(Y(1)));
  Xdo(server, "mouseup 1");
  Settle();
  Xdo(server, "key shift+5");
  Settle();

  Pattern expected = Empty();
  Set(expected, 0, 0);
  Set(expected, 15, 11);
  for (int c = 1; c <= 4; ++c) Set(expected, 1, c);
  EXPECT_EQ(ReadPattern(5), expected);
}

TEST_F(Playing, LoadedPatternSoundsFromTheTopRowDownWithEachNotesPan) {
  Pattern diagonal = Empty();  // rows 15 to 4 sound notes 2 to 13
  for (int row = 15; row >= 4; --row) Set(diagonal, row, 15 - row);
  WritePattern(1, diagonal);
  Start("disk");
  Xdo(server, "key 1");
  SleepMs(4500);
  StereoCapture sound = ReadCapture(program.soundFile);

  std::vector<NoteOnset> onsets = FindNoteOnsets(sound);
  ASSERT_GE(onsets.size(), 12u) << Describe(onsets);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(onsets[i].note, i + 2) << Describe(onsets);
    EXPECT_NEAR(onsets[i].balance, ExpectedBalance(onsets[i].note), 0.05) << Describe(onsets);
  }
  for (int i = 1; i < 12; ++i)  // a line every 250 ms
    EXPECT_NEAR(onsets[i].seconds - onsets[i - 1].seconds, 0.25, 0.1) << Describe(onsets);
}

TEST_F(Playing, RightArrowTurnsTheSweepIntoAColumnMovingRight) {
  // Column c has a peg in row c + 2: a column line moving right plays notes
  // rising one at a time (note = row), a row line moving down falling ones.
  Pattern diagonal = Empty();
  for (int c = 0; c < 12; ++c) Set(diagonal, c + 2, c);
  WritePattern(1, diagonal);
  Start("disk");
  Xdo(server, "key 1");
  SleepMs(1500);
  Xdo(server, "keydown Right");
  SleepMs(600);
  Xdo(server, "keyup Right");
  SleepMs(3500);
  StereoCapture sound = ReadCapture(program.soundFile);

  std::vector<NoteOnset> onsets = FindNoteOnsets(sound), late;
  for (const NoteOnset& o : onsets)
    if (o.seconds > sound.Seconds() - 2.8) late.push_back(o);
  ASSERT_GE(late.size(), 8u) << Describe(onsets);
  for (size_t i = 1; i < late.size(); ++i) {
    int step = late[i].note - late[i - 1].note;
    EXPECT_TRUE(step == 1 || (late[i - 1].note == 13 && late[i].note == 2)) << Describe(onsets);
  }
}

TEST_F(Playing, HoldingBackspaceShakesTheGridEmpty) {
  WritePattern(1, Pattern(192, 1));
  Start();
  Xdo(server, "key 1");
  Settle();
  Xdo(server, "keydown BackSpace");
  SleepMs(1000);
  Xdo(server, "keyup BackSpace");
  Settle();
  Xdo(server, "key shift+2");
  Settle();
  EXPECT_EQ(ReadPattern(2), Empty());
}

TEST_F(Playing, LifeModeMovesALonePegAtTheFirstWrap) {
  Pattern one = Empty();
  Set(one, 9, 6);
  WritePattern(1, one);
  Start();
  Xdo(server, "key l");
  Xdo(server, "key 1");
  SleepMs(1500);  // the first step wraps row 0 to row 15; the next wrap is 4 s later
  Xdo(server, "key shift+3");
  Settle();
  Pattern after = ReadPattern(3);
  ASSERT_EQ(after.size(), 192u);
  int pegs = 0;
  for (char cell : after) pegs += cell & 1;
  EXPECT_EQ(pegs, 1);
  EXPECT_EQ(after[9 * 12 + 6], 0);
}
}  // namespace
