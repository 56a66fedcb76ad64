// The note bank against the real mixer on SDL's dummy audio driver.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "audio.h"

namespace {
class NoteBankTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0);
    ASSERT_TRUE(OpenAudioDevice());
  }
  static void TearDownTestSuite() {
    Mix_CloseAudio();
    SDL_Quit();
  }
  std::string dir, home;
  // A working directory with the generated samples, less the one named.
  void UseSamplesWithout(int missing) {
    char name[] = "/tmp/pegpond-notes-XXXXXX";
    dir = mkdtemp(name);
    for (int note = 0; note < NoteCount; ++note) {
      if (note == missing) continue;
      char file[16];
      std::snprintf(file, sizeof file, "note%02d.wav", note);
      std::string from = std::string(PEGPOND_DATA_DIR) + "/" + file;
      ASSERT_EQ(symlink(from.c_str(), (dir + "/" + file).c_str()), 0);
    }
    char cwd[4096];
    home = getcwd(cwd, sizeof cwd);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    NoteBank.clear();
  }
  void TearDown() override {
    // The program keeps its samples to the end; a test hands them back.
    Mix_HaltChannel(-1);
    for (Mix_Chunk* chunk : NoteBank)
      if (chunk) Mix_FreeChunk(chunk);
    NoteBank.clear();
    if (!home.empty()) {
      ASSERT_EQ(chdir(home.c_str()), 0);
    }
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
};

TEST_F(NoteBankTest, TwelveChannelsAreGranted) { EXPECT_EQ(ChannelCount, 12); }

TEST_F(NoteBankTest, AMissingSampleFailsAfterAllSixteenWereTried) {
  UseSamplesWithout(7);
  EXPECT_FALSE(LoadNoteBank());
  ASSERT_EQ(NoteBank.size(), 16u);
  for (int note = 0; note < NoteCount; ++note) {
    if (note == 7) {
      EXPECT_EQ(NoteBank[note], nullptr);
      continue;
    }
    ASSERT_NE(NoteBank[note], nullptr) << note;
    // The walk stops at the first missing sample: only the ones before it get their volume.
    EXPECT_EQ(Mix_VolumeChunk(NoteBank[note], -1), note < 7 ? NoteVolume : MIX_MAX_VOLUME) << note;
  }
}

TEST_F(NoteBankTest, NotesPlayOnTheirChannelsAndOutOfRangeNotesAreIgnored) {
  UseSamplesWithout(-1);
  ASSERT_TRUE(LoadNoteBank());
  for (int note = 0; note < NoteCount; ++note) EXPECT_EQ(Mix_VolumeChunk(NoteBank[note], -1), NoteVolume);

  PlayNote(-1);
  PlayNote(16);
  EXPECT_EQ(Mix_Playing(-1), 0);

  PlayNote(13);  // notes 12 to 15 share channels 0 to 3
  EXPECT_EQ(Mix_Playing(1), 1);
  EXPECT_EQ(Mix_GetChunk(1), NoteBank[13]);
  PlayNote(1);
  EXPECT_EQ(Mix_GetChunk(1), NoteBank[1]);
  PlayNote(11);
  EXPECT_EQ(Mix_GetChunk(11), NoteBank[11]);
  EXPECT_EQ(Mix_Playing(-1), 2);

  for (int note = 0; note < NoteCount; ++note) {
    PlayNote(note);
    EXPECT_EQ(Mix_GetChunk(note % 12), NoteBank[note]) << note;
  }
  EXPECT_EQ(Mix_Playing(-1), 12);  // notes 12 to 15 took over channels 0 to 3
}

TEST_F(NoteBankTest, NoChannelsMeansNothingPlays) {
  UseSamplesWithout(-1);
  ASSERT_TRUE(LoadNoteBank());
  int granted = ChannelCount;
  ChannelCount = 0;
  PlayNote(5);  // must not divide by zero
  ChannelCount = granted;
  EXPECT_EQ(Mix_Playing(-1), 0);
}

TEST(NotePan, LowNotesLeanLeftHighNotesRight) {
  const int left[NoteCount] = {255, 249, 242, 235, 229, 222, 215, 209, 202, 195, 189, 182, 175, 169, 162, 155};
  for (int note = 0; note < NoteCount; ++note) {
    EXPECT_EQ(255 - NotePan(note), left[note]) << note;
    EXPECT_EQ((255 - NotePan(note)) + (155 + NotePan(note)), 410);
  }
}
}  // namespace
