// Writes 16-bit PCM WAV files, by default at 22050 Hz, the rate of the program's sound.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// samples: interleaved when channels is 2.
inline bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int channels,
                     uint32_t rate = 22050) {
  std::vector<uint8_t> out;
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
  };
  auto put16 = [&](uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
  };
  uint32_t dataBytes = uint32_t(samples.size() * 2);
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  put32(36 + dataBytes);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(16);
  put16(1);  // PCM
  put16(uint16_t(channels));
  put32(rate);
  put32(rate * 2 * channels);
  put16(uint16_t(2 * channels));
  put16(16);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  put32(dataBytes);
  for (int16_t s : samples) put16(uint16_t(s));
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return std::fclose(file) == 0 && ok;
}
