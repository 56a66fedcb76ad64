// The sound sets: each a scale over sixteen notes from low to high and a
// timbre, sixteen "noteNN.wav" files in a folder of the data folder (the first
// set's in the data folder itself). Shared by the note generator, the MIDI
// keys and the tests that listen for the notes' pitches.
#pragma once

#include <cmath>

struct SoundSet {
  const char* name;    // as the page shows it and its link carries it
  const char* folder;  // "" for the data folder itself
  int lowKey;          // the MIDI key of note 0
  int scaleLength;     // notes an octave
  int scale[6];        // semitones above each octave's first note
  int program;         // General MIDI program, from 0
};

const SoundSet SoundSets[] = {
    {"mallet", "", 60, 5, {0, 2, 4, 7, 9}, 12},           // major pentatonic from C4, a wooden bar: Marimba
    {"pluck", "pluck", 50, 5, {0, 3, 5, 7, 10}, 24},      // minor pentatonic from D3, a soft string: Nylon Guitar
    {"bells", "bells", 57, 5, {0, 1, 5, 7, 8}, 8},        // the Japanese in scale from A3, metal bars: Celesta
    {"vibes", "vibes", 57, 6, {0, 3, 5, 6, 7, 10}, 11},   // hexatonic blues from A3, muted and trembling: Vibraphone
};
const int SoundSetCount = sizeof SoundSets / sizeof SoundSets[0];

inline int SoundSetKey(const SoundSet& set, int note) {
  return set.lowKey + 12 * (note / set.scaleLength) + set.scale[note % set.scaleLength];
}
// Equal temperament from C4 at 261.6256 Hz (A4 440 Hz).
inline double KeyFrequency(int key) { return 261.6256 * std::pow(2.0, (key - 60) / 12.0); }
