#include "pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
const float Pi = 3.14159265f;
const int PictureSize = SplashSize;
const int PegSize = 64;
// Peg radius in texels: a cell shows the picture from texel edge 7 to 57 at half scale,
// so the disc leaves about a one-pixel gap around it in the cell.
const float PegRadius = 23.0f;
const int WindowLeft = SplashWindowLeft, WindowTop = SplashWindowTop, WindowWidth = SplashWindowWidth;

// Called now and then through a long drawing, when the caller asked for it.
void (*Breathe)() = nullptr;
void Pause() {
  if (Breathe) Breathe();
}

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

// A canvas as 8-bit RGB, upside down when the program shows it mirrored.
Picture ToPicture(Canvas& canvas, bool flipVertically) {
  Picture picture = {canvas.width, canvas.height, 3, std::vector<uint8_t>(canvas.pixels.size() * 3)};
  uint8_t* out = picture.bytes.data();
  for (int y = 0; y < canvas.height; ++y) {
    if (y % 32 == 0) Pause();
    int source = flipVertically ? canvas.height - 1 - y : y;
    for (int x = 0; x < canvas.width; ++x, out += 3) {
      Rgb c = canvas.At(x, source);
      out[0] = ToByte(c.r), out[1] = ToByte(c.g), out[2] = ToByte(c.b);
    }
  }
  return picture;
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
    if ((period & (period - 1)) == 0) {  // the same wrap as below, cheaper
      ix &= period - 1;
      iy &= period - 1;
    } else {
      ix = ((ix % period) + period) % period;
      iy = ((iy % period) + period) % period;
    }
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

Picture DrawPegPicture() {
  Picture picture = {PegSize, PegSize, 4, {}};
  std::vector<uint8_t>& bytes = picture.bytes;
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
  return picture;
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
  for (int y = 0; y < PictureSize; ++y, Pause())
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
  // Where the outline cannot reach, with room to spare, the shadow (from 1.3
  // outlines out) and the stone leave the pixel as it is: only their reach is drawn.
  float most = 1.01f * (1.0f + std::fabs(p.wobble[0][0]) + std::fabs(p.wobble[1][0]) + std::fabs(p.wobble[2][0]));
  float pa = std::cos(p.angle), pb = std::sin(p.angle);
  auto least = [&](float dx, float dy) {  // a bound below PebbleExtent
    float u = (dx * pa + dy * pb) / p.a, v = (-dx * pb + dy * pa) / p.b;
    return std::sqrt(u * u + v * v) / most;
  };
  for (int y = y0 - extent; y <= y0 + extent; ++y)
    for (int x = x0 - extent; x <= x0 + extent; ++x) {
      float dx = x + 0.5f - p.cx, dy = y + 0.5f - p.cy;
      Rgb& pixel = canvas.At(wrap(x), wrap(y));
      if (least(dx - ShadowShift * p.a, dy - ShadowShift * p.a) < 1.31f) {
        float shadowS = PebbleExtent(p, dx - ShadowShift * p.a, dy - ShadowShift * p.a, nullptr);
        pixel = pixel * (1.0f - 0.42f * (1.0f - SmoothStep(0.55f, 1.3f, shadowS)));
      }
      float beyond = least(dx, dy);
      if (beyond > 1 && 1 - 1 / beyond > 0.5f / std::sqrt(dx * dx + dy * dy) + 0.01f) continue;
      float radius;
      float s = PebbleExtent(p, dx, dy, &radius);
      float coverage = Clamp01((1.0f - s) * radius + 0.5f);
      if (coverage <= 0) continue;
      Vec3 n = Normalize({heightAt(dx - 0.5f, dy) - heightAt(dx + 0.5f, dy),
                          heightAt(dx, dy - 0.5f) - heightAt(dx, dy + 0.5f), 1.0f});
      float u = (dx * pa + dy * pb) / p.a, v = (-dx * pb + dy * pa) / p.a;
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
  for (const Pebble& p : ScatterPebbles()) DrawPebble(canvas, p), Pause();
  const Rgb WaterTint = {0.74f, 0.86f, 0.84f}, WaterGlow = {0.01f, 0.04f, 0.05f};
  Pause();
  for (Rgb& c : canvas.pixels) c = c * WaterTint + WaterGlow;
  return canvas;
}

// Box blur of a coverage layer, three passes each way: close to a Gaussian.
// Only the box the passes can spread the layer's ink over is worked: the
// rest stays zero.
std::vector<float> Blur(std::vector<float> layer, int width, int height, int radius) {
  std::vector<float> temp(layer.size());
  int left = width, right = -1, top = height, bottom = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (layer[static_cast<size_t>(y) * width + x] != 0)
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
  left = std::max(0, left - 3 * radius), right = std::min(width - 1, right + 3 * radius);
  top = std::max(0, top - 3 * radius), bottom = std::min(height - 1, bottom + 3 * radius);
  for (int pass = 0; pass < 3; ++pass, Pause()) {
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x) {
        float sum = 0;
        for (int k = -radius; k <= radius; ++k) sum += layer[static_cast<size_t>(y) * width + std::clamp(x + k, 0, width - 1)];
        temp[static_cast<size_t>(y) * width + x] = sum / (2 * radius + 1);
      }
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x) {
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
  Pause();
  for (size_t i = 0; i < canvas.pixels.size(); ++i) {
    if (shadow[i] == 0 && coverage[i] == 0) continue;  // neither dims nor inks it
    canvas.pixels[i] = canvas.pixels[i] * (1.0f - halo * Clamp01(shadow[i] * 1.8f));
    canvas.pixels[i] = Mix(canvas.pixels[i], colour, coverage[i]);
  }
}

// Light rings on the water spreading from (cx, cy), fading outwards.
void DrawRipples(Canvas& canvas, float cx, float cy, float firstRadius, float spacing, float reach) {
  int left = std::max(0, static_cast<int>(cx - reach) - 1), right = std::min(canvas.width, static_cast<int>(cx + reach) + 2);
  int top = std::max(0, static_cast<int>(cy - reach) - 1), bottom = std::min(canvas.height, static_cast<int>(cy + reach) + 2);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
      if (d < firstRadius - spacing / 2 || d > reach) continue;
      float wave = std::cos(2 * Pi * (d - firstRadius) / spacing);
      float fade = (1.0f - SmoothStep(firstRadius, reach, d)) * SmoothStep(firstRadius - spacing / 2, firstRadius, d);
      float ring = std::pow(std::max(0.0f, wave), 6.0f) * fade;
      canvas.At(x, y) = canvas.At(x, y) + Rgb{0.30f, 0.50f, 0.52f} * (0.45f * ring);
    }
}

Canvas DrawSplash(const Canvas& pondBed, const Picture& words) {
  Canvas canvas = pondBed;
  // Deep, dark water: the bed dimmed and blued, darker away from the centre.
  const Rgb Deep = {0.34f, 0.50f, 0.58f};
  for (int y = 0; y < canvas.height; ++y, Pause())
    for (int x = 0; x < canvas.width; ++x) {
      float d = std::hypot((x + 0.5f - 256) / 200.0f, (y + 0.5f - 256) / 300.0f);
      canvas.At(x, y) = canvas.At(x, y) * Deep * (0.85f - 0.35f * SmoothStep(0.2f, 1.2f, d));
    }
  const float centreX = WindowLeft + WindowWidth / 2.0f;
  // Three pegs dropped into the pond, with their rings.
  const float Drops[3][2] = {{centreX - 62, WindowTop + 120}, {centreX, WindowTop + 96}, {centreX + 62, WindowTop + 120}};
  for (const auto& drop : Drops) DrawRipples(canvas, drop[0], drop[1], 20, 12, 58), Pause();
  for (const auto& drop : Drops) DrawPeg(canvas, drop[0], drop[1], 11.5f);

  // The words' coverage, title and hint, each in a channel of its own.
  std::vector<float> title(canvas.pixels.size(), 0.0f), hint(canvas.pixels.size(), 0.0f);
  if (words.width == canvas.width && words.height == canvas.height && words.channels >= 2)
    for (size_t i = 0; i < title.size(); ++i) {
      title[i] = words.bytes[i * words.channels] / 255.0f;
      hint[i] = words.bytes[i * words.channels + 1] / 255.0f;
    }
  Pause();
  PaintText(canvas, title, {0.97f, 0.99f, 1.0f}, 0.7f);
  Pause();
  PaintText(canvas, hint, {0.82f, 0.93f, 0.94f}, 0.6f);
  return canvas;
}
}  // namespace

Picture MakePeg() { return DrawPegPicture(); }

void MakePond(const Picture& words, Picture* background, Picture* splash, void (*breathe)()) {
  Breathe = breathe;
  Canvas pondBed = DrawPondBed();
  Canvas splashCanvas = DrawSplash(pondBed, words);
  // The program shows the background mirrored top to bottom and the splash upright.
  *background = ToPicture(pondBed, true);
  *splash = ToPicture(splashCanvas, false);
  Breathe = nullptr;
}

std::vector<uint8_t> FileBytes(const char* path) {
  std::vector<uint8_t> bytes;
  if (FILE* file = std::fopen(path, "rb")) {
    std::vector<uint8_t> chunk(65536);  // off the stack, which is small in the page
    for (size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0;) bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
    std::fclose(file);
  }
  return bytes;
}

bool WriteFileBytes(const char* path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// A PNG whose pixels are stored, not compressed: quick to write and to read.
std::vector<uint8_t> StoredPng(const Picture& picture) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  auto put32 = [](std::vector<uint8_t>& to, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) to.push_back(uint8_t(v >> shift));
  };
  auto chunk = [&](const char* type, const std::vector<uint8_t>& data) {
    put32(out, uint32_t(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    static uint32_t table[256];
    if (!table[1])
      for (uint32_t n = 0; n < 256; ++n) {
        table[n] = n;
        for (int bit = 0; bit < 8; ++bit) table[n] = table[n] >> 1 ^ (0xedb88320u & (0u - (table[n] & 1)));
      }
    uint32_t crc = 0xffffffffu;
    for (size_t i = start; i < out.size(); ++i) crc = table[(crc ^ out[i]) & 0xff] ^ crc >> 8;
    put32(out, ~crc);
  };
  std::vector<uint8_t> header;
  put32(header, uint32_t(picture.width));
  put32(header, uint32_t(picture.height));
  const uint8_t colourType = picture.channels == 4 ? 6 : picture.channels == 3 ? 2 : picture.channels == 2 ? 4 : 0;
  header.insert(header.end(), {8, colourType, 0, 0, 0});
  chunk("IHDR", header);
  // Rows each led by filter 0, in zlib's stored blocks of at most 65535 bytes.
  size_t stride = size_t(picture.width) * picture.channels;
  std::vector<uint8_t> raw;
  raw.reserve((stride + 1) * picture.height);
  for (int y = 0; y < picture.height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), picture.bytes.begin() + y * stride, picture.bytes.begin() + (y + 1) * stride);
  }
  std::vector<uint8_t> zlib = {0x78, 0x01};
  for (size_t at = 0; at < raw.size(); at += 65535) {
    uint16_t length = uint16_t(std::min<size_t>(65535, raw.size() - at));
    zlib.insert(zlib.end(), {uint8_t(at + length == raw.size()), uint8_t(length), uint8_t(length >> 8),
                             uint8_t(~length), uint8_t(~length >> 8)});
    zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + length);
  }
  uint32_t a = 1, b = 0;
  for (size_t at = 0; at < raw.size(); at += 5000) {  // sums that cannot overflow before the modulo
    for (size_t i = at; i < std::min(raw.size(), at + 5000); ++i) a += raw[i], b += a;
    a %= 65521, b %= 65521;
  }
  put32(zlib, b << 16 | a);
  chunk("IDAT", zlib);
  chunk("IEND", {});
  return out;
}

// Runs of zero bytes (2 bytes, little-endian) each followed by up to 255
// others (a count byte, then the bytes), after the width, height and channels
// (2 bytes each): mostly empty lettering in a few tens of kB.
std::vector<uint8_t> PackSparse(const Picture& picture) {
  std::vector<uint8_t> out;
  auto put16 = [&](size_t v) { out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)}); };
  put16(picture.width), put16(picture.height), put16(picture.channels);
  const std::vector<uint8_t>& in = picture.bytes;
  for (size_t at = 0; at < in.size();) {
    size_t zeros = at;
    while (zeros < in.size() && in[zeros] == 0 && zeros - at < 65535) ++zeros;
    size_t others = zeros;
    while (others < in.size() && in[others] != 0 && others - zeros < 255) ++others;
    put16(zeros - at);
    out.push_back(uint8_t(others - zeros));
    out.insert(out.end(), in.begin() + zeros, in.begin() + others);
    at = others;
  }
  return out;
}

Picture UnpackSparse(const std::vector<uint8_t>& packed) {
  Picture picture;
  auto get16 = [&](size_t at) { return at + 1 < packed.size() ? packed[at] | packed[at + 1] << 8 : -1; };
  int width = get16(0), height = get16(2), channels = get16(4);
  if (width <= 0 || height <= 0 || channels <= 0 || channels > 4 || width > 4096 || height > 4096) return picture;
  std::vector<uint8_t> bytes;
  const size_t size = size_t(width) * height * channels;
  for (size_t at = 6; at < packed.size();) {
    int zeros = get16(at);
    if (zeros < 0 || at + 2 >= packed.size()) return picture;
    size_t others = packed[at + 2];
    at += 3;
    if (bytes.size() + zeros + others > size || at + others > packed.size()) return picture;
    bytes.insert(bytes.end(), zeros, 0);
    bytes.insert(bytes.end(), packed.begin() + at, packed.begin() + at + others);
    at += others;
  }
  if (bytes.size() != size) return picture;
  return {width, height, channels, bytes};
}
