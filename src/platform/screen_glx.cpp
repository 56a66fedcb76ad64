#include <GL/glx.h>

#include "screen_glx.h"

SavedGlxContext ReleaseGlxContext() {
  SavedGlxContext saved;
  Display* display = glXGetCurrentDisplay();
  if (!display) return saved;
  saved.display = display;
  saved.drawable = glXGetCurrentDrawable();
  saved.context = glXGetCurrentContext();
  glXMakeCurrent(display, None, nullptr);
  return saved;
}

void RestoreGlxContext(const SavedGlxContext& saved) {
  if (!saved.display) return;
  glXMakeCurrent(static_cast<Display*>(saved.display), saved.drawable, static_cast<GLXContext>(saved.context));
}
