#include "fuzz_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {
std::string ScratchDirectory;

void RemoveScratchDirectory() {
  if (ScratchDirectory.empty()) return;
  if (chdir("/") != 0) return;
  if (DIR* dir = opendir(ScratchDirectory.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") unlink((ScratchDirectory + "/" + name).c_str());
    }
    closedir(dir);
  }
  rmdir(ScratchDirectory.c_str());
}

std::string ScratchBase() {
  const char* tmp = std::getenv("TMPDIR");
  if (tmp && *tmp) return tmp;
  struct stat info;
  if (stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && access("/dev/shm", W_OK) == 0) return "/dev/shm";
  return "/tmp";
}
}  // namespace

const std::string& EnterScratchDirectory() {
  if (ScratchDirectory.empty()) {
    std::string pattern = ScratchBase() + "/pegpond-fuzz-XXXXXX";
    Require(mkdtemp(&pattern[0]) != nullptr, "cannot create a scratch directory");
    ScratchDirectory = pattern;
    Require(chdir(ScratchDirectory.c_str()) == 0, "cannot enter the scratch directory");
    std::atexit(RemoveScratchDirectory);
  }
  return ScratchDirectory;
}

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "RULE BROKEN: %s\n", what);
  std::abort();
}

bool WriteBytes(const char* path, const uint8_t* bytes, size_t size) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes, 1, size, file) == size;
  return std::fclose(file) == 0 && ok;
}

std::string ReadBytes(const char* path, bool* exists) {
  std::string bytes;
  FILE* file = std::fopen(path, "rb");
  if (exists) *exists = file != nullptr;
  if (!file) return bytes;
  char buffer[1024];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
  std::fclose(file);
  return bytes;
}

std::vector<std::string> WorkingDirectoryEntries() {
  std::vector<std::string> names;
  if (DIR* dir = opendir(".")) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  return names;
}
