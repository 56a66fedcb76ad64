#include "platform.h"

int IsPointerFocusOnly(const SDL_Event& event) {
  return event.type == SDL_ACTIVEEVENT && event.active.state == SDL_APPMOUSEFOCUS;
}
