// A take's notes, kept as they are played and written as a MIDI file at the
// stop; its sound is the backend's.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio.h"

namespace {
struct KeptNote {
  Uint32 soundsMs;  // SDL_GetTicks time it is due to sound
  Uint32 serial;    // its voice's
  Sint64 frame;     // where the mixer started it, -1 while not known
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
size_t Unplaced = 0;  // the first of Notes whose frame is not known yet

// The frames of the notes placed since the last look. The mixer tells them for
// its last few hundred notes only: one still not placed 64 notes on never was.
void FindFrames(KeptNote* notes, size_t count, size_t& from) {
  for (; from < count; ++from) {
    KeptNote& kept = notes[from];
    if (kept.frame >= 0 || kept.serial == 0 || VoiceFrame(kept.serial, &kept.frame)) continue;
    kept.frame = -1;
    if (from + 64 > count) break;
    kept.serial = 0;
  }
}

// The take's sound runs at its device's pace, a little off SDL_GetTicks's
// (SDL's disk driver 0.7 % fast): its rate, sound ms a due ms, is the median
// of the rates between notes half the take apart, so that a few notes that
// sounded late do not count. 1 where no frames are known.
double SoundRate(const std::vector<KeptNote>& kept) {
  std::vector<const KeptNote*> placed;
  for (const KeptNote& k : kept)
    if (k.frame >= 0) placed.push_back(&k);
  std::vector<double> rates;
  for (size_t i = 0, half = placed.size() / 2; i + half < placed.size(); ++i) {
    double dueMs = static_cast<Sint32>(placed[i + half]->soundsMs - placed[i]->soundsMs);
    if (dueMs >= 1000) rates.push_back((TakeSoundMsAt(placed[i + half]->frame) - TakeSoundMsAt(placed[i]->frame)) / dueMs);
  }
  if (rates.empty()) return 1;
  std::nth_element(rates.begin(), rates.begin() + rates.size() / 2, rates.end());
  return rates[rates.size() / 2];
}

// Each note on the steps of its due time, moved to where it sounded in the
// take: by the same amount for a whole run of notes, so that they stay on
// whole steps, and anew when one would be written more than 0.9 ms from where
// it sounded (a line played late, a device clock that jumped or wandered).
// MIDI time runs at the sound's rate.
std::vector<TakeNote> PlaceNotes(const std::vector<KeptNote>& kept, double rate) {
  Uint32 originMs = TakeSoundOriginMs();
  double moveMs = 0;
  bool moved = false;
  std::vector<TakeNote> notes;
  for (const KeptNote& k : kept) {
    double dueMs = static_cast<Sint32>(k.soundsMs - originMs);
    if (k.frame >= 0) {
      double heardMs = TakeSoundMsAt(k.frame) / rate;
      if (!moved || std::fabs(MidiTicks(dueMs + moveMs) / MidiTicksPerMs - heardMs) > 0.9)
        moveMs = heardMs - dueMs, moved = true;
    }
    if (dueMs + moveMs < 0) continue;  // it began before the take: its start is not in it
    notes.push_back(k.note);
    notes.back().tick = MidiTicks(dueMs + moveMs);
  }
  return notes;
}

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
  Unplaced = 0;
  FindFrames(Notes.data(), Notes.size(), Unplaced);
  return true;
}

void StopTake() {
  if (!Running) return;
  StopTakeSound();
  Running = false;
  FindFrames(Notes.data(), Notes.size(), Unplaced);
  double rate = SoundRate(Notes);
  WriteMidiFile(Path + ".mid", EncodeMidi(PlaceNotes(Notes, rate), MidiTicks(TakeSoundLengthMs() / rate),
                                          static_cast<Uint32>(MidiQuarterUs * rate + 0.5)));
}

bool FollowTake() {
  if (Running) FindFrames(Notes.data(), Notes.size(), Unplaced);
  if (Running && !TakeSoundRunning()) StopTake();
  return Running;
}

void KeepTakeNote(int note, int channel, Mix_Chunk* chunk, Uint8 left, Uint8 right, Uint32 dueMs, Uint32 serial) {
  KeptNote kept = {dueMs + NoteDelayMs, serial, -1,
                   {0, MidiTicks(SampleLengthMs(chunk)), static_cast<Uint8>(channel), static_cast<Uint8>(MidiKey(note)),
                    MidiVelocity(NoteVolume), MidiPan(left, right)}};
  if (Running)
    Notes.push_back(kept);
  else
    Recent[RecentNext++ % RecentCount] = kept, RecentNext %= RecentCount;
}
