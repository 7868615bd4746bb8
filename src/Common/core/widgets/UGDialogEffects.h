#pragma once

#include "UGEffect.h"
#include "UGWidget.h"

#include <cstdint>
#include <vector>

namespace qm {

// One copy of a widget's snapshot as an effect draws it in a frame: top-left corner, scale,
// rotation (radians, about the copy's centre), alpha byte, and whether the point filter is used.
struct TGSnapshotPlacement {
    double X = 0.0;
    double Y = 0.0;
    double Scale = 1.0;
    double Angle = 0.0;
    uint8_t Alpha = 255;
    bool PointFilter = false;
};

// An effect that renders its widget once into a snapshot when it starts and then draws that
// picture faded, scaled or moved over `Duration` seconds of the interface clock. It advances
// only while it is drawn. A duration of 0 or less is finished from the start and draws the end
// state.
class TEffectDlg : public IGEffect {
public:
    TEffectDlg(TGAppData& appData, TGWidget& widget, bool appearing, double duration);
    ~TEffectDlg() override;

    void Start() override;
    bool IsFinished() override;
    virtual void Stop();
    virtual void Update();
    void Draw(double x, double y) override;
    virtual void DeviceLost() { RecaptureNeeded = true; }
    virtual void DeviceRestored() {}

    // The copies of the snapshot for the current time, the widget at (x, y). The snapshot's size
    // is the widget's (rounded).
    virtual std::vector<TGSnapshotPlacement> Placements(double x, double y) const = 0;

    // Elapsed / Duration clamped to 0..1; 1 when the duration is 0 or less.
    double Progress() const;
    // How much of the widget shows: Progress when appearing, 1 - Progress when disappearing.
    double Shown() const;
    // The size of the snapshot's textures for a widget of this size.
    static void SnapshotTextureSize(double width, double height, int& textureWidth, int& textureHeight);

    TGWidget& Widget() const { return FWidget; }
    bool HasSnapshot() const { return FSnapshot != nullptr; }

    double Elapsed = 0.0;
    double Duration = 0.0;
    bool Appearing = true;
    bool Finished = true;
    bool RecaptureNeeded = false;

protected:
    // The top-left corner that puts a widget scaled by `scale` in the middle of the screen.
    void Centred(double scale, double& x, double& y) const;

    TGAppData& FAppData;
    TGWidget& FWidget;
    PGWidgetSnapshot FSnapshot;
    bool FRegistered = false;
};

class TFakeDissolveEffect : public TEffectDlg {
public:
    using TEffectDlg::TEffectDlg;
    std::vector<TGSnapshotPlacement> Placements(double x, double y) const override;
};

// Flies the widget in from (or out to) its position plus an offset, optionally spinning one
// turn, growing from twice its size and fading.
class TFlyEffect : public TEffectDlg {
public:
    TFlyEffect(TGAppData& appData, TGWidget& widget, bool appearing, double duration, double dx, double dy,
               bool spin, bool grow, bool fade);
    std::vector<TGSnapshotPlacement> Placements(double x, double y) const override;

    double DX;
    double DY;
    bool Spin;
    bool Grow;
    bool Fade;
    double StartX = 0.0;
    double StartY = 0.0;
    double EndX = 0.0;
    double EndY = 0.0;
};

// Grows the widget from MinScale to its size in the middle of the screen.
class TMinScaleEffect : public TEffectDlg {
public:
    TMinScaleEffect(TGAppData& appData, TGWidget& widget, bool appearing, double duration, double minScale);
    std::vector<TGSnapshotPlacement> Placements(double x, double y) const override;

    double MinScale;
};

// Shrinks the widget from MaxScale to its size in the middle of the screen while it fades in
// (to at most alpha 175; the widget itself takes over fully opaque on the next frame).
class TMaxScaleEffect2 : public TEffectDlg {
public:
    TMaxScaleEffect2(TGAppData& appData, TGWidget& widget, bool appearing, double duration, double maxScale);
    std::vector<TGSnapshotPlacement> Placements(double x, double y) const override;

    double MaxScale;
};

// A zoom from StartScale over ScaleTime with a short fading motion trail of three copies.
class TMaxScaleEffect : public TEffectDlg {
public:
    TMaxScaleEffect(TGAppData& appData, TGWidget& widget, bool appearing, double duration, double scaleTime,
                    double startScale, int32_t trailOffset);
    std::vector<TGSnapshotPlacement> Placements(double x, double y) const override;

    double ScaleTime;
    double StartScale;
    int32_t TrailOffset;
};

} // namespace qm
