#pragma once

#include "UGCommandLine.h"
#include "UGEventTrace.h"
#include "UGGameForm.h"
#include "UGGraphicsDevice.h"
#include "UGInputScript.h"
#include "UGTimer.h"
#include "UGWindow.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// The figures `--stats` prints at exit: frame times of every tick, and the renderer's work
// per drawn frame.
class TGFrameStatistics {
public:
    void Add(const TGGameForm::TGFrameTimes& times, const TGGraphicsDevice::TGFrameStats& device);
    std::string Report() const;

private:
    struct TSeries {
        double Sum = 0.0;
        double Worst = 0.0;
        uint64_t Count = 0;
        void Add(double value);
        double Mean() const { return Count ? Sum / static_cast<double>(Count) : 0.0; }
    };

    uint64_t FFrames = 0;
    uint64_t FDrawn = 0;
    uint64_t FSubmitted = 0;
    TSeries FUpdate, FDraw, FPresent, FTotal, FDrawCalls, FTextureSwitches;
};

struct TGLoopOptions {
    // Every frame advances the clocks by exactly 10 ms and nothing waits for real time, so
    // a run with the same input is repeatable.
    TGManualTickSource* FixedStep = nullptr;
    uint64_t MaxFrames = 0; // 0: until the window closes
    const TGInputScript* Script = nullptr;
    std::vector<TGScreenshotRequest> Screenshots;
    TGFrameStatistics* Statistics = nullptr;
    // Told the number of every frame before it runs, so that its events carry it.
    TGEventTrace* Trace = nullptr;
    // Only the frames something looks at are drawn into the back buffer and presented: a
    // screenshot's, every DrawEvery-th and the last of MaxFrames. Every frame still updates
    // and runs its drawing code, so a run gives the same game either way, only faster.
    bool DrawLookedAtOnly = false;
    uint64_t DrawEvery = 0; // 0: none besides the others
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
    bool LookedAt(uint64_t frame) const;
    void ChooseWhetherSeen();
    void TakeScreenshots();
    void CheckScreenshotsTaken() const;

    TGGameForm& FForm;
    IGWindow& FWindow;
    IGTickSource& FTicks;
    TGLoopOptions FOptions;
    uint64_t FFrame = 0;
};

} // namespace qm
