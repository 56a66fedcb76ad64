#include "scratch_files.h"

#include <dirent.h>
#include <stb_image_write.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>

std::string MakeScratchDirectory() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/pegpond-XXXXXX";
  if (!mkdtemp(&pattern[0])) return std::string();
  return pattern;
}

void RemoveScratchDirectory(const std::string& path) {
  if (path.empty()) return;
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") unlink((path + "/" + name).c_str());
    }
    closedir(dir);
  }
  rmdir(path.c_str());
}

bool WritePng(const std::string& path, int width, int height, int channels, const std::vector<uint8_t>& pixels) {
  if (pixels.size() < static_cast<size_t>(width) * height * channels) return false;
  return stbi_write_png(path.c_str(), width, height, channels, pixels.data(), width * channels) != 0;
}

bool WriteFlatPng(const std::string& path, int width, int height, int channels, const uint8_t rgba[4]) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * channels);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = rgba[i % channels];
  return WritePng(path, width, height, channels, pixels);
}
