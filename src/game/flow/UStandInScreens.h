#pragma once

// Plain screens for the places of the game whose own screens come later: each shows its title
// and the button of its main path, which leads where the game goes on from there. The splash
// and loading screens go on by themselves after a moment.

#include "UGWidScreen.h"

#include <string>
#include <vector>

namespace qm {

class TGameManager;

class TStandInScreen : public TGWidScreen {
public:
    // The main path's button of every stand-in screen.
    static constexpr const char* MainButtonName = "MainBtn";
    // The splash and loading screens stay this long.
    static constexpr double TimedSeconds = 1.5;
    // With the automatic player, the main button is pressed after this long.
    static constexpr double AutoPressSeconds = 0.5;

    TStandInScreen(TGAppData& data, std::string className);

    std::string GetClassName() const override { return FClassName; }
    void AfterLoad() override;
    void Tick(uint32_t counter, const TGInputState& state) override;

    // Presses the main button: the game goes on, once.
    void Continue();

    // Set when the automatic player runs: every stand-in screen presses its main button itself.
    static bool AutoPress;

private:
    bool IsTimed() const;

    std::string FClassName;
    double FShownFor = 0.0;
    bool FContinued = false;
};

// The screens that have a stand-in, by their type and screen names.
const std::vector<std::string>& StandInScreenNames();
void RegisterStandInScreens();

// Where the main path leads from a stand-in screen of that name; raises for another name.
void ContinueFromScreen(TGameManager& manager, const std::string& screenName);

} // namespace qm
