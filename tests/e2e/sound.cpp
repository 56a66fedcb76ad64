#include "sound.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "note_scale.h"

namespace {
const double Rate = 22050.0;
const double Pi = 3.14159265358979323846;

// Amplitude of the sinusoid at frequency f in samples [start, start + n),
// through a Hann window.
double Amplitude(const std::vector<int16_t>& s, size_t start, size_t n, double f) {
  if (start + n > s.size()) return 0;
  double w = 2 * Pi * f / Rate, re = 0, im = 0;
  for (size_t i = 0; i < n; ++i) {
    double hann = 0.5 - 0.5 * std::cos(2 * Pi * i / (n - 1));
    double v = s[start + i] * hann;
    re += v * std::cos(w * i);
    im -= v * std::sin(w * i);
  }
  return 4.0 * std::sqrt(re * re + im * im) / n;
}
}  // namespace

StereoCapture ReadCapture(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  StereoCapture c;
  for (size_t i = 0; i + 3 < bytes.size(); i += 4) {
    auto at = [&](size_t k) { return int16_t(uint8_t(bytes[k]) | (uint8_t(bytes[k + 1]) << 8)); };
    c.left.push_back(at(i));
    c.right.push_back(at(i + 2));
  }
  return c;
}

double ExpectedBalance(int note) {
  int pan = note * 100 / 15;
  return (255.0 - pan) / (155.0 + pan);
}

double Level(const StereoCapture& c, double from, double to) {
  size_t a = size_t(std::max(0.0, from) * Rate), b = std::min(c.left.size(), size_t(to * Rate));
  double sum = 0;
  for (size_t i = a; i < b; ++i) sum += double(c.left[i]) * c.left[i] + double(c.right[i]) * c.right[i];
  return b > a ? std::sqrt(sum / (2.0 * (b - a))) : 0;
}

std::vector<NoteOnset> FindNoteOnsets(const StereoCapture& c) {
  // A note starts where its pitch's amplitude jumps well above what it was
  // 60 ms earlier and then peaks loud: a note alone peaks at about 1700 in
  // the two channels' mean, leakage from neighbouring pitches far lower.
  const size_t hop = size_t(Rate * 0.01), window = size_t(Rate * 0.06);
  std::vector<NoteOnset> onsets;
  std::vector<int16_t> mono(c.left.size());
  for (size_t i = 0; i < mono.size(); ++i) mono[i] = int16_t((c.left[i] + c.right[i]) / 2);
  for (int note = 0; note < 16; ++note) {
    double f = NoteFrequency(note);
    std::vector<double> a;
    for (size_t start = 0; start + window <= mono.size(); start += hop) a.push_back(Amplitude(mono, start, window, f));
    size_t lag = 6;  // 60 ms
    for (size_t k = lag; k < a.size(); ++k) {
      if (a[k] < 300 || a[k] < 2.5 * a[k - lag]) continue;
      // Take the peak of this rise as the note's body, then skip past it.
      size_t peak = k;
      while (peak + 1 < a.size() && a[peak + 1] >= a[peak]) ++peak;
      // A window only partly inside a fresh note smears it over nearby
      // pitches; once the window is wholly inside, only the real note is loud.
      if (a[peak] < 800) continue;
      double startSeconds = (k * hop + window) / Rate - 0.03;
      size_t from = size_t((startSeconds + 0.04) * Rate), n = size_t(Rate * 0.1);
      double l = Amplitude(c.left, from, n, f), r = Amplitude(c.right, from, n, f);
      onsets.push_back({note, startSeconds, r > 0 ? l / r : 0});
      k = peak + lag;
    }
  }
  std::sort(onsets.begin(), onsets.end(), [](const NoteOnset& x, const NoteOnset& y) { return x.seconds < y.seconds; });
  return onsets;
}

std::string Describe(const std::vector<NoteOnset>& onsets) {
  std::string out;
  char line[96];
  for (const NoteOnset& o : onsets) {
    std::snprintf(line, sizeof line, "note %2d at %6.3f s balance %.3f (expected %.3f)\n", o.note, o.seconds,
                  o.balance, ExpectedBalance(o.note));
    out += line;
  }
  return out;
}
