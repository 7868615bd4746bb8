#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// One event of the main window, already in the game's terms: positions in drawing units of the
// 800 x 600 screen, keys as virtual-key codes, characters as code points.
struct TGWindowEvent {
    enum TKind {
        MouseMove,
        MouseDown,
        MouseUp,
        DblClick,
        WheelUp,
        WheelDown,
        KeyDown,
        KeyUp,
        KeyPress,
        FocusGained,
        FocusLost,
        Minimized,
        Restored,
        Expose,
        Quit,
    };
    TKind Kind = MouseMove;
    int X = 0;
    int Y = 0;
    // Button events carry the pointer position unless a script asked for "where it is".
    bool HasPosition = true;
    int Button = 0; // 0 left, 1 right
    int Key = 0;
    char32_t Char = 0;
};

// The main window as the engine sees it. The SDL implementation lives in the platform layer;
// tests use a null twin that records what the engine asked of it.
class IGWindow {
public:
    virtual ~IGWindow() = default;

    virtual void SetCaption(const std::string& caption) = 0;
    virtual bool HasFocus() const = 0;
    virtual bool IsMinimized() const = 0;
    // False while nothing of the window can be seen (minimised or hidden): frames are then
    // ticked without being drawn.
    virtual bool IsVisible() const { return !IsMinimized(); }
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual void Minimize() = 0;
    virtual void Restore() = 0;
    virtual bool IsFullScreen() const = 0;
    virtual void SetFullScreen(bool fullScreen) = 0;
    virtual void SetSystemCursorVisible(bool visible) = 0;
    virtual void ReleaseCursorClip() = 0;

    // Waits up to timeoutMs for the next event; false when none came.
    virtual bool WaitEvent(TGWindowEvent& event, int timeoutMs) = 0;

    // A message box for a fatal or unexpected error; the text also goes to standard error.
    virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
};

} // namespace qm
