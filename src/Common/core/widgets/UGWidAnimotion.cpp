#include "UGWidAnimotion.h"

#include "UGAnimotion.h"
#include "UGAppData.h"

namespace qm {

TGWidAnimotion::~TGWidAnimotion() = default;

void TGWidAnimotion::LoadFromXML(const TGXMLWidgetParams& params) {
    TGWidget::LoadFromXML(params);
    AniXYAutoSet = params.GetNode().GetBoolDef("AniXYAutoSet", true);
    Animotion = std::make_shared<TGInterfaceAnimotion>(AppData());
    Animotion->Import(params.GetNode());
}

void TGWidAnimotion::DrawSelf() {
    if (!Animotion) {
        return;
    }
    if (AniXYAutoSet) {
        // The root goes to the widget's place on the screen, so that an animotion inside a
        // panel moves with the panel rather than with the screen's corner.
        double x, y;
        AbsolutePosition(x, y);
        Animotion->SetX(x);
        Animotion->SetY(y);
    }
    Animotion->Draw();
}

} // namespace qm
