#include "UGWidScreen.h"

namespace qm {

void TGWidScreen::AfterLoad() {
    TGWidImage::AfterLoad();
    FVisible = false;
}

void TGWidScreen::ShowScreen() {
    Show();
    BringToFront();
    TGWidget* parent = Parent();
    if (parent) {
        // The screen that was on top before this one is the second-last visible screen.
        TGWidScreen* previous = nullptr;
        TGWidScreen* last = nullptr;
        for (const auto& child : parent->Children()) {
            auto* screen = dynamic_cast<TGWidScreen*>(child.get());
            if (screen && screen->IsVisible() &&
                !(screen->CurrentEffect() && screen->HideEffect == screen->CurrentEffect())) {
                previous = last;
                last = screen;
            }
        }
        if (previous && previous != this) {
            previous->Hide();
        }
    }
    ScreenShown();
}

} // namespace qm
