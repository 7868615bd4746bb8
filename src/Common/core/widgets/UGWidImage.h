#pragma once

#include "UGWidget.h"

namespace qm {

// A sprite frame from the style's "Image" visual, optionally animated, faded, scaled and turned;
// it takes the mouse only when told to.
class TGWidImage : public TGWidget {
public:
    using TGWidget::TGWidget;

    std::string GetClassName() const override { return "Image"; }
    void LoadFromXML(const TGXMLWidgetParams& params) override;
    void ConstrainSize(double& width, double& height) override;
    void DrawSelf() override;
    bool AcceptsMouse() const override { return AllowMouse; }

    // Both re-run size handling, since the sprite sets the least size.
    void SetSeqId(const std::string& seqId);
    void SetFrame(int32_t frame);

    bool AllowMouse = false;
    std::string SeqId;
    int32_t Frame = 0;
    int32_t FPS = 0;
    double Alpha = 1.0;
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    double MaxWidth = 2147483647.0;
    double MaxHeight = 2147483647.0;
    double Angle = 0.0; // degrees
    uint8_t Pivot = 1;  // LeftTop
    // This widget's own animation time (the visual is shared).
    double AnimationTime = 0.0;
};

} // namespace qm
