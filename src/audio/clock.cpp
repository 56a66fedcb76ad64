#include <algorithm>
#include <cmath>

#include "audio.h"

namespace {
const double RateDoubt = 3e-4;  // how far from the rate known before a device's may be

void Restart(AudioClock& clock, double tickMs, double deviceMs) {
  // A device that stalled keeps its rate, when four seconds of points told it,
  // else the rate known before them: a second stall soon after the first
  // leaves the rate as it was, not the nominal one.
  clock.priorRate = clock.count >= 8 ? clock.rate : clock.priorRate;
  clock.started = true;
  clock.count = clock.next = 0;
  clock.openTickMs = clock.bestTickMs = tickMs, clock.bestDeviceMs = deviceMs;
  clock.lateSinceMs = -1;
}

// Least squares through the points (the open point's earliest reading while
// there is none), the rate known before weighed in by how far the points
// scatter about their own line.
void FitLine(AudioClock& clock) {
  const double* ticks = clock.count ? clock.pointTickMs : &clock.bestTickMs;
  const double* devices = clock.count ? clock.pointDeviceMs : &clock.bestDeviceMs;
  int count = std::max(clock.count, 1);
  double meanTick = 0, meanDevice = 0;
  for (int i = 0; i < count; ++i) meanTick += ticks[i] / count, meanDevice += devices[i] / count;
  double spread = 0, covariance = 0;
  for (int i = 0; i < count; ++i) {
    double t = ticks[i] - meanTick;
    spread += t * t, covariance += t * (devices[i] - meanDevice);
  }
  double scatter = 0.25;  // ms², the points' variance, assumed until there are three
  if (count >= 3) {
    double slope = covariance / spread, sum = 0;
    for (int i = 0; i < count; ++i) {
      double r = devices[i] - meanDevice - slope * (ticks[i] - meanTick);
      sum += r * r;
    }
    scatter = sum / (count - 2);
  }
  // The rate known counts only while the points do not plainly contradict it,
  // which takes three: two points a few ms late tell a rate a percent off.
  double prior = scatter / (RateDoubt * RateDoubt);
  if (count >= 3 && std::fabs(covariance / spread - clock.priorRate) > 3 * (std::sqrt(scatter / spread) + RateDoubt))
    prior = 0;
  clock.rate = (prior * clock.priorRate + covariance) / (prior + spread);
  clock.tickAnchorMs = meanTick, clock.deviceAnchorMs = meanDevice;
}

double FitMsAt(const AudioClock& clock, double tickMs) {
  return clock.deviceAnchorMs + clock.rate * (tickMs - clock.tickAnchorMs);
}
}  // namespace

double DeviceMsAt(const AudioClock& clock, double tickMs) {
  return clock.placedDeviceMs + clock.placedRate * (tickMs - clock.placedTickMs);
}

void FollowAudioClock(AudioClock& clock, double tickMs, double deviceMs) {
  double earliness = deviceMs - FitMsAt(clock, tickMs);
  if (earliness >= -ClockJumpMs)
    clock.lateSinceMs = -1;
  else if (clock.lateSinceMs < 0)
    clock.lateSinceMs = tickMs, clock.leastLateMs = -earliness;
  else
    clock.leastLateMs = std::min(clock.leastLateMs, -earliness);
  bool early = earliness > ClockJumpMs && clock.count >= 3;
  bool late = clock.lateSinceMs >= 0 && tickMs - clock.lateSinceMs >= ClockStallMs;
  if (!clock.started || early || late) {
    clock.catchingUp = late && clock.leastLateMs <= ClockLossMs;  // by the least late reading of the stall
    Restart(clock, tickMs, deviceMs);
  } else if (tickMs - clock.openTickMs >= ClockPointMs) {  // its earliest reading is a point
    clock.pointTickMs[clock.next] = clock.bestTickMs, clock.pointDeviceMs[clock.next] = clock.bestDeviceMs;
    clock.next = (clock.next + 1) % AudioClock::ClockPoints;
    clock.count = std::min(clock.count + 1, AudioClock::ClockPoints);
    clock.openTickMs = clock.bestTickMs = tickMs, clock.bestDeviceMs = deviceMs;
  } else if (deviceMs - clock.rate * tickMs > clock.bestDeviceMs - clock.rate * clock.bestTickMs) {
    clock.bestTickMs = tickMs, clock.bestDeviceMs = deviceMs;
  }
  FitLine(clock);
  // Notes follow the fitted line, turning to its rate and closing the distance
  // to it gradually, so that a new point never moves a line's sound by more
  // than ClockSlew of the time since the last reading. Until the line stands
  // on three points, as after a restart, they move with it at once, but after
  // a short stall they catch up with it at ClockCatchUp.
  double elapsed = std::max(tickMs - clock.placedTickMs, 0.0);
  bool atOnce = clock.count < 3 && !clock.catchingUp;
  double turn = ClockTurn * elapsed;
  clock.placedRate = atOnce ? clock.rate : clock.placedRate + std::clamp(clock.rate - clock.placedRate, -turn, turn);
  double placed = DeviceMsAt(clock, tickMs), fitted = FitMsAt(clock, tickMs);
  if (clock.catchingUp && std::fabs(fitted - placed) < ClockJumpMs / 10) clock.catchingUp = false;
  double most = (clock.catchingUp ? ClockCatchUp : ClockSlew) * elapsed;
  clock.placedDeviceMs = atOnce ? fitted : placed + std::clamp(fitted - placed, -most, most);
  clock.placedTickMs = tickMs;
}
