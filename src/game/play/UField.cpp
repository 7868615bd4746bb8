#include "UField.h"

#include "UFireBall.h"
#include "UGError.h"
#include "UGGraphicsDevice.h"
#include "UGRandom.h"
#include "UGSprite.h"
#include "UGStrings.h"
#include "UGTimer.h"
#include "UGameEnvironment.h"
#include "UPlayHost.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

constexpr double Pi = 3.14159265358979323846;

// Points of the score pop-ups, by their kind 1..8.
constexpr int PointsOfKind[9] = {0, 50, 100, 200, 300, 500, 700, 1000, 3000};

uint32_t WithAlpha(int alpha) {
    return (static_cast<uint32_t>(std::clamp(alpha, 0, 255)) << 24) | 0x00FFFFFFu;
}

void DrawFrame0(IPlayHost& host, const std::string& name, uint32_t color, double x, double y) {
    if (TGSequence* seq = host.FindSeq(name); seq && seq->Count() > 0) {
        seq->GetSprite(0).DrawAt(color, bmDefault, x, y);
    }
}

} // namespace

// ---- TCell ----

void TCell::Reset() {
    Visible = true;
    OverlayOn = true;
    Alpha = 255;
    Ready = true;
    FadingIn = false;
    FadingOut = false;
    FadeInTimer = 0.0;
    FadeOutTimer = 0.0;
    OriginX = 0;
    OriginY = 0;
}

std::unique_ptr<TCell> TCell::Clone() const {
    auto copy = std::make_unique<TCell>(*FField, Row, Col);
    copy->Kind = Kind;
    copy->BoxDropPoint = BoxDropPoint;
    copy->CellColor = CellColor;
    copy->ColorFrom = ColorFrom;
    copy->ColorTo = ColorTo;
    copy->ColorTimer = ColorTimer;
    copy->Visible = Visible;
    copy->OverlayOn = OverlayOn;
    copy->Alpha = Alpha;
    copy->Ready = Ready;
    copy->FadingOut = FadingOut;
    copy->FadingIn = FadingIn;
    copy->FadeOutTimer = FadeOutTimer;
    copy->FadeInTimer = FadeInTimer;
    copy->PresetMarble = PresetMarble;
    copy->PresetBox = PresetBox;
    copy->PresetSpecial = PresetSpecial;
    copy->OriginX = OriginX;
    copy->OriginY = OriginY;
    return copy;
}

TMarble* TCell::Marble() const {
    return dynamic_cast<TMarble*>(Element.get());
}

void TCell::StartFadeIn() {
    if (IsHole()) {
        return;
    }
    Alpha = 0;
    FadingIn = true;
    FadingOut = false;
    FadeInTimer = 0.0;
    FadeOutTimer = 0.0;
}

void TCell::StartFadeOut() {
    if (IsHole()) {
        return;
    }
    FadingOut = true;
    FadingIn = false;
    FadeInTimer = 0.0;
    FadeOutTimer = 0.0;
}

bool TCell::HoldsBox() const {
    return IsBox(Element.get());
}

void TCell::Hit(int source, bool force) {
    IPlayHost& host = FField->Host();
    if (host.OnPuzzleScreen()) {
        return;
    }
    if (IsColorCell()) {
        if (!force) {
            const TMarble* marble = Marble();
            if (source != 0 || !marble) {
                return;
            }
            if (marble->ColorNumber != CellColor && !host.HasSmallBonus(sbAnyMathBlastColorCell)) {
                return;
            }
        }
        Kind = ckPlain;
        host.ColorCellBlasted(*this);
        return;
    }
    if (!HasBrickLayers()) {
        return;
    }
    --Kind;
    host.SpawnBricksFromCell(*this);
    if (source >= 4 && HasBrickLayers() && host.HasSmallBonus(sbBonusesBlastTwoLayer)) {
        --Kind;
        host.SpawnBricksFromCell(*this);
    }
}

// The fades advance only while the cell is drawn, so a board that is not drawn never becomes
// ready. A fade-in also runs while the overlay is off, which it switches on when it ends:
// otherwise a cell faded in after its overlay went out would wait for ever.
void TCell::AdvanceFade() {
    const double step = FField->Host().GameClock().Step;
    if (FadingOut) {
        FadeOutTimer += step;
        if (FadeOutTimer > 0.001) {
            FadeOutTimer = 0.0;
            Alpha -= 10;
            if (Alpha <= 0) {
                Alpha = 0;
                FadingOut = false;
                OverlayOn = false;
            }
        }
    } else if (FadingIn) {
        FadeInTimer += step;
        if (FadeInTimer > 0.001) {
            FadeInTimer = 0.0;
            Alpha += 10;
            if (Alpha > 254) {
                Alpha = 255;
                FadingIn = false;
                OverlayOn = true;
            }
        }
    }
}

void TCell::AdvanceColorCycle() {
    ColorTimer += FField->Host().GameClock().Step;
    if (ColorTimer > 1.0) {
        ColorFrom = ColorTo;
        ColorTo = (ColorFrom + 1) % 9;
        if (ColorTo == 0) {
            ColorTo = 1;
        }
        ColorTimer = 0.0;
    }
}

void TCell::DrawOverlay(int x, int y) {
    IPlayHost& host = FField->Host();
    if (IsColorCell()) {
        if (!host.HasSmallBonus(sbAnyMathBlastColorCell)) {
            DrawFrame0(host, Format("elements/ColorCells/m%d", CellColor), WithAlpha(Alpha), x, y);
            return;
        }
        AdvanceColorCycle();
        const double t = std::clamp(ColorTimer, 0.0, 1.0);
        const double a = Alpha / 255.0;
        DrawFrame0(host, Format("elements/ColorCells/m%d", ColorFrom),
                   WithAlpha(static_cast<int>(std::lround((255 - 255 * t) * a))), x, y);
        DrawFrame0(host, Format("elements/ColorCells/m%d", ColorTo),
                   WithAlpha(static_cast<int>(std::lround(255 * t * a))), x, y);
    } else if (HasBrickLayers()) {
        DrawFrame0(host, std::string("ui/gamescreen/Field") + static_cast<char>(64 + Kind), WithAlpha(Alpha),
                   x, y);
    }
}

void TCell::Draw(int originX, int originY) {
    if (!Visible || IsHole()) {
        return;
    }
    OriginX = originX;
    OriginY = originY;
    IPlayHost& host = FField->Host();
    const TGameEnvironment& env = host.Env();
    const int x = originX + Col * env.CellWidth;
    const int y = originY + Row * env.CellHeight;
    if (TGSequence* block = host.FindSeq("elements/Block"); block && block->Count() > 0) {
        const TGSprite& tile = block->GetSprite(0);
        const double left = x - 10;
        const TGPointD centre{left + tile.PixelWidth() / 2.0, y + tile.PixelHeight() / 2.0};
        const double angle = host.RandomFlip() ? 0.0 : Pi / 2;
        tile.DrawTransformed(centre, {1.0, 1.0}, left, y, angle, 0xFFFFFFFF, bmDefault);
    }
    if (OverlayOn || FadingIn) {
        AdvanceFade();
        if (OverlayOn || FadingIn) {
            DrawOverlay(x, y);
        }
    }
}

std::vector<std::string> TraceBoardRows(const TField& field) {
    std::vector<std::string> rows;
    for (int r = 0; r < field.RowCount; ++r) {
        std::string row;
        for (int c = 0; c < field.ColCount; ++c) {
            const TCell& cell = field.Cell(r, c);
            const TSimpleElement* element = cell.Element.get();
            if (cell.IsHole()) {
                row += '#';
            } else if (!element) {
                row += '.';
            } else if (dynamic_cast<const TMarbleWildChameleon*>(element)) {
                row += 'c';
            } else if (const auto* marble = dynamic_cast<const TMarble*>(element)) {
                row += marble->Color;
            } else if (dynamic_cast<const TSpecial*>(element)) {
                row += 's';
            } else {
                row += 'b';
            }
        }
        rows.push_back(row);
    }
    return rows;
}

// ---- TField: creation ----

struct TField::TGroups {
    std::vector<int> Label; // per cell, row-major
    std::vector<int> Size;  // per group
};

TField::TField(IPlayHost& host, int rowCount, int colCount, int fieldX, int fieldY)
    : RowCount(rowCount), ColCount(colCount), FirstRow(0), LastRow(rowCount - 1), FirstCol(0),
      LastCol(colCount - 1), FieldX(fieldX), FieldY(fieldY), FHost(host) {
    if (rowCount <= 0 || colCount <= 0) {
        throw EGError("TField.Create", Format("a field of %d x %d cells", rowCount, colCount));
    }
    FCells.reserve(static_cast<size_t>(rowCount * colCount));
    for (int r = 0; r < rowCount; ++r) {
        for (int c = 0; c < colCount; ++c) {
            FCells.push_back(std::make_unique<TCell>(*this, r, c));
        }
    }
}

TFieldState::TFieldState(const TField& field) {
    Cells.reserve(static_cast<size_t>(field.RowCount * field.ColCount));
    for (int r = 0; r < field.RowCount; ++r) {
        for (int c = 0; c < field.ColCount; ++c) {
            const TCell& cell = field.Cell(r, c);
            std::unique_ptr<TCell> copy = cell.Clone();
            if (cell.Element) {
                std::unique_ptr<TElement> element = cell.Element->Clone();
                copy->Element.reset(static_cast<TSimpleElement*>(element.release()));
            }
            Cells.push_back(std::move(copy));
        }
    }
}

TField::~TField() {
    // Fireballs unlock the elements they hold, so they go before the cells.
    FireBalls.clear();
}

void TField::ApplyCellRecords(const TCellsStructsArr& records) {
    if (records.RowCount() != RowCount || records.ColumnCount() != ColCount) {
        throw EGError("TField.ApplyCellRecords",
                      Format("records of %d x %d cells for a field of %d x %d", records.RowCount(),
                             records.ColumnCount(), RowCount, ColCount));
    }
    // A record the field text did not reach holds the character 0 where the text writes "0".
    auto preset = [](char c) { return c == 0 ? '0' : c; };
    for (int r = 0; r < RowCount; ++r) {
        for (int c = 0; c < ColCount; ++c) {
            const TCellStruct& record = records.At(r, c);
            TCell& cell = Cell(r, c);
            cell.Reset();
            cell.BoxDropPoint = record.BoxDropPoint;
            cell.CellColor = record.Color;
            cell.ColorFrom = record.Color;
            cell.ColorTo = record.Color;
            cell.SetKind(record.LayerCount);
            cell.PresetMarble = preset(record.Marble);
            cell.PresetBox = record.Box;
            cell.PresetSpecial = preset(record.Special);
        }
    }
}

// ---- cells and coordinates ----

TCell& TField::Cell(int row, int col) const {
    if (!InField(row, col)) {
        throw std::out_of_range(Format("TField.Cell(%d, %d)", row, col));
    }
    return *FCells[static_cast<size_t>(row * ColCount + col)];
}

bool TField::InField(int row, int col) const {
    return row >= FirstRow && row <= LastRow && col >= FirstCol && col <= LastCol;
}

TCell* TField::CellAt(int x, int y) const {
    const TGameEnvironment& env = FHost.Env();
    const int col = x < FieldX ? -1 : (x - FieldX) / env.CellWidth;
    const int row = y < FieldY ? -1 : (y - FieldY) / env.CellHeight;
    return InField(row, col) ? &Cell(row, col) : nullptr;
}

TGIntPoint TField::CellToScreen(int row, int col, bool centred) const {
    const TGameEnvironment& env = FHost.Env();
    TGIntPoint p{FieldX + col * env.CellWidth, FieldY + row * env.CellHeight};
    if (centred) {
        p.X += env.CellWidth / 2;
        p.Y += env.CellHeight / 2;
    }
    return p;
}

// ---- matching ----

bool TField::IsMatchable(int row, int col, bool settledOnly) const {
    const TCell& cell = Cell(row, col);
    if (cell.IsHole()) {
        return false;
    }
    const TMarble* marble = cell.Marble();
    if (!marble || marble->IsLocked() || marble->IsDying()) {
        return false;
    }
    return !settledOnly || marble->IsIdle() || marble->IsSelected();
}

bool TField::CellsMatch(int r1, int c1, int r2, int c2, bool settledOnly) const {
    return IsMatchable(r1, c1, settledOnly) && IsMatchable(r2, c2, settledOnly) &&
           Cell(r1, c1).Marble()->Color == Cell(r2, c2).Marble()->Color;
}

bool TField::TripleAt(int row, int col, int dRow, int dCol, bool settledOnly) const {
    return CellsMatch(row, col, row + dRow, col + dCol, settledOnly) &&
           CellsMatch(row + dRow, col + dCol, row + 2 * dRow, col + 2 * dCol, settledOnly);
}

bool TField::QuickTest(bool settledOnly) const {
    for (int r = FirstRow; r <= LastRow - 2; ++r) {
        for (int c = FirstCol; c <= LastCol; ++c) {
            if (TripleAt(r, c, 1, 0, settledOnly)) {
                return true;
            }
        }
    }
    for (int r = FirstRow; r <= LastRow; ++r) {
        for (int c = FirstCol; c <= LastCol - 2; ++c) {
            if (TripleAt(r, c, 0, 1, settledOnly)) {
                return true;
            }
        }
    }
    return false;
}

void TField::BuildGroups(TGroups& groups, bool settledOnly) const {
    const int count = RowCount * ColCount;
    groups.Label.resize(static_cast<size_t>(count));
    groups.Size.assign(static_cast<size_t>(count), 1);
    for (int i = 0; i < count; ++i) {
        groups.Label[static_cast<size_t>(i)] = i;
    }
    auto unite = [&](int cellA, int cellB) {
        const int a = groups.Label[static_cast<size_t>(cellA)];
        const int b = groups.Label[static_cast<size_t>(cellB)];
        if (a == b) {
            return;
        }
        const int merged = static_cast<int>(groups.Size.size());
        groups.Size.push_back(groups.Size[static_cast<size_t>(a)] + groups.Size[static_cast<size_t>(b)]);
        groups.Size[static_cast<size_t>(a)] = 0;
        groups.Size[static_cast<size_t>(b)] = 0;
        for (int& label : groups.Label) {
            if (label == a || label == b) {
                label = merged;
            }
        }
    };
    auto visit = [&](int r, int c, int dRow, int dCol) {
        if (!TripleAt(r, c, dRow, dCol, settledOnly)) {
            return;
        }
        const int first = r * ColCount + c;
        const int middle = (r + dRow) * ColCount + c + dCol;
        const int third = (r + 2 * dRow) * ColCount + c + 2 * dCol;
        unite(first, middle);
        unite(third, middle);
    };
    for (int r = FirstRow; r <= LastRow - 2; ++r) {
        for (int c = FirstCol; c <= LastCol; ++c) {
            visit(r, c, 1, 0);
        }
    }
    for (int r = FirstRow; r <= LastRow; ++r) {
        for (int c = FirstCol; c <= LastCol - 2; ++c) {
            visit(r, c, 0, 1);
        }
    }
}

bool TField::FindMatches(bool stopAtFirst, bool quickTest, TCell* cellA, TCell* cellB, bool settledOnly) {
    if (quickTest) {
        return QuickTest(settledOnly);
    }
    ResolveWildChameleons(settledOnly);
    TGroups groups;
    BuildGroups(groups, settledOnly);
    bool found = false;
    std::vector<std::vector<TCell*>> removed;
    for (size_t g = 0; g < groups.Size.size(); ++g) {
        if (groups.Size[g] < 3) {
            continue;
        }
        std::vector<TCell*> members;
        bool hasA = false;
        bool hasB = false;
        for (size_t i = 0; i < groups.Label.size(); ++i) {
            if (groups.Label[i] == static_cast<int>(g)) {
                TCell* cell = FCells[i].get();
                members.push_back(cell);
                hasA = hasA || cell == cellA;
                hasB = hasB || cell == cellB;
            }
        }
        if ((cellA || cellB) && !hasA && !hasB) {
            continue;
        }
        found = true;
        if (stopAtFirst) {
            break;
        }
        removed.push_back(std::move(members));
    }
    for (const std::vector<TCell*>& group : removed) {
        RemoveGroup(group);
    }
    return found;
}

// Each chameleon in turn tries every colour and keeps the first that gives it the largest group;
// one that would stay short of a line takes no colour and matches only other such chameleons.
// Later chameleons see the colours the earlier ones took.
void TField::ResolveWildChameleons(bool settledOnly) {
    for (const std::unique_ptr<TCell>& cell : FCells) {
        auto* chameleon = dynamic_cast<TMarbleWildChameleon*>(cell->Element.get());
        if (!chameleon) {
            continue;
        }
        const size_t index = static_cast<size_t>(cell->Row * ColCount + cell->Col);
        char best = ' ';
        int bestSize = 0;
        for (char color = '1'; color <= '8'; ++color) {
            chameleon->SetColor(color);
            TGroups groups;
            BuildGroups(groups, settledOnly);
            const int size = groups.Size[static_cast<size_t>(groups.Label[index])];
            if (size > bestSize) {
                bestSize = size;
                best = color;
            }
        }
        if (bestSize < 3) {
            chameleon->SetColor(' ');
        } else {
            chameleon->SetColor(best);
            chameleon->SetChameleonColor(best - '0');
        }
    }
}

void TField::RemoveGroup(const std::vector<TCell*>& group) {
    auto inGroup = [&](const TCell* cell) {
        return std::find(group.begin(), group.end(), cell) != group.end();
    };
    TCell* target = nullptr;
    if (SwapCells[0] && inGroup(SwapCells[0])) {
        target = SwapCells[0];
    } else if (SwapCells[1] && inGroup(SwapCells[1])) {
        target = SwapCells[1];
    } else {
        target = group[Random(static_cast<uint32_t>(group.size()))];
    }
    if (FHost.PlayComboSound(ComboCount)) {
        ++ComboCount;
    }
    const size_t size = group.size();
    if (size >= 5) {
        AddPendingSpecial(target->Row, target->Col, 2);
        ShowPoints(size == 5 ? 3 : 4, target->Row, target->Col);
    } else if (size == 4) {
        AddPendingSpecial(target->Row, target->Col, 1);
        ShowPoints(2, target->Row, target->Col);
    } else {
        ShowPoints(1, target->Row, target->Col);
    }
    const bool withChameleon = std::any_of(group.begin(), group.end(), [](const TCell* cell) {
        return dynamic_cast<const TMarbleWildChameleon*>(cell->Element.get()) != nullptr;
    });
    const char marvane = FHost.MarbleOfMarvane();
    for (TCell* cell : group) {
        TMarble* marble = cell->Marble();
        if (marble->Color == marvane) {
            FHost.MarvaneMarbleMatched();
        }
        marble->Kill(withChameleon ? 1 : 0);
        cell->Hit(0, false);
    }
}

bool TField::HasPossibleMove(TCell*& cellA, TCell*& cellB) {
    bool found = false;
    ForEachPossibleMove([&](TCell& a, TCell& b) {
        cellA = &a;
        cellB = &b;
        found = true;
        return false;
    });
    return found;
}

void TField::ForEachPossibleMove(const std::function<bool(TCell&, TCell&)>& visit) {
    auto candidate = [](const TCell& cell) { return !cell.IsHole() && cell.Element && !cell.HoldsBox(); };
    for (int r = FirstRow; r <= LastRow; ++r) {
        for (int c = FirstCol; c <= LastCol; ++c) {
            TCell& cell = Cell(r, c);
            const int neighbours[2][2] = {{r + 1, c}, {r, c + 1}};
            for (const auto& n : neighbours) {
                if (!InField(n[0], n[1])) {
                    continue;
                }
                TCell& other = Cell(n[0], n[1]);
                if (!candidate(cell) || !candidate(other)) {
                    continue;
                }
                std::swap(cell.Element, other.Element);
                const bool match = FindMatches(true, true);
                std::swap(cell.Element, other.Element);
                if (match && !visit(cell, other)) {
                    return;
                }
            }
        }
    }
}

bool TField::MatchesThroughCell(TCell& cell) {
    if (FindMatches(true, false, &cell)) {
        return true;
    }
    for (const TProcessingSwap& swap : ProcessingSwaps) {
        std::swap(swap.A->Element, swap.B->Element);
        const bool match = FindMatches(true, false, &cell);
        std::swap(swap.A->Element, swap.B->Element);
        if (match) {
            return true;
        }
    }
    return false;
}

bool TField::HasHorizontalLineAt(const TCell& cell) const {
    const TMarble* marble = cell.Marble();
    if (!marble) {
        return false;
    }
    int run = 1;
    for (int dc : {-1, 1}) {
        for (int step = 1; step <= 2; ++step) {
            if (!MarbleOfColorAt(cell.Row, cell.Col + dc * step, marble->Color)) {
                break;
            }
            ++run;
        }
    }
    return run >= 3;
}

void TField::ShowPoints(int pointsKind, int row, int col) {
    FHost.AddScore(PointsOfKind[std::clamp(pointsKind, 1, 8)]);
    const TGIntPoint corner = CellToScreen(row, col, false);
    auto popup = std::make_shared<TGAnimotion>(FHost.ResManager(), &FHost.GameClock());
    auto addSprite = [&](int id, const std::string& seq) {
        TGActiveChannel& channel = popup->GetChannel(id);
        channel.SeqId = seq;
        channel.Pivot = pvCenter;
        channel.X = corner.X + 25;
        channel.Y = corner.Y + 25;
        TGMotionSeg& seg = channel.AddMotionSeg();
        seg.Length = 0.7;
        seg.Y.AddKey(1, corner.Y + 25 - 30);
        seg.Alpha.AddKey(0, 1);
        seg.Alpha.AddKey(1, 0);
        seg.ScaleX.AddKey(1, 2);
        seg.ScaleY.AddKey(1, 2);
    };
    addSprite(0, Format("stuff/points/%d", pointsKind));
    if (ScoreMultiplierOn()) {
        addSprite(1, "stuff/specialact07");
    }
    ScorePopups.push_back(std::move(popup));
}

bool TField::ScoreMultiplierOn() const {
    return !FHost.OnPuzzleScreen() && FHost.ScoreMultiplierOn();
}

// ---- the board's life ----

bool TField::IsCellBusy(const TCell& cell) const {
    const TSimpleElement* element = cell.Element.get();
    return element && (element->IsLocked() || (!element->IsIdle() && !element->IsSelected()));
}

// The corner stone of the teleport bonus (kind 8) stays locked while the bonus is aimed, and the
// board around it must still settle.
bool TField::IsCellBlocked(const TCell& cell) const {
    const auto* special = dynamic_cast<const TSpecial*>(cell.Element.get());
    if (special && special->Kind() == 8 && special->IsLocked()) {
        return !special->IsIdle() && !special->IsSelected();
    }
    return IsCellBusy(cell);
}

bool TField::IsStable() const {
    if (!FireBalls.empty() || FHost.FieldEffectQueued()) {
        return false;
    }
    for (const auto& cell : FCells) {
        if (!cell->IsReady()) {
            return false;
        }
        const TSimpleElement* element = cell->Element.get();
        if (element && !element->IsIdle() && !element->IsSelected()) {
            return false;
        }
    }
    return true;
}

void TField::RemoveDeadElements() {
    for (const auto& cell : FCells) {
        if (cell->Element && cell->Element->IsDying() && cell->Element->IsIdle()) {
            cell->Element.reset();
        }
    }
}

void TField::PackColumns(bool& blocked) {
    blocked = false;
    for (TPendingSpecial& pending : PendingSpecials) {
        TCell& cell = Cell(pending.Row, pending.Col);
        if (!cell.Element) {
            TSpecial& special = *pending.Special;
            cell.Element = std::move(pending.Special);
            FHost.PlaySpecialAppearSound(special);
        }
    }
    PendingSpecials.clear();
    for (int c = FirstCol; c <= LastCol; ++c) {
        for (int r = LastRow; r >= FirstRow; --r) {
            TCell& empty = Cell(r, c);
            if (empty.IsHole() || empty.Element) {
                continue;
            }
            TCell* source = nullptr;
            for (int above = r - 1; above >= FirstRow && !source; --above) {
                if (Cell(above, c).Element) {
                    source = &Cell(above, c);
                }
            }
            if (!source) {
                continue;
            }
            if (IsCellBlocked(*source) || IsCellBlocked(empty)) {
                blocked = true;
                continue;
            }
            TSimpleElement& element = *source->Element;
            if (element.IsSelected()) {
                FHost.ElementStartsFalling(element);
            }
            element.FallMove(CellCentre(*source), CellCentre(empty));
            std::swap(source->Element, empty.Element);
        }
    }
}

bool TField::ApplyPreset(TCell& cell) {
    if (cell.IsHole()) {
        return false;
    }
    const TGIntPoint centre = CellCentre(cell);
    bool created = false;
    if (cell.PresetBox) {
        cell.PresetBox = false;
        const int kind = 1 + static_cast<int>(Random(2));
        cell.Element = NewElement<TBoxElement>(FHost, centre.X, centre.Y, kind, BoxSpriteName(kind));
        created = true;
    }
    if (cell.PresetMarble != '0') {
        cell.Element = NewElement<TMarble>(FHost, centre.X, centre.Y, cell.PresetMarble);
        cell.PresetMarble = '0';
        created = true;
    }
    if (cell.PresetSpecial != '0') {
        cell.Element = FHost.CreateSpecial(cell.PresetSpecial - 96, centre.X, centre.Y);
        cell.PresetSpecial = '0';
        created = true;
    }
    return created;
}

bool TField::MarbleOfColorAt(int row, int col, char color) const {
    if (!InField(row, col)) {
        return false;
    }
    const TMarble* marble = Cell(row, col).Marble();
    return marble && marble->Color == color;
}

bool TField::LinesUp(const TCell& cell, char color) const {
    const int r = cell.Row;
    const int c = cell.Col;
    const int pairs[6][4] = {{r, c - 1, r, c - 2}, {r, c + 1, r, c + 2}, {r - 1, c, r - 2, c},
                             {r + 1, c, r + 2, c}, {r, c - 1, r, c + 1}, {r - 1, c, r + 1, c}};
    for (const auto& p : pairs) {
        if (MarbleOfColorAt(p[0], p[1], color) && MarbleOfColorAt(p[2], p[3], color)) {
            return true;
        }
    }
    return false;
}

char TField::RandomMarble() {
    if (MarblePool.empty()) {
        throw EGError("RandomMarble");
    }
    return MarblePool[Random(static_cast<uint32_t>(MarblePool.size()))];
}

// The longest line a colour would make through the cell, across and down.
int TField::LineThrough(const TCell& cell, char color) const {
    int longest = 1;
    const int directions[2][2] = {{0, 1}, {1, 0}};
    for (const auto& d : directions) {
        int run = 1;
        for (int sign : {-1, 1}) {
            for (int step = 1;
                 MarbleOfColorAt(cell.Row + sign * step * d[0], cell.Col + sign * step * d[1], color);
                 ++step) {
                ++run;
            }
        }
        longest = std::max(longest, run);
    }
    return longest;
}

// When every colour of the set would complete a line (a four-colour set does this in normal
// play), the colour is drawn from the whole set among those making the shortest line; the next
// match removes that line.
char TField::LeastLiningColor(const TCell& cell) {
    int shortest = 0;
    std::string best;
    for (char color : MarbleSet) {
        const int line = LineThrough(cell, color);
        if (best.empty() || line < shortest) {
            shortest = line;
            best.assign(1, color);
        } else if (line == shortest) {
            best += color;
        }
    }
    return best[Random(static_cast<uint32_t>(best.size()))];
}

void TField::CreateNewElement(TCell& cell, bool avoidMatches) {
    if (MarbleSet.empty()) {
        throw EGError("TField.CreateNewElement", "the sublevel has no marble colours");
    }
    MarblePool = MarbleSet;
    char color = '0';
    while (true) {
        if (MarblePool.empty()) {
            color = LeastLiningColor(cell);
            break;
        }
        color = RandomMarble();
        if (!avoidMatches || !LinesUp(cell, color)) {
            break;
        }
        MarblePool.erase(MarblePool.find(color), 1);
    }
    const TGIntPoint centre = CellCentre(cell);
    int& budget = FHost.SuperBonusSpecialBudget();
    if (budget != 0) {
        cell.Element = NewElement<TMarble>(FHost, centre.X, centre.Y, color);
        return;
    }
    budget = FHost.Env().SpecialsForSuperBonus;
    std::unique_ptr<TSpecial> special = FHost.CreateSpecial(3, centre.X, centre.Y);
    TSpecial& made = *special;
    cell.Element = std::move(special);
    FHost.PlaySpecialAppearSound(made);
}

void TField::Refill(bool avoidMatches) {
    std::vector<int> lowestFilled(static_cast<size_t>(ColCount), -1);
    // Presets placed by this refill: a box preset in the top row of a fresh board must not stop
    // the column below it from filling, as an element left standing from play does.
    std::vector<bool> preset(static_cast<size_t>(RowCount * ColCount), false);
    TCell* boxCell = BoxMayAppear() ? PickBoxCell() : nullptr;
    for (int c = FirstCol; c <= LastCol; ++c) {
        for (int r = FirstRow; r <= LastRow; ++r) {
            TCell& cell = Cell(r, c);
            if (!cell.IsHole() && !cell.Element && ApplyPreset(cell)) {
                lowestFilled[static_cast<size_t>(c)] = r;
                preset[static_cast<size_t>(r * ColCount + c)] = true;
            }
        }
    }
    const bool scanToBottom = FHost.OnPuzzleScreen() && avoidMatches;
    for (int c = FirstCol; c <= LastCol; ++c) {
        int& lowest = lowestFilled[static_cast<size_t>(c)];
        for (int r = FirstRow; r <= LastRow; ++r) {
            TCell& cell = Cell(r, c);
            if (cell.IsHole()) {
                continue;
            }
            if (cell.Element) {
                if (scanToBottom || preset[static_cast<size_t>(r * ColCount + c)]) {
                    continue;
                }
                break;
            }
            lowest = std::max(r, lowest);
            if (&cell == boxCell) {
                PasteBoxInCell(cell);
            } else {
                CreateNewElement(cell, avoidMatches);
            }
        }
    }
    for (int c = FirstCol; c <= LastCol; ++c) {
        const int lowest = lowestFilled[static_cast<size_t>(c)];
        for (int r = FirstRow; r <= lowest; ++r) {
            TCell& cell = Cell(r, c);
            if (!cell.Element) {
                continue;
            }
            const TGIntPoint start = CellToScreen(r - lowest - 1, c, true);
            cell.Element->FallMove(start, CellCentre(cell));
        }
    }
}

void TField::PasteBoxInCell(TCell& cell) {
    if (cell.Element) {
        throw EGError("TField.PasteBoxInCell");
    }
    const int kind = 1 + static_cast<int>(Random(2));
    const TGIntPoint centre = CellCentre(cell);
    cell.Element = NewElement<TBoxElement>(FHost, centre.X, centre.Y, kind, BoxSpriteName(kind));
}

std::string TField::BoxSpriteName(int boxKind) const {
    return Format("elements/box%02d", boxKind);
}

void TField::AddPendingSpecial(int row, int col, int kind) {
    const TGIntPoint centre = CellToScreen(row, col, true);
    PendingSpecials.push_back({row, col, FHost.CreateSpecial(kind, centre.X, centre.Y)});
}

void TField::CollectBoxes() {
    for (int c = FirstCol; c <= LastCol; ++c) {
        for (int r = LastRow; r >= FirstRow; --r) {
            TCell& cell = Cell(r, c);
            if (cell.IsHole()) {
                continue;
            }
            if (!IsBox(cell.Element.get())) {
                break;
            }
            // A box already collected waits for the packing to free it; counting it again
            // would give the player the same box twice.
            if (cell.Element->IsDying()) {
                continue;
            }
            if (!cell.Element->IsIdle() && !cell.Element->IsSelected()) {
                break;
            }
            CollectBox(cell);
        }
    }
}

void TField::CollectBox(TCell& cell) {
    auto& box = static_cast<TBoxElement&>(*cell.Element);
    const TGIntPoint corner = CellToScreen(cell.Row, cell.Col, false);
    FHost.BoxCollected(corner.X, corner.Y, box.BoxKind == 2);
    box.Kill(0);
    FHost.PushPackState();
}

double TField::ClearedRatio() const {
    int layered = 0;
    int cleared = 0;
    for (const auto& cell : FCells) {
        if (!cell->IsHole() && !cell->IsColorCell()) {
            ++layered;
            cleared += cell->Kind == ckPlain ? 1 : 0;
        }
    }
    return layered == 0 ? 0.0 : static_cast<double>(cleared) / layered;
}

int TField::BoxCount() const {
    int count = 0;
    for (const auto& cell : FCells) {
        count += IsBox(cell->Element.get()) && !cell->Element->IsDying() ? 1 : 0;
    }
    return count;
}

bool TField::BoxMayAppear() const {
    return ClearedRatio() > 0.8 && !FHost.BoxCountReached() && BoxCount() == 0 &&
           !FHost.SubLevelCompleteQueued();
}

TCell* TField::PickBoxCell() const {
    const bool any = std::any_of(FCells.begin(), FCells.end(),
                                 [](const auto& cell) { return cell->BoxDropPoint && !cell->Element; });
    if (!any) {
        return nullptr;
    }
    while (true) {
        const int r = static_cast<int>(Random(static_cast<uint32_t>(RowCount)));
        const int c = static_cast<int>(Random(static_cast<uint32_t>(ColCount)));
        if (Cell(r, c).BoxDropPoint) {
            return &Cell(r, c);
        }
    }
}

bool TField::LayersCleared() const {
    return std::none_of(FCells.begin(), FCells.end(),
                        [](const auto& cell) { return cell->HasBrickLayers(); });
}

bool TField::IsSublevelComplete() const {
    if (!LayersCleared()) {
        return false;
    }
    if (FHost.BoxCountReached()) {
        return true;
    }
    int need = FHost.BoxQuota() - FHost.BoxesCounted();
    for (int c = FirstCol; c <= LastCol; ++c) {
        for (int r = FirstRow; r <= LastRow; ++r) {
            const TCell& cell = Cell(r, c);
            if (cell.IsHole() || !cell.HoldsBox()) {
                continue;
            }
            // A box is as good as collected when it rests on the bottom, through holes and a
            // stack of boxes; one held up by a marble is not, as nothing may move it once input
            // stops for the sublevel's end.
            bool resting = true;
            for (int below = r + 1; below <= LastRow && resting; ++below) {
                const TCell& under = Cell(below, c);
                resting = under.IsHole() || under.HoldsBox();
            }
            need -= resting ? 1 : 0;
        }
    }
    return need == 0;
}

void TField::ClearElements() {
    FireBalls.clear();
    for (const auto& cell : FCells) {
        cell->Element.reset();
    }
    PendingSpecials.clear();
    ProcessingSwaps.clear();
    SpecialsBeforeMatching.clear();
}

void TField::ClearColorCells() {
    for (const auto& cell : FCells) {
        if (cell->IsColorCell()) {
            cell->Kind = ckPlain;
        }
    }
}

void TField::MoveEverything(int targetY) {
    for (const auto& cell : FCells) {
        if (cell->Element) {
            const TGIntPoint from = CellCentre(*cell);
            cell->Element->MoveTo(from, {from.X, targetY}, 0.003);
        }
    }
}

void TField::DropAllOut() {
    MoveEverything(700);
}

void TField::FlyAllUp() {
    MoveEverything(-100);
}

void TField::Shake(double duration) {
    ShakeTime = duration;
}

// ---- per frame ----

void TField::StepShake() {
    if (ShakeTime <= 0.0) {
        ShakeDX = 0.0;
        ShakeDY = 0.0;
        return;
    }
    const double step = FHost.GameClock().Step;
    if (ShakeTick <= 0.0) {
        ShakeDX = RandomFloat() * 10.0 - 5.0;
        ShakeDY = RandomFloat() * 10.0 - 5.0;
        ShakeTick = 0.01;
    }
    ShakeTime -= step;
    ShakeTick -= step;
}

void TField::Draw() {
    StepShake();
    if (!Active) {
        for (const TFieldListener& listener : Listeners) {
            if (listener.ReplacementDraw) {
                listener.ReplacementDraw();
            }
        }
        return;
    }
    TGGraphicsDevice* device = FHost.Device();
    double savedX = 0.0;
    double savedY = 0.0;
    if (device) {
        savedX = device->State.ViewOffsetX;
        savedY = device->State.ViewOffsetY;
        device->State.ViewOffsetX += ShakeDX;
        device->State.ViewOffsetY += ShakeDY;
    }
    BeforeDrawCells();
    for (const auto& cell : FCells) {
        cell->Draw(FieldX, FieldY);
    }
    for (const auto& cell : FCells) {
        if (cell->Element) {
            cell->Element->Draw();
        }
    }
    if (device) {
        device->State.ViewOffsetX = savedX;
        device->State.ViewOffsetY = savedY;
    }
    // Index loop: a handler may add a listener while the list is walked.
    for (size_t i = 0; i < Listeners.size(); ++i) {
        if (Listeners[i].AfterDraw) {
            Listeners[i].AfterDraw();
        }
    }
    DrawScorePopups();
    DrawEffects();
}

void TField::DrawScorePopups() {
    for (const PGAnimotion& popup : ScorePopups) {
        if (FHost.ResManager()) {
            popup->Render(true);
        } else {
            popup->UpdateByTimer();
        }
    }
    std::erase_if(ScorePopups, [](const PGAnimotion& popup) { return popup->IsFinished(); });
}

void TField::DrawEffects() {
    for (size_t i = 0; i < Effects.size();) {
        if (Effects[i]->Draw()) {
            ++i;
        } else {
            Effects.erase(Effects.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

void TField::UpdateFireBalls() {
    for (size_t i = 0; i < FireBalls.size(); ++i) {
        FireBalls[i]->Update();
    }
    std::erase_if(FireBalls, [](const std::unique_ptr<TFireBall>& ball) { return ball->IsDone(); });
}

// ---- lists ----

void TField::AddEffect(std::unique_ptr<IFieldEffect> effect) {
    Effects.push_back(std::move(effect));
}

void TField::AddFireBall(std::unique_ptr<TFireBall> ball) {
    FireBalls.push_back(std::move(ball));
}

void TField::AddProcessingSwap(TCell& a, TCell& b) {
    ProcessingSwaps.push_back({&a, &b});
}

void TField::RemoveProcessingSwap(TCell& a, TCell& b) {
    std::erase_if(ProcessingSwaps, [&](const TProcessingSwap& s) { return s.A == &a && s.B == &b; });
}

void TField::AddSpecialBeforeMatching(TSpecial& special) {
    SpecialsBeforeMatching.push_back(&special);
}

void TField::RemoveSpecialBeforeMatching(TSpecial& special) {
    std::erase(SpecialsBeforeMatching, &special);
}

void TField::AddListener(TFieldListener listener) {
    Listeners.push_back(std::move(listener));
}

void TField::RemoveListener(const void* owner) {
    for (TFieldListener& listener : Listeners) {
        if (listener.Owner == owner) {
            listener = TFieldListener{};
        }
    }
}

// ---- questions ----

bool TField::HasLockedElement() const {
    return std::any_of(FCells.begin(), FCells.end(),
                       [](const auto& cell) { return cell->Element && cell->Element->IsLocked(); });
}

bool TField::HasEmptyOrDyingCell() const {
    return std::any_of(FCells.begin(), FCells.end(), [](const auto& cell) {
        return !cell->IsHole() && (!cell->Element || cell->Element->IsDying());
    });
}

bool TField::HasSpecial() const {
    return std::any_of(FCells.begin(), FCells.end(),
                       [](const auto& cell) { return dynamic_cast<const TSpecial*>(cell->Element.get()); });
}

bool TField::HasDyingElement() const {
    return std::any_of(FCells.begin(), FCells.end(),
                       [](const auto& cell) { return cell->Element && cell->Element->IsDying(); });
}

bool TField::IsEmpty() const {
    return std::none_of(FCells.begin(), FCells.end(),
                        [](const auto& cell) { return cell->Element != nullptr; });
}

bool TField::HasLineSpecialMarble() const {
    return std::any_of(FCells.begin(), FCells.end(), [](const auto& cell) {
        return !cell->IsHole() && dynamic_cast<const TMarbleWithLineEffect*>(cell->Element.get()) != nullptr;
    });
}

bool TField::HasWildChameleon() const {
    return std::any_of(FCells.begin(), FCells.end(), [](const auto& cell) {
        return dynamic_cast<const TMarbleWildChameleon*>(cell->Element.get()) != nullptr;
    });
}

TCell* TField::FindMarbleBelowBox() const {
    auto box = std::find_if(FCells.begin(), FCells.end(),
                            [](const auto& cell) { return IsBox(cell->Element.get()); });
    if (box == FCells.end()) {
        return nullptr;
    }
    TCell* firstMarble = nullptr;
    for (int r = (*box)->Row + 1; r <= LastRow; ++r) {
        TCell& cell = Cell(r, (*box)->Col);
        if (!cell.Marble()) {
            continue;
        }
        if (cell.HasBrickLayers()) {
            return &cell;
        }
        firstMarble = firstMarble ? firstMarble : &cell;
    }
    return firstMarble;
}

} // namespace qm
