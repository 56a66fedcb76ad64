// Writes the three pictures the program reads from its working directory:
//   "peg.png"        64 x 64 RGBA, a glossy coral marble; its alpha is its shape and
//                    how hard it pushes the water. The central 50 x 50 texels fill a cell.
//   "background.png" 512 x 512 RGB, a pebble and sand pond bed that tiles seamlessly.
//   "splash.png"     512 x 512 RGB, the name and a short hint over the darkened pond bed,
//                    laid out in the central 320 x 480 texels that a 320 x 480 screen shows.
// The peg and the background are drawn upside down in their files, because the program
// shows both mirrored top to bottom; the splash is shown upright. Everything comes from
// fixed seeds, so every run writes the same bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <stb_image_write.h>
#include <stb_truetype.h>

#ifndef PEGPOND_FONT_DIR
#define PEGPOND_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace {
const float Pi = 3.14159265f;
const int PictureSize = 512;
const int PegSize = 64;
// Peg radius in texels: a cell shows the picture from texel edge 7 to 57 at half scale,
// so the disc leaves about a one-pixel gap around it in the cell.
const float PegRadius = 23.0f;
// The part of a 512 x 512 picture that a 320 x 480 screen shows.
const int WindowLeft = 96, WindowTop = 16, WindowWidth = 320;

struct Rgb {
  float r, g, b;
};
Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
Rgb Mix(Rgb a, Rgb b, float t) { return a * (1.0f - t) + b * t; }

struct Vec3 {
  float x, y, z;
};
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Normalize(Vec3 v) {
  float length = std::sqrt(Dot(v, v));
  return {v.x / length, v.y / length, v.z / length};
}

float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }
float SmoothStep(float edge0, float edge1, float v) {
  float t = Clamp01((v - edge0) / (edge1 - edge0));
  return t * t * (3.0f - 2.0f * t);
}

// A float RGB picture, rows from the top down.
struct Canvas {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;
  Rgb& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
};
Canvas MakeCanvas(int width, int height, Rgb fill) {
  Canvas canvas;
  canvas.width = width;
  canvas.height = height;
  canvas.pixels.assign(static_cast<size_t>(width) * height, fill);
  return canvas;
}

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

// Writes a canvas as 8-bit RGB, upside down when the program shows it mirrored.
bool WriteRgbPng(const std::string& path, Canvas& canvas, bool flipVertically) {
  std::vector<uint8_t> bytes;
  bytes.reserve(canvas.pixels.size() * 3);
  for (int y = 0; y < canvas.height; ++y) {
    int source = flipVertically ? canvas.height - 1 - y : y;
    for (int x = 0; x < canvas.width; ++x) {
      Rgb c = canvas.At(x, source);
      bytes.insert(bytes.end(), {ToByte(c.r), ToByte(c.g), ToByte(c.b)});
    }
  }
  return stbi_write_png(path.c_str(), canvas.width, canvas.height, 3, bytes.data(), canvas.width * 3) != 0;
}

// Fixed-seed random numbers (splitmix64), the same on every platform.
struct Random {
  uint64_t state;
};
float NextUniform(Random& random) {
  uint64_t z = (random.state += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  z ^= z >> 31;
  return static_cast<float>(z >> 40) / static_cast<float>(1 << 24);
}
float NextRange(Random& random, float low, float high) { return low + (high - low) * NextUniform(random); }

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return h;
}
float Hash01(uint32_t x, uint32_t y, uint32_t seed) { return Hash(x, y, seed) / 4294967295.0f; }

// Value noise on a lattice that repeats every `period` cells, in [-1, 1].
float PeriodicNoise(float x, float y, int period, uint32_t seed) {
  float fx = std::floor(x), fy = std::floor(y);
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * tx * (tx * (tx * 6 - 15) + 10);
  ty = ty * ty * ty * (ty * (ty * 6 - 15) + 10);
  auto lattice = [&](int ix, int iy) {
    ix = ((ix % period) + period) % period;
    iy = ((iy % period) + period) % period;
    return Hash01(ix, iy, seed) * 2.0f - 1.0f;
  };
  int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  float top = lattice(ix, iy) + (lattice(ix + 1, iy) - lattice(ix, iy)) * tx;
  float bottom = lattice(ix, iy + 1) + (lattice(ix + 1, iy + 1) - lattice(ix, iy + 1)) * tx;
  return top + (bottom - top) * ty;
}

// Fractal noise over the unit square (u, v in picture widths) that tiles at its edges.
float TileFbm(float u, float v, int period, int octaves, uint32_t seed) {
  float sum = 0, amplitude = 0.5f;
  for (int i = 0; i < octaves; ++i, period *= 2, amplitude *= 0.5f)
    sum += amplitude * PeriodicNoise(u * period, v * period, period, seed + i);
  return sum;
}

// ---- The peg ----

// Colour and coverage of the peg at (x, y) in peg radii from its centre, x right and
// y up as on screen. The light comes from the upper left.
struct PegSample {
  Rgb colour;
  float alpha;
};
PegSample ShadePeg(float x, float y, float edgeWidth) {
  const Rgb Body = {0.93f, 0.36f, 0.24f};
  const Vec3 Light = Normalize({-0.5f, 0.6f, 0.65f});
  const Vec3 Half = Normalize({Light.x, Light.y, Light.z + 1.0f});
  float r = std::sqrt(x * x + y * y);
  float alpha = Clamp01((1.0f - r) / edgeWidth + 0.5f);
  // Outside the disc shade the rim, so filtering never blends in a foreign colour.
  if (r > 0.995f) {
    x *= 0.995f / r;
    y *= 0.995f / r;
    r = 0.995f;
  }
  // A slightly flattened dome.
  Vec3 n = Normalize({x, y, 0.85f * std::sqrt(1.0f - r * r)});
  float diffuse = std::max(0.0f, Dot(n, Light));
  Rgb c = Body * (0.32f + 0.8f * diffuse);
  // Light passing through the glossy body glows on the side away from the light.
  float glow = std::exp(-((x - 0.3f) * (x - 0.3f) + (y + 0.38f) * (y + 0.38f)) / 0.14f);
  c = c + Rgb{1.0f, 0.62f, 0.38f} * (0.42f * glow);
  // A pale sky reflected towards the edge, brighter on top.
  float fresnel = std::pow(1.0f - n.z, 3.0f) * 0.45f;
  c = Mix(c, Rgb{0.75f, 0.86f, 0.95f} * (0.45f + 0.45f * n.y), fresnel);
  // A darker rim sets the peg off against the water.
  c = c * (1.0f - 0.55f * SmoothStep(0.78f, 1.0f, r));
  // A broad sheen and a sharp highlight.
  float facing = std::max(0.0f, Dot(n, Half));
  float specular = 0.18f * std::pow(facing, 10.0f) + 1.1f * std::pow(facing, 90.0f);
  c = c + Rgb{1, 1, 1} * specular;
  return {{Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)}, alpha};
}

// Averages ShadePeg over a 4 x 4 grid inside the square of `texel` radii centred on (x, y).
PegSample SamplePeg(float x, float y, float texel) {
  Rgb sum = {0, 0, 0};
  float alphaSum = 0;
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) {
      PegSample s = ShadePeg(x + (i - 1.5f) * texel / 4, y + (j - 1.5f) * texel / 4, texel * 1.5f);
      sum = sum + s.colour * (s.alpha + 1e-4f);
      alphaSum += s.alpha + 1e-4f;
    }
  return {sum * (1.0f / alphaSum), Clamp01((alphaSum - 16e-4f) / 16.0f)};
}

bool WritePeg(const std::string& path) {
  std::vector<uint8_t> bytes;
  bytes.reserve(PegSize * PegSize * 4);
  const float texel = 1.0f / PegRadius;
  for (int row = 0; row < PegSize; ++row)
    for (int column = 0; column < PegSize; ++column) {
      // The file's top row is shown at the bottom of the cell.
      float x = (column + 0.5f - PegSize / 2) * texel;
      float y = (row + 0.5f - PegSize / 2) * texel;
      PegSample s = SamplePeg(x, y, texel);
      uint8_t alpha = ToByte(s.alpha);
      if (std::hypot(x, y) > 1.0f + 2.0f * texel) alpha = 0;  // exactly clear outside the edge
      bytes.insert(bytes.end(), {ToByte(s.colour.r), ToByte(s.colour.g), ToByte(s.colour.b), alpha});
    }
  return stbi_write_png(path.c_str(), PegSize, PegSize, 4, bytes.data(), PegSize * 4) != 0;
}

// Draws a peg of `radius` pixels centred on (cx, cy) over an upright canvas.
void DrawPeg(Canvas& canvas, float cx, float cy, float radius) {
  const float texel = 1.0f / radius;
  int extent = static_cast<int>(radius) + 2;
  for (int y = static_cast<int>(cy) - extent; y <= static_cast<int>(cy) + extent; ++y)
    for (int x = static_cast<int>(cx) - extent; x <= static_cast<int>(cx) + extent; ++x) {
      PegSample s = SamplePeg((x + 0.5f - cx) * texel, (cy - y - 0.5f) * texel, texel);
      canvas.At(x, y) = Mix(canvas.At(x, y), s.colour, s.alpha);
    }
}

// ---- The pond bed ----

struct Pebble {
  float cx, cy;          // centre in pixels
  float a, b, angle;     // half axes and the direction of the long one
  float wobble[3][2];    // amplitude and phase of the 2nd to 4th outline harmonics
  Rgb colour;
  uint32_t seed;         // speckle pattern
  float veinAngle, veinOffset, veinWidth;  // a pale quartz band; width 0 for none
};

// Distance from the centre in units of the pebble's outline (1 on the edge) and the
// outline's radius in pixels in that direction, for a pixel offset (dx, dy).
float PebbleExtent(const Pebble& p, float dx, float dy, float* radiusInDirection) {
  float ca = std::cos(p.angle), sa = std::sin(p.angle);
  float u = (dx * ca + dy * sa) / p.a, v = (-dx * sa + dy * ca) / p.b;
  float q = std::sqrt(u * u + v * v);
  float phi = std::atan2(v, u);
  float outline = 1.0f;
  for (int k = 0; k < 3; ++k) outline += p.wobble[k][0] * std::cos((k + 2) * phi + p.wobble[k][1]);
  float s = q / outline;
  if (radiusInDirection) *radiusInDirection = std::sqrt(dx * dx + dy * dy) / std::max(s, 1e-3f);
  return s;
}

// Scatters pebbles over the torus, denser in patches, without large overlaps.
std::vector<Pebble> ScatterPebbles() {
  static const Rgb Stones[] = {
      {0.46f, 0.47f, 0.49f}, {0.57f, 0.53f, 0.49f}, {0.64f, 0.54f, 0.38f}, {0.52f, 0.40f, 0.31f},
      {0.38f, 0.37f, 0.37f}, {0.72f, 0.70f, 0.65f}, {0.43f, 0.47f, 0.40f}, {0.60f, 0.48f, 0.42f},
  };
  Random random = {20240611};
  std::vector<Pebble> pebbles;
  for (int attempt = 0; attempt < 9000 && pebbles.size() < 340; ++attempt) {
    float cx = NextRange(random, 0, PictureSize), cy = NextRange(random, 0, PictureSize);
    float density = 0.5f + 1.3f * TileFbm(cx / PictureSize, cy / PictureSize, 3, 3, 71);
    float size = NextUniform(random);
    if (NextUniform(random) > density) continue;
    Pebble p;
    p.cx = cx;
    p.cy = cy;
    p.a = 6.0f + 16.0f * std::pow(size, 1.7f);
    p.b = p.a * NextRange(random, 0.62f, 0.92f);
    p.angle = NextRange(random, 0, Pi);
    bool crowded = false;
    for (const Pebble& o : pebbles) {
      float dx = std::fabs(o.cx - cx), dy = std::fabs(o.cy - cy);
      dx = std::min(dx, PictureSize - dx);
      dy = std::min(dy, PictureSize - dy);
      float reach = 0.8f * (o.a + p.a) + 0.15f * (o.b + p.b);
      if (dx * dx + dy * dy < reach * reach * 0.72f) {
        crowded = true;
        break;
      }
    }
    if (crowded) continue;
    for (auto& w : p.wobble) {
      w[0] = NextRange(random, -0.05f, 0.05f);
      w[1] = NextRange(random, 0, 2 * Pi);
    }
    Rgb base = Stones[static_cast<int>(NextUniform(random) * 8) % 8];
    p.colour = base * NextRange(random, 0.88f, 1.1f);
    p.seed = static_cast<uint32_t>(NextUniform(random) * 1e6f);
    p.veinWidth = NextUniform(random) < 0.22f ? NextRange(random, 0.06f, 0.14f) : 0.0f;
    p.veinAngle = NextRange(random, 0, Pi);
    p.veinOffset = NextRange(random, -0.5f, 0.5f);
    pebbles.push_back(p);
  }
  return pebbles;
}

// Sand with soft ripples, grain and silty patches, seamless at the edges.
Canvas DrawSand() {
  const Rgb Sand = {0.68f, 0.60f, 0.45f}, Silt = {0.50f, 0.48f, 0.39f};
  Canvas canvas = MakeCanvas(PictureSize, PictureSize, Sand);
  for (int y = 0; y < PictureSize; ++y)
    for (int x = 0; x < PictureSize; ++x) {
      float u = (x + 0.5f) / PictureSize, v = (y + 0.5f) / PictureSize;
      float patches = TileFbm(u, v, 4, 4, 11);
      float detail = TileFbm(u, v, 32, 3, 23);
      // Whole wave numbers keep the ripples seamless; noise bends them.
      float phase = 2 * Pi * (7 * u + 3 * v) + 2.6f * TileFbm(u, v, 4, 3, 37);
      float ripple = 0.07f * std::sin(phase) + 0.025f * std::sin(2 * phase + 1.0f);
      float grain = (Hash01(x, y, 5) - 0.5f) * 0.07f;
      Rgb c = Mix(Sand, Silt, Clamp01(0.5f + 1.4f * patches));
      canvas.At(x, y) = c * (1.0f + ripple + 0.10f * detail + grain);
    }
  return canvas;
}

// Applies one pebble to the bed: its soft shadow to the lower right, then the stone,
// lit from the upper left with a faint wet sheen.
void DrawPebble(Canvas& canvas, const Pebble& p) {
  const Vec3 Light = Normalize({-0.5f, -0.6f, 0.65f});  // y down, as the rows run
  const Vec3 Half = Normalize({Light.x, Light.y, Light.z + 1.0f});
  const float ShadowShift = 0.22f;
  int extent = static_cast<int>(p.a * 1.5f) + 3;
  int x0 = static_cast<int>(std::floor(p.cx)), y0 = static_cast<int>(std::floor(p.cy));
  auto wrap = [](int v) { return ((v % PictureSize) + PictureSize) % PictureSize; };
  float height = 0.6f * p.b;
  auto heightAt = [&](float dx, float dy) {
    float s = PebbleExtent(p, dx, dy, nullptr);
    return height * std::sqrt(std::max(0.0f, 1.0f - s * s));
  };
  for (int y = y0 - extent; y <= y0 + extent; ++y)
    for (int x = x0 - extent; x <= x0 + extent; ++x) {
      float dx = x + 0.5f - p.cx, dy = y + 0.5f - p.cy;
      Rgb& pixel = canvas.At(wrap(x), wrap(y));
      float shadowS = PebbleExtent(p, dx - ShadowShift * p.a, dy - ShadowShift * p.a, nullptr);
      pixel = pixel * (1.0f - 0.42f * (1.0f - SmoothStep(0.55f, 1.3f, shadowS)));
      float radius;
      float s = PebbleExtent(p, dx, dy, &radius);
      float coverage = Clamp01((1.0f - s) * radius + 0.5f);
      if (coverage <= 0) continue;
      Vec3 n = Normalize({heightAt(dx - 0.5f, dy) - heightAt(dx + 0.5f, dy),
                          heightAt(dx, dy - 0.5f) - heightAt(dx, dy + 0.5f), 1.0f});
      float ca = std::cos(p.angle), sa = std::sin(p.angle);
      float u = (dx * ca + dy * sa) / p.a, v = (-dx * sa + dy * ca) / p.a;
      float speckle = 0.6f * PeriodicNoise(u * 6 + 50, v * 6 + 50, 1024, p.seed) +
                      0.4f * (Hash01(wrap(x), wrap(y), p.seed) - 0.5f);
      Rgb c = p.colour * (1.0f + 0.10f * speckle);
      if (p.veinWidth > 0) {
        float across = u * std::cos(p.veinAngle) + v * std::sin(p.veinAngle) - p.veinOffset;
        c = Mix(c, Rgb{0.80f, 0.78f, 0.72f}, 0.7f * std::exp(-across * across / (p.veinWidth * p.veinWidth)));
      }
      float diffuse = std::max(0.0f, Dot(n, Light));
      float sheen = 0.10f * std::pow(std::max(0.0f, Dot(n, Half)), 24.0f);
      Rgb lit = c * (0.42f + 0.62f * diffuse) + Rgb{1, 1, 1} * sheen;
      pixel = Mix(pixel, lit, coverage);
    }
}

// The pond bed as the screen shows it, rows from the top of the screen down; the
// colours are already those of a bed seen through shallow greenish water.
Canvas DrawPondBed() {
  Canvas canvas = DrawSand();
  for (const Pebble& p : ScatterPebbles()) DrawPebble(canvas, p);
  const Rgb WaterTint = {0.74f, 0.86f, 0.84f}, WaterGlow = {0.01f, 0.04f, 0.05f};
  for (Rgb& c : canvas.pixels) c = c * WaterTint + WaterGlow;
  return canvas;
}

// ---- The splash ----

struct Font {
  std::vector<unsigned char> data;
  stbtt_fontinfo info;
};

bool LoadFont(const std::string& path, Font& font) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  unsigned char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) font.data.insert(font.data.end(), buffer, buffer + got);
  std::fclose(file);
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

// Renders an ASCII line centred on `centreX` with its baseline at `baseline` into a
// coverage layer of the canvas's size (values 0 to 1).
void RenderText(std::vector<float>& coverage, int width, const Font& font, const std::string& text,
                float pixelHeight, float centreX, float baseline) {
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
      int height = static_cast<int>(coverage.size()) / width;
      for (int gy = 0; gy < h; ++gy)
        for (int gx = 0; gx < w; ++gx) {
          int x = left + x0 + gx, y = top + y0 + gy;
          if (x < 0 || x >= width || y < 0 || y >= height) continue;
          float& cell = coverage[static_cast<size_t>(y) * width + x];
          cell = std::max(cell, glyph[static_cast<size_t>(gy) * w + gx] / 255.0f);
        }
    }
    int advance, bearing;
    stbtt_GetCodepointHMetrics(&font.info, text[i], &advance, &bearing);
    penX += advance * scale;
    if (i + 1 < text.size()) penX += scale * stbtt_GetCodepointKernAdvance(&font.info, text[i], text[i + 1]);
  }
}

// Box blur of a coverage layer, three passes each way: close to a Gaussian.
std::vector<float> Blur(std::vector<float> layer, int width, int height, int radius) {
  std::vector<float> temp(layer.size());
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        float sum = 0;
        for (int k = -radius; k <= radius; ++k) sum += layer[static_cast<size_t>(y) * width + std::clamp(x + k, 0, width - 1)];
        temp[static_cast<size_t>(y) * width + x] = sum / (2 * radius + 1);
      }
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        float sum = 0;
        for (int k = -radius; k <= radius; ++k) sum += temp[static_cast<size_t>(std::clamp(y + k, 0, height - 1)) * width + x];
        layer[static_cast<size_t>(y) * width + x] = sum / (2 * radius + 1);
      }
  }
  return layer;
}

// Ink of the text with a soft dark halo under it, so it reads over the pebbles.
void PaintText(Canvas& canvas, const std::vector<float>& coverage, Rgb colour, float halo) {
  std::vector<float> shadow = Blur(coverage, canvas.width, canvas.height, 2);
  for (size_t i = 0; i < canvas.pixels.size(); ++i) {
    canvas.pixels[i] = canvas.pixels[i] * (1.0f - halo * Clamp01(shadow[i] * 1.8f));
    canvas.pixels[i] = Mix(canvas.pixels[i], colour, coverage[i]);
  }
}

// Light rings on the water spreading from (cx, cy), fading outwards.
void DrawRipples(Canvas& canvas, float cx, float cy, float firstRadius, float spacing, float reach) {
  for (int y = 0; y < canvas.height; ++y)
    for (int x = 0; x < canvas.width; ++x) {
      float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
      if (d < firstRadius - spacing / 2 || d > reach) continue;
      float wave = std::cos(2 * Pi * (d - firstRadius) / spacing);
      float fade = (1.0f - SmoothStep(firstRadius, reach, d)) * SmoothStep(firstRadius - spacing / 2, firstRadius, d);
      float ring = std::pow(std::max(0.0f, wave), 6.0f) * fade;
      canvas.At(x, y) = canvas.At(x, y) + Rgb{0.30f, 0.50f, 0.52f} * (0.45f * ring);
    }
}

Canvas DrawSplash(const Canvas& pondBed, const Font& bold, const Font& regular) {
  Canvas canvas = pondBed;
  // Deep, dark water: the bed dimmed and blued, darker away from the centre.
  const Rgb Deep = {0.34f, 0.50f, 0.58f};
  for (int y = 0; y < canvas.height; ++y)
    for (int x = 0; x < canvas.width; ++x) {
      float d = std::hypot((x + 0.5f - 256) / 200.0f, (y + 0.5f - 256) / 300.0f);
      canvas.At(x, y) = canvas.At(x, y) * Deep * (0.85f - 0.35f * SmoothStep(0.2f, 1.2f, d));
    }
  const float centreX = WindowLeft + WindowWidth / 2.0f;
  // Three pegs dropped into the pond, with their rings.
  const float Drops[3][2] = {{centreX - 62, WindowTop + 120}, {centreX, WindowTop + 96}, {centreX + 62, WindowTop + 120}};
  for (const auto& drop : Drops) DrawRipples(canvas, drop[0], drop[1], 20, 12, 58);
  for (const auto& drop : Drops) DrawPeg(canvas, drop[0], drop[1], 11.5f);

  std::vector<float> title(canvas.pixels.size(), 0.0f), hint(canvas.pixels.size(), 0.0f);
  RenderText(title, canvas.width, bold, "pegpond", 66, centreX, WindowTop + 218);
  RenderText(hint, canvas.width, regular, "tap to place pegs", 21, centreX, WindowTop + 300);
  RenderText(hint, canvas.width, regular, "tilt to steer", 21, centreX, WindowTop + 332);
  RenderText(hint, canvas.width, regular, "shake to clear", 21, centreX, WindowTop + 364);
  PaintText(canvas, title, {0.97f, 0.99f, 1.0f}, 0.7f);
  PaintText(canvas, hint, {0.82f, 0.93f, 0.94f}, 0.6f);
  return canvas;
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

  Canvas pondBed = DrawPondBed();
  Canvas splash = DrawSplash(pondBed, bold, regular);
  // The program shows the background mirrored top to bottom and the splash upright.
  if (!WritePeg(directory + "/peg.png") || !WriteRgbPng(directory + "/background.png", pondBed, true) ||
      !WriteRgbPng(directory + "/splash.png", splash, false)) {
    std::fprintf(stderr, "gen_pictures: cannot write the pictures into %s\n", directory.c_str());
    return 1;
  }
  return 0;
}
