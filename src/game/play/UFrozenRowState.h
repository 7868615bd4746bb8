#pragma once

// The frozen row: frost forms on the cells of a row outward from where the freeze started, and
// every cell is struck when its frost breaks. A game state of its own so that the board counts as
// busy until the last frost has gone; it draws through a field listener, after the cells.

#include "UGAnimotion.h"
#include "UGameStateQueue.h"

#include <memory>
#include <vector>

namespace qm {

class TCell;
class TField;
class TSimpleElement;
class TCellIce;

class TFrozenRowState : public TGameState {
public:
    struct TFrozenCell {
        TCell* Cell = nullptr;
        // Locked while its frost stands; null for an empty cell.
        TSimpleElement* Element = nullptr;
        int Distance = 0;
        std::unique_ptr<TCellIce> Ice;
        bool Struck = false;
    };

    // `source`: the kind the struck cells are hit with; `range`: how many cells to each side.
    TFrozenRowState(TGameStateQueue& queue, TField& field, int source, int range, int col, int row);
    ~TFrozenRowState() override;

    bool Initialize() override;
    void Finalize(bool removed) override;
    std::string GetName() const override { return "TFrozenRowState"; }

    int Source = 0;
    int Range = 0;
    int Col = 0;
    int Row = 0;
    // 1.0 for a short row, 0.7 from 9 cells on, so that long rows do not keep the player waiting.
    double Speed = 1.0;
    std::vector<TFrozenCell> Cells;

private:
    void CollectCells();
    void StartIce();
    void StartRunner(const char* sequence, int cellsToEnd, const TCell& end);
    // Every frame after the cells: the ices form, break and strike.
    void DrawAfterCells();
    void Unlock();

    TField& FField;
    std::vector<PGAnimotion> FRunners;
    bool FListening = false;
};

} // namespace qm
