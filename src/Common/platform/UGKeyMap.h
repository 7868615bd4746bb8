#pragma once

#include <SDL.h>

namespace qm {

// The virtual-key code the game logic uses for an SDL key, or 0 for keys the game ignores.
int VirtualKeyFromSDL(SDL_Keycode key);

} // namespace qm
