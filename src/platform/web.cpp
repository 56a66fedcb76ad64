// The browser stands in for the handheld's platform (built with emscripten):
// the page's canvas with its WebGL context is the screen, the browser's device
// motion is the accelerometer, and the mixer's channels carry the note volume.
#include <SDL.h>
#include <SDL_mixer.h>
#include <emscripten.h>
#include <emscripten/html5.h>
#include <sys/stat.h>

#include "platform.h"

// emscripten starts with a umask of 0777, so files the program makes (the
// pattern slots) could not be read back: use the usual one.
void PreparePlatform() { umask(022); }

// emscripten's SDL files keys by the browser's key codes, arrows moved up by 1024.
const Uint8* HeldKeys() { return SDL_GetKeyboardState(nullptr); }
const int TiltLeftKey = 80 | 1 << 10, TiltRightKey = 79 | 1 << 10, TiltUpKey = 82 | 1 << 10,
          TiltDownKey = 81 | 1 << 10, ShakeKey = 8;

SDL_Surface* OpenScreen() {
  // The page sizes the canvas's drawing buffer for the viewport before the
  // program starts; the browser scales it to the page.
  int width = 320, height = 480;
  emscripten_get_canvas_element_size("#canvas", &width, &height);
  return SDL_SetVideoMode(width, height, 0, SDL_OPENGL);
}

// The browser presents what was drawn whenever the frame loop yields to it.
void SwapScreen() {}
void CloseScreen() {}

// The page writes the pattern of its link into the grid and reads the grid
// back to share it.
void ShareGrid(uint8_t* grid, int cells) {
  EM_ASM({ if (Module.onGrid) Module.onGrid($0, $1); }, grid, cells);
}

// The browser reports no focus changes of the pointer alone.
void FilterPointerFocusEvents() {}

namespace {
bool Listening = false;
double LastMotionMs = -1e9;
TiltAxes Motion;

// Acceleration including gravity in m/s^2, as a phone pushes against gravity
// (lying flat, z = +9.8); iOS reports the opposite signs.
EM_BOOL OnMotion(int, const EmscriptenDeviceMotionEvent* event, void*) {
  static const bool Inverted = EM_ASM_INT({
    return /iPhone|iPad|iPod/.test(navigator.userAgent) || (navigator.platform == 'MacIntel' && navigator.maxTouchPoints > 1);
  });
  double sign = Inverted ? -1.0 : 1.0;
  Motion = AccelerationToTilt(sign * event->accelerationIncludingGravityX, sign * event->accelerationIncludingGravityY,
                              sign * event->accelerationIncludingGravityZ);
  LastMotionMs = emscripten_get_now();
  return EM_FALSE;
}
}  // namespace

bool ReadTiltSensor(TiltAxes* axes) {
  if (!Listening) Listening = emscripten_set_devicemotion_callback(nullptr, EM_FALSE, OnMotion) == EMSCRIPTEN_RESULT_SUCCESS;
  // A desktop browser sends no motion; a phone sends it many times a second.
  if (emscripten_get_now() - LastMotionMs > 1000.0) return false;
  *axes = Motion;
  return true;
}

// emscripten's mixer cannot set a sample's own volume (Mix_VolumeChunk throws).
// Every note has the same volume, so the channels carry it instead.
int Mix_VolumeChunk(Mix_Chunk*, int volume) { return volume < 0 ? MIX_MAX_VOLUME : Mix_Volume(-1, volume); }
