#include "USpecialsScene.h"

#include "UBonusStates.h"
#include "UFrozenRowState.h"
#include "UGFont.h"
#include "UGKeys.h"
#include "UGStrings.h"
#include "UGWidget.h"
#include "UGameData.h"
#include "USpecials.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <utility>

namespace qm {

namespace {

constexpr int BoxPlacement = 0;
constexpr uint32_t LegendColor = 0xFFF7EEDB;
// Right of the bonus button.
constexpr int LegendX = 100;

// A kind's board: the field's text (rows not given are plain cells with one brick layer) and
// what is put on it once the first fill has settled. Rows and columns count from the top left.
struct TShowcase {
    const char* Name;
    std::vector<std::pair<int, const char*>> Rows;
    std::vector<std::array<int, 3>> Placements; // {row, col, kind (0 a box)}
};

// Each board shows where its effect stops: the line freeze runs to the hole on its left and the
// box on its right; the cross fire stops below a box and before a hole; the diagonal's upper rays
// end at a hole and a box. Two-layer cells ("^") show the hits that take one layer off.
const TShowcase Showcases[] = {
    {"line freeze", {{4, "#^^......."}}, {{4, 3, 1}, {4, 7, BoxPlacement}}},
    {"cross fire", {{5, "........#."}, {3, "....^....."}}, {{5, 4, 2}, {2, 4, BoxPlacement}}},
    {"super bonus", {}, {{5, 5, 3}, {2, 2, BoxPlacement}}},
    {"diagonal", {{2, ".#........"}, {7, "..^...^..."}}, {{5, 4, 4}, {3, 6, BoxPlacement}}},
    {"add scores", {}, {{5, 4, 5}}},
    {"time-line freeze", {}, {{5, 4, 6}}},
    {"single-cell bomb", {}, {{5, 4, 7}}},
    {"corner-stone teleport", {}, {{5, 4, 8}}},
    {"wild chameleon", {}, {{5, 4, 9}}},
    {"bomb", {}, {{5, 4, 10}}},
    {"corner-stone down", {}, {{5, 4, 11}}},
    {"colour change", {}, {{5, 4, 12}}},
    {"double building materials", {}, {{5, 4, 13}}},
    {"colour bomb", {}, {{5, 4, 14}}},
    {"phantom bonuses", {}, {{5, 4, 15}}},
    {"marble with a line freeze", {}, {{5, 4, 16}, {5, 5, BoxPlacement}}},
    {"marble with a cross fire", {{5, "#........."}}, {{5, 2, 17}, {4, 2, BoxPlacement}}},
    {"marble with a diagonal", {{7, "..#......."}}, {{5, 4, 18}}},
};
static_assert(std::size(Showcases) == TSpecialsScene::LastKind);

const char* const BonusNames[] = {
    "diagonal", "add scores", "time-line freeze", "single-cell bomb", "teleport",    "wild chameleon",
    "bomb",     "stone drop", "colour change",    "double materials", "colour bomb", "phantom"};
static_assert(std::size(BonusNames) == TSpecialsScene::LastBonusKind - TSpecialsScene::FirstBonusKind + 1);

std::vector<TTestSublevel> ShowcaseSublevels(int rowCount, int colCount) {
    std::vector<TTestSublevel> sublevels;
    for (const TShowcase& showcase : Showcases) {
        std::vector<std::string> rows(static_cast<size_t>(rowCount),
                                      std::string(static_cast<size_t>(colCount), '.'));
        for (const auto& [row, text] : showcase.Rows) {
            if (row < rowCount) {
                rows[static_cast<size_t>(row)] = std::string(text).substr(0, static_cast<size_t>(colCount));
            }
        }
        TTestSublevel sublevel;
        for (const std::string& row : rows) {
            sublevel.Text += row + "\n";
        }
        // Six colours leave few lines to break by chance, so what falls after a strike is mostly
        // the strike's own doing; the time is long enough to try every kind.
        sublevel.Marbles = "123456";
        sublevel.TimeLimit = 900.0;
        sublevel.Number = static_cast<int>(sublevels.size()) + 1;
        sublevel.Count = static_cast<int>(std::size(Showcases));
        sublevels.push_back(sublevel);
    }
    return sublevels;
}

// The kind a placed element was made as; 0 for a plain marble or a box.
int PlacedKindOf(const TSimpleElement& element) {
    if (const auto* special = dynamic_cast<const TSpecial*>(&element)) {
        return special->Kind();
    }
    if (dynamic_cast<const TMarbleWildChameleon*>(&element)) {
        return 9;
    }
    if (dynamic_cast<const TMarbleWithLineFreeze*>(&element)) {
        return 16;
    }
    if (dynamic_cast<const TMarbleWithCrossFire*>(&element)) {
        return 17;
    }
    if (dynamic_cast<const TMarbleWithDiagonal*>(&element)) {
        return 18;
    }
    return 0;
}

std::unique_ptr<TSimpleElement> MakeElementOfKind(TField& field, TCell& cell, int kind) {
    IPlayHost& host = field.Host();
    const TGIntPoint centre = field.CellCentre(cell);
    // A marble keeps the colour of the one it replaces, so that no line appears by the change.
    const TMarble* old = cell.Marble();
    const char color = old ? old->Color : '1';
    switch (kind) {
    case BoxPlacement:
        return NewElement<TBoxElement>(host, centre.X, centre.Y, 1, field.BoxSpriteName(1));
    case 9:
        return NewElement<TMarbleWildChameleon>(host, centre.X, centre.Y);
    case 16:
        return NewElement<TMarbleWithLineFreeze>(host, centre.X, centre.Y, color);
    case 17:
        return NewElement<TMarbleWithCrossFire>(host, centre.X, centre.Y, color);
    case 18:
        return NewElement<TMarbleWithDiagonal>(host, centre.X, centre.Y, color);
    default:
        return host.CreateSpecial(kind, centre.X, centre.Y);
    }
}

} // namespace

TSpecialsScene::TSpecialsScene(TGameData& data)
    : TSublevelScene(data,
                     ShowcaseSublevels(data.Environment->FieldRowCount, data.Environment->FieldColumnCount)) {
}

TSpecialsScene::~TSpecialsScene() = default;

void TSpecialsScene::ChooseKind(int kind) {
    if (FWatching) {
        ReportStrike();
    }
    FKind = std::clamp(kind, FirstKind, LastKind);
    StartSublevel(FKind - 1);
    FLayoutPending = true;
    FLastPlaced = nullptr;
    FWatching = false;
}

void TSpecialsScene::Draw() {
    // A won sublevel leads to the next board; it shows the next kind.
    if (SublevelIndex() != FKind - 1) {
        FKind = SublevelIndex() + 1;
        FLayoutPending = true;
        FLastPlaced = nullptr;
        FWatching = false;
    }
    TSublevelScene::Draw();
    ApplyPendingLayout();
    Watch();
    WatchBonus();
    DrawLegend();
}

void TSpecialsScene::ApplyPendingLayout() {
    if (!FLayoutPending || !AcceptsMove()) {
        return;
    }
    FLayoutPending = false;
    for (const auto& [row, col, kind] : Showcases[FKind - 1].Placements) {
        if (Field().InField(row, col)) {
            PlaceChosenKindAs(Field().Cell(row, col), kind);
        }
    }
    std::printf("specials: kind %d ready\n", FKind);
    std::fflush(stdout);
}

void TSpecialsScene::PlaceChosenKind(TCell& cell) {
    PlaceChosenKindAs(cell, FKind);
}

void TSpecialsScene::PlaceChosenKindAs(TCell& cell, int kind) {
    if (cell.IsHole()) {
        return;
    }
    if (auto* wait = Queue().FindExact<TWaitState>()) {
        wait->DropSelection(true);
    }
    cell.Element = MakeElementOfKind(Field(), cell, kind);
    if (kind != BoxPlacement) {
        FLastPlaced = cell.Element.get();
    }
}

bool TSpecialsScene::FireLastPlaced() {
    for (int r = 0; r < Field().RowCount; ++r) {
        for (int c = 0; c < Field().ColCount; ++c) {
            TSimpleElement* element = Field().Cell(r, c).Element.get();
            if (element && element == FLastPlaced && !element->IsDying()) {
                Fire(*element);
                return true;
            }
        }
    }
    return false;
}

// As after a swap, a pack follows the firing: it waits until the strikes are over, then lets
// the board fall and refill.
void TSpecialsScene::Fire(TSimpleElement& element) {
    StartWatching(PlacedKindOf(element));
    element.Kill(0);
    FLastPlaced = nullptr;
    Queue().Push<TPackState>();
}

// The seam for the bonus states, which the game screen pushes when the bonus bar is full: until
// they are here, only the time bar's freeze (the heart of the time-line freeze) is played, so
// that its frost can be seen over the bar; the other kinds say that they have no state yet.
bool TSpecialsScene::StartBonus(int kind) {
    // A starter of its own: the scene's bar goes on charging its own kinds in turn.
    TBonusStarter starter;
    const bool started = starter.Start(Queue(), kind, BonusNodeOfKind(*GameData()->GameConfig, kind));
    std::printf("specials: bonus kind %d %s\n", kind, started ? "started" : "not started");
    std::fflush(stdout);
    return started;
}

void TSpecialsScene::StartWatching(int kind) {
    FWatching = true;
    FWatchedKind = kind;
    FScoreAtFire = CurrentScore();
    FBefore.clear();
    FStruck.clear();
    for (int r = 0; r < Field().RowCount; ++r) {
        for (int c = 0; c < Field().ColCount; ++c) {
            if (const TSimpleElement* element = Field().Cell(r, c).Element.get()) {
                FBefore.insert(element);
            }
        }
    }
}

// A strike is over when the board has fallen after it, falls into new lines (those are not the
// strike's) or rests with nothing locked.
void TSpecialsScene::Watch() {
    if (!FWatching) {
        return;
    }
    for (int r = 0; r < Field().RowCount; ++r) {
        for (int c = 0; c < Field().ColCount; ++c) {
            const TSimpleElement* element = Field().Cell(r, c).Element.get();
            if (element && element->IsDying() && FBefore.contains(element)) {
                FStruck.insert(element);
            }
        }
    }
    // Effects that take their time hold their targets locked until they strike; the pack that
    // follows them starts only once they are over, and hands over to the drop when it is done.
    const bool resting = AcceptsMove() && !Field().HasLockedElement() && !Field().HasDyingElement();
    if (Queue().HasExact<TMatchState>() || Queue().HasExact<TDropNewElementsState>() || resting) {
        ReportStrike();
    }
}

// Headless runs read what each firing did from these lines.
void TSpecialsScene::ReportStrike() {
    FWatching = false;
    std::printf("specials: kind %d struck %zu score %d\n", FWatchedKind, FStruck.size(),
                CurrentScore() - FScoreAtFire);
    std::fflush(stdout);
    FBefore.clear();
    FStruck.clear();
}

std::vector<std::pair<const TSimpleElement*, char>> TSpecialsScene::BoardLook() const {
    std::vector<std::pair<const TSimpleElement*, char>> look;
    for (int r = 0; r < Field().RowCount; ++r) {
        for (int c = 0; c < Field().ColCount; ++c) {
            const TSimpleElement* element = Field().Cell(r, c).Element.get();
            const auto* marble = dynamic_cast<const TMarble*>(element);
            look.emplace_back(element, marble ? marble->Color : ' ');
        }
    }
    return look;
}

// A line when the queued bonus changes phase: waiting on its button with its ready animation
// (with what a disarm may have left behind: locked elements, elements away from their cells),
// armed, or acting; and once it has left and the board rests, how many cells it changed.
void TSpecialsScene::WatchBonus() {
    const auto* bonus = Queue().FindKindOf<TBonusState>();
    // A state pushed this frame shows nothing before its first step.
    if (bonus && bonus->Status() == ssNew) {
        return;
    }
    std::string status;
    if (bonus) {
        const char* phase = MouseBonusArmedIn(Queue()) ? "armed" : bonus->ShowsReady() ? "ready" : "acting";
        status = bonus->GetName() + " " + phase;
    }
    if (status == FBonusStatus) {
        if (FBonusEnding && AcceptsMove() && !Field().HasLockedElement() && !Field().HasDyingElement()) {
            FBonusEnding = false;
            const auto now = BoardLook();
            size_t changed = 0;
            for (size_t i = 0; i < now.size() && i < FBoardAtBonus.size(); ++i) {
                changed += now[i] != FBoardAtBonus[i] ? 1 : 0;
            }
            std::printf("specials: bonus over, %zu cells changed\n", changed);
            std::fflush(stdout);
        }
        return;
    }
    if (FBonusStatus.empty()) {
        FBoardAtBonus = BoardLook();
    }
    FBonusStatus = status;
    FBonusEnding = status.empty();
    if (status.empty()) {
        return;
    }
    std::printf("specials: bonus %s", status.c_str());
    if (bonus->ShowsReady()) {
        int locked = 0;
        int away = 0;
        for (int r = 0; r < Field().RowCount; ++r) {
            for (int c = 0; c < Field().ColCount; ++c) {
                TCell& cell = Field().Cell(r, c);
                if (!cell.Element || cell.Element->IsDying()) {
                    continue;
                }
                locked += cell.Element->IsLocked() ? 1 : 0;
                const TGIntPoint at = cell.Element->GetPosition();
                const TGIntPoint centre = Field().CellCentre(cell);
                away += at.X != centre.X || at.Y != centre.Y ? 1 : 0;
            }
        }
        std::printf(", %d locked, %d away", locked, away);
    }
    std::printf("\n");
    std::fflush(stdout);
}

void TSpecialsScene::DrawLegend() {
    if (!GameData()->ResManager->HasFont("SysFont")) {
        return;
    }
    TGFont& font = GameData()->GetFont("SysFont");
    font.DrawString(Format("Special %d: %s  (Left/Right, Space fires, right click places)", FKind,
                           Showcases[FKind - 1].Name),
                    LegendColor, LegendX, 548);
    font.DrawString(
        Format("Bonus %d: %s  (Up/Down, Enter)", FBonusKind, BonusNames[FBonusKind - FirstBonusKind]),
        LegendColor, LegendX, 572);
}

void TSpecialsScene::MouseDown(int x, int y, int button) {
    if (button != 1) {
        TSublevelScene::MouseDown(x, y, button);
        return;
    }
    TCell* cell = Field().CellAt(x, y);
    if (!cell || !AcceptsMove()) {
        return;
    }
    if (cell->Element && PlacedKindOf(*cell->Element) != 0) {
        Fire(*cell->Element);
    } else {
        PlaceChosenKind(*cell);
    }
}

void TSpecialsScene::KeyDown(int key) {
    switch (key) {
    case VK_SHIFT:
        FShift = true;
        return;
    case VK_CONTROL:
        FCtrl = true;
        return;
    case VK_LEFT:
        ChooseKind(FKind == FirstKind ? LastKind : FKind - 1);
        return;
    case VK_RIGHT:
        ChooseKind(FKind == LastKind ? FirstKind : FKind + 1);
        return;
    case VK_UP:
        FBonusKind = FBonusKind == LastBonusKind ? FirstBonusKind : FBonusKind + 1;
        return;
    case VK_DOWN:
        FBonusKind = FBonusKind == FirstBonusKind ? LastBonusKind : FBonusKind - 1;
        return;
    case VK_SPACE:
        if (AcceptsMove()) {
            FireLastPlaced();
        }
        return;
    case VK_RETURN:
        if (AcceptsMove()) {
            StartBonus(FBonusKind);
        }
        return;
    default:
        break;
    }
    TGInputState input;
    input.Keys[VK_SHIFT] = FShift;
    input.Keys[VK_CONTROL] = FCtrl;
    Queue().KeyDown(key, input);
}

void TSpecialsScene::KeyUp(int key) {
    if (key == VK_SHIFT) {
        FShift = false;
    } else if (key == VK_CONTROL) {
        FCtrl = false;
    }
}

} // namespace qm
