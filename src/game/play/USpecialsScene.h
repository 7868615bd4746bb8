#pragma once

// A board for trying the specials one at a time: every kind gets a board of its own (holes,
// boxes and brick layers where its effect meets them) with the special already in place. Played
// through the state queue like the sublevel scene, as the developer user, so the waiting state's
// element editor works too. Opened with --scene specials.
//
// Headless runs read from standard output what each firing struck and how each bonus went.
//
// Keys: Left and Right choose the kind (1..15, then the marbles with a line freeze, a cross fire
// and a diagonal) and lay out its board; Space fires the special placed last. A right click
// places the chosen kind on a cell, or fires the special already standing there. Up and Down
// choose a bonus kind (4..15), Enter starts it. Ctrl and Shift are passed on to the waiting
// state's keys.

#include "USublevelScene.h"

#include <set>
#include <string>
#include <vector>

namespace qm {

class TSpecialsScene : public TSublevelScene {
public:
    static constexpr const char* SceneName = "specials";
    // 1..15 the specials (9 the wild chameleon), then the three marbles with an effect.
    static constexpr int FirstKind = 1;
    static constexpr int LastKind = 18;
    static constexpr int FirstBonusKind = 4;
    static constexpr int LastBonusKind = 15;

    explicit TSpecialsScene(TGameData& data);
    ~TSpecialsScene() override;

    void Draw();
    void MouseDown(int x, int y, int button);
    void KeyDown(int key);
    void KeyUp(int key);

    // Lays out the board of `kind` with that special at its place.
    void ChooseKind(int kind);
    int ChosenKind() const { return FKind; }
    // Replaces the element of the cell by one of the chosen kind.
    void PlaceChosenKind(TCell& cell);
    // Kills the special placed last, which fires it; false when it is gone.
    bool FireLastPlaced();
    // The bonus of `kind` is started as a full bonus bar would start it; false when another bonus
    // is still queued.
    bool StartBonus(int kind);

    // The scene is for developers: the waiting state's editing keys work for everyone.
    bool IsDeveloperUser() const override { return true; }
    // The bonus button shows the chosen bonus kind (K charges it).
    int SelectedBonusKind() const override { return FBonusKind; }

protected:
    // Only K charges the bonus bar here: a bonus starts when the player asks for it, not again
    // by the bricks its own strike threw out.
    double BonusChargePerBrick() const override { return 0.0; }

private:
    struct TPlacement {
        int Row;
        int Col;
        // A kind as chosen, or 0 for a box.
        int Kind;
    };

    void ApplyPendingLayout();
    void PlaceChosenKindAs(TCell& cell, int kind);
    void Fire(TSimpleElement& element);
    void StartWatching(int kind);
    void Watch();
    void ReportStrike();
    void WatchBonus();
    // Each cell's element and colour, to tell what a bonus changed.
    std::vector<std::pair<const TSimpleElement*, char>> BoardLook() const;
    void DrawLegend();

    int FKind = FirstKind;
    int FBonusKind = FirstBonusKind;
    // The placements of the chosen kind's board, made once the board has first settled.
    bool FLayoutPending = true;
    TSimpleElement* FLastPlaced = nullptr;
    bool FShift = false;
    bool FCtrl = false;
    // What one firing struck: the elements on the board when it fired that have died since,
    // until the board falls into new lines or rests again.
    bool FWatching = false;
    int FWatchedKind = 0;
    int FScoreAtFire = 0;
    std::set<const TSimpleElement*> FBefore;
    std::set<const TSimpleElement*> FStruck;
    // The bonus state last reported ("" for none) and the board when it started.
    std::string FBonusStatus;
    std::vector<std::pair<const TSimpleElement*, char>> FBoardAtBonus;
    bool FBonusEnding = false;
};

} // namespace qm
