// Scratch directories and small PNG pictures written by tests and benchmarks,
// so they never depend on the program's generated data files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A new empty directory under $TMPDIR (or /tmp); empty string on failure.
std::string MakeScratchDirectory();
// Removes the directory and the plain files in it.
void RemoveScratchDirectory(const std::string& path);

// Writes a PNG of width x height pixels with 1 to 4 channels, rows from the
// top of the picture down, channels interleaved.
bool WritePng(const std::string& path, int width, int height, int channels, const std::vector<uint8_t>& pixels);
// A picture of one colour: channels values taken from rgba in order.
bool WriteFlatPng(const std::string& path, int width, int height, int channels, const uint8_t rgba[4]);
