// Helpers of the headless demo:
//   demo_tool pattern FILE     writes the demo's pattern (a 192-byte slot file)
//   demo_tool png XWD PNG      turns an xwd screenshot into a PNG
//   demo_tool wav RAW WAV [RATE]
//                              wraps SDL's disk-driver capture (16-bit stereo,
//                              22050 Hz unless told) as a WAV file
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <stb_image_write.h>

#include "wav.h"
#include "xwd.h"

namespace {
std::string ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A gentle tune: a rising and falling line of pegs with a few chords, spread
// over the rows so that the sweep plays something every step or two.
std::vector<unsigned char> DemoPattern() {
  static const int Pegs[][2] = {{15, 0},  {14, 2}, {13, 4}, {12, 6}, {11, 8}, {10, 10}, {9, 11}, {8, 9},
                                {7, 7},   {6, 5},  {5, 3},  {4, 1},  {3, 0}, {3, 4},   {3, 7},  {1, 2},
                                {1, 6},   {1, 9},  {0, 11}, {12, 1}, {9, 3}, {6, 10}};
  std::vector<unsigned char> grid(192, 0);
  for (const auto& p : Pegs) grid[p[0] * 12 + p[1]] = 1;
  return grid;
}
}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "pattern" && argc == 3) {
    std::vector<unsigned char> grid = DemoPattern();
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(grid.data()), grid.size());
    return out ? 0 : 1;
  }
  if (mode == "png" && argc == 4) {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    if (!ReadXwd(ReadAll(argv[2]), &w, &h, &rgb)) {
      std::fprintf(stderr, "demo_tool: %s is not a 32-bit xwd screenshot\n", argv[2]);
      return 1;
    }
    return stbi_write_png(argv[3], w, h, 3, rgb.data(), w * 3) ? 0 : 1;
  }
  if (mode == "wav" && (argc == 4 || argc == 5)) {
    std::string raw = ReadAll(argv[2]);
    std::vector<int16_t> samples(raw.size() / 2);
    std::memcpy(samples.data(), raw.data(), samples.size() * 2);  // little-endian, as the machine
    int rate = argc == 5 ? std::atoi(argv[4]) : 22050;
    return rate > 0 && WriteWav(argv[3], samples, 2, static_cast<uint32_t>(rate)) ? 0 : 1;
  }
  std::fprintf(stderr, "usage: demo_tool pattern FILE | png XWD PNG | wav RAW WAV [RATE]\n");
  return 2;
}
