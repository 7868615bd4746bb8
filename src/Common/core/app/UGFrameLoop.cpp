#include "UGFrameLoop.h"

#include "UGAppData.h"
#include "UGError.h"
#include "UGGameForm.h"
#include "UGPngWriter.h"
#include "UGStrings.h"

#include <algorithm>

namespace qm {

void TGFrameStatistics::TSeries::Add(double value) {
    Sum += value;
    Worst = Count ? std::max(Worst, value) : value;
    ++Count;
}

void TGFrameStatistics::Add(const TGGameForm::TGFrameTimes& times,
                            const TGGraphicsDevice::TGFrameStats& device) {
    ++FFrames;
    FUpdate.Add(times.UpdateMs);
    FDraw.Add(times.DrawMs);
    FPresent.Add(times.PresentMs);
    FTotal.Add(times.UpdateMs + times.DrawMs + times.PresentMs);
    if (!times.Drawn) {
        return;
    }
    ++FDrawn;
    FSubmitted += device.Submitted ? 1 : 0;
    FDrawCalls.Add(device.DrawCalls);
    FTextureSwitches.Add(device.TextureSwitches);
}

std::string TGFrameStatistics::Report() const {
    auto times = [](const char* name, const TSeries& series) {
        return Format("  %-16s mean %7.3f ms   worst %7.3f ms\n", name, series.Mean(), series.Worst);
    };
    auto counts = [](const char* name, const TSeries& series) {
        return Format("  %-16s mean %7.1f      worst %5.0f\n", name, series.Mean(), series.Worst);
    };
    return Format("frames: %llu ticked, %llu drawn, %llu of them sent to the renderer\n",
                  static_cast<unsigned long long>(FFrames), static_cast<unsigned long long>(FDrawn),
                  static_cast<unsigned long long>(FSubmitted)) +
           "frame time, every tick:\n" + times("update", FUpdate) + times("draw submission", FDraw) +
           times("present", FPresent) + times("whole frame", FTotal) + "per drawn frame:\n" +
           counts("draw calls", FDrawCalls) + counts("texture switches", FTextureSwitches);
}

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
    if (FOptions.Trace) {
        FOptions.Trace->SetFrame(FFrame);
    }
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
    ChooseWhetherSeen();
    FForm.TimerTick();
    if (FOptions.Statistics && FForm.GetAppData() && FForm.GetAppData()->Device) {
        FOptions.Statistics->Add(FForm.LastFrameTimes(), FForm.GetAppData()->Device->LastFrameStats());
    }
    TakeScreenshots();
    return FOptions.MaxFrames == 0 || FFrame < FOptions.MaxFrames;
}

bool TGFrameLoop::LookedAt(uint64_t frame) const {
    if (!FOptions.DrawLookedAtOnly || frame == FOptions.MaxFrames) {
        return true;
    }
    if (FOptions.DrawEvery > 0 && frame % FOptions.DrawEvery == 0) {
        return true;
    }
    return std::any_of(FOptions.Screenshots.begin(), FOptions.Screenshots.end(),
                       [frame](const TGScreenshotRequest& request) { return request.Frame == frame; });
}

void TGFrameLoop::ChooseWhetherSeen() {
    TGAppData* data = FForm.GetAppData();
    if (data && data->Device) {
        data->Device->SetFramesUnseen(!LookedAt(FFrame));
    }
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
            std::vector<uint32_t> picture = device.ReadBackBuffer();
            // The window shows the back buffer opaque; the alpha blending leaves in it (a half
            // transparent shadow halves it) would show as holes in the file.
            for (uint32_t& pixel : picture) {
                pixel |= 0xFF000000u;
            }
            WritePng(request.File, device.Width(), device.Height(), picture);
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
