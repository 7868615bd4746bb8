#include "UGWidButton.h"

#include <algorithm>
#include <numbers>

namespace qm {

void TGWidButton::LoadFromXML(const TGXMLWidgetParams& params) {
    TGWidget::LoadFromXML(params);
    const IGXMLNode& node = params.GetNode();
    Caption = node.GetStringDef("Caption", "");
    if (node.HasAttribute("Disabled")) {
        SetDisabled(node.GetBool("Disabled"));
    }
    CaptionAngle = node.GetFloatDef("CaptionAngle", 0.0) * std::numbers::pi / 180.0;
}

void TGWidButton::ConstrainSize(double& width, double& height) {
    if (!FStyle) {
        return;
    }
    for (const char* name : {"ImageNormal", "ImageOver", "ImagePressed"}) {
        if (TGVisual* image = FStyle->FindVisual(name)) {
            double minWidth = 0.0, minHeight = 0.0;
            image->GetMinSize(minWidth, minHeight);
            width = std::max(width, minWidth);
            height = std::max(height, minHeight);
            return;
        }
    }
}

std::string TGWidButton::StateName() const {
    if (Disabled) {
        return "Disabled";
    }
    if (Pressed && Hovered) {
        return "Pressed";
    }
    return Hovered ? "Over" : "Normal";
}

TGVisual* TGWidButton::StateVisual(const std::string& kind) const {
    if (!FStyle) {
        return nullptr;
    }
    if (TGVisual* visual = FStyle->FindVisual(kind + StateName())) {
        return visual;
    }
    return FStyle->FindVisual(kind + "Normal");
}

void TGWidButton::SetDisabled(bool disabled) {
    if (disabled == Disabled) {
        return;
    }
    Disabled = disabled;
    const bool hasDisabledLook =
        FStyle && (FStyle->HasVisual("ImageDisabled") || FStyle->HasVisual("LabelDisabled"));
    if (!hasDisabledLook) {
        SetVisible(!disabled);
    }
}

void TGWidButton::DrawSelf() {
    double x, y;
    AbsolutePosition(x, y);
    if (TGVisual* image = StateVisual("Image")) {
        image->Draw(x, y, FWidth, FHeight);
    }
    auto* label = dynamic_cast<TGVisLabel*>(StateVisual("Label"));
    if (Caption.empty() || !label) {
        return;
    }
    label->SetCaption(Caption);
    // These two button fonts sit two pixels high in their sheets.
    if (label->Font == "FontBtn01" || label->Font == "FontBtn00") {
        y += 2;
    }
    label->DrawText(true, CaptionAngle, x, y, FWidth, FHeight);
}

} // namespace qm
