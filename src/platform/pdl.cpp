#include "platform.h"

// The handheld's platform library needed starting and stopping; nothing on a
// desktop or in a browser does, and nothing relies on a result or effect of
// either call.
int PDL_Init(unsigned int) { return 0; }
void PDL_Quit() {}
