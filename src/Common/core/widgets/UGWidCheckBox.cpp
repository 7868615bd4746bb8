#include "UGWidCheckBox.h"

#include <algorithm>

namespace qm {

void TGWidCheckBox::Click(const TGInputState& state) {
    Checked = !Checked;
    TGWidget::Click(state);
}

void TGWidCheckBox::LoadFromXML(const TGXMLWidgetParams& params) {
    // A missing "Width" or "Height" leaves 0, which the box's own size raises.
    TGWidget::LoadFromXML(params);
    Caption = params.GetNode().GetStringDef("Caption", "");
}

void TGWidCheckBox::ConstrainSize(double& width, double& height) {
    if (TGVisual* box = FStyle ? FStyle->FindVisual("UncheckedNormal") : nullptr) {
        double minWidth = 0.0, minHeight = 0.0;
        box->GetMinSize(minWidth, minHeight);
        width = std::max(width, minWidth);
        height = std::max(height, minHeight);
    }
}

std::string TGWidCheckBox::StateName() const {
    if (Pressed && Hovered) {
        return "Pressed";
    }
    return Hovered ? "Over" : "Normal";
}

void TGWidCheckBox::DrawSelf() {
    double x, y;
    AbsolutePosition(x, y);
    const std::string state = StateName();
    TGVisual& box = GetVisual((Checked ? "Checked" : "Unchecked") + state);
    double boxWidth = 0.0, boxHeight = 0.0;
    box.GetMinSize(boxWidth, boxHeight);
    box.Draw(x, y, boxWidth, boxHeight);
    TGVisual* visual = FStyle->FindVisual("Label" + state);
    if (!visual) {
        visual = FStyle->FindVisual("LabelNormal");
    }
    auto* label = dynamic_cast<TGVisLabel*>(visual);
    if (Caption.empty() || !label) {
        return;
    }
    label->SetCaption(Caption);
    const double gap = label->Spacing;
    label->DrawText(false, 0.0, x + boxWidth + gap, y, FWidth - boxWidth - gap, FHeight);
}

} // namespace qm
