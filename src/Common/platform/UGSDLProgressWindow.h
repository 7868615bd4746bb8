#pragma once

#include "UGProgressWindow.h"

#include <SDL.h>

namespace qm {

// The progress window on SDL2: borderless, centred, drawn through the window's own surface so
// that it needs no graphics context beside the main window's. It works on whatever video
// driver the main window started, the offscreen one included. Main thread only, like every
// SDL window.
class TGSDLProgressWindow : public IGProgressWindow {
public:
    TGSDLProgressWindow() = default;
    ~TGSDLProgressWindow() override;
    TGSDLProgressWindow(const TGSDLProgressWindow&) = delete;
    TGSDLProgressWindow& operator=(const TGSDLProgressWindow&) = delete;

    // Raises the engine error when SDL cannot open the window.
    void Show(int width, int height) override;
    void Present(const std::vector<uint32_t>& argb) override;
    void Hide() override;
    void ProcessMessages() override;

    bool IsShown() const { return FWindow != nullptr; }
    int Presents() const { return FPresents; }

private:
    SDL_Window* FWindow = nullptr;
    int FWidth = 0;
    int FHeight = 0;
    int FPresents = 0;
    bool FOwnsVideo = false;
};

} // namespace qm
