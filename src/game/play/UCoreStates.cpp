#include "UCoreStates.h"

#include "UElements.h"
#include "UField.h"
#include "UFieldEffect.h"
#include "UGError.h"
#include "UGEventTrace.h"
#include "UGGraphicsDevice.h"
#include "UGKeys.h"
#include "UGRandom.h"
#include "UGStrings.h"
#include "UGWidget.h"
#include "UGameData.h"
#include "UParticleEffects.h"
#include "UPlayHost.h"
#include "USpecials.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace qm {

namespace {

// Stands in for the game manager of a queue that has none (tools, tests of the queue alone).
class TNoManager : public IPlayManager {
public:
    TGameData* GameData() override { return nullptr; }
    TField* CurrentField() override { return nullptr; }
    void PausePlay() override {}
    void ResumePlay() override {}
    bool PlanBoardChange(bool /*won*/, bool /*fromFirst*/, TBoardChange& /*change*/) override {
        return false;
    }
    void SetLevelAndSubLevel(int /*level*/, int /*subLevel*/) override {}
    void RestartTimeBar() override {}
    ISecretMapPlay* SecretMaps() override { return nullptr; }
    void StartColorCellBlast(int /*x*/, int /*y*/) override {}
};

IPlayManager& ManagerOf(const TGameStateQueue& queue) {
    static TNoManager none;
    return queue.GameManager() ? *queue.GameManager() : none;
}

TField& FieldOf(const TGameStateQueue& queue) {
    TField* field = queue.Field();
    if (!field) {
        throw EGError("TGameState.Field", "no field is in play");
    }
    return *field;
}

bool GoalMet(const TGameStateQueue& queue) {
    TField& field = FieldOf(queue);
    return field.LayersCleared() && field.Host().BoxCountReached();
}

// The player's swaps go into the event trace of the run, when it has one.
void TraceSwap(const TGameStateQueue& queue, const TCell& from, const TCell& to) {
    IPlayManager* manager = queue.GameManager();
    TGameData* data = manager ? manager->GameData() : nullptr;
    if (TGEventTrace* trace = data ? data->EventTrace() : nullptr) {
        trace->Write(Format("swap %d,%d %d,%d", from.Row, from.Col, to.Row, to.Col));
    }
}

bool FieldRotating(const TGameStateQueue& queue) {
    return ManagerOf(queue).IsQueued(TOtherState::FieldRotate);
}

bool LayerFading(const TGameStateQueue& queue) {
    return ManagerOf(queue).IsQueued(TOtherState::ShowHideFieldLayer);
}

void StartParticles(TField& field, std::unique_ptr<TParticleEffect> effect) {
    field.AddEffect(std::make_unique<TParticleFieldEffect>(std::move(effect)));
}

bool OrthogonalNeighbours(const TCell& a, const TCell& b) {
    return std::abs(a.Row - b.Row) + std::abs(a.Col - b.Col) == 1;
}

} // namespace

bool IsSublevelDone(const TGameStateQueue& queue) {
    return FieldOf(queue).IsSublevelComplete() || GoalMet(queue);
}

bool BoardBusy(const TGameStateQueue& queue) {
    return queue.HasExact<TShuffleState>() || queue.HasExact<TPackState>() ||
           queue.HasExact<TDropNewElementsState>() || LayerFading(queue) ||
           queue.HasExact<TSubLevelFailState>() || FieldRotating(queue) ||
           queue.HasExact<TOutOfMovesState>() || queue.HasExact<TSubLevelCompleteState>();
}

bool SublevelEnding(const TGameStateQueue& queue) {
    return queue.HasExact<TSubLevelCompleteState>() || queue.HasExact<TSubLevelFailState>();
}

// ---- TWaitState ----

bool TWaitState::IsInputBlocked() const {
    const TGameStateQueue& queue = Queue();
    return queue.HasExact<TSecretLevelState>() || queue.HasExact<TGameToConstructionScreenState>() ||
           ManagerOf(queue).IsQueued(TOtherState::GameToPuzzleScreen) || ManagerOf(queue).BonusEffectBusy();
}

void TWaitState::MouseDown(int button, const TGInputState& input) {
    if (button == 0 && !IsInputBlocked()) {
        ProcessEvent(input.X, input.Y, false);
    }
}

void TWaitState::MouseMove(const TGInputState& input) {
    if (input.IsButtonDown(0) && FFirstCell && !IsInputBlocked()) {
        ProcessEvent(input.X, input.Y, true);
    }
}

// The super bonus keeps its selected look: it stays lit while its stars fly.
void TWaitState::DropSelection(bool visual) {
    if (visual && FFirstCell && FFirstCell->Element &&
        !dynamic_cast<TSpecialRandom*>(FFirstCell->Element.get())) {
        FFirstCell->Element->Deselect();
    }
    FFirstCell = nullptr;
}

void TWaitState::ProcessEvent(int x, int y, bool isDrag) {
    const TGameStateQueue& queue = Queue();
    IPlayManager& manager = ManagerOf(queue);
    if (IsSublevelDone(queue) || queue.HasExact<TShuffleState>() || FieldRotating(queue) ||
        LayerFading(queue) || queue.HasExact<TSubLevelCompleteState>() ||
        queue.HasExact<TSubLevelFailState>() || queue.HasExact<TOutOfMovesState>() ||
        manager.MouseBonusArmed()) {
        return;
    }
    TField& field = FieldOf(queue);
    TCell* cell = field.CellAt(x, y);
    if (cell && cell->Element) {
        TSimpleElement& element = *cell->Element;
        if (isDrag && cell == FFirstCell) {
            return;
        }
        if (!element.IsIdle() && cell != FFirstCell) {
            return;
        }
        if (element.IsLocked() || element.IsDying()) {
            return;
        }
        const auto& before = field.SpecialsBeforeMatching;
        if (field.MatchesThroughCell(*cell) ||
            std::find(before.begin(), before.end(), &element) != before.end() ||
            field.HasHorizontalLineAt(*cell) || IsBox(&element)) {
            return;
        }
        if (!isDrag) {
            manager.PlaySound("ClickElement");
        }
        if (!FFirstCell) {
            FFirstCell = cell;
            element.Select();
            return;
        }
        if (OrthogonalNeighbours(*FFirstCell, *cell)) {
            if (!FFirstCell->Element || !cell->Element) {
                throw EGError("TWaitState.ProcessEvent", "Bad FFirstCell or Cell");
            }
            TraceSwap(Queue(), *FFirstCell, *cell);
            Queue().Push<TSwapElementsState>(*FFirstCell, *cell);
            DropSelection(true);
            return;
        }
    }
    // A click away from the selection only clears it: the new cell is not selected.
    DropSelection(true);
}

// A selected element may be matched by a cascade and taken away; the selection goes with it, so
// that a later click never asks for a swap with an empty cell.
bool TWaitState::SelectionLost() const {
    return FFirstCell && (!FFirstCell->Element || FFirstCell->Element->IsDying());
}

void TWaitState::UpdateHelper() {
    const TGameStateQueue& queue = Queue();
    IPlayManager& manager = ManagerOf(queue);
    if (!queue.Field()) {
        return;
    }
    if (SelectionLost()) {
        DropSelection(false);
    }
    if (manager.BarFull(TBarKind::Brick)) {
        manager.BrickCollected();
        manager.CollectBrickBar();
    }
    if (IsInputBlocked() || queue.HasExact<TSubLevelCompleteState>() ||
        queue.HasExact<TSubLevelFailState>() || FieldRotating(queue) || queue.HasExact<TOutOfMovesState>() ||
        manager.IsQueued(TOtherState::ColorCellBlast) || queue.HasExact<TSecretLevelState>() ||
        manager.IsQueued(TOtherState::MapPartAppear)) {
        return;
    }
    CheckTimeOut();
    if (!queue.HasExact<TDropNewElementsState>() && !queue.HasExact<TPackState>() &&
        !queue.HasExact<TMatchState>()) {
        WatchBoard();
    }
}

void TWaitState::CheckTimeOut() {
    const TGameStateQueue& queue = Queue();
    IPlayManager& manager = ManagerOf(queue);
    if (manager.TimeBarPaused() || !manager.TimeBarStopped() || queue.HasExact<TSubLevelCompleteState>() ||
        queue.HasExact<TSubLevelFailState>()) {
        return;
    }
    // The last box may come home in the very frame the time runs out: the boxes resting at the
    // bottom count, so that frame is a win.
    if (GoalMet(queue) || IsSublevelDone(queue)) {
        return;
    }
    FailNow();
}

void TWaitState::FailNow() {
    DropSelection(true);
    Queue().Push<TSubLevelFailState>();
}

void TWaitState::WatchBoard() {
    FieldOf(Queue()).CollectBoxes();
    CheckOutOfMoves();
    CheckWin();
    CheckCatchUp();
}

void TWaitState::CheckOutOfMoves() {
    TGameStateQueue& queue = Queue();
    IPlayManager& manager = ManagerOf(queue);
    TField& field = FieldOf(queue);
    if (!field.IsStable() || BoardBusy(queue) || IsSublevelDone(queue)) {
        return;
    }
    if (field.FindMatches(true, true)) {
        if (!queue.HasExact<TMatchState>()) {
            queue.Push<TMatchState>(false, std::vector<TSpecial*>{});
        }
        return;
    }
    TCell* a = nullptr;
    TCell* b = nullptr;
    if (field.HasLockedElement() || field.HasEmptyOrDyingCell() || field.HasSpecial() ||
        field.HasPossibleMove(a, b)) {
        return;
    }
    // Out of moves: a full shuffle bar leaves the board to the player's shuffle button.
    if (manager.BarFull(TBarKind::Shuffle)) {
        return;
    }
    if (!manager.BarFull(TBarKind::Bonus) || !manager.MouseBonusQueued()) {
        queue.Push<TOutOfMovesState>();
    }
}

void TWaitState::CheckWin() {
    TGameStateQueue& queue = Queue();
    if (GoalMet(queue) && !queue.HasExact<TSubLevelFailState>() &&
        !queue.HasExact<TSubLevelCompleteState>() && !FieldRotating(queue)) {
        WinNow();
    }
}

void TWaitState::WinNow() {
    Queue().Push<TGameToConstructionScreenState>();
    Queue().Push<TSubLevelCompleteState>();
}

// A level may name a sublevel from which a player far behind with the monument gets help. A level
// without those attributes never switches it on.
void TWaitState::CheckCatchUp() {
    IPlayManager& manager = ManagerOf(Queue());
    PGXMLNode level = manager.CurrentLevelConfig();
    if (!level || manager.CatchUpMode()) {
        return;
    }
    const int fromSubLevel = level->GetIntDef("SC_SubLevel", INT_MAX);
    const double percent = level->GetFloatDef("SC_PercentComlete", -1.0);
    if (manager.PlayerSubLevel() >= fromSubLevel && manager.ConstructionProgress() <= percent) {
        manager.SetCatchUpMode(true);
    }
}

void TWaitState::KeyDown(int key, const TGInputState& input) {
    IPlayManager& manager = ManagerOf(Queue());
    if (IsInputBlocked() || !(manager.IsDeveloperUser() || manager.IsEasterEggUser())) {
        return;
    }
    if (manager.IsDeveloperUser() && EditElement(key, input)) {
        return;
    }
    DeveloperKey(key, input);
}

bool TWaitState::DeveloperKey(int key, const TGInputState& input) {
    TGameStateQueue& queue = Queue();
    IPlayManager& manager = ManagerOf(queue);
    const bool shift = input.IsKeyDown(VK_SHIFT);
    const bool ctrl = input.IsKeyDown(VK_CONTROL);
    const bool ending = FieldRotating(queue) || SublevelEnding(queue);
    if (shift && !ctrl && key == 'B') {
        manager.BrickCollected();
        return true;
    }
    if (shift || ctrl) {
        return false;
    }
    if (key == 'N') {
        if (!FieldRotating(queue) && !queue.HasExact<TSubLevelCompleteState>() && !LayerFading(queue)) {
            DropSelection(true);
            WinNow();
        }
        return true;
    }
    if (key == 'M') {
        if (!manager.EasterEggMode() && !manager.AllSecretMapsComplete()) {
            const TGIntPoint at = FirstColorCellPoint();
            manager.StartColorCellBlast(at.X, at.Y);
        }
        return true;
    }
    if (!manager.IsDeveloperUser()) {
        return false;
    }
    switch (key) {
    case 'G':
        while (manager.Lives() > 0) {
            manager.LoseLife();
        }
        [[fallthrough]];
    case 'F':
        if (!ending) {
            FailNow();
        }
        return true;
    case 'O':
        if (!queue.HasExact<TOutOfMovesState>()) {
            queue.Push<TOutOfMovesState>();
        }
        return true;
    case 'B':
        manager.ReleaseBricks(5, 496, 251);
        return true;
    case 'K':
        manager.AddToBar(TBarKind::Bonus, 0.1);
        return true;
    case 'S':
        manager.AddToBar(TBarKind::Shuffle, 0.2);
        return true;
    case 'R':
        manager.AddToBar(TBarKind::Brick, 0.1);
        return true;
    case 'Q':
        if (FFirstCell) {
            manager.StartPlantedColumn(FFirstCell->Col);
        }
        return true;
    case 'A':
        manager.AddScore(5000);
        return true;
    case 'L':
        manager.SetSequentialSecretLevels();
        return true;
    case 'H':
        FieldOf(queue).Host().SuperBonusSpecialBudget() = 0;
        return true;
    case 'T':
        queue.Push<TTestGameState>();
        return true;
    default:
        return false;
    }
}

// The middle of the first colour cell in reading order; the middle of the screen without one.
TGIntPoint TWaitState::FirstColorCellPoint() const {
    const TField& field = FieldOf(Queue());
    for (int r = field.FirstRow; r <= field.LastRow; ++r) {
        for (int c = field.FirstCol; c <= field.LastCol; ++c) {
            if (field.Cell(r, c).IsColorCell()) {
                const TGIntPoint corner = field.CellToScreen(r, c, false);
                return {corner.X + 25, corner.Y + 25};
            }
        }
    }
    return {400, 300};
}

// The element editor works on the selected cell: with Ctrl a letter makes a special (P, Q, R a
// marble with a strike), with Shift a digit makes a marble (9 the wild chameleon), Z a box, and
// without modifiers B, C and D fill the whole board with one of the board's own specials (E
// cycles through them). Without a selection B releases bricks instead.
bool TWaitState::EditElement(int key, const TGInputState& input) {
    if (!FFirstCell) {
        return false;
    }
    TField& field = FieldOf(Queue());
    IPlayHost& host = field.Host();
    const bool shift = input.IsKeyDown(VK_SHIFT);
    const bool ctrl = input.IsKeyDown(VK_CONTROL);
    TCell& cell = *FFirstCell;
    const TGIntPoint centre = field.CellCentre(cell);
    const TMarble* old = cell.Marble();
    const char color = old ? old->Color : '1';
    std::unique_ptr<TSimpleElement> made;
    if (ctrl && !shift && key >= 'A' && key <= 'R') {
        if (key == 'P') {
            made = NewElement<TMarbleWithLineFreeze>(host, centre.X, centre.Y, color);
        } else if (key == 'Q') {
            made = NewElement<TMarbleWithCrossFire>(host, centre.X, centre.Y, color);
        } else if (key == 'R') {
            made = NewElement<TMarbleWithDiagonal>(host, centre.X, centre.Y, color);
        } else {
            made = host.CreateSpecial(key - 64, centre.X, centre.Y);
        }
    } else if (shift && !ctrl && key >= '1' && key <= '8') {
        made = NewElement<TMarble>(host, centre.X, centre.Y, static_cast<char>(key));
    } else if (shift && !ctrl && key == '9') {
        made = NewElement<TMarbleWildChameleon>(host, centre.X, centre.Y);
    } else if (!shift && !ctrl && key == 'Z') {
        const int kind = 1 + static_cast<int>(Random(2));
        made = NewElement<TBoxElement>(host, centre.X, centre.Y, kind, field.BoxSpriteName(kind));
    } else if (!shift && !ctrl && (key == 'B' || key == 'C' || key == 'D' || key == 'E')) {
        static const int Kinds[] = {2, 1, 3};
        const int index = key == 'E' ? FCycledSpecial++ % 3 : key - 'B';
        DropSelection(true);
        ReplaceEveryElement(Kinds[index]);
        return true;
    } else {
        return false;
    }
    DropSelection(true);
    cell.Element = std::move(made);
    return true;
}

void TWaitState::ReplaceEveryElement(int specialKind) {
    TField& field = FieldOf(Queue());
    for (int r = field.FirstRow; r <= field.LastRow; ++r) {
        for (int c = field.FirstCol; c <= field.LastCol; ++c) {
            TCell& cell = field.Cell(r, c);
            if (cell.Element) {
                const TGIntPoint centre = field.CellCentre(cell);
                cell.Element = field.Host().CreateSpecial(specialKind, centre.X, centre.Y);
            }
        }
    }
}

// ---- TSwapElementsState ----

TSwapElementsState::TSwapElementsState(TGameStateQueue& queue, TCell& source, TCell& target)
    : TGameState(queue), FSource(source), FTarget(target) {
    FSource.Element->Lock();
    FTarget.Element->Lock();
}

bool TSwapElementsState::Initialize() {
    TGameState::Initialize();
    TField& field = FieldOf(Queue());
    // Only the puzzle screen can take a move back.
    if (field.Host().OnPuzzleScreen()) {
        field.SavedStates.push_back(std::make_unique<TFieldState>(field));
        FUndoSaved = true;
    }
    field.SwapCells[0] = &FSource;
    field.SwapCells[1] = &FTarget;
    FSource.Element->SwapMove(field.CellCentre(FSource), field.CellCentre(FTarget));
    FTarget.Element->SwapMove(field.CellCentre(FTarget), field.CellCentre(FSource));
    field.AddProcessingSwap(FSource, FTarget);
    return true;
}

void TSwapElementsState::UpdateHelper() {
    TGameState::UpdateHelper();
    if (Status() != ssRunning || !FSource.Element->IsIdle() || !FTarget.Element->IsIdle()) {
        return;
    }
    TField& field = FieldOf(Queue());
    field.RemoveProcessingSwap(FSource, FTarget);
    std::swap(FSource.Element, FTarget.Element);
    FSource.Element->Unlock();
    FTarget.Element->Unlock();
    std::vector<TSpecial*> specials;
    for (TCell* cell : {&FSource, &FTarget}) {
        if (auto* special = dynamic_cast<TSpecial*>(cell->Element.get())) {
            specials.push_back(special);
            field.AddSpecialBeforeMatching(*special);
        }
    }
    const bool swappedSpecial = !specials.empty();
    if (!field.FindMatches(true, false, &FSource, &FTarget) && !swappedSpecial) {
        SwapBack();
        return;
    }
    field.ComboCount = 0;
    if (field.Host().OnPuzzleScreen()) {
        ManagerOf(Queue()).MakePuzzleMoveHook();
    }
    Finish();
    if (!IsSublevelDone(Queue())) {
        Queue().Push<TMatchState>(swappedSpecial, std::move(specials));
    }
}

void TSwapElementsState::SwapBack() {
    TField& field = FieldOf(Queue());
    if (FUndoSaved && !field.SavedStates.empty()) {
        field.SavedStates.pop_back();
    }
    // Each element travels home from the cell it reached; the cells hold them again at once.
    FSource.Element->SwapMove(field.CellCentre(FSource), field.CellCentre(FTarget));
    FTarget.Element->SwapMove(field.CellCentre(FTarget), field.CellCentre(FSource));
    std::swap(FSource.Element, FTarget.Element);
    Finish();
}

// ---- TMatchState ----

TMatchState::TMatchState(TGameStateQueue& queue, bool specialsFired, std::vector<TSpecial*> specials)
    : TGameState(queue), FSpecialsFired(specialsFired), FSpecials(std::move(specials)) {
    TField* field = queue.Field();
    for (TSpecial* special : FSpecials) {
        if (field) {
            field->RemoveSpecialBeforeMatching(*special);
        }
        special->Kill(0);
    }
}

bool TMatchState::Initialize() {
    TGameState::Initialize();
    FMatched = FieldOf(Queue()).FindMatches(false, false, nullptr, nullptr, true);
    return true;
}

void TMatchState::UpdateHelper() {
    TGameState::UpdateHelper();
    if (FieldOf(Queue()).IsStable() || !FSpecials.empty() || SublevelEnding(Queue())) {
        Finish();
    }
}

void TMatchState::Finalize(bool removed) {
    TGameState::Finalize(removed);
    if (FMatched || FSpecialsFired) {
        Queue().Push<TPackState>();
    }
}

// ---- TPackState ----

bool TPackState::Initialize() {
    TField& field = FieldOf(Queue());
    if (ManagerOf(Queue()).IsQueued(TOtherState::FrozenRow) || !field.FireBalls.empty() ||
        !field.IsStable()) {
        return false;
    }
    TGameState::Initialize();
    field.RemoveDeadElements();
    field.PackColumns(FBlocked);
    return true;
}

void TPackState::UpdateHelper() {
    TGameState::UpdateHelper();
    if (Status() != ssRunning || !(FieldOf(Queue()).IsStable() || SublevelEnding(Queue()))) {
        return;
    }
    Finish();
    Queue().Push<TDropNewElementsState>(false);
    if (FBlocked && !Queue().HasExact<TSubLevelCompleteState>()) {
        Queue().Push<TPackState>();
    }
}

// ---- TDropNewElementsState ----

bool TDropNewElementsState::Initialize() {
    TGameState::Initialize();
    FieldOf(Queue()).Refill(FFirstFill);
    return true;
}

void TDropNewElementsState::UpdateHelper() {
    TGameState::UpdateHelper();
    if (Status() != ssRunning || !(FieldOf(Queue()).IsStable() || SublevelEnding(Queue()))) {
        return;
    }
    ManagerOf(Queue()).PlaySound("DropNewElements");
    Finish();
    if (!FFirstFill && !GoalMet(Queue()) && !IsSublevelDone(Queue())) {
        Queue().Push<TMatchState>(false, std::vector<TSpecial*>{});
    }
}

// ---- TShuffleState ----

bool TShuffleState::Initialize() {
    TGameStateQueue& queue = Queue();
    if (!FieldOf(queue).IsStable() || queue.HasExact<TDropNewElementsState>() ||
        queue.HasExact<TPackState>()) {
        return false;
    }
    TGameState::Initialize();
    IPlayManager& manager = ManagerOf(queue);
    manager.EvictTexturesAfterFrame();
    if (auto* wait = queue.FindExact<TWaitState>()) {
        wait->DropSelection(true);
    }
    manager.PlaySound("Shuffle");
    Shuffle();
    return true;
}

void TShuffleState::Shuffle() {
    TField& field = FieldOf(Queue());
    std::vector<bool> taken(static_cast<size_t>(field.RowCount * field.ColCount), false);
    auto takenAt = [&](const TCell& cell) {
        return taken[static_cast<size_t>(cell.Row * field.ColCount + cell.Col)];
    };
    auto shufflable = [&](const TCell& cell) {
        return !takenAt(cell) && cell.Element && !IsBox(cell.Element.get());
    };
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const int r1 = static_cast<int>(Random(static_cast<uint32_t>(field.RowCount)));
        const int c1 = static_cast<int>(Random(static_cast<uint32_t>(field.ColCount)));
        const int r2 = static_cast<int>(Random(static_cast<uint32_t>(field.RowCount)));
        const int c2 = static_cast<int>(Random(static_cast<uint32_t>(field.ColCount)));
        TCell& a = field.Cell(r1, c1);
        TCell& b = field.Cell(r2, c2);
        if (&a == &b || !shufflable(a) || !shufflable(b)) {
            continue;
        }
        taken[static_cast<size_t>(a.Row * field.ColCount + a.Col)] = true;
        taken[static_cast<size_t>(b.Row * field.ColCount + b.Col)] = true;
        std::swap(a.Element, b.Element);
        if (field.FindMatches(true, true)) {
            std::swap(a.Element, b.Element);
            continue;
        }
        const TGIntPoint pa = field.CellCentre(a);
        const TGIntPoint pb = field.CellCentre(b);
        a.Element->MoveTo(pb, pa, SecondsPerPixel);
        b.Element->MoveTo(pa, pb, SecondsPerPixel);
        const double distance = std::hypot(pa.X - pb.X, pa.Y - pb.Y);
        Sparkle(b, a, distance * SecondsPerPixel);
    }
}

void TShuffleState::Sparkle(const TCell& from, const TCell& to, double seconds) {
    TField& field = FieldOf(Queue());
    const TParticleEnv env = field.Host().ParticleEnv();
    if (!env.ResManager || seconds <= 0.0) {
        return;
    }
    constexpr double Particles = 20.0;
    auto sparkles = std::make_unique<TSparklesFx>(env, seconds, Particles / seconds);
    const TGIntPoint a = field.CellCentre(from);
    const TGIntPoint b = field.CellCentre(to);
    sparkles->AddXKey(0.0, a.X);
    sparkles->AddXKey(1.0, b.X);
    sparkles->AddYKey(0.0, a.Y);
    sparkles->AddYKey(1.0, b.Y);
    StartParticles(field, std::move(sparkles));
}

void TShuffleState::UpdateHelper() {
    TGameState::UpdateHelper();
    if (Status() == ssRunning && FieldOf(Queue()).IsStable()) {
        Finish();
        Queue().Push<TMatchState>(false, std::vector<TSpecial*>{});
    }
}

// ---- TOutOfMovesState ----

bool TOutOfMovesState::Initialize() {
    TGameState::Initialize();
    ManagerOf(Queue()).CancelMouseBonuses();
    FFlow.AddAction([this] { KillElements(); });
    FFlow.AddWait([this] { return FieldOf(Queue()).IsStable(); });
    FFlow.AddAction([this] { FieldOf(Queue()).RemoveDeadElements(); });
    FFlow.AddWait([this] { return FillOneCell(); });
    FFlow.AddAction([this] { Finish(); });
    return true;
}

void TOutOfMovesState::UpdateHelper() {
    TGameState::UpdateHelper();
    FFlow.Step();
}

void TOutOfMovesState::KillElements() {
    TField& field = FieldOf(Queue());
    for (int r = field.FirstRow; r <= field.LastRow; ++r) {
        for (int c = field.FirstCol; c <= field.LastCol; ++c) {
            TCell& cell = field.Cell(r, c);
            if (cell.Element && !IsBox(cell.Element.get()) && !cell.Element->IsDying()) {
                cell.Element->Kill(1);
            }
        }
    }
}

bool TOutOfMovesState::FillOneCell() {
    TField& field = FieldOf(Queue());
    std::vector<TCell*> empty;
    for (int r = field.FirstRow; r <= field.LastRow; ++r) {
        for (int c = field.FirstCol; c <= field.LastCol; ++c) {
            TCell& cell = field.Cell(r, c);
            if (!cell.IsHole() && !cell.Element) {
                empty.push_back(&cell);
            }
        }
    }
    if (empty.empty()) {
        return true;
    }
    TCell& cell = *empty[Random(static_cast<uint32_t>(empty.size()))];
    field.CreateNewElement(cell, true);
    cell.Element->Pop(0.0, 1.0, PopInSeconds);
    return false;
}

// ---- TSubLevelCompleteState ----

TSubLevelCompleteState::TSubLevelCompleteState(TGameStateQueue& queue) : TGameState(queue) {
    IPlayManager& manager = ManagerOf(queue);
    manager.SaveNextSublevelProgress();
    manager.RemoveTimeLineFreezeStates();
    manager.StopScaryMusic();
    manager.PlayJingleSublevelWin();
    manager.WorkZoneSublevelEnded(true);
    if (TField* field = queue.Field()) {
        field->ClearColorCells();
    }
    manager.CancelMouseBonuses();
    manager.RefreshBonusDisplay();
    manager.EndDoubleMaterials();
    manager.ResetBoxCounters();
    manager.EvictTexturesAfterFrame();
    FBoardTurns = manager.PlanBoardChange(true, false, FChange);
}

bool TSubLevelCompleteState::Initialize() {
    const TGameStateQueue& queue = Queue();
    const IPlayManager& manager = ManagerOf(queue);
    if (queue.HasExact<TPackState>() || queue.HasExact<TDropNewElementsState>() ||
        queue.HasExact<TMatchState>() || queue.HasExact<TGameToConstructionScreenState>() ||
        manager.IsQueued(TOtherState::MapPartAppear) || queue.HasExact<TSecretLevelState>() ||
        manager.IsQueued(TOtherState::GameToPuzzleScreen)) {
        return false;
    }
    return TGameState::Initialize();
}

void TSubLevelCompleteState::UpdateHelper() {
    TGameState::UpdateHelper();
    if (Status() == ssRunning && FieldOf(Queue()).IsStable() &&
        ManagerOf(Queue()).TimeBarRunningOrStopped()) {
        Finish();
        ManagerOf(Queue()).GoToNextSublevel();
        if (FBoardTurns) {
            Queue().Push<TShowHideFieldLayerState>(true);
            Queue().Push<TFieldRotateState>(std::move(FChange));
            FBoardTurns = false;
        }
    }
}

// ---- TSubLevelFailState ----

TSubLevelFailState::TSubLevelFailState(TGameStateQueue& queue) : TGameState(queue) {
    IPlayManager& manager = ManagerOf(queue);
    manager.SaveGame();
    manager.RemoveTimeLineFreezeStates();
    manager.PlayJingleLost();
    manager.WorkZoneSublevelEnded(false);
    FDialogName = manager.HasSeveralExtraBonuses() ? "LossLifeDialog2" : "LossLifeDialog1";
    manager.CancelMouseBonuses();
    manager.EvictTexturesAfterFrame();
}

bool TSubLevelFailState::Initialize() {
    const TGameStateQueue& queue = Queue();
    if (queue.HasExact<TPackState>() || queue.HasExact<TDropNewElementsState>() ||
        queue.HasExact<TMatchState>()) {
        return false;
    }
    TGameState::Initialize();
    IPlayManager& manager = ManagerOf(queue);
    manager.SetBonusStatesRunning(false);
    FieldOf(queue).DropAllOut();
    manager.DrainTimeBar(false);
    FDialogShown = false;
    return true;
}

void TSubLevelFailState::UpdateHelper() {
    TGameState::UpdateHelper();
    IPlayManager& manager = ManagerOf(Queue());
    const bool dialogVisible =
        manager.IsDialogVisible(FDialogName) || manager.IsDialogVisible(GameOverDialog);
    if (Status() != ssRunning) {
        return;
    }
    if (!FDialogShown && !dialogVisible && FieldOf(Queue()).IsStable() && manager.TimeBarRunningOrStopped()) {
        FDialogShown = true;
        ShowLossDialog();
        return;
    }
    if (FDialogShown && !dialogVisible) {
        Finish();
    }
}

void TSubLevelFailState::ShowLossDialog() {
    IPlayManager& manager = ManagerOf(Queue());
    const bool gameOver = manager.Lives() <= 0;
    if (gameOver) {
        manager.LockLivesDisplay();
        manager.RestartLevelAfterGameOver();
        manager.ShowDialog(GameOverDialog, [&manager] {
            manager.HideDialog(GameOverDialog);
            manager.ShowMenuScreen();
        });
    } else {
        manager.LoseLife();
        const std::string name = FDialogName;
        manager.ShowDialog(name, [&manager, name] {
            if (manager.HasSeveralExtraBonuses()) {
                manager.ShowBonusScreen(2);
            }
            manager.HideDialog(name);
        });
    }
    manager.RestartSublevel(gameOver);
    TBoardChange change;
    if (manager.PlanBoardChange(false, gameOver, change)) {
        Queue().Push<TShowHideFieldLayerState>(true);
        Queue().Push<TFieldRotateState>(std::move(change));
    }
}

void TSubLevelFailState::Finalize(bool removed) {
    TGameState::Finalize(removed);
    ManagerOf(Queue()).SetBonusStatesRunning(true);
}

// ---- TGameToConstructionScreenState ----

TGameToConstructionScreenState::TGameToConstructionScreenState(TGameStateQueue& queue) : TGameState(queue) {}

TGameToConstructionScreenState::~TGameToConstructionScreenState() = default;

bool TGameToConstructionScreenState::Initialize() {
    TGameState::Initialize();
    ManagerOf(Queue()).SetBonusStatesRunning(false);
    BuildFlow();
    return true;
}

void TGameToConstructionScreenState::BuildFlow() {
    IPlayManager& manager = ManagerOf(Queue());
    TGTimer& clock = FieldOf(Queue()).Host().GameClock();
    PFlow celebration = FFlow.NewSimFlow();
    PFlow fireworks = celebration->NewSeqFlow();
    for (int i = 0; i < Fireworks; ++i) {
        if (i > 0) {
            fireworks->AddDelay(clock, 0.5 + 0.2 * RandomFloat());
        }
        fireworks->AddAction([this] { LaunchFirework(); });
    }
    fireworks->AddWait([this] { return FireworksOver(); });
    celebration->AddAction([&manager] { manager.PlayScreenAnimation(WinAnimation); });
    celebration->AddWait([&manager] { return manager.ScreenAnimationDone(WinAnimation); });
    FFlow.AddAction([this, &manager] {
        FieldOf(Queue()).FlyAllUp();
        manager.ShowDialog(StageCompleteDialog, [&manager] { manager.HideDialog(StageCompleteDialog); });
        FScoreAtStart = manager.Score();
    });
    FFlow.AddDelay(clock, 0.1);
    FFlow.AddAction([&manager] { manager.DrainTimeBar(true); });
    FFlow.AddWait([this] { return CountTimeIntoScore(); });
    FFlow.AddWait([&manager] { return !manager.IsDialogVisible(StageCompleteDialog); });
    // The camera flies from the board to the monument; a screen that cannot show the flight is
    // done with it at once.
    FFlow.AddAction([&manager] {
        manager.PlaySound(CameraFlyingSound);
        manager.PlayScreenAnimation(CameraFlight);
    });
    FFlow.AddWait([&manager] { return manager.ScreenAnimationDone(CameraFlight); });
    FFlow.AddAction([this, &manager] {
        manager.ShowConstructionScreen();
        Finish();
    });
}

void TGameToConstructionScreenState::LaunchFirework() {
    ++FLaunched;
    const TParticleEnv env = FieldOf(Queue()).Host().ParticleEnv();
    if (env.ResManager) {
        FFireworks.push_back(std::make_unique<TFireworkFx>(env, 200.0 + Random(400), 600.0));
    }
}

bool TGameToConstructionScreenState::FireworksOver() const {
    return FLaunched == Fireworks && std::all_of(FFireworks.begin(), FFireworks.end(),
                                                 [](const auto& firework) { return firework->IsFinished(); });
}

bool TGameToConstructionScreenState::CountTimeIntoScore() {
    IPlayManager& manager = ManagerOf(Queue());
    if (manager.TimeBarStopped()) {
        manager.StopTimeToScore();
        return true;
    }
    manager.StepTimeBar(0.0);
    manager.PlayTimeToScore();
    manager.ShowStageScore(manager.Score() - FScoreAtStart);
    return false;
}

void TGameToConstructionScreenState::UpdateHelper() {
    TGameState::UpdateHelper();
    if (Status() == ssRunning) {
        FFlow.Step();
    }
}

void TGameToConstructionScreenState::Draw() {
    for (const auto& firework : FFireworks) {
        if (!firework->IsFinished()) {
            firework->Update();
        }
    }
}

void TGameToConstructionScreenState::Finalize(bool removed) {
    TGameState::Finalize(removed);
    ManagerOf(Queue()).SetBonusStatesRunning(true);
    ManagerOf(Queue()).EvictTexturesAfterFrame();
}

// ---- TSecretLevelState ----

TSecretLevelState::TSecretLevelState(TGameStateQueue& queue) : TGameState(queue) {
    // At most one: a second one, or one while the flight to the puzzle screen is queued, ends at
    // once. The queue already holds this state, so look for an earlier one.
    for (size_t i = 0; i < queue.Count(); ++i) {
        TGameState& state = queue.At(i);
        if (&state != this && dynamic_cast<TSecretLevelState*>(&state)) {
            Kill();
        }
    }
    if (ManagerOf(queue).IsQueued(TOtherState::GameToPuzzleScreen)) {
        Kill();
    }
}

TSecretLevelState::~TSecretLevelState() = default;

bool TSecretLevelState::Initialize() {
    TGameState::Initialize();
    ManagerOf(Queue()).PlaySound("Secret Challenge Level");
    IPlayHost& host = FieldOf(Queue()).Host();
    StartGlowBurst(host.ResManager(), host.GameClock());
    StartAnnouncement(host.GameClock());
    StartSparkles();
    return true;
}

// Glows fly out from around the middle of the screen in every direction, growing as they go
// and fading before they stop.
void TSecretLevelState::StartGlowBurst(TGResManager* resManager, TGTimer& clock) {
    FGlow = std::make_shared<TGAnimotion>(resManager, &clock);
    const int count = MinGlows + static_cast<int>(Random(static_cast<uint32_t>(MaxGlows - MinGlows + 1)));
    for (int i = 0; i < count; ++i) {
        TGActiveChannel& channel = FGlow->GetChannel(i);
        channel.SeqId = "stuff/Glow";
        channel.Pivot = pvCenter;
        channel.Blending = bmAdd;
        channel.X = 400.0 + 40.0 * RandomFloat() - 20.0;
        channel.Y = 300.0 + 40.0 * RandomFloat() - 20.0;
        const double angle = 6.283185307179586 * RandomFloat();
        const double distance = 150.0 + 300.0 * RandomFloat();
        TGMotionSeg& flight = channel.AddMotionSeg();
        flight.Length = GlowSeconds * (0.6 + 0.4 * RandomFloat());
        flight.X.AddKey(1.0, channel.X + distance * std::cos(angle));
        flight.Y.AddKey(1.0, channel.Y + distance * std::sin(angle));
        flight.ScaleX.AddKey(0.0, 0.4);
        flight.ScaleY.AddKey(0.0, 0.4);
        flight.ScaleX.AddKey(1.0, 1.6);
        flight.ScaleY.AddKey(1.0, 1.6);
        // Added light ignores alpha: the glows fade by darkening to black.
        for (TGCatmullRom* tone : {&flight.Red, &flight.Green, &flight.Blue}) {
            tone->AddKey(0.0, 200.0);
            tone->AddKey(0.6, 130.0);
            tone->AddKey(1.0, 0.0);
        }
    }
}

void TSecretLevelState::StartAnnouncement(TGTimer& clock) {
    TGameData* data = ManagerOf(Queue()).GameData();
    if (!data || !data->GameConfig) {
        return;
    }
    PGXMLCollection games = data->GameConfig->GetCollection("GamesAni");
    PGXMLCollection announcements = games->Count() > 0 ? games->GetItem(0)->GetCollection("SCLAni") : games;
    if (announcements->Count() == 0) {
        return;
    }
    FAnnouncement = std::make_shared<TGAnimotion>(data->ResManager.get(), &clock);
    FAnnouncement->Import(*announcements->GetItem(0));
    FAnnouncement->SetX(AnnouncementX);
    FAnnouncement->SetY(AnnouncementY);
}

// Four trails of sparkles leave the middle one after the other, a quarter turn apart.
void TSecretLevelState::StartSparkles() {
    const TParticleEnv env = FieldOf(Queue()).Host().ParticleEnv();
    if (!env.ResManager) {
        return;
    }
    for (int i = 0; i < 4; ++i) {
        auto sparkles = std::make_unique<TSparklesFx>(env, SparklesSeconds, SparklesRate);
        const double angle = i * 1.5707963267948966;
        sparkles->AddXKey(0.0, 400.0);
        sparkles->AddXKey(1.0, 400.0 + 220.0 * std::cos(angle));
        sparkles->AddYKey(0.0, 300.0);
        sparkles->AddYKey(1.0, 300.0 + 160.0 * std::sin(angle));
        FEffects.push_back(std::move(sparkles));
        FEffectStarts.push_back(0.25 * i);
    }
}

void TSecretLevelState::UpdateHelper() {
    TGameState::UpdateHelper();
    FTime += FieldOf(Queue()).Host().GameClock().Step;
    const bool glowOver = !FGlow || FGlow->IsFinished();
    const bool announcementOver = !FAnnouncement || FAnnouncement->IsFinished();
    if (glowOver && announcementOver) {
        Finish();
    }
}

void TSecretLevelState::Draw() {
    TGGraphicsDevice* device = FieldOf(Queue()).Host().Device();
    if (device && FTime < DarkeningSeconds) {
        const double opacity = 0.7 * (1.0 - FTime / DarkeningSeconds);
        device->FillRect({0, 0}, {800, 600}, static_cast<uint32_t>(opacity * 255.0) << 24);
    }
    IPlayHost& host = FieldOf(Queue()).Host();
    for (const PGAnimotion& animotion : {FGlow, FAnnouncement}) {
        if (animotion && !animotion->IsFinished()) {
            DrawAnimotion(host, *animotion);
        }
    }
    for (size_t i = 0; i < FEffects.size(); ++i) {
        if (FTime >= FEffectStarts[i] && !FEffects[i]->IsFinished()) {
            FEffects[i]->Update();
        }
    }
}

// ---- TTestGameState ----

bool TTestGameState::Initialize() {
    TGameState::Initialize();
    for (int i = 0; i < 4; ++i) {
        ManagerOf(Queue()).RunDeviceSelfTest();
    }
    return true;
}

void TTestGameState::KeyDown(int key, const TGInputState& /*input*/) {
    if (key == 'F') {
        Finish();
    }
}

} // namespace qm
