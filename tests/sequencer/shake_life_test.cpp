// Shake to clear and life evolution.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "sequencer.h"

namespace {
int PegCount() {
  int n = 0;
  for (int i = 0; i < GridCells; ++i) n += PegGrid[i] & 1;
  return n;
}

class ShakeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Shake = ShakeDetector{};
    ClearGrid();
    GridCell(5, 5) = 1;
  }
};

TEST_F(ShakeTest, FourViolentTicksClearOnTheFourth) {
  DetectShake(100, 3.0f);
  DetectShake(133, 3.0f);
  DetectShake(166, 3.0f);
  EXPECT_EQ(Shake.count, 3);
  EXPECT_EQ(PegCount(), 1);
  DetectShake(200, 3.0f);
  EXPECT_EQ(Shake.count, 4);
  EXPECT_EQ(PegCount(), 0);
}

TEST_F(ShakeTest, SteadyStrongPushCountsOnceThenAgainAfterTheWindow) {
  for (uint32_t t = 100; t <= 2100; t += 100) DetectShake(t, 2.0f);
  EXPECT_EQ(Shake.count, 1);  // the second jolt needs more than 2.89
  EXPECT_EQ(Shake.windowStartMs, 100u);
  DetectShake(2101, 2.0f);  // 2001 ms: expired, nothing tested
  EXPECT_EQ(Shake.count, 0);
  DetectShake(2134, 2.0f);
  EXPECT_EQ(Shake.count, 1);
  EXPECT_EQ(Shake.windowStartMs, 2134u);
}

TEST_F(ShakeTest, ThresholdsAreStrictAndAlternate) {
  DetectShake(0, 1.44f);
  EXPECT_EQ(Shake.count, 0);
  DetectShake(10, 1.45f);
  EXPECT_EQ(Shake.count, 1);
  DetectShake(20, 2.89f);
  EXPECT_EQ(Shake.count, 1);
  DetectShake(30, 2.9f);
  EXPECT_EQ(Shake.count, 2);
  DetectShake(2010, 1.5f);  // exactly 2000 ms after the window start still counts
  EXPECT_EQ(Shake.count, 3);
}

TEST_F(ShakeTest, PaintingDuringTheClearingStateIsWipedUntilTheWindowEnds) {
  for (uint32_t t = 0; t < 4; ++t) DetectShake(t, 3.0f);
  GridCell(1, 1) = 1;
  DetectShake(1000, 0.0f);
  EXPECT_EQ(PegCount(), 0);
  GridCell(1, 1) = 1;
  DetectShake(2001, 1.0f);  // window over
  EXPECT_EQ(Shake.count, 0);
  EXPECT_EQ(PegCount(), 1);
}

TEST_F(ShakeTest, WithoutAnAccelerometerNothingCounts) {
  for (uint32_t t = 0; t < 100; ++t) DetectShake(t * 33, ReadAccelerometer(0, 0, 0).m2);
  EXPECT_EQ(Shake.count, 0);
  EXPECT_EQ(PegCount(), 1);
}

class LifeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearGrid();
    std::srand(1);
  }
};

TEST_F(LifeTest, EmptyGridGetsExactlyOneBirth) {
  EvolveLife();
  EXPECT_EQ(PegCount(), 1);
}

TEST_F(LifeTest, OnePegAlwaysMoves) {
  for (int round = 0; round < 50; ++round) {
    ClearGrid();
    GridCell(round % 16, round % 12) = 1;
    EvolveLife();
    EXPECT_EQ(PegCount(), 1);
    EXPECT_FALSE(HasPeg(round % 16, round % 12));
  }
}

TEST_F(LifeTest, MixedGridKeepsItsPegCount) {
  for (int i = 0; i < GridCells; i += 3) PegGrid[i] = 1;
  int before = PegCount();
  for (int round = 0; round < 20; ++round) {
    EvolveLife();
    EXPECT_EQ(PegCount(), before);
  }
}

TEST_F(LifeTest, FullGridLosesOnePegUnlessTheCornerDied) {
  for (int round = 0; round < 20; ++round) {
    for (int i = 0; i < GridCells; ++i) PegGrid[i] = 1;
    EvolveLife();
    int count = PegCount();
    EXPECT_TRUE(count == 191 || count == 192);
    EXPECT_TRUE(HasPeg(0, 0));  // the birth falls back on (0, 0)
  }
}

TEST_F(LifeTest, DrawsExactly192NumbersFromUnseededRand) {
  std::srand(7);
  EvolveLife();
  int next = std::rand();
  std::srand(7);
  for (int i = 0; i < 192; ++i) std::rand();
  EXPECT_EQ(next, std::rand());
}

// The same scan done independently, with rand's draws replayed, to pin the
// weights, the torus neighbours and the less-or-equal choice.
TEST_F(LifeTest, ChoicesFollowTheWeightedScanOnTheTorus) {
  // Pegs on the wrapped corners: (0,0), (15,11), (0,11), (15,0) are all neighbours.
  GridCell(0, 0) = 1;
  GridCell(15, 11) = 1;
  GridCell(0, 11) = 1;
  GridCell(15, 0) = 1;
  GridCell(7, 6) = 1;
  uint8_t before[GridCells];
  std::memcpy(before, PegGrid, sizeof before);
  auto peg = [&](int r, int c) { return before[((r + 16) % 16) * 12 + (c + 12) % 12] & 1; };

  std::srand(12345);
  std::vector<int> draws(192);
  for (int& d : draws) d = std::rand();
  int deathTotal = 1, birthTotal = 1, death = 0, birth = 0, k = 0;
  for (int r = 0; r < 16; ++r)
    for (int c = 0; c < 12; ++c) {
      int n = 0;
      for (int dr = -1; dr <= 1; ++dr)
        for (int dc = -1; dc <= 1; ++dc)
          if (dr || dc) n += peg(r + dr, c + dc);
      if (peg(r, c)) {
        deathTotal += n;
        if (draws[k++] % deathTotal <= n) death = r * 12 + c;
      } else {
        birthTotal += 8 - n;
        if (draws[k++] % birthTotal <= 8 - n) birth = r * 12 + c;
      }
    }
  // The corner pegs have three live neighbours across the edges.
  EXPECT_EQ(deathTotal, 1 + 3 * 4 + 0);

  std::srand(12345);
  EvolveLife();
  EXPECT_EQ(PegGrid[death], 0);
  EXPECT_EQ(PegGrid[birth], 1);
  EXPECT_EQ(PegCount(), 5);
}
}  // namespace
