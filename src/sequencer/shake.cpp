#include "sequencer.h"

ShakeDetector Shake;

void DetectShake(uint32_t now, float m2) {
  if (Shake.count != 0 && now - Shake.windowStartMs > ShakeWindowMs) {
    Shake.count = 0;  // the window expired; this tick tests no jolt
  } else {
    if (Shake.count == 0) Shake.windowStartMs = now;
    // Jolts alternate between a strong and a violent threshold.
    float threshold = (Shake.count % 2 == 0) ? 1.44f : 2.89f;
    if (m2 > threshold) ++Shake.count;
  }
  if (Shake.count > 3) {  // the wiping till the window ends is one step
    BeginGridStep(ShakeStep);
    ClearGrid();
  }
}
