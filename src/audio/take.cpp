// A take's notes, kept as they are played and written as a MIDI file at the
// stop; its sound is the backend's.
#include <cstdio>

#include "audio.h"

namespace {
struct KeptNote {
  Uint32 soundsMs;  // SDL_GetTicks time it starts sounding
  TakeNote note;
};
bool Running = false;
std::string Path;
std::vector<KeptNote> Notes;

void WriteMidiFile(const std::string& name, const std::vector<Uint8>& bytes) {
  FILE* file = std::fopen(name.c_str(), "wbx");  // never over an earlier take
  if (!file) return;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) std::remove(name.c_str());  // a full disk: no half file
}
}  // namespace

bool StartTake(const std::string& path) {
  if (Running) StopTake();
  if (!StartTakeSound(path)) return false;
  Running = true;
  Path = path;
  Notes.clear();
  Notes.reserve(4096);
  return true;
}

void StopTake() {
  if (!Running) return;
  StopTakeSound();
  Running = false;
  Uint32 originMs = TakeSoundOriginMs();
  std::vector<TakeNote> notes;
  for (KeptNote kept : Notes) {
    kept.note.tick = MidiTicks(static_cast<double>(static_cast<Sint32>(kept.soundsMs - originMs)));
    notes.push_back(kept.note);
  }
  WriteMidiFile(Path + ".mid", EncodeMidi(notes, MidiTicks(TakeSoundLengthMs())));
}

bool FollowTake() {
  if (Running && !TakeSoundRunning()) StopTake();
  return Running;
}

void KeepTakeNote(int note, int channel, Mix_Chunk* chunk, Uint8 left, Uint8 right, Uint32 dueMs) {
  if (!Running) return;
  Notes.push_back({dueMs + NoteDelayMs, {0, MidiTicks(SampleLengthMs(chunk)), static_cast<Uint8>(channel),
                                         static_cast<Uint8>(MidiKey(note)), MidiVelocity(NoteVolume), MidiPan(left, right)}});
}
