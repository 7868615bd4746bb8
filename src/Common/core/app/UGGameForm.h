#pragma once

#include "UGWindow.h"

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace qm {

class TGAppData;

// Raised to stop the program at once with an exit status (a fatal condition after its message
// was shown). The main program catches it; nothing else should.
class EGFatalExit {
public:
    explicit EGFatalExit(int status) : Status(status) {}
    int Status;
};

// The engine's half of the main window: the 10 ms tick, activation and deactivation, the frame
// and the routing of input to the widget manager. The game derives from it, creates the game
// objects and adds its own keys and the per-frame hook.
class TGGameForm {
public:
    static constexpr const char* FatalTitle = "Unable to run the game";
    static constexpr const char* NotEnoughMemoryText =
        "Sorry, your system configuration does not meet the minimum system requirements.\r"
        "Description of the problem: not enough video or physical memory.\r"
        "Minimum 32 Mb required for video memory.\r"
        "Minimum 256 Mb required for physical memory.";

    explicit TGGameForm(IGWindow& window);
    virtual ~TGGameForm();
    TGGameForm(const TGGameForm&) = delete;
    TGGameForm& operator=(const TGGameForm&) = delete;

    virtual void ActivateGame();
    virtual void DeactivateGame();
    virtual TGAppData* GetAppData() = 0;
    virtual void PauseOnDeactivate() {}
    virtual void DoFrame() {}

    // The tick of the 10 ms timer: activation bookkeeping, then one frame.
    void TimerTick();
    void RenderFrame();
    // Hands one window event to the matching handler.
    void HandleEvent(const TGWindowEvent& event);

    // Where the time of the last frame went, in milliseconds, and whether it was drawn where
    // it can be seen.
    struct TGFrameTimes {
        double UpdateMs = 0.0;
        double DrawMs = 0.0;
        double PresentMs = 0.0;
        bool Drawn = false;
    };
    const TGFrameTimes& LastFrameTimes() const { return FFrameTimes; }
    // Frames are drawn at most this often; ticks in between update without drawing. With
    // presentation synchronised to the display, this keeps a waiting present from holding up
    // the game's tick.
    void SetMinFrameIntervalMs(double interval) { FMinFrameIntervalMs = interval; }

    bool IsActive() const { return FActive; }
    bool TimerEnabled() const { return FTimerEnabled; }
    IGWindow& Window() const { return FWindow; }

    // An error that escaped a frame or an event: standard error always, a message box once
    // per distinct text so that an error repeating every tick does not bury the player. A
    // form that counts its errors only keeps each distinct text with its count.
    void ReportError(const std::string& text);
    // A headless run has no one to read the errors as they come, and a test running it must
    // not take a run full of them for success: it counts them, prints each once with its count
    // when the run is over and fails.
    void CountErrors(bool count) { FCountErrors = count; }
    uint64_t ErrorCount() const;
    // One line per distinct error, in the order first raised, with the times it was raised.
    std::string ErrorSummary() const;

protected:
    // The engine part of the window's creation: caption, cursor, video mode, timer.
    void FormCreateEngine(const std::string& caption);

    virtual void FormMouseDown(int button);
    virtual void FormMouseUp(int button);
    virtual void FormMouseMove(int x, int y);
    virtual void FormKeyDown(int key);
    virtual void FormKeyUp(int key);
    virtual void FormKeyPress(char32_t ch);
    virtual void FormMouseWheelDown();
    virtual void FormMouseWheelUp();
    virtual void FormDblClick();

    // Stops with the fixed message when video memory ran out; true when the program stops.
    void CheckVideoMemory();
    [[noreturn]] void FatalVideoMemoryExit();
    // Leaves full screen so that a message box can be seen; the game switches the player's
    // setting off as well.
    virtual void LeaveFullScreenForMessage();

private:
    void UpdateSystemCursor();
    void UpdateSound(TGAppData& data);
    // The logic of a frame without its picture.
    void UpdateWithoutDrawing(TGAppData& data);
    bool DrawingDue() const;
    void CountError(const std::string& text);

    IGWindow& FWindow;
    bool FActive = false;
    bool FRestoreFullScreen = false;
    bool FFatalShown = false;
    bool FTimerEnabled = false;
    bool FMinimized = false;
    bool FFocused = false;
    std::set<std::string> FReportedErrors;
    bool FCountErrors = false;
    std::vector<std::pair<std::string, uint64_t>> FCountedErrors;
    TGFrameTimes FFrameTimes;
    double FMinFrameIntervalMs = 0.0;
    double FLastDrawnMs = -1e9;
};

} // namespace qm
