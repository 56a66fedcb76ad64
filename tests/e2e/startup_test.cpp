// The real program under Xvfb: how it starts and ends, and that it keeps
// sweeping when the pointer leaves its window.
#include <gtest/gtest.h>

#include <fstream>

#include "program_test.h"
#include "sound.h"

namespace {
class Startup : public ProgramTest {
 protected:
  void ExpectSilentOutput(const Program& program) {
    EXPECT_EQ(ReadFile(program.outFile), "");
    EXPECT_EQ(ReadFile(program.errFile), "");
  }
};

TEST_F(Startup, QuitRequestFromSigtermExitsWithZero) {
  Prepare();
  program = StartPegpond(server, dir);
  ASSERT_TRUE(WaitForWindow(server)) << WhyNoWindow(program);
  SleepMs(1000);
  ASSERT_TRUE(Running(program)) << WhyNoWindow(program);
  EXPECT_TRUE(Xdo(server, "search --name '^pegpond$'"));  // the window carries the toy's name
  kill(program.pid, SIGTERM);
  EXPECT_EQ(WaitExit(program), 0);
  ExpectSilentOutput(program);
}

TEST_F(Startup, MissingNoteSampleEndsWith255) {
  Prepare(320, 480, 7);
  program = StartPegpond(server, dir);
  EXPECT_EQ(WaitExit(program, 20000), 255);
  ExpectSilentOutput(program);
}

TEST_F(Startup, AudioDeviceThatWillNotOpenEndsWith255) {
  Prepare();
  program = StartPegpond(server, dir, "no-such-driver");
  EXPECT_EQ(WaitExit(program, 20000), 255);
  ExpectSilentOutput(program);
}

TEST_F(Startup, PointerLeavingTheWindowDoesNotPauseTheSweep) {
  // A landscape display: the program takes a 320 x 480 window at the top left,
  // leaving room for the pointer outside it.
  Prepare(800, 600);
  std::vector<char> everyRow(192, 0);
  for (int row = 0; row < 16; ++row) everyRow[row * 12 + row % 12] = 1;
  std::ofstream(dir + "/motif1.pat", std::ios::binary).write(everyRow.data(), everyRow.size());

  program = StartPegpond(server, dir, "disk");
  ASSERT_TRUE(WaitForWindow(server)) << WhyNoWindow(program);
  Xdo(server, "mousemove 160 240");
  Xdo(server, "key 1");  // loads the pattern and ends the intro
  SleepMs(1500);
  Xdo(server, "mousemove 700 500");  // out of the window
  SleepMs(3000);
  ASSERT_TRUE(Running(program)) << WhyNoWindow(program);
  StereoCapture sound = ReadCapture(program.soundFile);
  Terminate(program);

  // A sweep paused on leaving would fall silent once the last notes decayed.
  double end = sound.Seconds();
  ASSERT_GT(end, 3.0);
  std::vector<NoteOnset> onsets = FindNoteOnsets(sound);
  int late = 0;
  for (const NoteOnset& o : onsets) late += o.seconds > end - 1.5;
  EXPECT_GE(late, 3) << Describe(onsets);
}
}  // namespace
