#include "platform.h"

int IsPointerFocusOnly(const SDL_Event& event) {
  return event.type == SDL_ACTIVEEVENT && event.active.state == SDL_APPMOUSEFOCUS;
}

static int SDLCALL KeepEvent(const SDL_Event* event) { return !IsPointerFocusOnly(*event); }

void FilterPointerFocusEvents() { SDL_SetEventFilter(KeepEvent); }
