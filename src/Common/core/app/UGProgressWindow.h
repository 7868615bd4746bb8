#pragma once

#include <cstdint>
#include <vector>

namespace qm {

// A small borderless window, centred on the screen, that shows a picture the caller draws
// itself. It serves the long waits before the main window has anything to show. The SDL
// implementation lives in the platform layer; it must be driven from the main thread.
class IGProgressWindow {
public:
    virtual ~IGProgressWindow() = default;

    // Opens (or reopens) the window with a client area of the given size.
    virtual void Show(int width, int height) = 0;
    // Shows width x height ARGB pixels, top row first, of the size given to Show.
    virtual void Present(const std::vector<uint32_t>& argb) = 0;
    virtual void Hide() = 0;
    // Handles what the system sent to the window since the last call; a request to close it
    // is refused, as the work it stands for cannot be interrupted.
    virtual void ProcessMessages() = 0;
};

} // namespace qm
