#include "UGSoftWidDialog.h"

namespace qm {

void TSoftWidDialog::LoadFromXML(const TGXMLWidgetParams& params) {
    TGWidDialog::LoadFromXML(params);
    AppearTime = params.GetNode().GetFloatDef("AppearTime", 0.33);
}

void TSoftWidDialog::Show() {
    PrepareShowEffect();
    TGWidDialog::Show();
    PlaySound("ShowWindow");
}

void TSoftWidDialog::Hide() {
    PrepareHideEffect();
    TGWidDialog::Hide();
    PlaySound("HideWindow");
}

} // namespace qm
