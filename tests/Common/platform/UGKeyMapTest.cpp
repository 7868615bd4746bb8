#include "UGKeyMap.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(KeyMap, SDLKeysBecomeTheGamesVirtualKeys) {
    struct {
        SDL_Keycode Sdl;
        int Key;
    } cases[] = {{SDLK_BACKSPACE, 8},  {SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13}, {SDLK_LCTRL, 17},
                 {SDLK_RALT, 18},      {SDLK_ESCAPE, 27}, {SDLK_END, 35},      {SDLK_HOME, 36},
                 {SDLK_LEFT, 37},      {SDLK_DOWN, 40},   {SDLK_DELETE, 46},   {SDLK_KP_PLUS, 107},
                 {SDLK_KP_MINUS, 109}, {SDLK_F7, 118},    {SDLK_F11, 122},     {SDLK_a, 'A'},
                 {SDLK_z, 'Z'},        {SDLK_0, '0'},     {SDLK_9, '9'},       {SDLK_CAPSLOCK, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(VirtualKeyFromSDL(c.Sdl), c.Key) << SDL_GetKeyName(c.Sdl);
    }
}

} // namespace
} // namespace qm
