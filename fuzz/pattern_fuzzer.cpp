// Pattern files of any content: a load puts at most the first 192 bytes over
// the grid in file order and leaves the other cells; a save writes the grid
// back byte for byte.
#include <cstring>

#include "fuzz.h"
#include "sequencer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnterScratchDirectory();
  uint8_t before[GridCells];
  for (int i = 0; i < GridCells; ++i) before[i] = PegGrid[i] = uint8_t(i * 37);
  WriteBytes("in.pat", data, size);
  LoadOrSavePattern("in.pat", false);
  size_t n = size < GridCells ? size : GridCells;
  Require(std::memcmp(PegGrid, data, n) == 0, "a load did not put the file over the grid");
  Require(std::memcmp(PegGrid + n, before + n, GridCells - n) == 0, "a load changed cells past the file's end");
  LoadOrSavePattern("out.pat", true);
  Require(ReadBytes("out.pat") == std::string(PegGrid, PegGrid + GridCells), "a save did not write the grid");
  return 0;
}
