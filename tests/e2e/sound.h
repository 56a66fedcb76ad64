// Finds the notes in a stereo capture of the program's sound (signed 16-bit
// little-endian at 22050 Hz, as SDL's disk driver writes it): which note starts
// when, and its left/right balance.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct StereoCapture {
  std::vector<int16_t> left, right;
  double Seconds() const { return left.size() / 22050.0; }
};
StereoCapture ReadCapture(const std::string& path);

struct NoteOnset {
  int note;
  double seconds;  // start, within about 20 ms
  double balance;  // left / right amplitude of the note just after its start
};
// Every note start, in time order.
std::vector<NoteOnset> FindNoteOnsets(const StereoCapture& capture);
// Root-mean-square level of both channels over a span.
double Level(const StereoCapture& capture, double fromSeconds, double toSeconds);
// The balance a note is panned to: (255 - pan) / (155 + pan).
double ExpectedBalance(int note);
std::string Describe(const std::vector<NoteOnset>& onsets);
