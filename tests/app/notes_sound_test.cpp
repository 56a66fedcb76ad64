// Notes really sound: UpdateTick over a loaded grid with the real mixer on
// SDL's disk driver, which writes the mixed output to a file we listen to.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app.h"
#include "audio.h"
#include "sequencer.h"
#include "sound.h"

namespace {
Uint32 FakeNow = 100000;
Uint32 FakeTicks() { return FakeNow; }
TiltAxes LyingFlat(SDL_Joystick*) { return TiltAxes{0, 0, 32767}; }

long FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

// Lets the audio thread mix about `seconds` more sound, then holds it again.
void MixFor(const std::string& path, double seconds) {
  long target = FileSize(path) + long(seconds * AudioFrequency) * 4;
  SDL_UnlockAudio();
  while (FileSize(path) < target) SDL_Delay(1);
  SDL_LockAudio();
}

TEST(NotesSound, EachNewLineSoundsItsPegsInOrderWithTheirPan) {
  char name[] = "/tmp/pegpond-sound-XXXXXX";
  std::string dir = mkdtemp(name), capture = dir + "/sound.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);  // mix as fast as we let it
  ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0);
  ASSERT_TRUE(OpenAudioDevice());
  ASSERT_EQ(chdir(PEGPOND_DATA_DIR), 0);
  ASSERT_TRUE(LoadNoteBank());

  // One peg a row on a diagonal: rows 15 down to 4 sound notes 2 up to 13.
  ClearGrid();
  for (int row = 15; row >= 4; --row) GridCell(row, 15 - row) = 1;
  TickSource = FakeTicks;
  TiltSource = LyingFlat;
  NoteSink = PlayNote;

  SDL_LockAudio();
  UpdateTick();  // first tick: row 0, counted as sounded
  MixFor(capture, 0.3);
  for (int line = 0; line < 12; ++line) {
    FakeNow += StepPeriodMs;
    UpdateTick();
    MixFor(capture, 0.3);
  }
  MixFor(capture, 0.5);
  SDL_UnlockAudio();
  Mix_HaltChannel(-1);
  for (Mix_Chunk* chunk : NoteBank) Mix_FreeChunk(chunk);
  NoteBank.clear();
  Mix_CloseAudio();
  SDL_Quit();

  std::vector<NoteOnset> onsets = FindNoteOnsets(ReadCapture(capture));
  ASSERT_EQ(onsets.size(), 12u) << Describe(onsets);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(onsets[i].note, i + 2) << Describe(onsets);
    EXPECT_NEAR(onsets[i].balance, ExpectedBalance(i + 2), 0.05) << Describe(onsets);
  }
  std::system(("rm -rf '" + dir + "'").c_str());
}
}  // namespace
