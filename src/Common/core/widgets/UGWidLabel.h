#pragma once

#include "UGWidget.h"

#include <cstdint>

namespace qm {

// A text drawn with the style's "Label" visual in the widget's own colour, line spacing, word
// wrap and angle.
class TGWidLabel : public TGWidget {
public:
    using TGWidget::TGWidget;

    std::string GetClassName() const override { return "Label"; }
    void LoadFromXML(const TGXMLWidgetParams& params) override;
    void ConstrainSize(double& width, double& height) override;
    void DrawSelf() override;

    // Stores the dictionary text of keys starting with "@".
    void SetCaption(const std::string& caption);

    std::string Caption;
    double Spacing = 1.0;
    bool WordWrap = false;
    uint32_t Color = 0xFFFFFFFFu;
    double CaptionAngle = 0.0; // radians
};

} // namespace qm
