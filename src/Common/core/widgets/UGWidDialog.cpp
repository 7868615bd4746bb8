#include "UGWidDialog.h"

#include <algorithm>

namespace qm {

void TGWidDialog::LoadFromXML(const TGXMLWidgetParams& params) {
    TGWidget::LoadFromXML(params);
    Modal = params.GetNode().GetBoolDef("Modal", false);
    Movable = params.GetNode().GetBoolDef("Movable", false);
}

void TGWidDialog::ConstrainSize(double& width, double& height) {
    if (TGVisual* background = FStyle ? FStyle->FindVisual("Background") : nullptr) {
        double minWidth = 0.0, minHeight = 0.0;
        background->GetMinSize(minWidth, minHeight);
        width = std::max(width, minWidth);
        height = std::max(height, minHeight);
    }
}

void TGWidDialog::DrawSelf() {
    double x, y;
    AbsolutePosition(x, y);
    GetVisual("Background").Draw(x, y, FWidth, FHeight);
}

} // namespace qm
