#include "UStandInScreens.h"

#include "UGAppData.h"
#include "UGError.h"
#include "UGStrings.h"
#include "UGTimer.h"
#include "UGWidButton.h"
#include "UGameData.h"
#include "UGameManager.h"

#include <algorithm>

namespace qm {

bool TStandInScreen::AutoPress = false;

namespace {

bool IsTimedScreen(const std::string& name) {
    return name == "SplashScreen" || name == "SplashScreen2" || name == "LoadingScreen";
}

void ContinueFromConstruction(TGameManager& manager) {
    TPlayer& player = manager.Player();
    const TWinLeadsTo next = manager.CompleteBankedWin();
    if (next == TWinLeadsTo::NextSublevel) {
        // The won sublevel's end state is still queued: back on the game screen it turns the
        // board into the next sublevel.
        manager.ShowGameScreen(false);
    } else if (player.EasterEggMode && next == TWinLeadsTo::PassEnd) {
        manager.LeaveEasterEggLevel();
    } else {
        manager.ShowMapScreen(player.ReplayMode);
    }
}

// The map's main path stands for its medal and the flight to the next monument: past the last
// monument of the pass that is the end of the pass.
void ContinueFromMap(TGameManager& manager) {
    if (manager.Progress().MonumentComplete) {
        manager.FinishPass();
    } else {
        manager.ShowGameScreen(manager.Player().ReplayMode || manager.Progress().StartFresh);
    }
}

void ContinueFromHelp(TGameManager& manager) {
    switch (manager.HelpReturnState) {
    case TScreenState::Menu:
        manager.ShowMenuScreen(false, false);
        break;
    case TScreenState::Game:
        manager.ShowGameScreen(false);
        break;
    default:
        throw EGError("THelpDialog.BackClick",
                      Format("no way back to screen %d", static_cast<int>(manager.HelpReturnState)));
    }
}

void ContinueFromMenu(TGameManager& manager) {
    TPlayer& player = manager.Player();
    if (player.EasterEggMode) {
        manager.ShowGameScreen(false);
    } else if (!player.AllPassesFinished) {
        manager.ShowMapScreen(false);
    }
}

} // namespace

TStandInScreen::TStandInScreen(TGAppData& data, std::string className)
    : TGWidScreen(data), FClassName(std::move(className)) {}

void TStandInScreen::AfterLoad() {
    TGWidScreen::AfterLoad();
    for (TGWidgetIterator it(this); it.Current(); it.Next()) {
        if (it.Current()->Name == MainButtonName) {
            it.Current()->OnClick = [this](TGWidget&) { Continue(); };
        }
    }
}

bool TStandInScreen::IsTimed() const {
    return IsTimedScreen(FClassName);
}

void TStandInScreen::Tick(uint32_t counter, const TGInputState& state) {
    TGWidScreen::Tick(counter, state);
    if (!IsVisible() || FContinued) {
        return;
    }
    if (!IsTimed() && GameManagerExists()) {
        TheGameManager().UpdateMusic();
    }
    FShownFor += AppData().InterfaceClock->Step;
    if ((IsTimed() && FShownFor >= TimedSeconds) || (AutoPress && FShownFor >= AutoPressSeconds)) {
        Continue();
    }
}

// The screen stays until the end of the frame; a second press before then changes nothing.
void TStandInScreen::Continue() {
    if (FContinued || !GameManagerExists()) {
        return;
    }
    FContinued = true;
    ContinueFromScreen(TheGameManager(), FClassName);
}

const std::vector<std::string>& StandInScreenNames() {
    static const std::vector<std::string> names = {
        "MenuScreen",   "MapScreen",     "ConstructionScreen",    "BonusScreen",
        "PuzzleScreen", "CreditsScreen", "CongratulationsScreen", "WelcomeScreen",
        "HelpScreen",   "SplashScreen",  "SplashScreen2",         "LoadingScreen",
    };
    return names;
}

void RegisterStandInScreens() {
    for (const std::string& name : StandInScreenNames()) {
        RegisterWidgetClass(name,
                            [name](TGAppData& data) { return std::make_unique<TStandInScreen>(data, name); });
    }
}

void ContinueFromScreen(TGameManager& manager, const std::string& screenName) {
    if (screenName == "SplashScreen") {
        manager.ShowSplashScreen2();
    } else if (screenName == "SplashScreen2") {
        manager.ShowLoadingScreen();
    } else if (screenName == "LoadingScreen") {
        manager.ShowMenuScreen(true, false);
        manager.PlayerChanged();
    } else if (screenName == "MenuScreen") {
        ContinueFromMenu(manager);
    } else if (screenName == "MapScreen") {
        ContinueFromMap(manager);
    } else if (screenName == "ConstructionScreen") {
        ContinueFromConstruction(manager);
    } else if (screenName == "BonusScreen") {
        if (manager.BonusScreenMode == 3) {
            manager.ShowConstructionScreen();
        } else {
            manager.ShowGameScreen(false);
        }
    } else if (screenName == "PuzzleScreen") {
        manager.ResetFoundPieces();
        manager.ShowGameScreen(false);
    } else if (screenName == "CreditsScreen") {
        if (manager.BonusScreenMode == static_cast<uint8_t>(TScreenState::Game)) {
            manager.ShowGameScreen(false);
        } else {
            manager.ShowMenuScreen(false, false);
        }
    } else if (screenName == "CongratulationsScreen") {
        manager.ShowMenuScreen(false, true);
    } else if (screenName == "WelcomeScreen") {
        if (manager.WelcomeMode == 6) {
            manager.ShowMapScreen(false);
        } else {
            manager.ShowMenuScreen(false, false);
        }
    } else if (screenName == "HelpScreen") {
        ContinueFromHelp(manager);
    } else {
        throw EGError("ContinueFromScreen", Format("\"%s\" is no stand-in screen", screenName.c_str()));
    }
}

} // namespace qm
