// The picture generator, which the build runs into the data folder and the
// page runs in place of fetching its pictures:
//   peg.png        64 x 64 RGBA, a glossy coral marble; its alpha is its shape and
//                  how hard it pushes the water. The central 50 x 50 texels fill a cell.
//   background.png 512 x 512 RGB, a pebble and sand pond bed that tiles seamlessly.
//   splash.png     512 x 512 RGB, the name and a short hint over the darkened pond bed,
//                  laid out in the central 320 x 480 texels that a 320 x 480 screen shows.
// The peg and the background are drawn upside down, because the program shows
// both mirrored top to bottom; the splash is shown upright. Everything comes
// from fixed seeds, so every run makes the same bytes.
#pragma once

#include <cstdint>
#include <vector>

// 8-bit pixels, `channels` to a pixel, rows from the top of the file down.
struct Picture {
  int width = 0, height = 0, channels = 0;
  std::vector<uint8_t> bytes;
};

// The splash's size, and the part of it a 320 x 480 screen shows.
const int SplashSize = 512;
const int SplashWindowLeft = 96, SplashWindowTop = 16, SplashWindowWidth = 320;

Picture MakePeg();
// The background and the splash, from one pond bed. `words` is the splash's
// lettering, set at the build from its fonts: the coverage of the title in the
// first channel and of the hint in the second, SplashSize square. `breathe`,
// when not null, is called every few milliseconds of drawing.
void MakePond(const Picture& words, Picture* background, Picture* splash, void (*breathe)());

// A whole file's bytes (none when it cannot be read), and bytes written as a
// whole file (false when they could not all be).
std::vector<uint8_t> FileBytes(const char* path);
bool WriteFileBytes(const char* path, const std::vector<uint8_t>& bytes);

// The picture as a PNG file's bytes, its pixels stored uncompressed.
std::vector<uint8_t> StoredPng(const Picture& picture);
// A picture of mostly zero bytes, such as the lettering, packed small and
// unpacked; what does not unpack whole gives an empty picture.
std::vector<uint8_t> PackSparse(const Picture& picture);
Picture UnpackSparse(const std::vector<uint8_t>& packed);
