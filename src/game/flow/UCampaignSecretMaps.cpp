#include "UCampaignSecretMaps.h"

#include "UGResManager.h"
#include "UGSprite.h"
#include "UGStrings.h"
#include "UGWidget.h"
#include "UGameData.h"
#include "UGameManager.h"
#include "UPlayer.h"

namespace qm {

PGXMLNode TCampaignSecretMaps::MapNode() const {
    const int completed = FManager.Progress().SecretMapsCompleted;
    PGXMLCollection maps = FManager.Data().GameConfig->GetCollection("SecretMap");
    if (completed < 0 || static_cast<size_t>(completed) >= maps->Count()) {
        return nullptr;
    }
    return maps->GetItem(static_cast<size_t>(completed));
}

std::string TCampaignSecretMaps::MapFolder() const {
    return Format("levels/secretmaps/%02d/", FManager.Progress().SecretMapsCompleted + 1);
}

int TCampaignSecretMaps::MapPieces() const {
    PGXMLNode map = MapNode();
    return map ? static_cast<int>(map->GetCollection("Piece")->Count()) : 0;
}

int TCampaignSecretMaps::PiecesFound() const {
    return FManager.Progress().PiecesFound;
}

void TCampaignSecretMaps::PieceFound() {
    FManager.Player().PieceFound();
    FManager.TraceEvent(Format("piece-found %d of %d", PiecesFound(), MapPieces()));
}

bool TCampaignSecretMaps::SecretLevelWon() const {
    return FManager.Progress().SecretLevelWon != 0;
}

std::string TCampaignSecretMaps::PieceSequence(int index) const {
    return MapFolder() + "piece" + std::to_string(index + 1);
}

std::string TCampaignSecretMaps::MapPictureSequence() const {
    return MapFolder() + "MapPart";
}

TGPointD TCampaignSecretMaps::SequenceSize(const std::string& name) const {
    TGResManager& resources = *FManager.Data().ResManager;
    if (!resources.HasSeq(name)) {
        return {0.0, 0.0};
    }
    const TGSprite& sprite = resources.GetSeq(name).GetSprite(0);
    return {static_cast<double>(sprite.PixelWidth()), static_cast<double>(sprite.PixelHeight())};
}

// The frame is centred across the dialog; without the dialog on screen the map sits at the
// screen's corner.
TGPointD TCampaignSecretMaps::MapOrigin() const {
    const TGWidget* dialog = DialogWidget();
    if (!dialog) {
        return {0.0, 0.0};
    }
    const TGPointD frame = SequenceSize(MapFolder() + "ramk");
    return {dialog->AbsX() + (dialog->Width() - frame.X) / 2.0, dialog->AbsY() + MapTop};
}

// Raises the configuration's error for a piece without its place.
TGPointD TCampaignSecretMaps::PieceTarget(int index) const {
    PGXMLNode map = MapNode();
    PGXMLCollection pieces = map->GetCollection("Piece");
    const IGXMLNode& piece = *pieces->GetItem(static_cast<size_t>(index));
    const TGPointD origin = MapOrigin();
    const TGPointD size = SequenceSize(PieceSequence(index));
    return {origin.X + piece.GetFloat("X") + size.X / 2.0, origin.Y + piece.GetFloat("Y") + size.Y / 2.0};
}

void TCampaignSecretMaps::LoadMapResources() {
    TGResManager& resources = *FManager.Data().ResManager;
    const std::string set = Format("SecretMap%02d", FManager.Progress().SecretMapsCompleted + 1);
    if (resources.HasResourceDef(set)) {
        resources.LoadResource(set);
    }
}

TGWidget* TCampaignSecretMaps::DialogWidget() const {
    IGameScreenView* view = FManager.GameScreenView();
    return view ? view->FindWidget(Dialog) : nullptr;
}

// The dialog closes with its button until the map is complete; then the map's picture closes it.
void TCampaignSecretMaps::ShowMapDialog(bool lastPiece) {
    if (TGWidget* dialog = DialogWidget()) {
        if (TGWidget* ok = dialog->FindChild(OkButton)) {
            ok->SetVisible(!lastPiece);
        }
    }
    FManager.ShowDialog(Dialog, [this] {
        if (PiecesFound() < MapPieces()) {
            HideMapDialog();
        }
    });
    FManager.PlaySound(FoundSound);
}

void TCampaignSecretMaps::HideMapDialog() {
    FManager.HideDialog(Dialog);
}

bool TCampaignSecretMaps::MapDialogVisible() const {
    return FManager.IsDialogVisible(Dialog);
}

bool TCampaignSecretMaps::MapDialogInEffect() const {
    const TGWidget* dialog = DialogWidget();
    return dialog && dialog->IsInEffect();
}

void TCampaignSecretMaps::SetMapDialogOverlay(std::function<void()> draw) {
    FOverlay = std::move(draw);
    if (TGWidget* dialog = DialogWidget()) {
        dialog->OnAfterDraw = [this](TGWidget&) {
            if (FOverlay) {
                FOverlay();
            }
        };
    }
}

void TCampaignSecretMaps::OpenPuzzleScreen() {
    FManager.WorkZoneLive = false;
    FManager.ShowPuzzleScreen();
}

} // namespace qm
