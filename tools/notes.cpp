#include "notes.h"

#include <cmath>

#include "sound_sets.h"

namespace {
const int Rate = 22050;
const double Pi = 3.14159265358979323846;
// Peak of one note: twelve at once at the program's volume 50/128 stay below full scale.
const double Peak = 0.9 / 12.0 * 128.0 / 50.0;

// One partial: a sine at `ratio` times the note's pitch, of `level`, dying
// away over `decay` seconds (0: as long as the note).
struct Partial {
  double ratio, level, decay;
};
struct Timbre {
  double longest, fall;  // seconds: the lowest note's length, and how much shorter the highest is
  double attack;             // seconds
  std::vector<Partial> partials;
  double tremolo;            // depth of a 5.5 Hz tremolo, 0 for none
  double gain = 1;           // brings a set whose partials rarely meet up to the others' peaks
};

// The timbre of each set, in the table's order.
Timbre TimbreOf(int set) {
  switch (set) {
    case 1:  // a soft pluck: harmonics of a string plucked near its end, the upper ones dying first
      return {1.2, 0.7, 0.002, {{1, 1, 0}, {2, 0.45, 0.30}, {3, 0.22, 0.16}, {4, 0.12, 0.09}, {5, 0.06, 0.06}}, 0, 1.35};
    case 2:  // bells: a metal bar's inharmonic partials over a long-ringing fundamental
      return {1.6, 0.8, 0.001, {{1, 1, 0}, {2.76, 0.35, 0.35}, {5.40, 0.16, 0.15}, {8.93, 0.07, 0.06}}, 0};
    case 3:  // vibes: a muted bar tuned to its fourth harmonic, with a slow tremolo
      return {1.6, 0.7, 0.008, {{1, 1, 0}, {4, 0.12, 0.12}}, 0.25};
    default:  // a soft mallet: a struck wooden bar with a faint overtone that dies quickly
      return {1.4, 0.8, 0.004, {{1, 1, 0}, {2.76, 0.18, 0.08}}, 0};
  }
}

std::vector<int16_t> Synthesize(const Timbre& timbre, double f, int note) {
  double length = timbre.longest - timbre.fall * note / 15.0;
  int frames = static_cast<int>(length * Rate);
  double attack = timbre.attack, decay = length / 5.0;
  double sum = 0;
  for (const Partial& p : timbre.partials) sum += p.level;
  std::vector<int16_t> samples(frames);
  for (int i = 0; i < frames; ++i) {
    double t = static_cast<double>(i) / Rate;
    double envelope = (t < attack ? 0.5 - 0.5 * std::cos(Pi * t / attack) : 1.0) * std::exp(-(t - attack) / decay);
    // A raised-cosine fade over the last 50 ms ends the note exactly at zero.
    double tail = (frames - 1 - i) / static_cast<double>(Rate);
    if (tail < 0.05) envelope *= 0.5 - 0.5 * std::cos(Pi * tail / 0.05);
    envelope *= 1 - timbre.tremolo * (0.5 - 0.5 * std::cos(2 * Pi * 5.5 * t));
    double tone = 0;
    for (const Partial& p : timbre.partials) {
      if (f * p.ratio >= 0.45 * Rate) continue;  // nothing above what the rate can carry
      tone += p.level * (p.decay > 0 ? std::exp(-t / p.decay) : 1.0) * std::sin(2 * Pi * f * p.ratio * t);
    }
    samples[i] = static_cast<int16_t>(std::lround(32767.0 * Peak * envelope * tone / sum * timbre.gain));
  }
  return samples;
}

}  // namespace

std::vector<int16_t> MakeNote(int set, int note) {
  return Synthesize(TimbreOf(set), KeyFrequency(SoundSetKey(SoundSets[set], note)), note);
}
