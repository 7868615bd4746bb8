#pragma once

// The secret maps on the board: a blasted colour cell sends a piece of the level's secret map
// flying into the map dialog, the complete map shows its picture, and the board makes way for
// the puzzle screen of the secret level until play comes back to it.

#include "UGAnimotion.h"
#include "UGGraphicsDevice.h"
#include "UGameStateQueue.h"

#include <string>

namespace qm {

class ISecretMapPlay;

// Whether a state of one of the kinds the core states ask the manager about is in the queue.
bool OtherStateQueued(const TGameStateQueue& queue, TOtherState state);

class TColorCellBlastState : public TGameState {
public:
    // The piece flies from the cell to its place in the dialog, the glow a little longer.
    static constexpr double PieceFlightSeconds = 1.5;
    static constexpr double GlowFlightSeconds = 2.0;
    static constexpr double FramesPerSecond = 25.0;
    static constexpr int MinStars = 30;
    static constexpr int MaxStars = 50;
    // Channels of the piece animotion: the glow on the glow's flight, the piece on its own.
    static constexpr int GlowChannel = 0;
    static constexpr int GlowFlightChannel = 1;
    static constexpr int PieceChannel = 2;
    static constexpr int PieceFlightChannel = 3;

    // Starts at a screen point, the centre of the blasted cell.
    TColorCellBlastState(TGameStateQueue& queue, double x, double y);
    ~TColorCellBlastState() override;

    bool Initialize() override;
    void UpdateHelper() override;
    void Finalize(bool removed) override;
    void ScreenAttached() override;
    std::string GetName() const override { return "ColorCellBlastState"; }

    double X() const { return FX; }
    double Y() const { return FY; }
    // The piece that flies, from 0, read when the blast starts; -1 when none flies.
    int Piece() const { return FPiece; }
    bool Arrived() const { return FArrived; }
    const PGAnimotion& PieceAnimotion() const { return FPieceAnimotion; }
    const PGAnimotion& StarsAnimotion() const { return FStars; }

private:
    // One blast at a time, and none while a map shows or the way to the secret level runs: each
    // blast then reads its own piece.
    bool OtherSecretWorkQueued() const;
    void LeaveForSecretLevel();
    void StartFlight(ISecretMapPlay& maps);
    void BuildPieceAnimotion(ISecretMapPlay& maps, TGPointD target);
    void BuildStars();
    void DrawOverDialog() const;
    void CountPiece(ISecretMapPlay& maps);

    double FX;
    double FY;
    int FPiece = -1;
    bool FArrived = false;
    bool FCounted = false;
    PGAnimotion FPieceAnimotion;
    PGAnimotion FStars;
};

// The complete map picture fades in over the dialog; then the dialog closes and the secret level
// is announced.
class TMapPartAppearState : public TGameState {
public:
    static constexpr double FadeSeconds = 0.25;

    explicit TMapPartAppearState(TGameStateQueue& queue);
    ~TMapPartAppearState() override;

    bool Initialize() override;
    void UpdateHelper() override;
    void Finalize(bool removed) override;
    std::string GetName() const override { return "TMapPartAppearState"; }

    const PGAnimotion& Picture() const { return FPicture; }

private:
    PGAnimotion FPicture;
};

// The board makes way for the puzzle screen and waits, queued, until the game screen is shown
// again and play comes back.
class TGameToPuzzleScreenState : public TGameState {
public:
    static constexpr const char* Sound = "SCL Sound";
    // The game screen's animations of the play widgets leaving and coming back.
    static constexpr const char* LeaveAnimation = "LeaveForPuzzle";
    static constexpr const char* ComeBackAnimation = "BackFromPuzzle";

    // There is never a second one: it ends at once when one is already queued.
    explicit TGameToPuzzleScreenState(TGameStateQueue& queue);
    ~TGameToPuzzleScreenState() override;

    bool Initialize() override;
    void UpdateHelper() override;
    void Finalize(bool removed) override;
    std::string GetName() const override { return "TGameToPuzzleScreenState"; }

    // The game screen is shown again after the puzzle screen.
    void ComeBack();
    bool Leaving() const { return FLeaving; }
    bool PuzzleScreenOpened() const { return FOpened; }

private:
    bool FLeaving = false;
    bool FOpened = false;
};

} // namespace qm
