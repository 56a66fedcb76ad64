#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "sequencer.h"

uint8_t PegGrid[GridCells];

void ClearGrid() { std::memset(PegGrid, 0, sizeof PegGrid); }

void PatternFileName(int slot, char name[16]) { std::snprintf(name, 16, "motif%d.pat", slot); }

static void LoadPattern(const char* fileName) {
  FILE* file = std::fopen(fileName, "rb");
  if (!file) return;
  // A short file replaces only the first cells, in file order.
  size_t ignored = std::fread(PegGrid, 1, GridCells, file);
  (void)ignored;
  std::fclose(file);
}

static bool WriteAll(int fd, const uint8_t* bytes, size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// The grid goes into a temporary file beside the slot, which replaces the slot
// only once all 192 bytes are written and on disk: a full medium or a write
// limit never leaves a short or empty slot file in place of the old one.
// In a folder we cannot write (a shared or managed one) no temporary file can
// be made; a slot file there that we may write is rewritten in place instead,
// from the start, and cut to 192 bytes once they are on disk.
static bool SavePatternInPlace(const char* fileName) {
  int fd = open(fileName, O_WRONLY);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, PegGrid, GridCells) && fsync(fd) == 0 && ftruncate(fd, GridCells) == 0;
  return (close(fd) == 0) && ok;
}

static bool SavePattern(const char* fileName) {
  std::string temporary = std::string(fileName) + ".XXXXXX";
  int fd = mkstemp(&temporary[0]);
  if (fd < 0) return SavePatternInPlace(fileName);
  // Same permissions as a file opened with "wb": 0666 less the umask.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  bool ok = WriteAll(fd, PegGrid, GridCells) && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (ok) ok = std::rename(temporary.c_str(), fileName) == 0;
  if (!ok) unlink(temporary.c_str());
  return ok;
}

bool LoadOrSavePattern(const char* fileName, bool save) {
  if (save) return SavePattern(fileName);
  LoadPattern(fileName);
  return true;
}
