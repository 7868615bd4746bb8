#pragma once

#include "UGCommandLine.h"
#include "UGInputScript.h"
#include "UGTimer.h"
#include "UGWindow.h"

#include <cstdint>
#include <vector>

namespace qm {

class TGGameForm;

struct TGLoopOptions {
    // Every frame advances the clocks by exactly 10 ms and nothing waits for real time, so
    // a run with the same input is repeatable.
    TGManualTickSource* FixedStep = nullptr;
    uint64_t MaxFrames = 0; // 0: until the window closes
    const TGInputScript* Script = nullptr;
    std::vector<TGScreenshotRequest> Screenshots;
};

// The message loop of the main window: events are handled as they come, and every 10 ms one
// tick runs one update-and-draw frame. A late tick is not caught up with a burst of frames.
class TGFrameLoop {
public:
    static constexpr uint64_t TickIntervalMs = 10;

    TGFrameLoop(TGGameForm& form, IGWindow& window, IGTickSource& ticks, TGLoopOptions options);

    // Runs until the window closes or the frame limit is reached. Raises the engine error when
    // a screenshot cannot be written or a requested frame was never reached.
    void Run();
    uint64_t FramesRun() const { return FFrame; }

private:
    // False when the event asks the program to stop.
    bool Dispatch(const TGWindowEvent& event);
    bool RunFrame();
    void TakeScreenshots();
    void CheckScreenshotsTaken() const;

    TGGameForm& FForm;
    IGWindow& FWindow;
    IGTickSource& FTicks;
    TGLoopOptions FOptions;
    uint64_t FFrame = 0;
};

} // namespace qm
