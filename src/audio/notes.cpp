#include <cstdio>

#include "audio.h"

int ChannelCount = 12;
std::vector<Mix_Chunk*> NoteBank;

bool OpenAudioDevice() {
  if (Mix_OpenAudio(AudioFrequency, AudioFormat, AudioOutputChannels, AudioChunkSize) != 0) return false;
  ChannelCount = Mix_AllocateChannels(ChannelCount);
  StartVoices();
  return true;
}

bool LoadNoteBank() {
  for (int note = 0; note < NoteCount; ++note) {
    char name[16];
    std::snprintf(name, sizeof name, "note%02d.wav", note);
    // The mixer accepts a null stream (and returns null), and closes the stream itself.
    NoteBank.push_back(Mix_LoadWAV_RW(SDL_RWFromFile(name, "rb"), 1));
  }
  for (Mix_Chunk* chunk : NoteBank) {
    if (!chunk) return false;
    Mix_VolumeChunk(chunk, NoteVolume);
  }
  return true;
}

int NotePan(int note) { return note * 100 / 15; }

void PlayNote(int note, double dueMs) {
  if (note < 0 || note >= static_cast<int>(NoteBank.size())) return;
  if (ChannelCount <= 0) return;  // no channels granted: nothing to play on
  int pan = NotePan(note), channel = note % ChannelCount;
  Uint8 left = static_cast<Uint8>(255 - pan), right = static_cast<Uint8>(155 + pan);
  Uint32 serial = StartVoice(channel, NoteBank[note], left, right, dueMs);
  KeepTakeNote(note, channel, NoteBank[note], left, right, dueMs, serial);
}
