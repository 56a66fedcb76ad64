// The note generator, which the build runs into the data folder and the page
// runs in place of fetching the first set: each sound set's scale rising from
// its lowest note, in its own timbre, as 16-bit mono samples at 22050 Hz.
// Every note starts with a short attack and ends exactly at zero; higher notes
// ring shorter, as on real instruments.
#pragma once

#include <cstdint>
#include <vector>

// Note 0 to 15 of the set at `set` in the program's table of sound sets.
std::vector<int16_t> MakeNote(int set, int note);
