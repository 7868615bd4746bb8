#include "UGGameForm.h"

#include "UGAppData.h"
#include "UGError.h"
#include "UGStrings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace qm {

namespace {

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

TGGameForm::TGGameForm(IGWindow& window) : FWindow(window) {
    FFocused = window.HasFocus();
}

TGGameForm::~TGGameForm() = default;

void TGGameForm::FormCreateEngine(const std::string& caption) {
    FWindow.SetCaption(caption);
    TGAppData* data = GetAppData();
    if (data) {
        FWindow.SetSystemCursorVisible(false);
        FTimerEnabled = false;
        data->ApplyVideoMode();
        FTimerEnabled = true;
    }
}

void TGGameForm::CheckVideoMemory() {
    TGAppData* data = GetAppData();
    if (data && data->Device->OutOfVideoMemory()) {
        FatalVideoMemoryExit();
    }
}

void TGGameForm::LeaveFullScreenForMessage() {
    if (TGAppData* data = GetAppData()) {
        data->SetFullScreenNow(false);
    }
}

void TGGameForm::FatalVideoMemoryExit() {
    if (!FFatalShown) {
        FFatalShown = true;
        LeaveFullScreenForMessage();
        FWindow.ShowMessage(FatalTitle, NotEnoughMemoryText);
    }
    throw EGFatalExit(1);
}

void TGGameForm::TimerTick() {
    if (!FTimerEnabled) {
        return;
    }
    CheckVideoMemory();
    if (FActive && (FMinimized || FWindow.IsMinimized())) {
        DeactivateGame();
    }
    if (FFocused && !FActive && !FMinimized) {
        ActivateGame();
    }
    TGAppData* data = GetAppData();
    if (data) {
        double start = NowMs();
        if (data->WidgetManager) {
            data->WidgetManager->TimerTick();
        }
        double ticked = NowMs() - start;
        RenderFrame();
        UpdateSound(*data);
        FFrameTimes.UpdateMs += ticked;
    }
}

// Fades, slides and the end of an ambient sound's hold move on the main thread, once a tick.
void TGGameForm::UpdateSound(TGAppData& data) {
    if (!data.SoundEngine) {
        return;
    }
    try {
        data.SoundEngine->Update();
    } catch (const std::exception& error) {
        ReportError(error.what());
    }
}

bool TGGameForm::DrawingDue() const {
    return FMinFrameIntervalMs <= 0.0 || NowMs() - FLastDrawnMs >= FMinFrameIntervalMs;
}

void TGGameForm::UpdateWithoutDrawing(TGAppData& data) {
    data.UpdateTimers(true);
    if (data.WidgetManager) {
        data.WidgetManager->Update();
    }
}

void TGGameForm::RenderFrame() {
    CheckVideoMemory();
    TGAppData* data = GetAppData();
    if (!data) {
        return;
    }
    FFrameTimes = TGFrameTimes();
    if (!FActive) {
        data->UpdateTimers(false);
        return;
    }
    double start = NowMs();
    if (!FWindow.IsVisible() || !DrawingDue()) {
        std::string error;
        try {
            UpdateWithoutDrawing(*data);
        } catch (const EGFatalExit&) {
            throw;
        } catch (const std::exception& e) {
            error = e.what();
        }
        FFrameTimes.UpdateMs = NowMs() - start;
        if (!error.empty()) {
            ReportError(error);
        }
        return;
    }
    TGGraphicsDevice& device = *data->Device;
    if (!device.BeginFrame()) {
        return;
    }
    FLastDrawnMs = start;
    data->UpdateTimers(true);
    std::string error;
    double updated = start;
    try {
        device.ClearScene();
        if (data->WidgetManager) {
            data->WidgetManager->Update();
            updated = NowMs();
            data->WidgetManager->Draw();
        } else {
            updated = NowMs();
        }
        DoFrame();
    } catch (const EGFatalExit&) {
        device.EndFrame();
        device.PresentFrame();
        throw;
    } catch (const std::exception& e) {
        error = e.what();
    }
    // The scene is presented whatever happened while it was drawn.
    device.EndFrame();
    double drawn = NowMs();
    device.PresentFrame();
    FFrameTimes = {updated - start, drawn - updated, NowMs() - drawn, !device.FramesUnseen()};
    if (data->TextureEvictionRequested) {
        data->TextureEvictionRequested = false;
        device.EvictManagedTextures();
    }
    UpdateSystemCursor();
    if (!error.empty()) {
        ReportError(error);
    }
}

void TGGameForm::UpdateSystemCursor() {
    TGAppData* data = GetAppData();
    FWindow.SetSystemCursorVisible(data && data->ShowSystemCursor);
}

void TGGameForm::ActivateGame() {
    CheckVideoMemory();
    if (FActive) {
        return;
    }
    TGAppData* data = GetAppData();
    if (data && FRestoreFullScreen && !data->IsFullScreen()) {
        FRestoreFullScreen = false;
        data->ToggleFullScreenNow();
    }
    FActive = true;
    FMinimized = false;
    FWindow.Show();
    FWindow.Restore();
    if (data && data->SoundEngine) {
        data->SoundEngine->SetPaused(false);
    }
    // The device hears that the window is active again once it needs to.
}

void TGGameForm::DeactivateGame() {
    if (!FActive) {
        return;
    }
    TGAppData* data = GetAppData();
    if (data) {
        if (data->IsFullScreen()) {
            FRestoreFullScreen = true;
            data->ToggleFullScreenNow();
        }
        if (data->SoundEngine) {
            data->SoundEngine->SetPaused(true);
        }
        if (FRestoreFullScreen) {
            FWindow.Hide();
            FWindow.Minimize();
            FMinimized = true;
        }
        if (!data->GameClock->Paused) {
            PauseOnDeactivate();
        }
    }
    FActive = false;
    FWindow.ReleaseCursorClip();
}

void TGGameForm::HandleEvent(const TGWindowEvent& event) {
    CheckVideoMemory();
    try {
        switch (event.Kind) {
        case TGWindowEvent::MouseMove:
            FormMouseMove(event.X, event.Y);
            break;
        case TGWindowEvent::MouseDown:
            if (event.HasPosition) {
                FormMouseMove(event.X, event.Y);
            }
            FormMouseDown(event.Button);
            break;
        case TGWindowEvent::MouseUp:
            if (event.HasPosition) {
                FormMouseMove(event.X, event.Y);
            }
            FormMouseUp(event.Button);
            break;
        case TGWindowEvent::DblClick:
            FormDblClick();
            break;
        case TGWindowEvent::WheelUp:
            FormMouseWheelUp();
            break;
        case TGWindowEvent::WheelDown:
            FormMouseWheelDown();
            break;
        case TGWindowEvent::KeyDown:
            FormKeyDown(event.Key);
            break;
        case TGWindowEvent::KeyUp:
            FormKeyUp(event.Key);
            break;
        case TGWindowEvent::KeyPress:
            FormKeyPress(event.Char);
            break;
        case TGWindowEvent::FocusGained:
            FFocused = true;
            if (!FMinimized) {
                ActivateGame();
            }
            break;
        case TGWindowEvent::FocusLost:
            FFocused = false;
            DeactivateGame();
            break;
        case TGWindowEvent::Minimized:
            FMinimized = true;
            DeactivateGame();
            break;
        case TGWindowEvent::Restored:
            FMinimized = false;
            if (FFocused) {
                ActivateGame();
            }
            break;
        case TGWindowEvent::Expose:
            if (TGAppData* data = GetAppData(); data && data->Device) {
                data->Device->InvalidateFrame();
            }
            RenderFrame();
            break;
        case TGWindowEvent::Quit:
            break;
        }
    } catch (const EGFatalExit&) {
        throw;
    } catch (const std::exception& e) {
        ReportError(e.what());
    }
}

void TGGameForm::ReportError(const std::string& text) {
    if (FCountErrors) {
        CountError(text);
        return;
    }
    std::fprintf(stderr, "%s\n", text.c_str());
    if (FReportedErrors.insert(text).second) {
        FWindow.ShowMessage("Error", text);
    }
}

void TGGameForm::CountError(const std::string& text) {
    auto counted = std::find_if(FCountedErrors.begin(), FCountedErrors.end(),
                                [&text](const auto& error) { return error.first == text; });
    if (counted == FCountedErrors.end()) {
        FCountedErrors.emplace_back(text, 1);
    } else {
        ++counted->second;
    }
}

uint64_t TGGameForm::ErrorCount() const {
    uint64_t count = 0;
    for (const auto& error : FCountedErrors) {
        count += error.second;
    }
    return count;
}

std::string TGGameForm::ErrorSummary() const {
    std::string summary;
    for (const auto& [text, count] : FCountedErrors) {
        summary += Format("Error, raised %llu %s: %s\n", static_cast<unsigned long long>(count),
                          count == 1 ? "time" : "times", text.c_str());
    }
    return summary;
}

void TGGameForm::FormMouseDown(int button) {
    TGAppData* data = GetAppData();
    if (data && data->WidgetManager && (button == 0 || button == 1)) {
        data->WidgetManager->MouseDown(button);
    }
}

void TGGameForm::FormMouseUp(int button) {
    TGAppData* data = GetAppData();
    if (data && data->WidgetManager && (button == 0 || button == 1)) {
        data->WidgetManager->MouseUp(button);
    }
}

void TGGameForm::FormMouseMove(int x, int y) {
    TGAppData* data = GetAppData();
    if (data && data->WidgetManager) {
        data->WidgetManager->MouseMove(x, y);
    }
}

void TGGameForm::FormKeyDown(int key) {
    TGAppData* data = GetAppData();
    if (data && data->WidgetManager) {
        data->WidgetManager->KeyDown(key);
    }
}

void TGGameForm::FormKeyUp(int key) {
    TGAppData* data = GetAppData();
    if (data && data->WidgetManager) {
        data->WidgetManager->KeyUp(key);
    }
}

void TGGameForm::FormKeyPress(char32_t ch) {
    TGAppData* data = GetAppData();
    if (data && data->WidgetManager) {
        data->WidgetManager->KeyPress(ch);
    }
}

void TGGameForm::FormMouseWheelDown() {
    TGAppData* data = GetAppData();
    if (data && data->WidgetManager) {
        data->WidgetManager->MouseWheelDown();
    }
}

void TGGameForm::FormMouseWheelUp() {
    TGAppData* data = GetAppData();
    if (data && data->WidgetManager) {
        data->WidgetManager->MouseWheelUp();
    }
}

void TGGameForm::FormDblClick() {
    TGAppData* data = GetAppData();
    if (data && data->WidgetManager) {
        data->WidgetManager->DblClick();
    }
}

} // namespace qm
