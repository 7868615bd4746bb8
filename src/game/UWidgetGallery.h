#pragma once

#include "UGSoftWidDialog.h"
#include "UGWidScreen.h"

#include <string>

namespace qm {

// The ways the gallery's dialog comes and goes.
enum class TGalleryEffect { Dissolve, Fly, Grow, Zoom };

// The gallery's modal dialog: each showing and hiding plays the effect last chosen.
class TGalleryEffectDialog : public TSoftWidDialog {
public:
    using TSoftWidDialog::TSoftWidDialog;

    std::string GetClassName() const override { return "GalleryEffectDialog"; }
    void PrepareShowEffect() override;
    void PrepareHideEffect() override;

    TGalleryEffect Effect = TGalleryEffect::Dissolve;

private:
    PGEffect MakeEffect(bool appearing);
};

// A screen showing every standard widget in its states, for looking at them and for the
// end-to-end tests: clicks count, a check box disables a button, the scroll bar shows its
// value, and buttons open a modal dialog with each effect.
class TWidgetGalleryScreen : public TGWidScreen {
public:
    static constexpr const char* ScreenName = "WidgetGallery";
    static constexpr const char* ResourceSetName = "WidgetGallery";

    using TGWidScreen::TGWidScreen;

    std::string GetClassName() const override { return "WidgetGalleryScreen"; }
    void AfterLoad() override;

    // Replays the screen's arrival as a zoom with a trail.
    void ZoomIn();

private:
    void CountClick();
    void OpenEffectDialog(TGalleryEffect effect);

    int FClicks = 0;
};

// Registers the gallery's screen and dialog classes.
void RegisterWidgetGalleryClasses();

} // namespace qm
