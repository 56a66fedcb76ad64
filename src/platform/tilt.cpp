#include <cmath>

#include "platform.h"

// Raw axis units of the stand-in readings: a tilt of 0.6 g along one axis with
// 0.8 g left on z (so the magnitude stays one gravity), and full scale for a shake.
static const int TiltReading = 19661;
static const int TiltRemainder = 26214;
static const int FullScale = 32767;

static Sint16 Clamp16(double v) {
  if (!(v > -32768.0)) return -32768;  // also NaN, which a sensor may send for a missing axis
  if (v > 32767.0) return 32767;
  return static_cast<Sint16>(std::lround(v));
}

TiltAxes AccelerationToTilt(double x, double y, double z) {
  const double unit = 32768.0 / 9.80665;  // one standard gravity
  return TiltAxes{Clamp16(-x * unit), Clamp16(y * unit), Clamp16(z * unit)};
}

int MotionSensing = 1, ArrowsSteer = 1;

namespace {
bool Arrow(const Uint8* keyState, int key) { return ArrowsSteer && keyState[key]; }
}  // namespace

TiltAxes TiltFromKeys(const Uint8* keyState) {
  if (keyState[ShakeKey]) return TiltAxes{FullScale, FullScale, FullScale};
  int x = 0, y = 0;
  if (Arrow(keyState, TiltRightKey)) x += TiltReading;
  if (Arrow(keyState, TiltLeftKey)) x -= TiltReading;
  if (Arrow(keyState, TiltUpKey)) y -= TiltReading;
  if (Arrow(keyState, TiltDownKey)) y += TiltReading;
  bool tilted = Arrow(keyState, TiltRightKey) || Arrow(keyState, TiltLeftKey) || Arrow(keyState, TiltUpKey) ||
                Arrow(keyState, TiltDownKey);
  return TiltAxes{Clamp16(x), Clamp16(y), static_cast<Sint16>(tilted ? TiltRemainder : FullScale)};
}

TiltAxes TiltToward(int x, int y) {
  return TiltAxes{static_cast<Sint16>(x * TiltReading), static_cast<Sint16>(y * TiltReading),
                  static_cast<Sint16>(x || y ? TiltRemainder : FullScale)};
}

bool TiltKeyHeld(const Uint8* keyState) {
  return keyState[ShakeKey] || Arrow(keyState, TiltRightKey) || Arrow(keyState, TiltLeftKey) ||
         Arrow(keyState, TiltUpKey) || Arrow(keyState, TiltDownKey);
}

TiltAxes ReadTiltAxes(SDL_Joystick* joystick) {
  // Held keys win: on a desktop joystick 0 may well be a gamepad resting at
  // zero, which would otherwise leave no way to steer.
  const Uint8* keyState = HeldKeys();
  if (TiltKeyHeld(keyState) || !MotionSensing) return TiltFromKeys(keyState);
  if (joystick) {
    return TiltAxes{SDL_JoystickGetAxis(joystick, 0), SDL_JoystickGetAxis(joystick, 1),
                    SDL_JoystickGetAxis(joystick, 2)};
  }
  TiltAxes axes;
  if (ReadTiltSensor(&axes)) return axes;
  return TiltFromKeys(keyState);
}
