#pragma once

// The match-3 board: a rectangle of cells, each of which may hold one element. The field finds
// and removes matches, lets elements fall, refills empty cells, collects boxes and draws itself
// with its short-lived effects. It has no time line of its own: the play states call it frame by
// frame.

#include "UElements.h"
#include "ULevels.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class IPlayHost;
class TField;
class TFireBall;

// What a cell of the board is; the values are those of the level records' layer counts.
enum TCellKind : int {
    ckHole = 0,
    ckPlain = 1,
    ckOneLayer = 2,
    ckTwoLayers = 3,
    ckColorCell = 4,
};

class TCell {
public:
    TCell(TField& field, int row, int col) : Row(row), Col(col), FField(&field) {}

    void Reset();
    // Every field except the element.
    std::unique_ptr<TCell> Clone() const;
    bool IsReady() const { return Ready && !FadingIn && !FadingOut; }
    // The element when it is a marble of any kind.
    TMarble* Marble() const;
    void SetElement(std::unique_ptr<TSimpleElement> element) { Element = std::move(element); }
    void SetKind(int kind) { Kind = kind; }
    void StartFadeIn();
    void StartFadeOut();
    // Source 0 is a match; any other value is the kind of the special or bonus that struck.
    void Hit(int source, bool force);
    void Draw(int originX, int originY);

    TField& Field() const { return *FField; }

    bool IsHole() const { return Kind <= ckHole; }
    bool HasBrickLayers() const { return Kind == ckOneLayer || Kind == ckTwoLayers; }
    bool IsColorCell() const { return Kind == ckColorCell; }
    // The cell's element is a box.
    bool HoldsBox() const;

    int Row = 0;
    int Col = 0;
    // A TCellKind: a hole, a plain cell, one or two brick layers left, or a colour cell.
    int Kind = ckHole;
    bool BoxDropPoint = false;
    std::unique_ptr<TSimpleElement> Element;
    int CellColor = 0;
    int ColorFrom = 0;
    int ColorTo = 0;
    double ColorTimer = 0.0;
    bool Visible = true;
    bool OverlayOn = true;
    int Alpha = 255;
    bool Ready = true;
    bool FadingOut = false;
    bool FadingIn = false;
    double FadeOutTimer = 0.0;
    double FadeInTimer = 0.0;
    char PresetMarble = '0';
    bool PresetBox = false;
    char PresetSpecial = '0';
    int OriginX = 0;
    int OriginY = 0;

private:
    void AdvanceFade();
    void AdvanceColorCycle();
    void DrawOverlay(int x, int y);

    TField* FField;
};

// A particle effect running on the board; the field advances, draws and frees it.
class IFieldEffect {
public:
    virtual ~IFieldEffect() = default;
    // Advances by the game clock and draws; false once the effect is over.
    virtual bool Draw() = 0;
};

// A copy of every cell with a copy of its element: one step of the undo of the puzzle screen.
// Its elements are copies; freeing them leaves the board alone.
struct TFieldState {
    explicit TFieldState(const TField& field);
    std::vector<std::unique_ptr<TCell>> Cells; // row-major
};

struct TPendingSpecial {
    int Row = 0;
    int Col = 0;
    std::unique_ptr<TSpecial> Special;
};

struct TProcessingSwap {
    TCell* A = nullptr;
    TCell* B = nullptr;
};

// Draw hooks of the field transformations: after the cells and elements, or in their place while
// the field is not active.
struct TFieldListener {
    const void* Owner = nullptr;
    std::function<void()> AfterDraw;
    std::function<void()> ReplacementDraw;
};

// The board as the event trace writes it, a string a row, a character a cell: "1".."8" a marble
// of that colour, "c" a chameleon, "s" a special, "b" a box, "." an empty cell, "#" no cell.
std::vector<std::string> TraceBoardRows(const TField& field);

class TField {
public:
    TField(IPlayHost& host, int rowCount, int colCount, int fieldX, int fieldY);
    virtual ~TField();
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    // ---- overridable rules ----
    // A character of MarblePool; a repeated digit is proportionally likelier.
    virtual char RandomMarble();
    virtual std::string GetMarbleSet() const { return MarbleSet; }
    // The cell holds an element that is locked, or neither idle nor selected.
    virtual bool IsCellBusy(const TCell& cell) const;
    virtual bool IsCellBlocked(const TCell& cell) const;
    virtual void CollectBox(TCell& cell);
    virtual void AddPendingSpecial(int row, int col, int kind);
    virtual std::string BoxSpriteName(int boxKind) const;
    virtual void BeforeDrawCells() {}
    virtual void Refill(bool avoidMatches);

    // Sets every cell from a sublevel's records: reset, box-drop point, colour, kind and the
    // presets, in that order. Elements stay; the next refill applies the presets. Records of
    // another size raise an error naming both sizes.
    void ApplyCellRecords(const TCellsStructsArr& records);

    // ---- cells and coordinates ----
    // A range error outside the array; callers check InField first.
    TCell& Cell(int row, int col) const;
    bool InField(int row, int col) const;
    // The cell under a screen point, or null.
    TCell* CellAt(int x, int y) const;
    TGIntPoint CellToScreen(int row, int col, bool centred) const;
    TGIntPoint CellCentre(const TCell& cell) const { return CellToScreen(cell.Row, cell.Col, true); }

    // ---- matching ----
    bool FindMatches(bool stopAtFirst, bool quickTest, TCell* cellA = nullptr, TCell* cellB = nullptr,
                     bool settledOnly = false);
    bool HasPossibleMove(TCell*& cellA, TCell*& cellB);
    // Every swap of two neighbours (the lower or the right one second) that would make a line,
    // tried with the quick test, in reading order until `visit` returns false. The board is
    // left as it was.
    void ForEachPossibleMove(const std::function<bool(TCell&, TCell&)>& visit);
    bool MatchesThroughCell(TCell& cell);
    bool HasHorizontalLineAt(const TCell& cell) const;
    void ShowPoints(int pointsKind, int row, int col);

    // ---- the board's life ----
    bool IsStable() const;
    void RemoveDeadElements();
    void PackColumns(bool& blocked);
    bool ApplyPreset(TCell& cell);
    void CreateNewElement(TCell& cell, bool avoidMatches);
    void PasteBoxInCell(TCell& cell);
    void CollectBoxes();
    double ClearedRatio() const;
    int BoxCount() const;
    bool BoxMayAppear() const;
    TCell* PickBoxCell() const;
    bool LayersCleared() const;
    bool IsSublevelComplete() const;
    void ClearElements();
    void ClearColorCells();
    void DropAllOut();
    void FlyAllUp();
    void Shake(double duration);
    void SetActive(bool active) { Active = active; }

    // ---- per frame ----
    void Draw();
    // Steps the fireballs and frees those that are done.
    void UpdateFireBalls();

    // ---- lists ----
    void AddEffect(std::unique_ptr<IFieldEffect> effect);
    void AddFireBall(std::unique_ptr<TFireBall> ball);
    void AddProcessingSwap(TCell& a, TCell& b);
    void RemoveProcessingSwap(TCell& a, TCell& b);
    void AddSpecialBeforeMatching(TSpecial& special);
    void RemoveSpecialBeforeMatching(TSpecial& special);
    void AddListener(TFieldListener listener);
    // Blanks the owner's record; the list keeps its length while drawing walks it.
    void RemoveListener(const void* owner);

    // ---- questions ----
    bool HasLockedElement() const;
    bool HasEmptyOrDyingCell() const;
    bool HasSpecial() const;
    bool HasDyingElement() const;
    bool IsEmpty() const;
    // A marble with a line, cross-fire or diagonal strike on a cell of the board.
    bool HasLineSpecialMarble() const;
    bool HasWildChameleon() const;
    // Below the first box in reading order: the first marble on a layered cell of its column,
    // else the first marble at all; null without a box or a marble below it.
    TCell* FindMarbleBelowBox() const;

    IPlayHost& Host() const { return FHost; }

    int RowCount = 0;
    int ColCount = 0;
    int FirstRow = 0;
    int LastRow = -1;
    int FirstCol = 0;
    int LastCol = -1;
    std::vector<TPendingSpecial> PendingSpecials;
    TCell* SwapCells[2] = {nullptr, nullptr};
    std::vector<TProcessingSwap> ProcessingSwaps;
    std::vector<TSpecial*> SpecialsBeforeMatching;
    std::vector<PGAnimotion> ScorePopups;
    bool Active = true;
    int FieldX = 0;
    int FieldY = 0;
    int ComboCount = 0;
    std::vector<std::unique_ptr<TFireBall>> FireBalls;
    std::vector<TFieldListener> Listeners;
    double ShakeTime = 0.0;
    double ShakeDX = 0.0;
    double ShakeDY = 0.0;
    double ShakeTick = 0.0;
    std::string MarbleSet;
    std::string MarblePool;
    std::vector<std::unique_ptr<IFieldEffect>> Effects;
    // The undo stack; only the puzzle screen's field pushes onto it.
    std::vector<std::unique_ptr<TFieldState>> SavedStates;

protected:
    IPlayHost& FHost;

private:
    struct TGroups;

    bool IsMatchable(int row, int col, bool settledOnly) const;
    bool CellsMatch(int r1, int c1, int r2, int c2, bool settledOnly) const;
    bool TripleAt(int row, int col, int dRow, int dCol, bool settledOnly) const;
    bool QuickTest(bool settledOnly) const;
    void BuildGroups(TGroups& groups, bool settledOnly) const;
    void ResolveWildChameleons(bool settledOnly);
    void RemoveGroup(const std::vector<TCell*>& group);
    bool LinesUp(const TCell& cell, char color) const;
    int LineThrough(const TCell& cell, char color) const;
    char LeastLiningColor(const TCell& cell);
    bool ScoreMultiplierOn() const;
    bool MarbleOfColorAt(int row, int col, char color) const;
    void MoveEverything(int targetY);
    void StepShake();
    void DrawScorePopups();
    void DrawEffects();

    std::vector<std::unique_ptr<TCell>> FCells;
};

} // namespace qm
