#include <cstdio>
#include <cstdlib>

#include "audio.h"

int ChannelCount = 12;
std::vector<Mix_Chunk*> NoteBank;

bool OpenAudioDevice() {
  // SDL 1.2 over SDL 2 (it reports 1.2.50 on) asks a sound server to queue
  // one mixing buffer, 46 ms, which a busy machine lets run dry now and then:
  // the server then plays on later, and every note after that sounds late.
  // SDL 1.2's own output asks for two of its buffers, 93 ms; so do we, through
  // PulseAudio's client library (also PipeWire's), where the user set nothing.
  const SDL_version* linked = SDL_Linked_Version();
  if (linked->major == 1 && linked->minor == 2 && linked->patch >= 50) setenv("PULSE_LATENCY_MSEC", "93", 0);
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
