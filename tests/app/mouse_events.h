// Synthetic touch events as SDL 1.2 delivers them.
#pragma once

#include <SDL.h>

inline SDL_Event MouseEvent(Uint8 type, int x, int y, Uint8 state = 0) {
  SDL_Event e{};
  e.type = type;
  if (type == SDL_MOUSEMOTION) {
    e.motion.x = static_cast<Uint16>(x);
    e.motion.y = static_cast<Uint16>(y);
    e.motion.state = state;
  } else {
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    e.button.button = SDL_BUTTON_LEFT;
  }
  return e;
}
