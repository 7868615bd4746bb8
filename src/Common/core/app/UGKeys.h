#pragma once

namespace qm {

// The virtual-key codes the game logic is written against; the platform layer maps its own
// key codes onto these. Letters and digits use their upper-case ASCII codes.
enum TGVirtualKey : int {
    VK_BACK = 8,
    VK_TAB = 9,
    VK_RETURN = 13,
    VK_SHIFT = 16,
    VK_CONTROL = 17,
    VK_MENU = 18, // Alt
    VK_PAUSE = 19,
    VK_ESCAPE = 27,
    VK_SPACE = 32,
    VK_PRIOR = 33,
    VK_NEXT = 34,
    VK_END = 35,
    VK_HOME = 36,
    VK_LEFT = 37,
    VK_UP = 38,
    VK_RIGHT = 39,
    VK_DOWN = 40,
    VK_INSERT = 45,
    VK_DELETE = 46,
    VK_ADD = 107,      // numeric keypad plus
    VK_SUBTRACT = 109, // numeric keypad minus
    VK_F1 = 112,
    VK_F7 = 118,
    VK_F8 = 119,
    VK_F9 = 120,
    VK_F10 = 121,
    VK_F11 = 122,
    VK_F12 = 123,
};

// The name of a key for the input scripts ("F8", "Enter", "A", "Alt"), or its number as text.
int VirtualKeyFromName(const char* name);

} // namespace qm
