#pragma once

#include "UGWidget.h"

namespace qm {

// A push button drawn with the style's "Image<state>" and "Label<state>" visuals, the state
// being "Disabled", "Pressed", "Over" or "Normal" (a missing state falls back to "Normal").
// A style without a disabled look hides the button while it is disabled.
class TGWidButton : public TGWidget {
public:
    using TGWidget::TGWidget;

    std::string GetClassName() const override { return "Button"; }
    void LoadFromXML(const TGXMLWidgetParams& params) override;
    void ConstrainSize(double& width, double& height) override;
    void DrawSelf() override;
    bool AcceptsMouse() const override { return !Disabled; }
    uint8_t CursorKind() const override { return 2; }

    void SetDisabled(bool disabled);
    // Shown as it is; keys starting with "@" are looked up in the dictionary when drawn.
    void SetCaption(const std::string& caption) { Caption = caption; }
    // Pressed only while the pointer is still over the button: releasing it elsewhere will
    // not click, and the button says so.
    std::string StateName() const;

    bool Disabled = false;
    std::string Caption;
    double CaptionAngle = 0.0; // radians

private:
    TGVisual* StateVisual(const std::string& kind) const;
};

} // namespace qm
