// The note bank on the real mixer: SDL's disk driver writes the mixed sound to
// a file, which we listen to for each note's pitch and pan.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "audio.h"
#include "note_scale.h"

namespace {
long FileSize(const std::string& path) { return long(std::filesystem::file_size(path)); }

// The program keeps its samples to the end; a test hands them back.
void ReleaseNoteBank() {
  for (Mix_Chunk* chunk : NoteBank) Mix_FreeChunk(chunk);
  NoteBank.clear();
}

// Lets the audio thread mix about `seconds` more sound, then holds it again.
void MixFor(const std::string& path, double seconds) {
  long target = FileSize(path) + long(seconds * AudioFrequency) * 4;
  SDL_UnlockAudio();
  while (FileSize(path) < target) SDL_Delay(1);
  SDL_LockAudio();
}

TEST(NoteBank, EachNotePlaysOnItsChannelWithItsPitchAndPan) {
  char name[] = "/tmp/pegpond-notes-XXXXXX";
  std::string dir = mkdtemp(name), capture = dir + "/sound.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);  // mix as fast as we let it
  ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0);
  ASSERT_TRUE(OpenAudioDevice());
  EXPECT_EQ(ChannelCount, 12);

  // A missing sample fails the bank, after all sixteen were tried.
  std::string link = "ln -s " PEGPOND_DATA_DIR "/note*.wav " + dir + " && rm " + dir + "/note07.wav";
  ASSERT_TRUE(std::system(link.c_str()) == 0 && chdir(dir.c_str()) == 0);
  EXPECT_FALSE(LoadNoteBank());
  ASSERT_EQ(NoteBank.size(), 16u);
  EXPECT_TRUE(NoteBank[7] == nullptr && NoteBank[15] != nullptr);
  ReleaseNoteBank();
  ASSERT_EQ(chdir(PEGPOND_DATA_DIR), 0);
  ASSERT_TRUE(LoadNoteBank());

  SDL_LockAudio();
  PlayNote(-1);
  PlayNote(16);
  ChannelCount = 0;  // no channels granted: nothing to play on
  PlayNote(5);
  ChannelCount = 12;
  EXPECT_EQ(Mix_Playing(-1), 0);
  for (int note = 0; note < NoteCount; ++note) {
    PlayNote(note);
    EXPECT_EQ(Mix_GetChunk(note % 12), NoteBank[note]) << note;
    EXPECT_EQ(Mix_VolumeChunk(NoteBank[note], -1), NoteVolume) << note;
  }
  std::vector<long> starts;
  for (int note = 0; note < NoteCount; ++note) {
    Mix_HaltChannel(-1);
    starts.push_back(FileSize(capture) / 4);
    PlayNote(note);
    MixFor(capture, 0.3);
  }
  SDL_UnlockAudio();
  Mix_HaltChannel(-1);
  ReleaseNoteBank();
  Mix_CloseAudio();
  SDL_Quit();

  std::ifstream in(capture, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  auto sample = [&](long frame, int side) {
    size_t at = size_t(frame) * 4 + side * 2;
    return double(int16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8));
  };
  for (int note = 0; note < NoteCount; ++note) {
    // Two buffers in: the first may still hold the channel's previous note or pan.
    long from = starts[note] + 2048, frames = 3072;
    ASSERT_LE(size_t(from + frames) * 4, bytes.size());
    double left = 0, right = 0;
    int crossings = 0;
    for (long i = from; i < from + frames; ++i) {
      left += sample(i, 0) * sample(i, 0), right += sample(i, 1) * sample(i, 1);
      crossings += (sample(i, 0) < 0) != (sample(i + 1, 0) < 0);
    }
    double pitch = crossings / 2.0 / (frames / double(AudioFrequency));
    EXPECT_NEAR(pitch / NoteFrequency(note), 1.0, 0.03) << note;
    int pan = note * 100 / 15;  // low notes to the left, high ones to the right
    EXPECT_NEAR(std::sqrt(left / right), (255.0 - pan) / (155.0 + pan), 0.03) << note;
  }
  EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}
}  // namespace
