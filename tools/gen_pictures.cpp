// Writes the pictures the program reads from its working directory, peg.png,
// background.png and splash.png (see pictures.h), and splash-words.bin, the
// splash's lettering packed for the page, which draws the rest itself.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <stb_image_write.h>
#include <stb_truetype.h>

#include "pictures.h"

#ifndef PEGPOND_FONT_DIR
#define PEGPOND_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace {
struct Font {
  std::vector<unsigned char> data;
  stbtt_fontinfo info;
};

bool LoadFont(const std::string& path, Font& font) {
  font.data = FileBytes(path.c_str());
  return !font.data.empty() && stbtt_InitFont(&font.info, font.data.data(), stbtt_GetFontOffsetForIndex(font.data.data(), 0)) != 0;
}

float TextWidth(const Font& font, const std::string& text, float pixelHeight) {
  float scale = stbtt_ScaleForPixelHeight(&font.info, pixelHeight);
  float width = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    int advance, bearing;
    stbtt_GetCodepointHMetrics(&font.info, text[i], &advance, &bearing);
    width += advance * scale;
    if (i + 1 < text.size()) width += scale * stbtt_GetCodepointKernAdvance(&font.info, text[i], text[i + 1]);
  }
  return width;
}

// Renders an ASCII line centred on `centreX` with its baseline at `baseline` into
// channel `channel` of the words' coverage.
void RenderText(Picture& words, int channel, const Font& font, const std::string& text, float pixelHeight,
                float centreX, float baseline) {
  float scale = stbtt_ScaleForPixelHeight(&font.info, pixelHeight);
  float penX = centreX - TextWidth(font, text, pixelHeight) / 2;
  int top = static_cast<int>(std::lround(baseline));
  for (size_t i = 0; i < text.size(); ++i) {
    int left = static_cast<int>(std::floor(penX));
    float shift = penX - left;
    int x0, y0, x1, y1;
    stbtt_GetCodepointBitmapBoxSubpixel(&font.info, text[i], scale, scale, shift, 0, &x0, &y0, &x1, &y1);
    int w = x1 - x0, h = y1 - y0;
    if (w > 0 && h > 0) {
      std::vector<unsigned char> glyph(static_cast<size_t>(w) * h);
      stbtt_MakeCodepointBitmapSubpixel(&font.info, glyph.data(), w, h, w, scale, scale, shift, 0, text[i]);
      for (int gy = 0; gy < h; ++gy)
        for (int gx = 0; gx < w; ++gx) {
          int x = left + x0 + gx, y = top + y0 + gy;
          if (x < 0 || x >= words.width || y < 0 || y >= words.height) continue;
          uint8_t& cell = words.bytes[(static_cast<size_t>(y) * words.width + x) * words.channels + channel];
          cell = std::max(cell, glyph[static_cast<size_t>(gy) * w + gx]);
        }
    }
    int advance, bearing;
    stbtt_GetCodepointHMetrics(&font.info, text[i], &advance, &bearing);
    penX += advance * scale;
    if (i + 1 < text.size()) penX += scale * stbtt_GetCodepointKernAdvance(&font.info, text[i], text[i + 1]);
  }
}


// The splash's title and hint, set in DejaVu Sans, each in a channel of its own.
Picture SetWords(const Font& bold, const Font& regular) {
  Picture words = {SplashSize, SplashSize, 2, std::vector<uint8_t>(SplashSize * SplashSize * 2, 0)};
  const float centreX = SplashWindowLeft + SplashWindowWidth / 2.0f;
  const int top = SplashWindowTop;
  RenderText(words, 0, bold, "pegpond", 66, centreX, top + 218);
  RenderText(words, 1, regular, "tap to place pegs", 21, centreX, top + 300);
  RenderText(words, 1, regular, "tilt to steer", 21, centreX, top + 332);
  RenderText(words, 1, regular, "shake to clear", 21, centreX, top + 364);
  return words;
}

bool WritePng(const std::string& path, const Picture& picture) {
  return stbi_write_png(path.c_str(), picture.width, picture.height, picture.channels, picture.bytes.data(),
                        picture.width * picture.channels) != 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_pictures OUTPUT_DIR\n");
    return 2;
  }
  const std::string directory = argv[1];
  Font bold, regular;
  for (auto [font, name] : {std::pair<Font*, const char*>{&bold, "DejaVuSans-Bold.ttf"}, {&regular, "DejaVuSans.ttf"}}) {
    std::string path = std::string(PEGPOND_FONT_DIR) + "/" + name;
    if (!LoadFont(path, *font)) {
      std::fprintf(stderr, "gen_pictures: cannot read the font %s; install the Debian package fonts-dejavu-core\n",
                   path.c_str());
      return 1;
    }
  }
  Picture words = SetWords(bold, regular), background, splash;
  MakePond(words, &background, &splash, nullptr);
  if (!WritePng(directory + "/peg.png", MakePeg()) || !WritePng(directory + "/background.png", background) ||
      !WritePng(directory + "/splash.png", splash) || !WriteFileBytes((directory + "/splash-words.bin").c_str(), PackSparse(words))) {
    std::fprintf(stderr, "gen_pictures: cannot write the pictures into %s\n", directory.c_str());
    return 1;
  }
  return 0;
}
