#pragma once

#include "UGWindow.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace qm {

// Window events scheduled at frame numbers, read from a text file for headless runs:
//   <frame> <event> [arguments]      one event a line; "#" starts a comment
// Events: move X Y | down left|right [X Y] | up left|right [X Y] | dblclick | wheel up|down |
// keydown KEY | keyup KEY | key KEY (down then up) | char TEXT | focus lost|gained |
// minimize | restore | quit. KEY is a name (F8, Enter, Escape, Alt, Ctrl, A, 7, KpPlus, ...)
// or a virtual-key number. Positions are in drawing units of the 800 x 600 screen.
class TGInputScript {
public:
    static TGInputScript LoadFromFile(const std::filesystem::path& path);
    static TGInputScript Parse(const std::string& text, const std::string& sourceName);

    // The events of one frame, in the order they were written.
    const std::vector<TGWindowEvent>& EventsAt(uint64_t frame) const;
    uint64_t LastFrame() const { return FEvents.empty() ? 0 : FEvents.rbegin()->first; }

private:
    std::map<uint64_t, std::vector<TGWindowEvent>> FEvents;
};

} // namespace qm
