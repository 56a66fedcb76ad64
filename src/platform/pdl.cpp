#include <cstdlib>

#include "platform.h"

void PreparePlatform() { setenv("SDL_VIDEODRIVER", "x11", 0); }

// The handheld's platform library needed starting and stopping; nothing on a
// desktop does, and nothing relies on a result or effect of either call.
int PDL_Init(unsigned int) { return 0; }
void PDL_Quit() {}
