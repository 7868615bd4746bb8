#include "UGWidScrollBar.h"

#include "UGStrings.h"

#include <algorithm>

namespace qm {

namespace {

void RaiseToMinSize(TGWidgetStyle* style, const char* visualName, double& width, double& height) {
    if (TGVisual* visual = style ? style->FindVisual(visualName) : nullptr) {
        double minWidth = 0.0, minHeight = 0.0;
        visual->GetMinSize(minWidth, minHeight);
        width = std::max(width, minWidth);
        height = std::max(height, minHeight);
    }
}

} // namespace

// --- TGWidScrollBarSlider ---

void TGWidScrollBarSlider::MouseDown(int button, const TGInputState& state) {
    TGWidget::MouseDown(button, state);
    if (button == mbLeft) {
        FGrabOffset = Offset();
        FGrabPointer = Kind == skVertical ? state.Y : state.X;
    }
}

void TGWidScrollBarSlider::Drag(int32_t x, int32_t y, uint8_t buttons) {
    if (!(buttons & (1u << mbLeft))) {
        return;
    }
    const int32_t pointer = Kind == skVertical ? y : x;
    SetOffset(FGrabOffset + (pointer - FGrabPointer), true);
}

void TGWidScrollBarSlider::SetOffset(double offset, bool notify) {
    const double before = FValue;
    offset = Track.Clamp(offset);
    (Kind == skVertical ? Y : X) = offset;
    FValue = Track.ValueAt(offset);
    Notify(before, notify);
}

void TGWidScrollBarSlider::SetValue(double value, bool notify) {
    const double before = FValue;
    FValue = std::clamp(value, std::min(Track.Min, Track.Max), std::max(Track.Min, Track.Max));
    PlaceAtValue();
    Notify(before, notify);
}

void TGWidScrollBarSlider::SetTrack(double start, double end) {
    Track.Start = start;
    Track.End = std::max(start, end);
    PlaceAtValue();
}

void TGWidScrollBarSlider::SetRange(double min, double max) {
    Track.Min = min;
    Track.Max = max;
    SetValue(FValue, false);
}

void TGWidScrollBarSlider::PlaceAtValue() {
    (Kind == skVertical ? Y : X) = Track.OffsetOf(FValue);
}

void TGWidScrollBarSlider::Notify(double before, bool notify) {
    if (notify && FValue != before && OnChange) {
        OnChange(*this);
    }
}

void TGWidScrollBarSlider::ConstrainSize(double& width, double& height) {
    RaiseToMinSize(FStyle, "Normal", width, height);
}

void TGWidScrollBarSlider::DrawSelf() {
    const char* state = Pressed ? "Pressed" : Hovered ? "Over" : "Normal";
    TGVisual* visual = FStyle ? FStyle->FindVisual(state) : nullptr;
    if (!visual) {
        visual = &GetVisual("Normal");
    }
    double x, y;
    AbsolutePosition(x, y);
    visual->Draw(x, y, FWidth, FHeight);
}

// --- TGWidScrollBar ---

TGWidScrollBar::TGWidScrollBar(TGAppData& appData) : TGWidget(appData) {
    auto slider = std::make_unique<TGWidScrollBarSlider>(appData);
    slider->Name = "Slider";
    slider->Track = {0.0, 0.0, 0.0, 10.0};
    slider->OnChange = [this](TGWidget&) {
        if (OnChange) {
            OnChange(*this);
        }
    };
    FSlider = &static_cast<TGWidScrollBarSlider&>(AddWidget(std::move(slider)));
    auto up = std::make_unique<TGWidButton>(appData);
    up->Name = "ScrollUp";
    FUp = &static_cast<TGWidButton&>(AddWidget(std::move(up)));
    auto down = std::make_unique<TGWidButton>(appData);
    down->Name = "ScrollDown";
    FDown = &static_cast<TGWidButton&>(AddWidget(std::move(down)));
}

TGWidScrollBar::~TGWidScrollBar() = default;

void TGWidScrollBar::LoadFromXML(const TGXMLWidgetParams& params) {
    TGWidget::LoadFromXML(params);
    const IGXMLNode& node = params.GetNode();
    const std::string kind = node.GetStringDef("Kind", "Vertical");
    if (kind == "Vertical") {
        SetKind(skVertical);
    } else if (kind == "Horizontal") {
        SetKind(skHorizontal);
    } else {
        throw EGError("TGWidScrollBar.ApplyXMLParams", "Incorrect kind: " + kind);
    }
    SetUpDownButtons(node.GetBoolDef("UpDownButtons", true));
}

void TGWidScrollBar::StyleChanged(TGWidgetStyle* style) {
    if (!style) {
        return;
    }
    FUp->SetStyle(&style->GetInnerStyle("ScrollUp"));
    FDown->SetStyle(&style->GetInnerStyle("ScrollDown"));
    FSlider->SetStyle(&style->GetInnerStyle("Slider"));
}

void TGWidScrollBar::SetKind(TGScrollKind kind) {
    FSlider->Kind = kind;
    FSlider->X = FSlider->Y = 0.0;
    LayOut();
}

void TGWidScrollBar::SetUpDownButtons(bool buttons) {
    if (buttons == FUpDownButtons) {
        return;
    }
    FUpDownButtons = buttons;
    if (buttons) {
        AddWidget(std::move(FDetachedUp));
        AddWidget(std::move(FDetachedDown));
    } else {
        FUp->Pressed = FDown->Pressed = false;
        FDetachedUp = RemoveWidget(*FUp);
        FDetachedDown = RemoveWidget(*FDown);
    }
    LayOut();
}

void TGWidScrollBar::Resized() {
    LayOut();
}

// The slider runs between the arrow buttons. Its end is where the slider's far edge meets the
// far button, on both axes; without buttons it runs the whole bar.
void TGWidScrollBar::LayOut() {
    if (!FSlider) {
        return;
    }
    const bool buttons = FUpDownButtons;
    if (Kind() == skVertical) {
        FUp->X = FUp->Y = 0.0;
        FUp->SetWidth(FWidth);
        FDown->SetWidth(FWidth);
        FDown->X = 0.0;
        FDown->Y = FHeight - FDown->Height();
        FSlider->X = 0.0;
        FSlider->SetWidth(FWidth);
        const double start = buttons ? FUp->Height() : 0.0;
        const double end = FHeight - (buttons ? FDown->Height() : 0.0) - FSlider->Height();
        FSlider->SetTrack(start, end);
    } else {
        FUp->X = FUp->Y = 0.0;
        FUp->SetHeight(FHeight);
        FDown->SetHeight(FHeight);
        FDown->X = FWidth - FDown->Width();
        FDown->Y = 0.0;
        FSlider->Y = 0.0;
        FSlider->SetHeight(FHeight);
        const double start = buttons ? FUp->Width() : 0.0;
        const double end = FWidth - (buttons ? FDown->Width() : 0.0) - FSlider->Width();
        FSlider->SetTrack(start, end);
    }
}

void TGWidScrollBar::SetValue(double value, bool notify) {
    FSlider->SetValue(value, notify);
}

void TGWidScrollBar::SetRange(double min, double max) {
    FSlider->SetRange(min, max);
}

void TGWidScrollBar::StepValue(double step) {
    FSlider->SetValue(FSlider->Value() + step, true);
}

void TGWidScrollBar::MouseDown(int button, const TGInputState& state) {
    TGWidget::MouseDown(button, state);
    if (button != mbLeft) {
        return;
    }
    double x, y;
    AbsolutePosition(x, y);
    FSlider->SetOffset(Kind() == skVertical ? state.Y - y : state.X - x, true);
}

void TGWidScrollBar::MouseWheelUp(const TGInputState& state) {
    TGWidget::MouseWheelUp(state);
    StepValue(-1.0);
}

void TGWidScrollBar::MouseWheelDown(const TGInputState& state) {
    TGWidget::MouseWheelDown(state);
    StepValue(1.0);
}

void TGWidScrollBar::Tick(uint32_t counter, const TGInputState& state) {
    TGWidget::Tick(counter, state);
    if (!FUpDownButtons || counter % 4 != 0) {
        return;
    }
    if (FUp->Pressed) {
        StepValue(-1.0);
    } else if (FDown->Pressed) {
        StepValue(1.0);
    }
}

void TGWidScrollBar::ConstrainSize(double& width, double& height) {
    RaiseToMinSize(FStyle, "Background", width, height);
}

void TGWidScrollBar::DrawSelf() {
    double x, y;
    AbsolutePosition(x, y);
    GetVisual("Background").Draw(x, y, FWidth, FHeight);
}

} // namespace qm
