#pragma once

#include "UGWidImage.h"

namespace qm {

// The base of every screen: a root-level picture that takes all the mouse, blocks what lies
// under it and starts hidden until it is shown with ShowScreen.
class TGWidScreen : public TGWidImage {
public:
    using TGWidImage::TGWidImage;

    std::string GetClassName() const override { return "Screen"; }
    void AfterLoad() override;
    bool AcceptsMouse() const override { return true; }
    bool IsModal() const override { return true; }
    bool IsScreen() const override { return true; }

    // Shows this screen through its ShowEffect on top of its siblings, and hides the screen
    // that was on top through that screen's HideEffect.
    void ShowScreen();
    // Called once the screen is shown; screens start their music, flows and so on here.
    virtual void ScreenShown() {}
};

} // namespace qm
