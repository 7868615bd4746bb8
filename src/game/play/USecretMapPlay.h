#pragma once

// What the secret-map states need of the game around the board: the map being assembled and its
// dialog, and the way to the puzzle screen of the secret level.

#include "UGGraphicsDevice.h"

#include <functional>
#include <string>

namespace qm {

class ISecretMapPlay {
public:
    virtual ~ISecretMapPlay() = default;

    // ---- the map being assembled ----
    // Pieces of the map the player assembles now; 0 when no map is left to assemble.
    virtual int MapPieces() const = 0;
    virtual int PiecesFound() const = 0;
    // The player counts one more piece of the map.
    virtual void PieceFound() = 0;
    // The current level's secret level has been won: a piece found leads straight on to the next
    // secret level, without the map.
    virtual bool SecretLevelWon() const = 0;
    // The sequence of a piece (from 0) and the screen point where its centre lands in the dialog.
    virtual std::string PieceSequence(int index) const = 0;
    virtual TGPointD PieceTarget(int index) const = 0;
    // The complete map picture and the screen point of its top-left corner.
    virtual std::string MapPictureSequence() const = 0;
    virtual TGPointD MapOrigin() const = 0;
    // The pictures of the current map are loaded.
    virtual void LoadMapResources() = 0;

    // ---- the map dialog ----
    // Opens the dialog; while the last piece flies in it cannot be closed.
    virtual void ShowMapDialog(bool lastPiece) = 0;
    virtual void HideMapDialog() = 0;
    virtual bool MapDialogVisible() const = 0;
    // The dialog's show or hide effect is running.
    virtual bool MapDialogInEffect() const = 0;
    // Drawn over the dialog every frame; an empty function draws nothing more.
    virtual void SetMapDialogOverlay(std::function<void()> draw) = 0;

    // ---- the secret level ----
    // The puzzle screen takes over; the board waits as it is until play comes back.
    virtual void OpenPuzzleScreen() = 0;
};

} // namespace qm
