#pragma once

#include "UGSliderTrack.h"
#include "UGWidButton.h"
#include "UGWidget.h"

#include <memory>

namespace qm {

enum TGScrollKind : uint8_t { skHorizontal = 1, skVertical = 2 };

// The thumb of a scroll bar: it runs along its track between Start and End, and its place
// stands for a value between Min and Max. Drawn with "Pressed", "Over" or "Normal".
class TGWidScrollBarSlider : public TGWidget {
public:
    using TGWidget::TGWidget;

    std::string GetClassName() const override { return "ScrollBarSlider"; }
    void Drag(int32_t x, int32_t y, uint8_t buttons) override;
    void MouseDown(int button, const TGInputState& state) override;
    void ConstrainSize(double& width, double& height) override;
    void DrawSelf() override;
    bool IsDraggable() const override { return true; }
    bool AcceptsMouse() const override { return true; }
    uint8_t CursorKind() const override { return 3; }

    // The slider's place along its axis (Y when vertical, X when horizontal).
    double Offset() const { return Kind == skVertical ? Y : X; }
    // Moves the slider within its track and takes the value of its new place; OnChange fires
    // when the value changed and `notify` is set.
    void SetOffset(double offset, bool notify);
    double Value() const { return FValue; }
    // Keeps the value within the range and puts the slider where it shows it.
    void SetValue(double value, bool notify);
    // A new track or range keeps the value (within the new range).
    void SetTrack(double start, double end);
    void SetRange(double min, double max);
    // The length of the slider along its axis.
    double Length() const { return Kind == skVertical ? FHeight : FWidth; }

    TGScrollKind Kind = skVertical;
    TGSliderTrack Track;
    TGNotifyEvent OnChange;

private:
    // Where the slider and the pointer were when the drag began: the slider keeps its distance
    // to the pointer, so it waits at the end of its track until the pointer comes back.
    double FGrabOffset = 0.0;
    int32_t FGrabPointer = 0;
    double FValue = 0.0;

    void PlaceAtValue();
    void Notify(double before, bool notify);
};

// A scroll bar: a track drawn with "Background", a slider ("Slider") and two arrow buttons
// ("ScrollUp", "ScrollDown") styled by the bar's inner styles of those names. Its value runs
// from Min to Max (0..10 at first); a held arrow steps it by 1 every fourth update, a press on
// the track moves the slider there, the wheel steps it by 1.
class TGWidScrollBar : public TGWidget {
public:
    explicit TGWidScrollBar(TGAppData& appData);
    ~TGWidScrollBar() override;

    std::string GetClassName() const override { return "ScrollBar"; }
    void StyleChanged(TGWidgetStyle* style) override;
    void Resized() override;
    void MouseDown(int button, const TGInputState& state) override;
    void MouseWheelUp(const TGInputState& state) override;
    void MouseWheelDown(const TGInputState& state) override;
    void Tick(uint32_t counter, const TGInputState& state) override;
    void LoadFromXML(const TGXMLWidgetParams& params) override;
    void ConstrainSize(double& width, double& height) override;
    void DrawSelf() override;
    bool AcceptsMouse() const override { return true; }

    double Value() const { return FSlider->Value(); }
    // The slider shows the value; OnChange fires only when `notify` is set and it moved.
    void SetValue(double value, bool notify = false);
    void SetRange(double min, double max);
    double Min() const { return FSlider->Track.Min; }
    double Max() const { return FSlider->Track.Max; }
    TGScrollKind Kind() const { return FSlider->Kind; }
    void SetKind(TGScrollKind kind);
    // Whether the arrow buttons are part of the bar (drawn and hit).
    void SetUpDownButtons(bool buttons);
    bool UpDownButtons() const { return FUpDownButtons; }

    TGWidButton& UpButton() const { return *FUp; }
    TGWidButton& DownButton() const { return *FDown; }
    TGWidScrollBarSlider& Slider() const { return *FSlider; }

    TGNotifyEvent OnChange;

private:
    void StepValue(double step);
    void LayOut();

    TGWidButton* FUp = nullptr;
    TGWidButton* FDown = nullptr;
    TGWidScrollBarSlider* FSlider = nullptr;
    // The arrow buttons while they are not children.
    std::unique_ptr<TGWidget> FDetachedUp;
    std::unique_ptr<TGWidget> FDetachedDown;
    bool FUpDownButtons = true;
};

} // namespace qm
