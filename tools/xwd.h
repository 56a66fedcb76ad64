// Reads the screenshots that xwd writes (a big-endian header, a colour map,
// then 32-bit pixels) into 8-bit RGB rows from the top.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline bool ReadXwd(const std::string& xwd, int* width, int* height, std::vector<uint8_t>* rgb) {
  auto big32 = [&](size_t at) {
    return (uint32_t(uint8_t(xwd[at])) << 24) | (uint32_t(uint8_t(xwd[at + 1])) << 16) |
           (uint32_t(uint8_t(xwd[at + 2])) << 8) | uint32_t(uint8_t(xwd[at + 3]));
  };
  if (xwd.size() < 100) return false;
  uint32_t headerSize = big32(0), w = big32(16), h = big32(20);
  uint32_t byteOrder = big32(28), bitsPerPixel = big32(44), bytesPerLine = big32(48), colours = big32(76);
  size_t pixels = size_t(headerSize) + size_t(colours) * 12;
  if (bitsPerPixel != 32 || w == 0 || h == 0 || xwd.size() < pixels + size_t(bytesPerLine) * h ||
      bytesPerLine < w * 4)
    return false;
  rgb->resize(size_t(w) * h * 3);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const uint8_t* p = reinterpret_cast<const uint8_t*>(&xwd[pixels + size_t(y) * bytesPerLine + x * 4]);
      uint32_t v = byteOrder == 0 ? (p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24)
                                  : (uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]);
      uint8_t* out = &(*rgb)[(size_t(y) * w + x) * 3];
      out[0] = uint8_t(v >> 16);
      out[1] = uint8_t(v >> 8);
      out[2] = uint8_t(v);
    }
  *width = int(w);
  *height = int(h);
  return true;
}
