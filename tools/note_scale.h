// The pitches of the sixteen note samples: a major pentatonic scale rising from
// C4 over three octaves. Shared by the generator and the tests that listen for notes.
#pragma once

#include <cmath>

inline double NoteFrequency(int note) {
  static const int Scale[5] = {0, 2, 4, 7, 9};  // semitones of the major pentatonic
  int semitones = 12 * (note / 5) + Scale[note % 5];
  return 261.6256 * std::pow(2.0, semitones / 12.0);
}
