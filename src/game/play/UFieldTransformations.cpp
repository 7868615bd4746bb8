#include "UFieldTransformations.h"

#include "UCoreStates.h"
#include "UField.h"
#include "UGError.h"
#include "UGSprite.h"
#include "UGTimer.h"
#include "UGWidget.h"
#include "UGameEnvironment.h"
#include "UPlayHost.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

const char* const BlockSequence = "elements/Block";
const char* const TransformationSound = "FieldTransformation";
// Held with any other key, it ends the transformation at once for the developer.
constexpr int EndTransformationKey = 'E';
constexpr double Pi = 3.14159265358979323846;

TField& FieldOf(const TGameStateQueue& queue) {
    TField* field = queue.Field();
    if (!field) {
        throw EGError("TGameState.Field", "no field is in play");
    }
    return *field;
}

void FadeInUsedCells(TField& field) {
    for (int r = field.FirstRow; r <= field.LastRow; ++r) {
        for (int c = field.FirstCol; c <= field.LastCol; ++c) {
            field.Cell(r, c).StartFadeIn();
        }
    }
}

// Quadrants 0 and 2 are the upper half, 0 and 1 the left half.
int QuadrantOf(int row, int col, int halfRows, int halfCols) {
    const bool upper = row < halfRows;
    const bool left = col < halfCols;
    if (upper) {
        return left ? 0 : 2;
    }
    return left ? 1 : 3;
}

TGPointD CentreOf(const TField& field, int row, int col) {
    const TGIntPoint centre = field.CellToScreen(row, col, true);
    return {static_cast<double>(centre.X), static_cast<double>(centre.Y)};
}

// A row of a quadrant starts after this share of the row length; rows past the table (boards
// larger than ten cells) keep the last step.
double RowDelay(int rowInQuadrant) {
    const auto& factors = TFieldRotateState::RowDelayFactors;
    const size_t index = std::min(static_cast<size_t>(rowInQuadrant), factors.size() - 1);
    return TRotateLine::LengthSeconds * factors[index];
}

} // namespace

// ---- TShowHideFieldLayerState ----

bool TShowHideFieldLayerState::Initialize() {
    TGameState::Initialize();
    if (!FHide) {
        FadeInUsedCells(FieldOf(Queue()));
    }
    return true;
}

void TShowHideFieldLayerState::UpdateHelper() {
    TGameState::UpdateHelper();
    if (FieldOf(Queue()).IsStable()) {
        Finish();
    }
}

// ---- TFieldRotateState ----

TFieldRotateState::TFieldRotateState(TGameStateQueue& queue, TBoardChange change)
    : TGameState(queue), FChange(std::move(change)) {
    if (FChange.Current.RowCount() != FChange.Next.RowCount() ||
        FChange.Current.ColumnCount() != FChange.Next.ColumnCount()) {
        throw EGError("constructor TFieldRotateState.Create");
    }
    if (FChange.Current == FChange.Next) {
        Finish();
    }
    if (IPlayManager* manager = queue.GameManager()) {
        manager->EvictTexturesAfterFrame();
    }
}

TFieldRotateState::~TFieldRotateState() {
    if (FListening) {
        if (TField* field = Queue().Field()) {
            field->RemoveListener(this);
        }
    }
}

bool TFieldRotateState::Initialize() {
    IPlayManager* manager = GameManager();
    if (manager && manager->IsQueued(TOtherState::ShowHideFieldLayer)) {
        return false;
    }
    TGameState::Initialize();
    TField& field = FieldOf(Queue());
    field.SetActive(false);
    if (!BuildTiles(field, field.Host().RandomFlip() ? 1 : 2)) {
        // A board that cannot be cut into quadrants changes without the animation.
        Finish();
        return true;
    }
    TFieldListener listener;
    listener.Owner = this;
    listener.ReplacementDraw = [this] { DrawTiles(); };
    field.AddListener(std::move(listener));
    FListening = true;
    if (manager) {
        manager->PlaySound(TransformationSound);
    }
    return true;
}

bool TFieldRotateState::BuildTiles(const TField& field, int variant) {
    const int rows = FChange.Current.RowCount();
    const int cols = FChange.Current.ColumnCount();
    if (rows != field.RowCount || cols != field.ColCount || rows < 2 || cols < 2 || rows % 2 != 0 ||
        cols % 2 != 0) {
        return false;
    }
    FVariant = variant;
    BuildSet(field, true);
    BuildSet(field, false);
    return true;
}

void TFieldRotateState::BuildSet(const TField& field, bool outgoing) {
    std::array<TRotateQuadrant, 4>& set = outgoing ? FOutgoing : FIncoming;
    const TCellsStructsArr& layout = outgoing ? FChange.Current : FChange.Next;
    const int halfRows = layout.RowCount() / 2;
    const int halfCols = layout.ColumnCount() / 2;
    for (int q = 0; q < 4; ++q) {
        TRotateQuadrant& quadrant = set[static_cast<size_t>(q)];
        quadrant.Delay = QuadrantDelays[static_cast<size_t>(q)];
        quadrant.Lines.assign(static_cast<size_t>(halfRows), TRotateLine{});
        for (int i = 0; i < halfRows; ++i) {
            TRotateLine& line = quadrant.Lines[static_cast<size_t>(i)];
            line.Delay = RowDelay(i);
            line.Reversed = FVariant == 1 ? (q == 2 || q == 3) : (q == 1 || q == 3);
        }
    }
    for (int r = 0; r < layout.RowCount(); ++r) {
        for (int c = 0; c < layout.ColumnCount(); ++c) {
            if (layout.At(r, c).LayerCount == lcHole) {
                continue;
            }
            const int q = QuadrantOf(r, c, halfRows, halfCols);
            TRotateLine& line = set[static_cast<size_t>(q)].Lines[static_cast<size_t>(r % halfRows)];
            line.Tiles.push_back(MakeTile(field, r, c, outgoing));
        }
    }
}

// The old layout folds toward the board's outer edges, the new one unfolds from the middle.
// Variant 1 works on the left and right half of each row, variant 2 on the upper and lower half
// of each column.
TRotateTile TFieldRotateState::MakeTile(const TField& field, int row, int col, bool outgoing) const {
    const bool alongRows = FVariant == 1;
    const int length = alongRows ? FChange.Next.ColumnCount() : FChange.Next.RowCount();
    const int half = length / 2;
    const int position = alongRows ? col : row;
    const bool firstHalf = position < half;
    auto cellAt = [&](int index) {
        return alongRows ? CentreOf(field, row, index) : CentreOf(field, index, col);
    };
    TRotateTile tile;
    if (outgoing) {
        // The first cell of the half-line, from the outer edge inward, that the next layout
        // keeps; the middle of the board when the next layout has none there.
        int collapse = half;
        for (int step = 0; step < half; ++step) {
            const int index = firstHalf ? step : length - 1 - step;
            const TCellStruct& next = alongRows ? FChange.Next.At(row, index) : FChange.Next.At(index, col);
            if (next.LayerCount != lcHole) {
                collapse = index;
                break;
            }
        }
        tile.From = cellAt(position);
        tile.To = cellAt(collapse);
    } else {
        tile.From = cellAt(firstHalf ? half - 1 : half);
        tile.To = cellAt(position);
    }
    return tile;
}

void TFieldRotateState::UpdateHelper() {
    TGameState::UpdateHelper();
    if (Status() != ssRunning) {
        return;
    }
    const double dt = FieldOf(Queue()).Host().GameClock().Step;
    const bool outgoingPlaying = StepSet(FOutgoing, true, dt);
    const bool incomingPlaying = StepSet(FIncoming, false, dt);
    if (!outgoingPlaying && !incomingPlaying) {
        Finish();
    }
}

bool TFieldRotateState::StepSet(std::array<TRotateQuadrant, 4>& set, bool outgoing, double dt) {
    bool playing = false;
    for (TRotateQuadrant& quadrant : set) {
        if (quadrant.Delay > 0.0) {
            quadrant.Delay -= dt;
            for (const TRotateLine& line : quadrant.Lines) {
                playing = playing || !line.Tiles.empty();
            }
            continue;
        }
        for (TRotateLine& line : quadrant.Lines) {
            for (TRotateTile& tile : line.Tiles) {
                if (tile.Released) {
                    continue;
                }
                if (line.Delay > 0.0) {
                    // An outgoing tile shows its first frame while it waits; an incoming one
                    // is not there yet.
                    tile.Started = tile.Started || outgoing;
                    playing = true;
                    continue;
                }
                tile.Started = true;
                tile.Time = std::min(line.Length, tile.Time + dt);
                if (tile.Time < line.Length) {
                    playing = true;
                } else if (outgoing) {
                    tile.Released = true;
                }
            }
            line.Delay -= dt;
        }
    }
    return playing;
}

void TFieldRotateState::KeyDown(int key, const TGInputState& input) {
    IPlayManager* manager = GameManager();
    if (Status() == ssRunning && manager && manager->IsDeveloperUser() &&
        (key == EndTransformationKey || input.IsKeyDown(EndTransformationKey))) {
        Finish();
    }
}

void TFieldRotateState::DrawTiles() const {
    DrawSet(FOutgoing, true);
    DrawSet(FIncoming, false);
}

void TFieldRotateState::DrawSet(const std::array<TRotateQuadrant, 4>& set, bool outgoing) const {
    const TField& field = FieldOf(Queue());
    TGSequence* block = field.Host().FindSeq(BlockSequence);
    if (!block || block->Count() == 0) {
        return;
    }
    const int frames = static_cast<int>(block->Count());
    // Along the rows the block flips about its upright axis, along the columns about the level one.
    const double angle = FVariant == 1 ? 0.0 : Pi / 2;
    for (const TRotateQuadrant& quadrant : set) {
        for (const TRotateLine& line : quadrant.Lines) {
            for (const TRotateTile& tile : line.Tiles) {
                if (!tile.Started || tile.Released) {
                    continue;
                }
                const double progress = line.Length > 0.0 ? tile.Time / line.Length : 1.0;
                int frame = std::min(frames - 1, static_cast<int>(progress * frames));
                if (!line.Reversed) {
                    frame = frames - 1 - frame;
                }
                // Outgoing tiles fold away, incoming ones unfold: the same flip, played the other way.
                if (!outgoing) {
                    frame = frames - 1 - frame;
                }
                const TGSprite& sprite = block->GetSprite(static_cast<size_t>(frame));
                const double x = tile.From.X + (tile.To.X - tile.From.X) * progress;
                const double y = tile.From.Y + (tile.To.Y - tile.From.Y) * progress;
                const double w = sprite.PixelWidth();
                const double h = sprite.PixelHeight();
                sprite.DrawTransformed({x, y}, {1.0, 1.0}, x - w / 2.0, y - h / 2.0, angle, 0xFFFFFFFF,
                                       bmDefault);
            }
        }
    }
}

void TFieldRotateState::Finalize(bool removed) {
    TGameState::Finalize(removed);
    if (FListening) {
        FieldOf(Queue()).RemoveListener(this);
        FListening = false;
    }
    IPlayManager* manager = GameManager();
    if (manager) {
        manager->SetLevelAndSubLevel(FChange.Level, FChange.SubLevel);
    }
    // The manager may have made the board anew; ask for it again.
    TField& board = FieldOf(Queue());
    board.SetActive(true);
    FadeInUsedCells(board);
    board.ClearElements();
    Queue().Push<TShowHideFieldLayerState>(false);
    Queue().Push<TDropNewElementsState>(true);
    if (manager) {
        manager->RestartTimeBar();
    }
}

} // namespace qm
