// Pattern files: the input is a slot file of any length and content. It is
// loaded over a grid of known bytes and then saved back into the same slot.
// The load takes the file's first 192 bytes over the first cells and keeps the
// grid's old bytes beyond a short file; the save leaves exactly one file, the
// slot, of exactly 192 bytes that match the loaded grid.
#include <unistd.h>

#include <cstring>

#include "fuzz_support.h"
#include "sequencer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnterScratchDirectory();

  // 37 is odd, so every cell starts with a different byte, 0 and 1 among
  // others: a byte landing in the wrong cell cannot go unnoticed.
  uint8_t old[GridCells];
  for (int i = 0; i < GridCells; ++i) old[i] = static_cast<uint8_t>(i * 37 + 11);
  std::memcpy(PegGrid, old, GridCells);

  char name[16];
  PatternFileName(1 + static_cast<int>(size % 9), name);
  Require(WriteBytes(name, data, size), "cannot write the slot file");

  LoadOrSavePattern(name, false);
  uint8_t expected[GridCells];
  for (size_t i = 0; i < GridCells; ++i) expected[i] = i < size ? data[i] : old[i];
  Require(std::memcmp(PegGrid, expected, GridCells) == 0, "the load did not give the file's bytes over the old grid");

  LoadOrSavePattern(name, true);
  std::string saved = ReadBytes(name);
  Require(saved.size() == static_cast<size_t>(GridCells), "the saved slot is not 192 bytes");
  Require(std::memcmp(saved.data(), expected, GridCells) == 0, "the saved slot differs from the loaded grid");
  Require(std::memcmp(PegGrid, expected, GridCells) == 0, "the save changed the grid");
  std::vector<std::string> entries = WorkingDirectoryEntries();
  Require(entries.size() == 1 && entries[0] == name, "the save left other files beside the slot");

  unlink(name);
  return 0;
}
