#include "UGFrameLoop.h"

#include "UGAppData.h"
#include "UGError.h"
#include "UGGameForm.h"
#include "UGPngWriter.h"
#include "UGStrings.h"

namespace qm {

TGFrameLoop::TGFrameLoop(TGGameForm& form, IGWindow& window, IGTickSource& ticks, TGLoopOptions options)
    : FForm(form), FWindow(window), FTicks(ticks), FOptions(std::move(options)) {}

bool TGFrameLoop::Dispatch(const TGWindowEvent& event) {
    if (event.Kind == TGWindowEvent::Quit) {
        return false;
    }
    FForm.HandleEvent(event);
    return true;
}

// One tick: the scripted events of the frame, the tick itself, the screenshots. False when
// the run is over.
bool TGFrameLoop::RunFrame() {
    ++FFrame;
    if (FOptions.Script) {
        for (const TGWindowEvent& event : FOptions.Script->EventsAt(FFrame)) {
            if (!Dispatch(event)) {
                return false;
            }
        }
    }
    if (FOptions.FixedStep) {
        FOptions.FixedStep->Advance(TickIntervalMs);
    }
    FForm.TimerTick();
    TakeScreenshots();
    return FOptions.MaxFrames == 0 || FFrame < FOptions.MaxFrames;
}

void TGFrameLoop::Run() {
    uint64_t nextTick = FTicks.NowMs() + TickIntervalMs;
    bool running = true;
    while (running) {
        TGWindowEvent event;
        if (FOptions.FixedStep) {
            while (running && FWindow.WaitEvent(event, 0)) {
                running = Dispatch(event);
            }
            running = running && RunFrame();
            continue;
        }
        uint64_t now = FTicks.NowMs();
        int timeout = nextTick > now ? static_cast<int>(nextTick - now) : 0;
        if (FWindow.WaitEvent(event, timeout)) {
            running = Dispatch(event);
            continue;
        }
        now = FTicks.NowMs();
        if (now < nextTick) {
            continue;
        }
        nextTick += TickIntervalMs;
        if (nextTick <= now) {
            nextTick = now + TickIntervalMs;
        }
        running = RunFrame();
    }
    CheckScreenshotsTaken();
}

void TGFrameLoop::TakeScreenshots() {
    for (const TGScreenshotRequest& request : FOptions.Screenshots) {
        if (request.Frame == FFrame) {
            TGGraphicsDevice& device = *FForm.GetAppData()->Device;
            WritePng(request.File, device.Width(), device.Height(), device.ReadBackBuffer());
        }
    }
}

void TGFrameLoop::CheckScreenshotsTaken() const {
    for (const TGScreenshotRequest& request : FOptions.Screenshots) {
        if (request.Frame > FFrame) {
            throw EGError("TGFrameLoop.Run",
                          Format("no screenshot \"%s\": the run ended after frame %llu, before frame %llu",
                                 request.File.c_str(), static_cast<unsigned long long>(FFrame),
                                 static_cast<unsigned long long>(request.Frame)));
        }
    }
}

} // namespace qm
