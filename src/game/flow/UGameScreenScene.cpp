#include "UGameScreenScene.h"

#include "UGResManager.h"
#include "UGWidgetManager.h"
#include "UGameData.h"

namespace qm {

// The sublevel scene with its dialogs on the game screen instead of its plain messages.
class TGameScreenScene::TScreenSublevel : public TSublevelScene {
public:
    TScreenSublevel(TGameData& data, TGameScreenScene& owner) : TSublevelScene(data), FOwner(owner) {}

    void ShowDialog(const std::string& name, std::function<void()> onOk) override {
        if (TGameScreen* screen = FOwner.Screen()) {
            screen->ShowDialog(name, std::move(onOk));
        }
    }
    bool IsDialogVisible(const std::string& name) const override {
        TGameScreen* screen = FOwner.Screen();
        return screen && screen->IsDialogVisible(name);
    }
    void HideDialog(const std::string& name) override {
        if (TGameScreen* screen = FOwner.Screen()) {
            screen->HideDialog(name);
        }
    }

private:
    TGameScreenScene& FOwner;
};

TGameScreenScene::TGameScreenScene(TGameData& data)
    : FData(data), FSublevel(std::make_unique<TScreenSublevel>(data, *this)) {
    FData.ResManager->SetResourceSet(ResourceSetName);
    TGameScreen::SetHost(this);
}

TGameScreenScene::~TGameScreenScene() {
    // The screen's tree goes before the play objects it draws.
    GetWidgetManager(FData).SetRoot(nullptr);
    if (TGameScreen::Host() == this) {
        TGameScreen::SetHost(nullptr);
    }
}

void TGameScreenScene::Open() {
    RegisterGameScreenClasses();
    GetWidgetManager(FData).ShowScreenFromConfig(TGameScreen::ScreenName);
}

TGameScreen* TGameScreenScene::Screen() const {
    return dynamic_cast<TGameScreen*>(FSublevel->Queue().GameScreen());
}

PGXMLNode TGameScreenScene::GameConfig() const {
    return FData.GameConfig;
}

bool TGameScreenScene::LowVideoMemory() const {
    return FData.LowVideoMemory();
}

} // namespace qm
