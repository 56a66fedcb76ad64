// The sweep line: step clock and wraps, tilt steering, the note table and
// which lines sound.
#include <gtest/gtest.h>

#include <vector>

#include "sequencer.h"

namespace {
std::vector<int> Played;
void Record(int note) { Played.push_back(note); }

// Raw axis units: 0.2 g is 6553.6, 0.4 g is 13107.2.
Tilt Raw(int x, int y, int z) { return ReadAccelerometer(x, y, z); }

class StepClock : public ::testing::Test {
 protected:
  void SetUp() override {
    SweepLine = Playhead{};
    ClearGrid();
    Played.clear();
    StartStepClock(1000);
  }
};

TEST_F(StepClock, StartsAsRowZeroMovingDownAndFirstSoundsRowFifteen) {
  EXPECT_FALSE(AdvancePlayhead(1000));
  EXPECT_EQ(TriggerLineNotes(Record).skipRow, -1);  // row 0 counts as already sounded
  EXPECT_FALSE(AdvancePlayhead(1249));
  EXPECT_EQ(SweepLine.stepRemainderMs, 249u);
  EXPECT_TRUE(AdvancePlayhead(1250));
  EXPECT_EQ(SweepLine.index, 15);
  EXPECT_EQ(SweepLine.stepRemainderMs, 0u);
  LineSkip skip = TriggerLineNotes(Record);
  EXPECT_EQ(skip.skipRow, 15);
  EXPECT_EQ(skip.skipColumn, -1);
  EXPECT_EQ(TriggerLineNotes(Record).skipRow, -1);  // only on arrival
}

TEST_F(StepClock, RemaindersCarryAcrossTicks) {
  SweepLine.index = 10;
  AdvancePlayhead(1100);
  AdvancePlayhead(1200);
  EXPECT_EQ(SweepLine.index, 10);
  AdvancePlayhead(1300);  // 300 ms: one step, 50 left
  EXPECT_EQ(SweepLine.index, 9);
  EXPECT_EQ(SweepLine.stepRemainderMs, 50u);
}

TEST_F(StepClock, LongPauseJumpsManyStepsAndWrapsWithoutCarry) {
  SweepLine.verticalDirection = 1;
  SweepLine.index = 3;
  EXPECT_TRUE(AdvancePlayhead(1000 + 10000));  // 40 steps: 43 wraps to 0
  EXPECT_EQ(SweepLine.index, 0);
  TriggerLineNotes(Record);
  EXPECT_EQ(SweepLine.lastSoundedIndex, 0);
}

TEST_F(StepClock, ClockDifferencesWrapAroundTheTickCounter) {
  StartStepClock(0xFFFFFF00u);
  SweepLine.index = 8;
  AdvancePlayhead(0x00000010u);  // 272 ms later, across the wrap of the counter
  EXPECT_EQ(SweepLine.index, 7);
  EXPECT_EQ(SweepLine.stepRemainderMs, 22u);
}

TEST_F(StepClock, ColumnsWrapAtElevenAndAxisChangeWrapsHighIndexToColumnZero) {
  SweepLine.horizontalDirection = 1;
  SweepLine.verticalDirection = 0;
  SweepLine.index = 11;
  EXPECT_TRUE(AdvancePlayhead(1250));
  EXPECT_EQ(SweepLine.index, 0);

  // A row at 14 turned into a left-moving column: 14 is past column 11.
  SweepLine.index = 14;
  SweepLine.horizontalDirection = -1;
  EXPECT_TRUE(AdvancePlayhead(1300));
  EXPECT_EQ(SweepLine.index, 0);
  SweepLine.horizontalDirection = -1;
  SweepLine.index = 0;
  EXPECT_TRUE(AdvancePlayhead(1550));
  EXPECT_EQ(SweepLine.index, 11);
}

TEST(Steering, ThresholdsInRawAxisUnits) {
  struct Case {
    int x, y, z;
    int startHorizontal, startVertical;
    int horizontal, vertical;
  };
  const Case cases[] = {
      {13108, 6553, 30000, 0, 1, 1, 0},     // clearly right, |y| just below 0.2 g
      {-13108, 0, 30000, 0, 1, -1, 0},      // left
      {13107, 0, 30000, 0, 1, 0, 1},        // 0.39997 g is not above 0.4
      {13108, 6554, 30000, 0, 1, 0, 1},     // |y| reaches 0.2 g: diagonal, nothing
      {0, -13108, 30000, 1, 0, 0, 1},       // y negative: a row moving up
      {6553, 13108, 30000, 1, 0, 0, -1},    // y positive: a row moving down
      {6554, 13108, 30000, 1, 0, 1, 0},     // |x| reaches 0.2 g: nothing
      {20000, 0, 0, 0, 1, 0, 1},            // m2 0.37: not still
      {32767, 0, 32767, 0, 1, 0, 1},        // m2 2.0: a shake, not a tilt
      {0, 0, 0, 1, 0, 1, 0},                // no accelerometer
  };
  for (const Case& c : cases) {
    SweepLine = Playhead{};
    SweepLine.horizontalDirection = c.startHorizontal;
    SweepLine.verticalDirection = c.startVertical;
    SteerByTilt(Raw(c.x, c.y, c.z));
    EXPECT_EQ(SweepLine.horizontalDirection, c.horizontal) << c.x << "," << c.y << "," << c.z;
    EXPECT_EQ(SweepLine.verticalDirection, c.vertical) << c.x << "," << c.y << "," << c.z;
  }
}

TEST(Steering, MagnitudeWindowIsOpenAtBothEnds) {
  // x alone: m2 = x^2; 0.9 g exactly is 0.81 (not above), 1.1 g is 1.21 (not below).
  SweepLine = Playhead{};
  Tilt t{0.9f, 0.0f, 0.0f, 0.81f};
  SteerByTilt(t);
  EXPECT_EQ(SweepLine.horizontalDirection, 0);
  t.m2 = 1.21f;
  SteerByTilt(t);
  EXPECT_EQ(SweepLine.horizontalDirection, 0);
  t.m2 = 0.8101f;
  SteerByTilt(t);
  EXPECT_EQ(SweepLine.horizontalDirection, 1);
}

TEST_F(StepClock, NoteTableForBothAxesAndDirections) {
  for (int row = 0; row < GridRows; ++row) GridCell(row, 5) = 1;
  for (int column = 0; column < GridColumns; ++column) GridCell(7, column) = 1;

  struct Case {
    int horizontal, vertical, index;
    std::vector<int> notes;
  };
  const Case cases[] = {
      {1, 0, 5, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
      {-1, 0, 5, {15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
      {0, -1, 7, {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
      {0, 1, 7, {13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2}},
  };
  for (const Case& c : cases) {
    SweepLine = Playhead{};
    SweepLine.horizontalDirection = c.horizontal;
    SweepLine.verticalDirection = c.vertical;
    SweepLine.index = c.index;
    SweepLine.lastSoundedIndex = -1;
    Played.clear();
    LineSkip skip = TriggerLineNotes(Record);
    EXPECT_EQ(Played, c.notes);
    EXPECT_EQ(skip.skipColumn, c.horizontal ? c.index : -1);
    EXPECT_EQ(skip.skipRow, c.horizontal ? -1 : c.index);
  }
}

TEST_F(StepClock, OnlyBitZeroMakesAPeg) {
  SweepLine.index = 3;
  GridCell(3, 0) = 2;
  GridCell(3, 1) = 3;
  GridCell(3, 2) = 255;
  TriggerLineNotes(Record);
  EXPECT_EQ(Played, (std::vector<int>{3, 4}));
}

TEST_F(StepClock, AxisChangeKeepingTheIndexSoundsNothing) {
  GridCell(4, 4) = 1;
  SweepLine.index = 4;
  SweepLine.lastSoundedIndex = 4;
  SweepLine.horizontalDirection = 1;
  SweepLine.verticalDirection = 0;
  EXPECT_EQ(TriggerLineNotes(Record).skipColumn, -1);
  EXPECT_TRUE(Played.empty());
  AdvancePlayhead(1250);
  EXPECT_EQ(TriggerLineNotes(Record).skipColumn, 5);
}
}  // namespace
