#pragma once

#include "UGWidDialog.h"

namespace qm {

// The base of the game's dialogs: each showing and hiding first prepares fresh effects
// (PrepareShowEffect, PrepareHideEffect) and plays the window sounds "ShowWindow" and
// "HideWindow".
class TSoftWidDialog : public TGWidDialog {
public:
    using TGWidDialog::TGWidDialog;

    void LoadFromXML(const TGXMLWidgetParams& params) override;
    void Show() override;
    void Hide() override;
    virtual void PrepareShowEffect() {}
    virtual void PrepareHideEffect() {}

    // Seconds the dialog's effects take.
    double AppearTime = 0.33;
};

} // namespace qm
