#include "headless_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstddef>

namespace {
EGLDisplay Display = EGL_NO_DISPLAY;
EGLSurface Surface = EGL_NO_SURFACE;
EGLContext Context = EGL_NO_CONTEXT;

EGLDisplay SurfacelessDisplay() {
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return EGL_NO_DISPLAY;
  return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}
}  // namespace

bool CreateHeadlessGl(int width, int height) {
  DestroyHeadlessGl();
  Display = SurfacelessDisplay();
  if (Display == EGL_NO_DISPLAY || !eglInitialize(Display, nullptr, nullptr)) return false;
  if (!eglBindAPI(EGL_OPENGL_ES_API)) return false;
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT,
                                     EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                     EGL_NONE};
  EGLConfig config;
  EGLint count = 0;
  if (!eglChooseConfig(Display, configAttributes, &config, 1, &count) || count < 1) return false;
  const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  Surface = eglCreatePbufferSurface(Display, config, surfaceAttributes);
  if (Surface == EGL_NO_SURFACE) return false;
  const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
  Context = eglCreateContext(Display, config, EGL_NO_CONTEXT, contextAttributes);
  if (Context == EGL_NO_CONTEXT) return false;
  return eglMakeCurrent(Display, Surface, Surface, Context) == EGL_TRUE;
}

void DestroyHeadlessGl() {
  if (Display != EGL_NO_DISPLAY) {
    eglMakeCurrent(Display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (Context != EGL_NO_CONTEXT) eglDestroyContext(Display, Context);
    if (Surface != EGL_NO_SURFACE) eglDestroySurface(Display, Surface);
    // The display stays initialised: eglTerminate would unload Mesa's driver,
    // and LeakSanitizer then reports the driver's own allocations as leaks it
    // can no longer trace. EGL hands back the same display on the next set-up.
  }
  Display = EGL_NO_DISPLAY;
  Surface = EGL_NO_SURFACE;
  Context = EGL_NO_CONTEXT;
}

std::vector<uint8_t> ReadPixels(int x, int y, int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}
