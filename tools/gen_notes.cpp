// Writes the sixteen note samples "note00.wav" to "note15.wav": 16-bit mono WAV
// at 22050 Hz, a major pentatonic scale rising from C4 over three octaves, with a
// soft mallet timbre: a fast attack, a smooth decay and a faint inharmonic
// overtone that dies quickly, as a struck wooden bar sounds.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "note_scale.h"
#include "wav.h"

namespace {
const int Rate = 22050;
const double Pi = 3.14159265358979323846;
// Peak of one note: twelve at once at the program's volume 50/128 stay below full scale.
const double Peak = 0.9 / 12.0 * 128.0 / 50.0;

std::vector<int16_t> Synthesize(int note) {
  double f = NoteFrequency(note);
  // Higher notes ring shorter, as on a real bar: 1.4 s at the bottom, 0.6 s at the top.
  double length = 1.4 - 0.8 * note / 15.0;
  int frames = static_cast<int>(length * Rate);
  double attack = 0.004, decay = length / 5.0;
  std::vector<int16_t> samples(frames);
  for (int i = 0; i < frames; ++i) {
    double t = static_cast<double>(i) / Rate;
    double envelope = (t < attack ? 0.5 - 0.5 * std::cos(Pi * t / attack) : 1.0) * std::exp(-(t - attack) / decay);
    // A raised-cosine fade over the last 50 ms ends the note exactly at zero.
    double tail = (frames - 1 - i) / static_cast<double>(Rate);
    if (tail < 0.05) envelope *= 0.5 - 0.5 * std::cos(Pi * tail / 0.05);
    double tone = std::sin(2 * Pi * f * t) + 0.18 * std::exp(-t / 0.08) * std::sin(2 * Pi * f * 2.76 * t);
    samples[i] = static_cast<int16_t>(std::lround(32767.0 * Peak * envelope * tone / 1.18));
  }
  return samples;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_notes OUTPUT_DIR\n");
    return 2;
  }
  for (int note = 0; note < 16; ++note) {
    char name[16];
    std::snprintf(name, sizeof name, "note%02d.wav", note);
    if (!WriteWav(std::string(argv[1]) + "/" + name, Synthesize(note), 1)) {
      std::fprintf(stderr, "gen_notes: cannot write %s\n", name);
      return 1;
    }
  }
  return 0;
}
