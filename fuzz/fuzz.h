// What the fuzz targets share: a scratch folder to work in, and a check that
// turns a broken rule into a crash libFuzzer keeps with its input.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

inline void Require(bool ok, const char* what) {
  if (!ok) std::fprintf(stderr, "RULE BROKEN: %s\n", what), std::abort();
}

// Makes a fresh folder under $TMPDIR (or /tmp) the working directory, once.
inline void EnterScratchDirectory() {
  static std::string folder = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/fuzz-XXXXXX";
  static bool entered = mkdtemp(&folder[0]) && chdir(folder.c_str()) == 0;
  Require(entered, "no scratch folder");
}

inline void WriteBytes(const char* path, const uint8_t* bytes, size_t size) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), std::streamsize(size));
}

inline std::string ReadBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
