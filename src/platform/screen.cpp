// The handheld's SDL made an OpenGL ES 2.0 context for SDL_SetVideoMode. Classic
// SDL 1.2 on X11 makes a desktop GLX context instead; we let it (so SDL treats the
// window as a GL window: it never paints its own surface over ours and it reports
// exposes), set that context aside and make an EGL ES 2 context on SDL's window.
#include <EGL/egl.h>
#include <SDL_syswm.h>

#include <cstdlib>
#include <ctime>

#include "platform.h"
#include "screen_glx.h"

namespace {
EGLDisplay ScreenDisplay = EGL_NO_DISPLAY;
EGLSurface ScreenEglSurface = EGL_NO_SURFACE;
EGLContext ScreenContext = EGL_NO_CONTEXT;
SavedGlxContext SdlContext;
ScreenScale Scale = {1, 320, 480};
SDL_Surface LogicalSurface;  // the window's surface, at the logical size

// Drops activation events that concern only the pointer, and gives the
// program pointer positions in logical pixels. SDL 1.2 hands the filter the
// event it is about to queue, so it may be changed here.
int SDLCALL KeepEvent(const SDL_Event* event) {
  if (IsPointerFocusOnly(*event)) return 0;
  SDL_Event* e = const_cast<SDL_Event*>(event);
  if (e->type == SDL_MOUSEMOTION) {
    e->motion.x = static_cast<Uint16>(e->motion.x / Scale.factor);
    e->motion.y = static_cast<Uint16>(e->motion.y / Scale.factor);
  } else if (e->type == SDL_MOUSEBUTTONDOWN || e->type == SDL_MOUSEBUTTONUP) {
    e->button.x = static_cast<Uint16>(e->button.x / Scale.factor);
    e->button.y = static_cast<Uint16>(e->button.y / Scale.factor);
  }
  return 1;
}

bool MakeEglContext(Display* display, Window window) {
  ScreenDisplay = eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(display));
  if (ScreenDisplay == EGL_NO_DISPLAY || !eglInitialize(ScreenDisplay, nullptr, nullptr)) return false;
  if (!eglBindAPI(EGL_OPENGL_ES_API)) return false;
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT,
                                     EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_NONE};
  EGLConfig config;
  EGLint count = 0;
  if (!eglChooseConfig(ScreenDisplay, configAttributes, &config, 1, &count) || count < 1) return false;
  ScreenEglSurface = eglCreateWindowSurface(ScreenDisplay, config, static_cast<EGLNativeWindowType>(window), nullptr);
  if (ScreenEglSurface == EGL_NO_SURFACE) return false;
  const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
  ScreenContext = eglCreateContext(ScreenDisplay, config, EGL_NO_CONTEXT, contextAttributes);
  if (ScreenContext == EGL_NO_CONTEXT) return false;
  return eglMakeCurrent(ScreenDisplay, ScreenEglSurface, ScreenEglSurface, ScreenContext);
}
}  // namespace

// Without a display SDL 1.2 would fall back to drawing text art in the terminal.
void PreparePlatform() {
  setenv("SDL_VIDEODRIVER", "x11", 0);
  // SDL would keep the screen on for as long as its window exists, paused too;
  // KeepScreenOn does it while the toy plays, where the user chose nothing.
  setenv("SDL_VIDEO_ALLOW_SCREENSAVER", "1", 0);
  // SDL 1.2 over SDL 2 (it reports 1.2.50 on) asks a sound server to queue
  // one mixing buffer, 46 ms, which a busy machine lets run dry now and then:
  // the server then plays on later, and every note after that sounds late.
  // SDL 1.2's own output asks for two of its buffers, 93 ms; so do we, through
  // PulseAudio's client library (also PipeWire's), where the user set nothing.
  const SDL_version* linked = SDL_Linked_Version();
  if (linked->major == 1 && linked->minor == 2 && linked->patch >= 50) setenv("PULSE_LATENCY_MSEC", "93", 0);
}

// SDL 1.2's own ticks (1.2.15) count on the wall clock, which the system
// steps when it sets the time: a step of 15 ms moved one line's sound by as
// much, and a step back of seconds would hold the sweep. The program's ticks,
// and SDL's, count on the monotonic clock instead, as SDL 2 and the page count.
Uint32 SDL_GetTicks() {
  auto now = [] {
    timespec time;
    clock_gettime(CLOCK_MONOTONIC, &time);
    return static_cast<Sint64>(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
  };
  static const Sint64 start = now();
  return static_cast<Uint32>(now() - start);
}

const Uint8* HeldKeys() { return SDL_GetKeyState(nullptr); }
const int TiltLeftKey = SDLK_LEFT, TiltRightKey = SDLK_RIGHT, TiltUpKey = SDLK_UP, TiltDownKey = SDLK_DOWN,
          ShakeKey = SDLK_BACKSPACE;

void FilterPointerFocusEvents() { SDL_SetEventFilter(KeepEvent); }

SDL_Surface* OpenScreen() {
  SDL_GL_SetAttribute(static_cast<SDL_GLattr>(17), 2);  // the handheld's "ES 2 please"; unknown here
  const SDL_VideoInfo* info = SDL_GetVideoInfo();
  int width = info ? info->current_w : 320, height = info ? info->current_h : 480;
  Scale = ChooseScale(width, height, std::getenv("PEGPOND_SCALE"));
  bool portrait = height >= width;
  SDL_Surface* surface = portrait ? SDL_SetVideoMode(0, 0, 0, SDL_OPENGL)
                                  : SDL_SetVideoMode(320 * Scale.factor, 480 * Scale.factor, 0, SDL_OPENGL);
  if (!surface) return nullptr;
  SDL_WM_SetCaption("pegpond", "pegpond");  // what a desktop shows for the window

  SDL_SysWMinfo wm;
  SDL_VERSION(&wm.version);
  if (SDL_GetWMInfo(&wm) != 1 || wm.subsystem != SDL_SYSWM_X11) return nullptr;
  SdlContext = ReleaseGlxContext();  // EGL cannot be made current while GLX is
  if (!MakeEglContext(wm.info.x11.display, wm.info.x11.window)) {
    CloseScreen();
    return nullptr;
  }
  if (Scale.factor == 1) return surface;
  LogicalSurface = *surface;
  LogicalSurface.w = Scale.width;
  LogicalSurface.h = Scale.height;
  return &LogicalSurface;
}

void ShareState(const SharedState&) {}
void Breathe() {}
void Announce(const char*) {}

void SwapScreen() {
  if (ScreenEglSurface == EGL_NO_SURFACE) return;
  if (Scale.factor > 1) PresentScaled(Scale);
  eglSwapBuffers(ScreenDisplay, ScreenEglSurface);
}

void CloseScreen() {
  if (ScreenDisplay != EGL_NO_DISPLAY) {
    eglMakeCurrent(ScreenDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (ScreenContext != EGL_NO_CONTEXT) eglDestroyContext(ScreenDisplay, ScreenContext);
    if (ScreenEglSurface != EGL_NO_SURFACE) eglDestroySurface(ScreenDisplay, ScreenEglSurface);
    eglTerminate(ScreenDisplay);
  }
  ScreenDisplay = EGL_NO_DISPLAY;
  ScreenEglSurface = EGL_NO_SURFACE;
  ScreenContext = EGL_NO_CONTEXT;
  RestoreGlxContext(SdlContext);  // SDL's teardown expects its own context current
  SdlContext = SavedGlxContext{};
}
