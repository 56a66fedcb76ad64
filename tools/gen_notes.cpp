// Writes the sound sets' note samples, "note00.wav" to "note15.wav" in each
// set's folder (the first set's in OUTPUT_DIR itself).
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "notes.h"
#include "sound_sets.h"
#include "wav.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_notes OUTPUT_DIR\n");
    return 2;
  }
  for (int set = 0; set < SoundSetCount; ++set) {
    std::string folder = std::string(argv[1]) + "/" + SoundSets[set].folder;
    mkdir(folder.c_str(), 0755);
    for (int note = 0; note < 16; ++note) {
      char name[16];
      std::snprintf(name, sizeof name, "/note%02d.wav", note);
      if (!WriteWav(folder + name, MakeNote(set, note), 1)) {
        std::fprintf(stderr, "gen_notes: cannot write %s%s\n", folder.c_str(), name);
        return 1;
      }
    }
  }
  return 0;
}
