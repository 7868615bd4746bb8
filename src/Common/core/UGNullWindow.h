#pragma once

#include "UGWindow.h"

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace qm {

// The do-nothing twin of the main window, for logic tests and tools: it keeps the state the
// engine asked for (full screen, minimised, cursor), queues events handed to it, counts
// presented frames and records message boxes instead of showing them.
class TGNullWindow : public IGWindow {
public:
    TGNullWindow(int width = 800, int height = 600) : FWidth(width), FHeight(height) {}

    void SetCaption(const std::string& caption) override { Caption = caption; }
    bool HasFocus() const override { return Focused; }
    bool IsMinimized() const override { return Minimized; }
    void Show() override { Visible = true; }
    void Hide() override { Visible = false; }
    void Minimize() override { Minimized = true; }
    void Restore() override { Minimized = false; }
    bool IsFullScreen() const override { return FullScreen; }
    void SetFullScreen(bool fullScreen) override {
        FullScreen = fullScreen;
        ++FullScreenSwitches;
    }
    void SetSystemCursorVisible(bool visible) override { SystemCursorVisible = visible; }
    void ReleaseCursorClip() override {}

    bool WaitEvent(TGWindowEvent& event, int timeoutMs) override;
    void Queue(const TGWindowEvent& event) { FQueue.push_back(event); }

    bool BeginFrame() override { return CanDraw; }
    void ClearFrame(uint32_t argb) override { FClear = argb; }
    void PresentFrame() override { ++PresentedFrames; }
    int BackBufferWidth() const override { return FWidth; }
    int BackBufferHeight() const override { return FHeight; }
    std::vector<uint32_t> ReadBackBuffer() override;

    void ShowMessage(const std::string& title, const std::string& text) override {
        Messages.emplace_back(title, text);
    }

    std::string Caption;
    bool Focused = true;
    bool Minimized = false;
    bool Visible = true;
    bool FullScreen = false;
    int FullScreenSwitches = 0;
    bool SystemCursorVisible = true;
    bool CanDraw = true;
    int PresentedFrames = 0;
    std::vector<std::pair<std::string, std::string>> Messages;

private:
    int FWidth;
    int FHeight;
    uint32_t FClear = 0;
    std::deque<TGWindowEvent> FQueue;
};

} // namespace qm
