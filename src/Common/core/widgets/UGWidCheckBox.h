#pragma once

#include "UGWidget.h"

namespace qm {

// A box that a click checks and unchecks, drawn with ("Checked" or "Unchecked") + ("Pressed",
// "Over" or "Normal"), its caption with "Label<state>" at its right.
class TGWidCheckBox : public TGWidget {
public:
    using TGWidget::TGWidget;

    std::string GetClassName() const override { return "CheckBox"; }
    void Click(const TGInputState& state) override;
    void LoadFromXML(const TGXMLWidgetParams& params) override;
    void ConstrainSize(double& width, double& height) override;
    void DrawSelf() override;
    bool AcceptsMouse() const override { return true; }

    // "Pressed" only while the pointer is still over the box, as for buttons.
    std::string StateName() const;

    bool Checked = false;
    std::string Caption;
};

} // namespace qm
