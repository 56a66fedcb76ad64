// A headless OpenGL ES 2.0 context for tests and benchmarks: Mesa's surfaceless
// EGL platform (no X server, no GPU) with an RGBA8 pbuffer as framebuffer 0.
// One context at a time, current on the calling thread.
#pragma once

#include <GLES2/gl2.h>

#include <cstdint>
#include <vector>

// Creates the context with a width x height pbuffer and makes it current;
// false when EGL cannot give one.
bool CreateHeadlessGl(int width, int height);
// Releases and destroys the context and its pbuffer; harmless when none exists.
void DestroyHeadlessGl();

// RGBA bytes of a rectangle of the bound framebuffer, rows from the bottom up,
// four bytes a pixel.
std::vector<uint8_t> ReadPixels(int x, int y, int width, int height);
