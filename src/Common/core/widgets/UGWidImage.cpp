#include "UGWidImage.h"

#include <algorithm>

namespace qm {

void TGWidImage::LoadFromXML(const TGXMLWidgetParams& params) {
    const IGXMLNode& node = params.GetNode();
    Alpha = node.GetFloatDef("Alpha", 1.0);
    ScaleX = node.GetFloatDef("ScaleX", 1.0);
    ScaleY = node.GetFloatDef("ScaleY", 1.0);
    SeqId = node.GetStringDef("SeqId", "");
    AllowMouse = node.GetBoolDef("AllowMouse", false);
    Frame = node.GetIntDef("Frame", 0);
    FPS = node.GetIntDef("FPS", 0);
    MaxWidth = node.GetFloatDef("MaxWidth", 2147483647.0);
    MaxHeight = node.GetFloatDef("MaxHeight", 2147483647.0);
    Angle = node.GetFloatDef("Angle", 0.0);
    Pivot = StrToPivot(node.GetStringDef("Pivot", "LeftTop"));
    // The common attributes last, so the size is constrained by the sprite just read.
    TGWidget::LoadFromXML(params);
}

void TGWidImage::ConstrainSize(double& width, double& height) {
    auto* image = dynamic_cast<TGVisImage*>(FStyle ? FStyle->FindVisual("Image") : nullptr);
    if (!image) {
        return;
    }
    // The least size is that of this widget's own picture, not the style's.
    std::string styleSeq = image->SeqId;
    int32_t styleFrame = image->Frame;
    if (!SeqId.empty()) {
        image->SeqId = SeqId;
        image->Frame = Frame;
    }
    double minWidth = 0.0, minHeight = 0.0;
    try {
        image->GetMinSize(minWidth, minHeight);
    } catch (...) {
        image->SeqId = styleSeq;
        image->Frame = styleFrame;
        throw;
    }
    image->SeqId = styleSeq;
    image->Frame = styleFrame;
    width = std::max(width, minWidth);
    height = std::max(height, minHeight);
}

void TGWidImage::DrawSelf() {
    auto& image = dynamic_cast<TGVisImage&>(GetVisual("Image"));
    image.SetSeqId(SeqId);
    image.SetFrame(Frame);
    image.SetFPS(FPS);
    image.SetAlpha(Alpha);
    image.SetScaleX(ScaleX);
    image.SetScaleY(ScaleY);
    image.SetAnimationTime(AnimationTime);
    double x, y;
    AbsolutePosition(x, y);
    image.DrawImage(Pivot, Angle, x, y, std::min(MaxWidth, FWidth), std::min(MaxHeight, FHeight));
    AnimationTime = image.AnimationTime;
}

void TGWidImage::SetSeqId(const std::string& seqId) {
    SeqId = seqId;
    SetSize(FWidth, FHeight);
}

void TGWidImage::SetFrame(int32_t frame) {
    Frame = frame;
    SetSize(FWidth, FHeight);
}

} // namespace qm
