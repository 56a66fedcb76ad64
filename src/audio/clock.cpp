#include <algorithm>
#include <cmath>

#include "audio.h"

double DeviceMsAt(const AudioClock& clock, double tickMs) {
  return clock.deviceAnchorMs + clock.rate * (tickMs - clock.tickAnchorMs);
}

void FollowAudioClock(AudioClock& clock, double tickMs, double deviceMs) {
  if (clock.count > 0 && std::fabs(deviceMs - DeviceMsAt(clock, tickMs)) > ClockJumpMs) clock.count = 0;
  if (clock.count == 0) clock.next = 0;
  clock.tickMs[clock.next] = tickMs, clock.deviceMs[clock.next] = deviceMs;
  clock.next = (clock.next + 1) % AudioClock::Capacity;
  if (clock.count < AudioClock::Capacity) ++clock.count;

  // The rate: least squares over every reading kept, centred on their means.
  // Over less than a second the readings' jitter outweighs any drift: the rate
  // known so far (at first the nominal one) stays until the readings span one.
  double meanTick = 0, meanDevice = 0, first = tickMs;
  for (int i = 0; i < clock.count; ++i) {
    meanTick += clock.tickMs[i] / clock.count, meanDevice += clock.deviceMs[i] / clock.count;
    first = std::fmin(first, clock.tickMs[i]);
  }
  double spread = 0, covariance = 0;
  for (int i = 0; i < clock.count; ++i) {
    double t = clock.tickMs[i] - meanTick;
    spread += t * t, covariance += t * (clock.deviceMs[i] - meanDevice);
  }
  if (tickMs - first >= 1000) clock.rate = covariance / spread;

  // The phase: the line at that rate through the mean of the recent readings.
  int recent = std::min(clock.count, AudioClock::Recent);
  clock.tickAnchorMs = clock.deviceAnchorMs = 0;
  for (int back = 1; back <= recent; ++back) {
    int i = (clock.next - back + AudioClock::Capacity) % AudioClock::Capacity;
    clock.tickAnchorMs += clock.tickMs[i] / recent, clock.deviceAnchorMs += clock.deviceMs[i] / recent;
  }
}
