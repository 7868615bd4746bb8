#pragma once

#include "UGWindow.h"

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace qm {

// The do-nothing twin of the main window, for logic tests and tools: it keeps the state the
// engine asked for (full screen, minimised, cursor), queues events handed to it and records
// message boxes instead of showing them.
class TGNullWindow : public IGWindow {
public:
    TGNullWindow() = default;

    void SetCaption(const std::string& caption) override { Caption = caption; }
    bool HasFocus() const override { return Focused; }
    bool IsMinimized() const override { return Minimized; }
    bool IsVisible() const override { return Visible && !Minimized; }
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
    std::vector<std::pair<std::string, std::string>> Messages;

private:
    std::deque<TGWindowEvent> FQueue;
};

} // namespace qm
