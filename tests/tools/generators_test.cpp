#include <gtest/gtest.h>
#include <stb_image.h>

#include "pictures.h"

namespace {
Picture Pattern(int width, int height, int channels) {
  Picture picture = {width, height, channels, std::vector<uint8_t>(size_t(width) * height * channels)};
  for (size_t i = 0; i < picture.bytes.size(); ++i) picture.bytes[i] = uint8_t(i % 7 == 0 ? 0 : i * 31 + i / 251);
  return picture;
}
}  // namespace

// Each channel count, and more rows than one stored block holds (65535 bytes).
TEST(Generators, StoredPngsReadBackAsTheirPixels) {
  for (auto [width, height, channels] : {std::tuple{5, 3, 1}, {7, 2, 2}, {300, 120, 3}, {64, 64, 4}}) {
    Picture picture = Pattern(width, height, channels);
    std::vector<uint8_t> png = StoredPng(picture);
    int w = 0, h = 0, n = 0;
    uint8_t* read = stbi_load_from_memory(png.data(), int(png.size()), &w, &h, &n, 0);
    ASSERT_NE(read, nullptr) << width << " x " << height << " x " << channels;
    EXPECT_EQ(std::tuple(w, h, n), std::tuple(width, height, channels));
    EXPECT_TRUE(std::equal(picture.bytes.begin(), picture.bytes.end(), read)) << width << " x " << height;
    stbi_image_free(read);
  }
}

// The lettering comes back whole, and what is cut short, padded or claims
// another size comes back as nothing.
TEST(Generators, PackedPicturesUnpackWholeOrNotAtAll) {
  Picture picture = Pattern(300, 200, 2);
  std::fill(picture.bytes.begin(), picture.bytes.begin() + 70000, 0);  // a zero run longer than one count holds
  std::vector<uint8_t> packed = PackSparse(picture);
  Picture back = UnpackSparse(packed);
  EXPECT_EQ(std::tuple(back.width, back.height, back.channels), std::tuple(300, 200, 2));
  EXPECT_EQ(back.bytes, picture.bytes);
  std::vector<uint8_t> cut(packed.begin(), packed.end() - 1), longer = packed, wider = packed;
  longer.insert(longer.end(), {0, 0, 1, 7});
  wider[0] += 1;
  for (const auto& broken : {cut, longer, wider, std::vector<uint8_t>{44, 1, 44, 1, 9, 0}, std::vector<uint8_t>{}})
    EXPECT_TRUE(UnpackSparse(broken).bytes.empty()) << broken.size();
}
