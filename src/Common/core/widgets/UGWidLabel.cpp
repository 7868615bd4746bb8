#include "UGWidLabel.h"

#include "UDictionary.h"

#include <algorithm>
#include <numbers>

namespace qm {

void TGWidLabel::LoadFromXML(const TGXMLWidgetParams& params) {
    TGWidget::LoadFromXML(params);
    const IGXMLNode& node = params.GetNode();
    Spacing = node.GetFloatDef("Spacing", 1.0);
    WordWrap = node.GetBoolDef("WordWrap", false);
    SetCaption(node.GetStringDef("Caption", ""));
    Color = node.GetColorDef("Color", 0xFFFFFFFFu);
    CaptionAngle = node.GetFloatDef("CaptionAngle", 0.0) * std::numbers::pi / 180.0;
}

void TGWidLabel::ConstrainSize(double& width, double& height) {
    if (TGVisual* label = FStyle ? FStyle->FindVisual("Label") : nullptr) {
        double minWidth = 0.0, minHeight = 0.0;
        label->GetMinSize(minWidth, minHeight);
        width = std::max(width, minWidth);
        height = std::max(height, minHeight);
    }
}

void TGWidLabel::SetCaption(const std::string& caption) {
    Caption = Translate(caption);
    SetSize(FWidth, FHeight);
}

void TGWidLabel::DrawSelf() {
    auto* label = dynamic_cast<TGVisLabel*>(&GetVisual("Label"));
    if (!label) {
        return;
    }
    label->SetSpacing(Spacing);
    label->SetWordWrap(WordWrap);
    label->Color = Color;
    label->SetCaption(Caption);
    double x, y;
    AbsolutePosition(x, y);
    label->DrawText(false, CaptionAngle, x, y, FWidth, FHeight);
}

} // namespace qm
