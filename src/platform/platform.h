// What stands in for the handheld's own platform, on ordinary Linux machines
// and in the browser: the platform library's start and stop calls, the OpenGL
// ES 2.0 screen, activation events, and the accelerometer readings. Each
// backend (screen.cpp and iio.cpp on Linux, web.cpp in the browser) implements
// the same functions; tilt.cpp and pdl.cpp serve both.
#pragma once

#include <SDL.h>

#include <cstdint>

#include <string>

// Called before SDL_Init. Linux: chooses SDL's X11 video driver unless the
// user named one, and over SDL 2 a sound server queue as SDL 1.2's own.
void PreparePlatform();

// The device platform library's start and stop; here they do nothing.
int PDL_Init(unsigned int flags);
void PDL_Quit();

// Asks for an OpenGL ES 2.0 context and sets the video mode: the whole display
// when it is portrait, a 320 x 480 window (times the scale) on a landscape
// display. Returns the screen surface with a current ES 2 context, or null when
// either cannot be had; its size is the logical screen the program draws at.
SDL_Surface* OpenScreen();

// Linux: the handheld's screen scaled up on today's displays. A whole factor
// and the logical screen: on a portrait display, the display divided by the
// largest factor that leaves at least 320 x 480; on a landscape one, 320 x 480
// shown as large as a whole factor fits in 85 % of the display's height. An
// override of "1" to "8" (PEGPOND_SCALE) sets the factor; anything else is ignored.
struct ScreenScale {
  int factor, width, height;
};
ScreenScale ChooseScale(int displayWidth, int displayHeight, const char* override);
// Copies the logical frame from the bottom-left of framebuffer 0 and draws it
// over the window, factor times larger and smoothed.
void PresentScaled(const ScreenScale& scale);

// Between the start's long steps: in the page, gives the browser its thread
// back once it has been held for a few ms; elsewhere does nothing.
void Breathe();

// Presents the frame drawn into the screen (the handheld's SDL_GL_SwapBuffers).
// Does nothing when no screen is open, so GL code can run on other contexts.
void SwapScreen();

// Releases the ES context and gives SDL back its own, so SDL_Quit tears down cleanly.
void CloseScreen();

// While the toy plays in front the screen stays on, as for a game or a film;
// paused, it may blank and a phone may sleep. On Linux SDL is told to leave the
// screensaver alone and the program asks the X server and the desktop's
// screensaver service (org.freedesktop.ScreenSaver) itself; the page does
// nothing. Does nothing while no screen is open.
void KeepScreenOn(bool on);

// The program hands over its peg grid and its life switch once the grid is
// cleared at start-up. The browser's page starts the grid with the pattern of
// its link, reads it to put the current pattern into a link, and shows the life
// switch, the tempo and the sound set on its own (a link may set the tempo
// from the next step on, and the set to be chosen); Linux does nothing with them.
struct SharedState {
  uint8_t* grid;
  int cells;
  uint8_t* lifeMode;
  int *tempo, *nextTempo;         // the bpm now, and from the next step on
  int *soundSet, *askedSoundSet;  // the sound set sounding, and the one chosen last
  int* calmWater;                 // 1 keeps the water still
};
void ShareState(const SharedState& state);
// Tells a screen reader, politely, of a change that shows only in the pond:
// the page's live region; nothing on Linux.
void Announce(const char* text);

// The folder takes go into (made when a take starts): on Linux "pegpond" in the
// music folder (xdg-user-dir MUSIC, or ~/Music), in the browser a folder of
// the page's memory, which the page empties once it has offered a take.
std::string TakeFolder();

// Drops activation events that concern only the mouse pointer leaving or
// entering the window: on the handheld the pointer never leaves the screen.
// Linux also turns pointer positions into logical pixels of a scaled window.
void FilterPointerFocusEvents();
int IsPointerFocusOnly(const SDL_Event& event);

// The three accelerometer axes in raw joystick units (32768 is one gravity).
struct TiltAxes {
  Sint16 x, y, z;
};

// Held keys stand in for the device: arrows tilt, Backspace shakes. Without
// them, reads joystick 0's axes 0 to 2 when it exists, otherwise the backend's
// sensor (ReadTiltSensor), otherwise a device lying flat and still. With the
// motion switch off, only the keys: a device on a stand, or on a bumpy ride,
// neither steers nor clears. It is on at every start.
extern int MotionSensing;
// 0 while the arrows move the keyboard's cursor instead: then only Backspace.
extern int ArrowsSteer;
TiltAxes ReadTiltAxes(SDL_Joystick* joystick);
TiltAxes TiltFromKeys(const Uint8* keyState);
bool TiltKeyHeld(const Uint8* keyState);
// A sensor's acceleration including gravity in m/s^2, as a device pushes
// against gravity with y towards the top of the screen (lying flat, z = +9.8),
// to the handheld's readings, which point the way gravity pulls with y down the
// screen: the right edge lowered reads positive x, the top edge lowered
// negative y. 32768 is one gravity, clamped to 16 bits.
TiltAxes AccelerationToTilt(double x, double y, double z);
// The held keys and where each backend's SDL keeps the five keys among them.
const Uint8* HeldKeys();
extern const int TiltLeftKey, TiltRightKey, TiltUpKey, TiltDownKey, ShakeKey;
// The accelerometer the backend has (a Linux IIO sensor, the browser's device
// motion); false while it has none or gives no reading.
bool ReadTiltSensor(TiltAxes* axes);

// Linux IIO accelerometers (phones, convertibles) under a sysfs root,
// normally "/sys/bus/iio/devices".
struct IioAccelerometer {
  std::string dir;  // the device's folder, with a trailing slash
  double scale[3];  // m/s^2 per raw unit, per axis
  double mount[9];  // row-major rotation into the device's axes
};
// A sensor counts as found while it answers or is busy (EBUSY, EAGAIN, EIO).
bool FindIioAccelerometer(const char* root, IioAccelerometer* sensor);
// 0, or the errno of the raw read that failed.
int ReadIioAccelerometer(const IioAccelerometer& sensor, TiltAxes* axes);
// Raw readings to joystick units: 32768 is one gravity, clamped to 16 bits.
TiltAxes IioToJoystick(const IioAccelerometer& sensor, const double raw[3]);
// Linux: the IIO sensor ReadTiltSensor uses is found lazily under this root; a
// sensor that is gone is dropped and looked for again every few seconds. Reads
// that fail while it is busy keep the last reading for about half a second;
// after that, and with no sensor, iio-sensor-proxy's orientation steers.
void SetTiltSensorRoot(const char* root);
// iio-sensor-proxy on the system bus, claimed the first time there is no raw
// reading and released at exit: its orientation (the screen's side that is
// down) as a tilt towards that side; false while it gives none. Forgetting it
// drops the claim, to be made again on the next read.
bool ReadSensorProxy(TiltAxes* axes);
void ForgetSensorProxy();
// A private connection to the D-Bus bus at this address, registered, which
// never ends the process when the bus goes; null where there is none.
struct DBusConnection;
DBusConnection* OpenBus(const char* address);
// The reading of a device held still and tilted 0.6 g towards one side (x, y of
// -1, 0 or 1; y = 1 lowers the bottom edge), or lying flat (0, 0).
TiltAxes TiltToward(int x, int y);
