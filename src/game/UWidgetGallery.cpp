#include "UWidgetGallery.h"

#include "UGAppData.h"
#include "UGDialogEffects.h"
#include "UGStrings.h"
#include "UGWidButton.h"
#include "UGWidCheckBox.h"
#include "UGWidLabel.h"
#include "UGWidScrollBar.h"

#include <cmath>

namespace qm {

namespace {

// The gallery's widgets stand in panels; names are unique across the screen.
template <class T> T& FindNamed(TGWidget& root, const std::string& name) {
    for (TGWidgetIterator it(&root); it.Current(); it.Next()) {
        if (it.Current()->Name == name) {
            if (auto* typed = dynamic_cast<T*>(it.Current())) {
                return *typed;
            }
        }
    }
    throw EGError("TWidgetGalleryScreen.AfterLoad", Format("Widget \"%s\" not found", name.c_str()));
}

} // namespace

PGEffect TGalleryEffectDialog::MakeEffect(bool appearing) {
    TGAppData& app = AppData();
    switch (Effect) {
    case TGalleryEffect::Fly:
        return std::make_shared<TFlyEffect>(app, *this, appearing, AppearTime, -400.0, 0.0, true, true, true);
    case TGalleryEffect::Grow:
        return std::make_shared<TMinScaleEffect>(app, *this, appearing, AppearTime, 0.3);
    case TGalleryEffect::Zoom:
        return std::make_shared<TMaxScaleEffect2>(app, *this, appearing, AppearTime, 3.0);
    case TGalleryEffect::Dissolve:
    default:
        return std::make_shared<TFakeDissolveEffect>(app, *this, appearing, AppearTime);
    }
}

void TGalleryEffectDialog::PrepareShowEffect() {
    ShowEffect = MakeEffect(true);
}

void TGalleryEffectDialog::PrepareHideEffect() {
    HideEffect = MakeEffect(false);
}

void TWidgetGalleryScreen::AfterLoad() {
    TGWidScreen::AfterLoad();
    auto countClick = [this](TGWidget&) { CountClick(); };
    FindNamed<TGWidButton>(*this, "BtnPlain").OnClick = countClick;
    FindNamed<TGWidButton>(*this, "BtnSmall").OnClick = countClick;
    FindNamed<TGWidCheckBox>(*this, "ChkChecked").Checked = true;
    FindNamed<TGWidCheckBox>(*this, "ChkVanish").OnClick = [this](TGWidget& sender) {
        FindNamed<TGWidButton>(*this, "BtnVanishing")
            .SetDisabled(static_cast<TGWidCheckBox&>(sender).Checked);
    };
    FindNamed<TGWidScrollBar>(*this, "Scroll").OnChange = [this](TGWidget& sender) {
        const double value = static_cast<TGWidScrollBar&>(sender).Value();
        FindNamed<TGWidLabel>(*this, "ScrollValue")
            .SetCaption(Format("Value: %d", static_cast<int>(std::lround(value))));
    };
    const std::pair<const char*, TGalleryEffect> effects[] = {
        {"BtnDissolve", TGalleryEffect::Dissolve},
        {"BtnFly", TGalleryEffect::Fly},
        {"BtnGrow", TGalleryEffect::Grow},
        {"BtnZoom", TGalleryEffect::Zoom},
    };
    for (const auto& [name, effect] : effects) {
        FindNamed<TGWidButton>(*this, name).OnClick = [this, effect = effect](TGWidget&) {
            OpenEffectDialog(effect);
        };
    }
    FindNamed<TGWidButton>(*this, "BtnClose").OnClick = [this](TGWidget&) {
        FindNamed<TGalleryEffectDialog>(*this, "EffectDialog").Hide();
    };
    FindNamed<TGWidButton>(*this, "BtnXmlEffect").OnClick = [this](TGWidget&) {
        TGWidget& dialog = FindNamed<TGWidget>(*this, "XmlEffectDialog");
        dialog.BringToFront();
        dialog.Show();
    };
    FindNamed<TGWidButton>(*this, "BtnXmlClose").OnClick = [this](TGWidget&) {
        FindNamed<TGWidget>(*this, "XmlEffectDialog").Hide();
    };
    FindNamed<TGWidButton>(*this, "BtnTrail").OnClick = [this](TGWidget&) { ZoomIn(); };
}

void TWidgetGalleryScreen::CountClick() {
    ++FClicks;
    FindNamed<TGWidLabel>(*this, "ClickCount").SetCaption(Format("Clicks: %d", FClicks));
}

void TWidgetGalleryScreen::OpenEffectDialog(TGalleryEffect effect) {
    auto& dialog = FindNamed<TGalleryEffectDialog>(*this, "EffectDialog");
    dialog.Effect = effect;
    dialog.BringToFront();
    dialog.Show();
}

void TWidgetGalleryScreen::ZoomIn() {
    ShowEffect = std::make_shared<TMaxScaleEffect>(AppData(), *this, true, 1.0, 1.0, 1.9, 0);
    Show();
}

void RegisterWidgetGalleryClasses() {
    RegisterWidgetClass<TWidgetGalleryScreen>("WidgetGalleryScreen");
    RegisterWidgetClass<TGalleryEffectDialog>("GalleryEffectDialog");
}

} // namespace qm
