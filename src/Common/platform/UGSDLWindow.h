#pragma once

#include "UGWindow.h"

#include <SDL.h>
#include <deque>
#include <string>

namespace qm {

// The whole text of the error raised when the system cannot give an OpenGL 3.3 context; the
// main program shows it in its fatal-error box.
inline constexpr const char* OldOpenGLMessage =
    "Sorry, your system configuration does not meet the minimum system requirements.\r"
    "Description of the problem: old version of OpenGL.\r"
    "To be able to play the game you need OpenGL 3.3 or later.\r\r"
    "Troubleshooting: update the graphics driver of your system.\r"
    "Updates are free.";

// The main window on SDL2 with an OpenGL 3.3 core context, which the OpenGL renderer draws
// into. Mouse positions are mapped back through the renderer's letterbox into drawing units.
// Headless, the same code runs on SDL's offscreen driver.
class TGSDLWindow : public IGWindow {
public:
    // Raises the engine error when SDL or the window cannot be had, and OldOpenGLMessage when
    // no OpenGL 3.3 context can.
    TGSDLWindow(const std::string& caption, int width, int height, bool headless);
    ~TGSDLWindow() override;
    TGSDLWindow(const TGSDLWindow&) = delete;
    TGSDLWindow& operator=(const TGSDLWindow&) = delete;

    void SetCaption(const std::string& caption) override;
    bool HasFocus() const override;
    bool IsMinimized() const override;
    bool IsVisible() const override;
    void Show() override;
    void Hide() override;
    void Minimize() override;
    void Restore() override;
    bool IsFullScreen() const override;
    void SetFullScreen(bool fullScreen) override;
    void SetSystemCursorVisible(bool visible) override;
    void ReleaseCursorClip() override;

    bool WaitEvent(TGWindowEvent& event, int timeoutMs) override;

    void ShowMessage(const std::string& title, const std::string& text) override;

    // Window points to drawing units through the letterbox the renderer presents into.
    void ToDrawingUnits(int windowX, int windowY, int& x, int& y) const;

    // For the OpenGL renderer, which draws into this window's context.
    SDL_Window* Handle() const { return FWindow; }
    bool Headless() const { return FHeadless; }

private:
    void Translate(const SDL_Event& event);
    void TranslateWindowEvent(const SDL_WindowEvent& event);
    void TranslateKey(const SDL_KeyboardEvent& event);
    void TranslateText(const char* utf8);
    void ResyncModifiers();
    // Window points to drawing units through the letterbox.
    void Push(TGWindowEvent::TKind kind);

    int FWidth;
    int FHeight;
    bool FHeadless;
    SDL_Window* FWindow = nullptr;
    SDL_GLContext FContext = nullptr;
    bool FAltDown = false;
    bool FCtrlDown = false;
    std::deque<TGWindowEvent> FPending;
};

} // namespace qm
