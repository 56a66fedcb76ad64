// Writes the seed corpora under fuzz/corpus: a few slot files, pictures of
// every channel count and several formats, and event runs that reach each
// handler. Run from the repository root; the files are kept in the repository.
#include <stb_image_write.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;

void Write(const std::string& path, const Bytes& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::perror(path.c_str());
    return;
  }
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

Bytes Repeat(size_t size, uint8_t (*byte)(size_t)) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = byte(i);
  return bytes;
}

void PatternSeeds(const std::string& dir) {
  Write(dir + "/one-peg", {1});
  Write(dir + "/rows0-7-and-a-bit", Repeat(100, [](size_t i) { return uint8_t(i % 2); }));
  Write(dir + "/one-short", Repeat(191, [](size_t) { return uint8_t(1); }));
  Write(dir + "/diagonal", Repeat(192, [](size_t i) { return uint8_t(i % 13 == 0); }));
  Write(dir + "/other-bytes", Repeat(192, [](size_t i) { return uint8_t(i % 3 == 0 ? 2 : i % 3 == 1 ? 255 : 3); }));
  Write(dir + "/one-long", Repeat(193, [](size_t i) { return uint8_t(i % 5 == 0); }));
  Write(dir + "/long-noise", Repeat(400, [](size_t i) { return uint8_t(i * 2654435761u >> 13); }));
}

void WriteToBytes(void* context, void* data, int size) {
  Bytes* out = static_cast<Bytes*>(context);
  out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

Bytes Pixels(int width, int height, int channels) {
  Bytes pixels(static_cast<size_t>(width) * height * channels);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 37 + 5);
  return pixels;
}

void PictureSeeds(const std::string& dir) {
  struct Png {
    const char* name;
    int width, height, channels;
  };
  const Png pngs[] = {{"grey-4x4.png", 4, 4, 1}, {"grey-alpha-2x2.png", 2, 2, 2}, {"rgb-3x3.png", 3, 3, 3},
                      {"rgba-8x8.png", 8, 8, 4}, {"rgba-4x2.png", 4, 2, 4}};
  for (const Png& p : pngs) {
    Bytes out;
    Bytes pixels = Pixels(p.width, p.height, p.channels);
    stbi_write_png_to_func(WriteToBytes, &out, p.width, p.height, p.channels, pixels.data(), p.width * p.channels);
    Write(dir + "/" + p.name, out);
  }
  Bytes out;
  Bytes rgb = Pixels(4, 4, 3), rgba = Pixels(4, 4, 4), big = Pixels(8, 8, 3);
  stbi_write_bmp_to_func(WriteToBytes, &out, 4, 4, 3, rgb.data());
  Write(dir + "/rgb-4x4.bmp", out);
  out.clear();
  stbi_write_tga_to_func(WriteToBytes, &out, 4, 4, 4, rgba.data());
  Write(dir + "/rgba-4x4.tga", out);
  out.clear();
  stbi_write_jpg_to_func(WriteToBytes, &out, 8, 8, 3, big.data(), 80);
  Write(dir + "/rgb-8x8.jpg", out);
  out.clear();
  const float light[2 * 2 * 3] = {0.1f, 0.2f, 0.3f, 1, 2, 3, 0.5f, 0.5f, 0.5f, 4, 0, 1};
  stbi_write_hdr_to_func(WriteToBytes, &out, 2, 2, 3, light);
  Write(dir + "/rgb-2x2.hdr", out);

  std::string ppm = "P6\n2 2\n255\n";
  ppm += std::string("\x10\x20\x30\x40\x50\x60\x70\x80\x90\xa0\xb0\xc0", 12);
  Write(dir + "/rgb-2x2.ppm", Bytes(ppm.begin(), ppm.end()));
  std::string pgm = "P5 1 1 255 \x7f";
  Write(dir + "/grey-1x1.pgm", Bytes(pgm.begin(), pgm.end()));
  // One pixel, a two-colour table, the image as a single LZW block.
  Write(dir + "/one-pixel.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
                                 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B});
}

// Event runs in the fuzzer's encoding: a screen choice and a clock start, then
// operations, each an opcode and its operands.
struct Run {
  Bytes bytes;
  explicit Run(uint8_t screen = 0, uint8_t start = 1) : bytes{screen, start} {}
  Run& Word(unsigned w) {
    bytes.push_back(uint8_t(w));
    bytes.push_back(uint8_t(w >> 8));
    return *this;
  }
  Run& Mouse(uint8_t op, unsigned x, unsigned y, uint8_t buttons) {
    bytes.push_back(op);
    Word(x).Word(y);
    bytes.push_back(buttons);
    return *this;
  }
  Run& Press(unsigned x, unsigned y) { return Mouse(0, x, y, 1); }
  Run& Release(unsigned x, unsigned y) { return Mouse(1, x, y, 1); }
  Run& Drag(unsigned x, unsigned y) { return Mouse(2, x, y, 1); }
  // Key choices index the fuzzer's key table: 0-8 digits, 9-17 letters, 18 l, 20 a.
  Run& Key(uint8_t choice, unsigned mod = 0) {
    bytes.push_back(3);
    bytes.push_back(choice);
    return Word(mod);
  }
  Run& Active(uint8_t gain) {
    bytes.insert(bytes.end(), {5, gain, 2});
    return *this;
  }
  Run& Tick(unsigned ms, int x = 0, int y = 0, int z = 32767) {
    bytes.push_back(6);
    return Word(ms).Word(unsigned(x)).Word(unsigned(y)).Word(unsigned(z));
  }
  Run& Ticks(int count, unsigned ms, int x = 0, int y = 0, int z = 32767) {
    for (int i = 0; i < count; ++i) Tick(ms, x, y, z);
    return *this;
  }
  Run& SlotFile(uint8_t slotIndex, const Bytes& content) {
    bytes.insert(bytes.end(), {8, slotIndex});
    Word(unsigned(content.size()));
    bytes.insert(bytes.end(), content.begin(), content.end());
    return *this;
  }
};

void EventSeeds(const std::string& dir) {
  // Cell centres on the 320 x 480 screen: x = 22 + 25 column, y = 427 - 25 row.
  Write(dir + "/tap-and-play", Run().Key(20).Press(22, 427).Release(22, 427).Press(97, 327).Release(97, 327)
                                   .Ticks(40, 40).bytes);
  Write(dir + "/drag-stroke", Run().Ticks(1, 6000).Press(22, 427).Drag(47, 427).Drag(72, 402).Drag(22, 427)
                                  .Release(72, 402).Ticks(10, 33).bytes);
  Write(dir + "/save-change-load", Run().Key(20).Press(22, 427).Release(22, 427).Key(0, 0x0001).Press(47, 427)
                                       .Release(47, 427).Key(9, 0x0002).Key(0).Key(9).bytes);
  Bytes foreign(100);
  for (size_t i = 0; i < foreign.size(); ++i) foreign[i] = uint8_t(i % 4 == 0 ? 255 : i % 4 == 1 ? 2 : i % 2);
  Write(dir + "/foreign-file", Run().SlotFile(1, foreign).Key(10).Press(22, 427).Key(1, 0x0001).Ticks(20, 100)
                                   .bytes);
  Write(dir + "/tilt-steering", Run().Key(20).Press(22, 427).Ticks(20, 50, 19661, 0, 26214)
                                    .Ticks(20, 50, -19661, 0, 26214).Ticks(20, 50, 0, -19661, 26214).bytes);
  Write(dir + "/shake", Run().Key(20).Press(22, 427).Ticks(6, 40, 32767, 32767, 32767).bytes);
  Write(dir + "/life", Run().Key(18).Press(22, 427).Press(47, 427).Press(47, 402).Ticks(80, 250).bytes);
  Write(dir + "/inactive-pause", Run(2, 255).Key(20).Ticks(5, 40).Active(0).Ticks(3, 40).Active(1)
                                     .Ticks(1, 10000).bytes);
  Write(dir + "/intro-wait", Run(4).Press(100, 100).Drag(200, 600).Ticks(10, 1000).bytes);
}
}  // namespace

int main() {
  const char* dirs[] = {"fuzz/corpus", "fuzz/corpus/pattern", "fuzz/corpus/texture", "fuzz/corpus/events"};
  for (const char* dir : dirs) mkdir(dir, 0777);
  PatternSeeds(dirs[1]);
  PictureSeeds(dirs[2]);
  EventSeeds(dirs[3]);
  return 0;
}
