#include "UGKeys.h"

#include "UGConvert.h"
#include "UGStrings.h"

#include <cctype>

namespace qm {

namespace {

struct TKeyName {
    const char* Name;
    int Key;
};

constexpr TKeyName KeyNames[] = {
    {"backspace", VK_BACK}, {"tab", VK_TAB},       {"enter", VK_RETURN},    {"return", VK_RETURN},
    {"shift", VK_SHIFT},    {"ctrl", VK_CONTROL},  {"control", VK_CONTROL}, {"alt", VK_MENU},
    {"pause", VK_PAUSE},    {"escape", VK_ESCAPE}, {"esc", VK_ESCAPE},      {"space", VK_SPACE},
    {"pageup", VK_PRIOR},   {"pagedown", VK_NEXT}, {"end", VK_END},         {"home", VK_HOME},
    {"left", VK_LEFT},      {"up", VK_UP},         {"right", VK_RIGHT},     {"down", VK_DOWN},
    {"insert", VK_INSERT},  {"delete", VK_DELETE}, {"kpplus", VK_ADD},      {"kpminus", VK_SUBTRACT},
};

} // namespace

int VirtualKeyFromName(const char* name) {
    std::string lower = LowerAscii(name);
    for (const auto& entry : KeyNames) {
        if (lower == entry.Name) {
            return entry.Key;
        }
    }
    if (lower.size() == 1 && ((lower[0] >= 'a' && lower[0] <= 'z') || (lower[0] >= '0' && lower[0] <= '9'))) {
        return static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(lower[0])));
    }
    if (lower.size() >= 2 && lower[0] == 'f') {
        auto number = ParseDecimalInt(lower.substr(1));
        if (number && *number >= 1 && *number <= 12) {
            return static_cast<int>(VK_F1 + *number - 1);
        }
    }
    auto number = ParseDecimalInt(lower);
    if (number && *number > 0 && *number < 256) {
        return static_cast<int>(*number);
    }
    return 0;
}

} // namespace qm
