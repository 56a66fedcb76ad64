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
// The last notes played, kept while no take runs: those still to sound when
// a take starts are heard in it.
const int RecentCount = 32;
KeptNote Recent[RecentCount];
int RecentNext = 0;

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
  for (int i = 0; i < RecentCount; ++i) {
    const KeptNote& kept = Recent[(RecentNext + i) % RecentCount];
    if (kept.note.ticks > 0) Notes.push_back(kept);
  }
  return true;
}

void StopTake() {
  if (!Running) return;
  StopTakeSound();
  Running = false;
  Uint32 originMs = TakeSoundOriginMs();
  std::vector<TakeNote> notes;
  for (KeptNote kept : Notes) {
    Sint32 sinceOriginMs = static_cast<Sint32>(kept.soundsMs - originMs);
    if (sinceOriginMs < 0) continue;  // it began before the take: its start is not in it
    kept.note.tick = MidiTicks(sinceOriginMs);
    notes.push_back(kept.note);
  }
  WriteMidiFile(Path + ".mid", EncodeMidi(notes, MidiTicks(TakeSoundLengthMs())));
}

bool FollowTake() {
  if (Running && !TakeSoundRunning()) StopTake();
  return Running;
}

void KeepTakeNote(int note, int channel, Mix_Chunk* chunk, Uint8 left, Uint8 right, Uint32 dueMs) {
  KeptNote kept = {dueMs + NoteDelayMs, {0, MidiTicks(SampleLengthMs(chunk)), static_cast<Uint8>(channel),
                                         static_cast<Uint8>(MidiKey(note)), MidiVelocity(NoteVolume), MidiPan(left, right)}};
  if (Running)
    Notes.push_back(kept);
  else
    Recent[RecentNext++ % RecentCount] = kept, RecentNext %= RecentCount;
}
