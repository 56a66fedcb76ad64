// A take's notes as a standard MIDI file: type 0, one track, 480 ticks a
// quarter, so one step, an eighth note at any tempo, is 240 ticks.
#include <algorithm>
#include <cmath>

#include "audio.h"

int MidiKey(int set, int note) { return SoundSetKey(SoundSets[set], note); }

// MIDI channel 10 (9 from zero) is the drums' in General MIDI.
int MidiChannel(int mixerChannel) { return mixerChannel < 9 ? mixerChannel : mixerChannel + 1; }

// Controller 10 by the General MIDI pan law: left cos, right sin of a quarter turn.
Uint8 MidiPan(Uint8 left, Uint8 right) {
  return static_cast<Uint8>(std::lround(127 * std::atan2(right, left) / (M_PI / 2)));
}

Uint8 MidiVelocity(int volume) {
  return static_cast<Uint8>(std::clamp<long>(std::lround(volume * 127.0 / MIX_MAX_VOLUME), 1, 127));
}

Uint32 MidiTicks(double ms, int bpm) {
  return static_cast<Uint32>(std::lround(std::max(ms, 0.0) * MidiTicksPerQuarter * bpm / 60000.0));
}

namespace {
struct MidiEvent {
  Uint32 tick;
  int order;  // at one tick: notes end, then programs and then pans change, then notes start
  Uint8 bytes[3];  // a program change has one data byte, the others two
};

void PutNumber(std::vector<Uint8>& out, Uint32 value, int bytes) {
  while (bytes-- > 0) out.push_back(static_cast<Uint8>(value >> (8 * bytes)));
}

// A delta time: seven bits a byte, most significant first, the top bit set on all but the last.
void PutVariable(std::vector<Uint8>& out, Uint32 value) {
  Uint8 groups[5];
  int count = 0;
  do groups[count++] = value & 0x7f;
  while ((value >>= 7) != 0);
  while (count-- > 0) out.push_back(static_cast<Uint8>(groups[count] | (count > 0 ? 0x80 : 0)));
}
}  // namespace

std::vector<Uint8> EncodeMidi(const std::vector<TakeNote>& notes, Uint32 endTick, const std::vector<TakeTempo>& tempos,
                              Uint8 startProgram) {
  std::vector<MidiEvent> events;
  int pans[16];
  std::fill(pans, pans + 16, -1);
  Uint8 program = startProgram;
  auto changeProgram = [&](Uint32 tick) {  // on all twelve channels
    for (int channel = 0; channel < 12; ++channel)
      events.push_back({tick, 1, {static_cast<Uint8>(0xc0 | MidiChannel(channel)), program, 0}});
  };
  changeProgram(0);
  for (size_t i = 0; i < notes.size(); ++i) {
    const TakeNote& note = notes[i];
    if (note.tick >= endTick) continue;
    // A note ends with its sample, at the stop, or where the next note on its
    // mixer channel cuts it; one cut where it starts is never heard.
    Uint32 end = std::min(note.tick + note.ticks, endTick);
    for (size_t j = i + 1; j < notes.size(); ++j) {
      if (notes[j].channel == note.channel) {
        end = std::min(end, notes[j].tick);
        break;
      }
    }
    if (end <= note.tick) continue;
    if (note.program != program) program = note.program, changeProgram(note.tick);
    Uint8 status = static_cast<Uint8>(0x90 | MidiChannel(note.channel));
    if (pans[note.channel] != note.pan) {
      pans[note.channel] = note.pan;
      events.push_back({note.tick, 2, {static_cast<Uint8>(0xb0 | MidiChannel(note.channel)), 10, note.pan}});
    }
    events.push_back({note.tick, 3, {status, note.key, note.velocity}});
    events.push_back({end, 0, {status, note.key, 0}});  // a note-on at velocity 0 ends it
  }
  std::stable_sort(events.begin(), events.end(), [](const MidiEvent& a, const MidiEvent& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });

  std::vector<Uint8> track;
  Uint32 tick = 0;
  Uint8 running = 0;
  size_t tempo = 0;
  auto putTempos = [&](Uint32 upTo) {  // each before the events at its tick
    for (; tempo < tempos.size() && tempos[tempo].tick <= upTo; ++tempo) {
      PutVariable(track, tempos[tempo].tick - tick);
      tick = tempos[tempo].tick;
      track.insert(track.end(), {0xff, 0x51, 3});
      PutNumber(track, tempos[tempo].quarterUs, 3);
      running = 0;  // a meta event ends running status
    }
  };
  for (const MidiEvent& event : events) {
    putTempos(event.tick);
    PutVariable(track, event.tick - tick);
    tick = event.tick;
    if (event.bytes[0] != running) track.push_back(event.bytes[0]);  // running status
    running = event.bytes[0];
    track.insert(track.end(), event.bytes + 1, event.bytes + ((event.bytes[0] & 0xf0) == 0xc0 ? 2 : 3));
  }
  putTempos(endTick > 0 ? endTick - 1 : 0);  // none at the end or after it
  PutVariable(track, endTick - tick);
  track.insert(track.end(), {0xff, 0x2f, 0});

  std::vector<Uint8> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
  PutNumber(file, MidiTicksPerQuarter, 2);
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  PutNumber(file, static_cast<Uint32>(track.size()), 4);
  file.insert(file.end(), track.begin(), track.end());
  return file;
}
