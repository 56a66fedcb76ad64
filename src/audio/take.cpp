// A take's notes, kept as they are played and written as a MIDI file at the
// stop; its sound is the backend's.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio.h"

namespace {
struct KeptNote {
  double soundsMs;  // SDL_GetTicks time it is due to sound
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
struct KeptTempo {
  double soundsMs;  // when its first step sounds
  int bpm;
};
int PlayedBpm = 120, StartBpm = 120;  // now, and at the take's start
Uint8 StartProgram = 0;                // the sound set's at the take's start
std::vector<KeptTempo> Tempos;

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
    double dueMs = placed[i + half]->soundsMs - placed[i]->soundsMs;
    if (dueMs >= 1000) rates.push_back((TakeSoundMsAt(placed[i + half]->frame) - TakeSoundMsAt(placed[i]->frame)) / dueMs);
  }
  if (rates.empty()) return 1;
  std::nth_element(rates.begin(), rates.begin() + rates.size() / 2, rates.end());
  return rates[rates.size() / 2];
}

// Each note on the step of its due time: its tick counts whole steps from the
// first note heard (240 ticks a step at every tempo, a tempo change at its
// step). MIDI time runs at the sound's pace: where a note would be written
// more than 0.9 ms from where it sounded (the device's pace wandered, a line
// played late), the tempo from the note or change before it to this note is
// bent, so that the note is written where it sounded, still on its step.
std::vector<TakeNote> PlaceNotes(const std::vector<KeptNote>& kept, double rate, std::vector<TakeTempo>& tempos,
                                 Uint32& endTick) {
  Uint32 originMs = TakeSoundOriginMs();
  double moveMs = 0;  // heard less due, of the first note heard in the take
  for (const KeptNote& k : kept)
    if (k.frame >= 0 && TakeSoundMsAt(k.frame) >= 0) {
      moveMs = TakeSoundMsAt(k.frame) / rate - (k.soundsMs - originMs);
      break;
    }
  // The steps: from fromMs into the take (a due time, moved) at fromTick on, bpm's ticks.
  double fromMs = 0, fromTick = 0;
  int bpm = StartBpm;
  auto ticksAt = [&](double ms) { return fromTick + (ms - fromMs) * MidiTicksPerQuarter * bpm / 60000.0; };
  // The MIDI time: tempo events, the last one's ms and bpm, and the pace of
  // the sound against due time, as bent. A change's event waits for the notes
  // up to its step, so that the note on that step can still be bent.
  double pace = rate, eventMs = 0;
  int eventBpm = StartBpm;
  auto writtenMs = [&](double tick) {
    return eventMs + (tick - tempos.back().tick) * tempos.back().quarterUs / 1000.0 / MidiTicksPerQuarter;
  };
  auto setTempo = [&](Uint32 tick, int at) {  // from tick on, at bpm at and the pace now
    eventMs = tempos.empty() ? 0 : writtenMs(tick), eventBpm = at;
    if (tempos.empty() || tempos.back().tick != tick) tempos.push_back({tick, 0});
    tempos.back().quarterUs = static_cast<Uint32>(60e6 / at * pace + 0.5);
    pace = tempos.back().quarterUs * at / 60e6;  // as written
  };
  struct Change {
    Uint32 tick;
    int bpm;
  };
  std::vector<Change> waiting;  // changes not written yet
  auto writeChanges = [&](double upTo) {
    size_t written = 0;
    for (; written < waiting.size() && waiting[written].tick <= upTo; ++written)
      setTempo(waiting[written].tick, waiting[written].bpm);
    waiting.erase(waiting.begin(), waiting.begin() + static_cast<long>(written));
  };
  tempos.clear();
  setTempo(0, StartBpm);
  size_t next = 0;
  auto changeUpTo = [&](double dueMs) {  // the tempos from steps due by then
    for (; next < Tempos.size() && Tempos[next].soundsMs - originMs <= dueMs; ++next) {
      double at = std::max(Tempos[next].soundsMs - originMs + moveMs, 0.0);
      fromTick = ticksAt(at), fromMs = at, bpm = Tempos[next].bpm;
      waiting.push_back({static_cast<Uint32>(std::lround(fromTick)), bpm});
    }
  };
  std::vector<TakeNote> notes;
  for (const KeptNote& k : kept) {
    double dueMs = k.soundsMs - originMs;
    changeUpTo(dueMs + 0.05);  // a note on the first step of a tempo is in it (its due time a hair off)
    if (dueMs + moveMs < 0) continue;  // it began before the take: its start is not in it
    Uint32 tick = static_cast<Uint32>(std::lround(std::max(ticksAt(dueMs + moveMs), 0.0)));
    writeChanges(tick - 0.5);
    Uint32 from = std::max(notes.empty() ? 0 : notes.back().tick, tempos.back().tick);
    if (k.frame >= 0 && tick > from) {
      double heardMs = TakeSoundMsAt(k.frame), fromWrittenMs = writtenMs(from);
      if (std::fabs(writtenMs(tick) - heardMs) > 0.9 && heardMs > fromWrittenMs) {
        setTempo(from, eventBpm);  // up to the note at the pace that brings it where it sounded
        pace *= (heardMs - fromWrittenMs) / (writtenMs(tick) - fromWrittenMs);
        setTempo(from, eventBpm);
        pace = rate;  // then at the sound's again
        setTempo(tick, eventBpm);
      }
    }
    writeChanges(tick);
    notes.push_back(k.note);
    notes.back().tick = tick;
  }
  changeUpTo(TakeSoundLengthMs() / rate - moveMs);
  writeChanges(1e18);
  double endTicks = (TakeSoundLengthMs() - eventMs) * 1000 * MidiTicksPerQuarter / tempos.back().quarterUs;
  endTick = static_cast<Uint32>(std::lround(std::max(tempos.back().tick + endTicks, 0.0)));
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
  Tempos.clear();
  StartBpm = PlayedBpm;
  StartProgram = static_cast<Uint8>(SoundSets[SoundSetNow].program);
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
  std::vector<TakeTempo> tempos;
  Uint32 endTick = 0;
  std::vector<TakeNote> notes = PlaceNotes(Notes, SoundRate(Notes), tempos, endTick);
  WriteMidiFile(Path + ".mid", EncodeMidi(notes, endTick, tempos, StartProgram));
}

bool FollowTake() {
  if (Running) FindFrames(Notes.data(), Notes.size(), Unplaced);
  if (Running && !TakeSoundRunning()) StopTake();
  return Running;
}

void KeepTakeTempo(int bpm, double dueMs) {
  PlayedBpm = bpm;
  if (Running) Tempos.push_back({dueMs + NoteDelayMs, bpm});
}

void KeepTakeNote(int note, int channel, Mix_Chunk* chunk, Uint8 left, Uint8 right, double dueMs, Uint32 serial) {
  KeptNote kept = {dueMs + NoteDelayMs, serial, -1,
                   {0, MidiTicks(SampleLengthMs(chunk), PlayedBpm), static_cast<Uint8>(channel), static_cast<Uint8>(MidiKey(SoundSetNow, note)),
                    MidiVelocity(NoteVolume), MidiPan(left, right), static_cast<Uint8>(SoundSets[SoundSetNow].program)}};
  if (Running)
    Notes.push_back(kept);
  else
    Recent[RecentNext++ % RecentCount] = kept, RecentNext %= RecentCount;
}
