// What the fuzz targets share: a private scratch directory to work in, small
// file helpers, and a check that turns a broken rule into a crash libFuzzer
// records with its input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Creates a scratch directory under $TMPDIR, or else in /dev/shm when there is
// one (so the saves' fsync stays cheap) or /tmp, makes it the working directory
// and removes it again at a normal exit. Later calls return the same.
const std::string& EnterScratchDirectory();

// Prints what went wrong and aborts when ok is false.
void Require(bool ok, const char* what);

bool WriteBytes(const char* path, const uint8_t* bytes, size_t size);
// The file's bytes; exists tells a missing file from an empty one.
std::string ReadBytes(const char* path, bool* exists = nullptr);
// The names in the working directory, less "." and "..".
std::vector<std::string> WorkingDirectoryEntries();
