#pragma once

#include "UGWidget.h"

namespace qm {

// A panel drawn with the style's "Background"; it comes to the front when pressed, may be
// modal (nothing outside it takes the mouse) and may be dragged around.
class TGWidDialog : public TGWidget {
public:
    using TGWidget::TGWidget;

    std::string GetClassName() const override { return "Dialog"; }
    void Activate() override { BringToFront(); }
    void LoadFromXML(const TGXMLWidgetParams& params) override;
    void ConstrainSize(double& width, double& height) override;
    void DrawSelf() override;
    bool IsModal() const override { return Modal; }
    bool IsDraggable() const override { return Movable; }
    bool AcceptsMouse() const override { return true; }

    bool Modal = false;
    bool Movable = false;
};

} // namespace qm
