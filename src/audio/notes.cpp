#include <cstdio>

#include "audio.h"

int ChannelCount = 12;
std::vector<Mix_Chunk*> NoteBank;
int SoundSetNow = 0, SoundSetAsked = 0;

namespace {
std::vector<Mix_Chunk*> Banks[SoundSetCount];  // each set's notes once loaded whole, the first's from the start
int Chosen = 0;  // the set chosen last, though it could not be had: the next choice is the one after it

// Loads a set's sixteen files in order (all are attempted) onto the end of
// bank; false when one did not load.
bool LoadNotes(const char* folder, std::vector<Mix_Chunk*>& bank) {
  bool whole = true;
  for (int note = 0; note < NoteCount; ++note) {
    char name[16];
    std::snprintf(name, sizeof name, "note%02d.wav", note);
    Mix_Chunk* chunk = LoadNoteSample(folder, name);
    if (chunk) Mix_VolumeChunk(chunk, NoteVolume);
    whole = whole && chunk;
    bank.push_back(chunk);
  }
  return whole;
}
}  // namespace

bool OpenAudioDevice() {
  if (Mix_OpenAudio(AudioFrequency, AudioFormat, AudioOutputChannels, AudioChunkSize) != 0) return false;
  ChannelCount = Mix_AllocateChannels(ChannelCount);
  StartVoices();
  return true;
}

bool LoadNoteBank() {
  for (int set = 1; set < SoundSetCount; ++set) {  // the others are loaded afresh when chosen
    for (Mix_Chunk* chunk : Banks[set]) Mix_FreeChunk(chunk);
    Banks[set].clear();
  }
  bool whole = LoadNotes(SoundSets[0].folder, NoteBank);
  Banks[0] = NoteBank;
  SoundSetNow = SoundSetAsked = Chosen = 0;
  return whole;
}

void ChooseNextSoundSet() { SoundSetAsked = Chosen = (Chosen + 1) % SoundSetCount; }

void FollowSoundSets() {
  if (SoundSetAsked == SoundSetNow) return;
  int set = Chosen = SoundSetAsked;  // also a set the page chose
  std::vector<Mix_Chunk*>& bank = Banks[set];
  if (bank.empty()) {
    int files = FetchSoundSet(SoundSets[set].folder);
    if (files == 0) return;  // still on its way
    if (files > 0 && !LoadNotes(SoundSets[set].folder, bank)) {
      for (Mix_Chunk* chunk : bank) Mix_FreeChunk(chunk);
      bank.clear();
    }
    if (bank.empty()) {  // passed over: the set sounding stays
      SoundSetAsked = SoundSetNow;
      return;
    }
  }
  NoteBank = bank;
  SoundSetNow = set;
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
