#include <stb_image.h>
#include <stb_image_write.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "gl_test_support.h"

namespace {
class Textures : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    StartGl(8, 8);
    CopyProgram = BuildProgram(QuadVertexShader, CopyFragmentShader);
  }

  // The texture drawn one texel a pixel into the bottom-left side x side
  // pixels, t = 0 along the bottom row.
  std::vector<uint8_t> Shown(GLuint texture, int side) {
    glViewport(0, 0, side, side);
    glUseProgram(CopyProgram);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnableVertexAttribArray(PositionSlot);
    glEnableVertexAttribArray(TexCoord0Slot);
    glVertexAttribPointer(TexCoord0Slot, 2, GL_FLOAT, GL_FALSE, 0, UnitTexCoords);
    DrawQuad(FullScreenPositions);
    return ReadPixels(0, 0, side, side);
  }

  // State a load must leave alone, away from its defaults.
  void UnusualState() {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, MakeTarget(1, 1));
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, MakeTarget(1, 1));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
  }
};

// A valid all-black grey PNG, side x side, written without holding its pixels:
// one fixed-code deflate block of a zero literal and then copies of 258 bytes
// at distance 1, 13 bits each; 16385 x 16385 takes 1.7 MB.
void WriteBlackPng(const char* path, uint32_t side) {
  std::vector<uint8_t> z = {0x78, 0x01};
  uint32_t pending = 0;
  int count = 0;
  auto put = [&](uint32_t code, int bits) {  // codes go most significant bit first
    for (int i = bits - 1; i >= 0; --i) {
      pending |= ((code >> i) & 1u) << count;
      if (++count == 8) z.push_back(uint8_t(pending)), pending = 0, count = 0;
    }
  };
  uint64_t total = uint64_t(side) * (side + 1), left = total - 1;  // each row starts with a filter byte
  put(0b110, 3);                                          // last block, fixed codes
  put(0x30, 8);                                           // literal 0
  for (; left >= 258; left -= 258) put(0xC5u << 5, 13);   // length 258, distance 1
  for (; left > 0; --left) put(0x30, 8);
  put(0, 7);                                              // end of block
  if (count > 0) z.push_back(uint8_t(pending));
  auto bigEndian = [](std::vector<uint8_t>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(uint8_t(x >> s));
  };
  bigEndian(z, uint32_t(total % 65521) << 16 | 1);  // Adler-32 of zeros

  std::ofstream file(path, std::ios::binary);
  auto chunk = [&](const char* type, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> c;
    bigEndian(c, uint32_t(data.size()));
    c.insert(c.end(), type, type + 4);
    c.insert(c.end(), data.begin(), data.end());
    uint32_t crc = ~0u;
    for (size_t i = 4; i < c.size(); ++i) {
      crc ^= c[i];
      for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    bigEndian(c, ~crc);
    file.write(reinterpret_cast<const char*>(c.data()), std::streamsize(c.size()));
  };
  std::vector<uint8_t> header;
  bigEndian(header, side);
  bigEndian(header, side);
  header.insert(header.end(), {8, 0, 0, 0, 0});  // 8-bit grey
  file.write("\x89PNG\r\n\x1a\n", 8);
  chunk("IHDR", header);
  chunk("IDAT", z);
  chunk("IEND", {});
}

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return -1;
}
}  // namespace

TEST_F(Textures, UnusablePicturesMakeNothingAndChangeNothing) {
  const uint8_t grey[4] = {90, 90, 90, 255};
  ASSERT_TRUE(WriteFlatPng("wide.png", 8, 4, 3, grey));
  std::ofstream("garbage.png") << "not a picture";
  // Only PNG pictures are read: other formats' readers are not trusted.
  std::vector<uint8_t> square(8 * 8 * 3, 128);
  ASSERT_TRUE(stbi_write_jpg("square.jpg", 8, 8, 3, square.data(), 90));
  ASSERT_TRUE(stbi_write_bmp("square.bmp", 8, 8, 3, square.data()));
  UnusualState();
  int objects = CountTextureObjects();
  std::vector<GLint> state = GlStateNow();
  for (const char* name : {"missing.png", "wide.png", "garbage.png", "square.jpg", "square.bmp"})
    EXPECT_EQ(LoadTexture(name), 0u) << name;
  EXPECT_EQ(CountTextureObjects(), objects);
  EXPECT_EQ(GlStateNow(), state);
}

TEST_F(Textures, OversizedPictureIsRefusedUnread) {
  // The writer makes pictures that decode.
  WriteBlackPng("small.png", 64);
  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels = stbi_load("small.png", &width, &height, &channels, 0);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(pixels, pixels + 64 * 64), std::vector<uint8_t>(64 * 64, 0));
  stbi_image_free(pixels);

  // One texel more than this GL takes: decoding it would need over 256 MB.
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  WriteBlackPng("huge.png", uint32_t(maxSize) + 1);
  UnusualState();
  int objects = CountTextureObjects();
  std::vector<GLint> state = GlStateNow();
  std::ofstream("/proc/self/clear_refs") << "5";  // peak resident size := present size
  long resident = StatusKb("VmRSS:");
  EXPECT_EQ(LoadTexture("huge.png"), 0u);
  EXPECT_LT(StatusKb("VmHWM:") - resident, 32 * 1024) << "the picture was decoded";
  EXPECT_EQ(CountTextureObjects(), objects);
  EXPECT_EQ(GlStateNow(), state);
}

TEST_F(Textures, EachChannelCountUploadsInItsFormat) {
  struct Case {
    int channels;
    Rgba (*expected)(const uint8_t* p);
  } cases[] = {
      {1, [](const uint8_t* p) { return Rgba{p[0], p[0], p[0], 255}; }},
      {2, [](const uint8_t* p) { return Rgba{p[0], p[0], p[0], p[1]}; }},
      {3, [](const uint8_t* p) { return Rgba{p[0], p[1], p[2], 255}; }},
      {4, [](const uint8_t* p) { return Rgba{p[0], p[1], p[2], p[3]}; }},
  };
  // 5 pixels a side: odd rows of 5, 10, 15 and 20 bytes.
  const int side = 5;
  for (const Case& c : cases) {
    std::vector<uint8_t> picture;
    for (int i = 0; i < side * side * c.channels; ++i) picture.push_back(uint8_t(13 + 7 * i));
    std::string name = std::to_string(c.channels) + ".png";
    ASSERT_TRUE(WritePng(name, side, side, c.channels, picture));

    UnusualState();
    GLuint texture = LoadTexture(name.c_str());
    ASSERT_NE(texture, 0u) << c.channels;
    // Left bound on unit 0, the active unit.
    std::vector<GLint> state = GlStateNow();
    EXPECT_EQ(state[0], GL_TEXTURE0);
    EXPECT_EQ(state[1], GLint(texture));

    // File row 0, the picture's top, is texture row t = 0: the bottom row here.
    std::vector<uint8_t> shown = Shown(texture, side);
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x)
        EXPECT_EQ(PixelAt(shown, side, x, y), c.expected(&picture[(y * side + x) * c.channels]))
            << c.channels << " channels, file row " << y << ", column " << x;
  }
}
