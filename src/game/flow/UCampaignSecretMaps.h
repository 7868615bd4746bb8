#pragma once

// The campaign's secret maps: the map of the player's current secret-map number, its pieces and
// pictures, the game screen's map dialog, and the way to the puzzle screen.

#include "UGXMLNode.h"
#include "USecretMapPlay.h"

#include <functional>
#include <string>

namespace qm {

class TGameManager;
class TGWidget;

class TCampaignSecretMaps : public ISecretMapPlay {
public:
    static constexpr const char* Dialog = "SecretMapDialog";
    static constexpr const char* OkButton = "OkBtn";
    static constexpr const char* FoundSound = "Colored Cell";
    // The map frame's top lies this far below the dialog's top.
    static constexpr double MapTop = 140.0;

    explicit TCampaignSecretMaps(TGameManager& manager) : FManager(manager) {}

    int MapPieces() const override;
    int PiecesFound() const override;
    void PieceFound() override;
    bool SecretLevelWon() const override;
    std::string PieceSequence(int index) const override;
    TGPointD PieceTarget(int index) const override;
    std::string MapPictureSequence() const override;
    TGPointD MapOrigin() const override;
    void LoadMapResources() override;

    void ShowMapDialog(bool lastPiece) override;
    void HideMapDialog() override;
    bool MapDialogVisible() const override;
    bool MapDialogInEffect() const override;
    void SetMapDialogOverlay(std::function<void()> draw) override;

    void OpenPuzzleScreen() override;

    // The "SecretMap" element the player assembles now; none once every configured map is done.
    PGXMLNode MapNode() const;
    // "levels/secretmaps/NN/", NN the number of that map in two digits.
    std::string MapFolder() const;

private:
    TGWidget* DialogWidget() const;
    // The size of frame 0 of a sequence; nothing for a sequence that is not there.
    TGPointD SequenceSize(const std::string& name) const;

    TGameManager& FManager;
    std::function<void()> FOverlay;
};

} // namespace qm
