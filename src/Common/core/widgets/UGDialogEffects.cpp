#include "UGDialogEffects.h"

#include "UGAppData.h"
#include "UGSprite.h"
#include "UGWidgetSnapshot.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

uint8_t AlphaByte(double maximum, double amount) {
    return static_cast<uint8_t>(std::clamp<long>(std::lround(maximum * amount), 0, 255));
}

double Clamp01(double value) {
    return std::clamp(value, 0.0, 1.0);
}

} // namespace

// --- TEffectDlg ---

TEffectDlg::TEffectDlg(TGAppData& appData, TGWidget& widget, bool appearing, double duration)
    : Duration(duration), Appearing(appearing), FAppData(appData), FWidget(widget) {}

TEffectDlg::~TEffectDlg() {
    if (!Finished || FRegistered) {
        Stop();
    }
}

void TEffectDlg::SnapshotTextureSize(double width, double height, int& textureWidth, int& textureHeight) {
    const int w = static_cast<int>(std::lround(width));
    const int h = static_cast<int>(std::lround(height));
    if (w < 256 && h <= 256) {
        textureWidth = textureHeight = 256;
    } else {
        textureWidth = std::max(w, 1);
        textureHeight = std::max(h, 1);
    }
}

void TEffectDlg::Start() {
    Stop();
    Finished = false;
    Elapsed = 0.0;
    int textureWidth = 0, textureHeight = 0;
    SnapshotTextureSize(FWidget.Width(), FWidget.Height(), textureWidth, textureHeight);
    FSnapshot = std::make_shared<TGWidgetSnapshot>(FWidget, textureWidth, textureHeight);
    if (FAppData.Device) {
        FAppData.Device->RegisterLostRestore(
            this, [this] { DeviceLost(); }, [this] { DeviceRestored(); });
        FRegistered = true;
    }
    // Render targets are drawn into inside a scene; a start outside one (an input handler)
    // captures on the first frame drawn.
    RecaptureNeeded = true;
    if (FAppData.Device && FAppData.Device->InScene()) {
        RecaptureNeeded = false;
        FSnapshot->CaptureWidget();
    }
}

bool TEffectDlg::IsFinished() {
    return Duration <= 0.0 || Elapsed >= Duration;
}

void TEffectDlg::Stop() {
    if (FRegistered && FAppData.Device) {
        FAppData.Device->UnregisterLostRestore(this);
    }
    FRegistered = false;
    FSnapshot.reset();
    Finished = true;
}

void TEffectDlg::Update() {
    if (FAppData.InterfaceClock) {
        FAppData.InterfaceClock->AddStep(Elapsed);
    }
    if (IsFinished()) {
        Stop();
    }
}

double TEffectDlg::Progress() const {
    return Duration <= 0.0 ? 1.0 : Clamp01(Elapsed / Duration);
}

double TEffectDlg::Shown() const {
    return Appearing ? Progress() : 1.0 - Progress();
}

void TEffectDlg::Centred(double scale, double& x, double& y) const {
    x = (FAppData.ScreenWidth - FWidget.Width() * scale) / 2.0;
    y = (FAppData.ScreenHeight - FWidget.Height() * scale) / 2.0;
}

void TEffectDlg::Draw(double x, double y) {
    if (!FSnapshot) {
        return;
    }
    if (RecaptureNeeded) {
        RecaptureNeeded = false;
        FSnapshot->CaptureWidget();
    }
    TGSprite& sprite = FSnapshot->GetSprite();
    TGGraphicsDevice& device = *FAppData.Device;
    const TGRectD whole{0.0, 0.0, sprite.Width(), sprite.Height()};
    for (const TGSnapshotPlacement& copy : Placements(x, y)) {
        const TGPointD pivot{copy.X + sprite.Width() / 2.0, copy.Y + sprite.Height() / 2.0};
        const uint32_t color = (static_cast<uint32_t>(copy.Alpha) << 24) | 0xFFFFFFu;
        if (copy.PointFilter) {
            TGStateGuard guard(device);
            device.State.Stages[0].Filter = tfPoint;
            sprite.DrawEx(pivot, {copy.Scale, copy.Scale}, copy.X, copy.Y, copy.Angle, whole, color,
                          bmDefault);
        } else {
            sprite.DrawEx(pivot, {copy.Scale, copy.Scale}, copy.X, copy.Y, copy.Angle, whole, color,
                          bmDefault);
        }
    }
    Update();
}

// --- The effects ---

std::vector<TGSnapshotPlacement> TFakeDissolveEffect::Placements(double x, double y) const {
    return {{.X = x, .Y = y, .Alpha = AlphaByte(255.0, Shown())}};
}

TFlyEffect::TFlyEffect(TGAppData& appData, TGWidget& widget, bool appearing, double duration, double dx,
                       double dy, bool spin, bool grow, bool fade)
    : TEffectDlg(appData, widget, appearing, duration), DX(dx), DY(dy), Spin(spin), Grow(grow), Fade(fade) {
    const double x = widget.X;
    const double y = widget.Y;
    if (appearing) {
        StartX = x + dx;
        StartY = y + dy;
        EndX = x;
        EndY = y;
    } else {
        StartX = x;
        StartY = y;
        EndX = x + dx;
        EndY = y + dy;
    }
}

std::vector<TGSnapshotPlacement> TFlyEffect::Placements(double, double) const {
    const double c = Progress();
    TGSnapshotPlacement copy;
    copy.Alpha = Fade ? AlphaByte(255.0, Shown()) : 255;
    copy.X = StartX + c * (EndX - StartX);
    copy.Y = StartY + c * (EndY - StartY);
    copy.Scale = !Grow ? 1.0 : (Appearing ? 2.0 - c : 1.0 + c);
    copy.Angle = Spin ? c * 6.2831852 : 0.0;
    copy.PointFilter = true;
    return {copy};
}

TMinScaleEffect::TMinScaleEffect(TGAppData& appData, TGWidget& widget, bool appearing, double duration,
                                 double minScale)
    : TEffectDlg(appData, widget, appearing, duration), MinScale(minScale) {}

std::vector<TGSnapshotPlacement> TMinScaleEffect::Placements(double, double) const {
    TGSnapshotPlacement copy;
    copy.Scale = MinScale + (1.0 - MinScale) * Shown();
    Centred(copy.Scale, copy.X, copy.Y);
    copy.PointFilter = true;
    return {copy};
}

TMaxScaleEffect2::TMaxScaleEffect2(TGAppData& appData, TGWidget& widget, bool appearing, double duration,
                                   double maxScale)
    : TEffectDlg(appData, widget, appearing, duration), MaxScale(maxScale) {}

std::vector<TGSnapshotPlacement> TMaxScaleEffect2::Placements(double, double) const {
    const double a = Shown();
    TGSnapshotPlacement copy;
    copy.Scale = (1.0 - a) * (MaxScale - 1.0) + 1.0;
    Centred(copy.Scale, copy.X, copy.Y);
    copy.Alpha = AlphaByte(175.0, a);
    return {copy};
}

TMaxScaleEffect::TMaxScaleEffect(TGAppData& appData, TGWidget& widget, bool appearing, double duration,
                                 double scaleTime, double startScale, int32_t trailOffset)
    : TEffectDlg(appData, widget, appearing, duration), ScaleTime(scaleTime), StartScale(startScale),
      TrailOffset(trailOffset) {}

std::vector<TGSnapshotPlacement> TMaxScaleEffect::Placements(double, double) const {
    const double e = ScaleTime <= 0.0 ? 1.0 : Clamp01(Elapsed / ScaleTime);
    const double v = Appearing ? e : 1.0 - e;
    const double s = (1.0 - v) * (StartScale - 1.0) + 1.0;
    const double y0 = -TrailOffset * (s - 1.0);
    std::vector<TGSnapshotPlacement> copies{{.X = 0.0, .Y = y0, .Scale = s, .PointFilter = true}};
    if (Elapsed < ScaleTime) {
        const double m = 1.0 - Elapsed / ScaleTime;
        const std::pair<uint8_t, double> trail[] = {{102, 10.0}, {51, 15.0}, {25, 20.0}};
        for (const auto& [alpha, distance] : trail) {
            copies.push_back({.X = -distance * m,
                              .Y = y0 - distance * m,
                              .Scale = s,
                              .Alpha = alpha,
                              .PointFilter = true});
        }
    }
    return copies;
}

} // namespace qm
