#include "UCampaignAutoPlay.h"

#include "UBars.h"
#include "UCoreStates.h"
#include "UField.h"
#include "UGWidgetManager.h"
#include "UGameData.h"
#include "UGameManager.h"
#include "UGameScreen.h"

namespace qm {

namespace {

// The dialogs of the game screen that wait for the player's OK.
const char* const OkDialogs[] = {"StageCompleteDialog", "LossLifeDialog1", "LossLifeDialog2",
                                 "GameOverDialog",      "TipDialog",       "SecretMapDialog"};

} // namespace

TCampaignAutoPlay::TCampaignAutoPlay(TGameManager& manager, uint32_t seed)
    : FManager(manager), FPlayer(std::make_unique<TAutoPlayer>(*this, seed)) {}

TCampaignAutoPlay::~TCampaignAutoPlay() = default;

TGameScreen* TCampaignAutoPlay::Screen() const {
    if (FManager.ScreenState != TScreenState::Game || FManager.ScreenPending()) {
        return nullptr;
    }
    auto* screen = dynamic_cast<TGameScreen*>(FManager.GameScreenView());
    return screen && screen->IsVisible() ? screen : nullptr;
}

void TCampaignAutoPlay::Step(double seconds) {
    TGameScreen* screen = Screen();
    if (!screen) {
        FDialogShownFor = 0.0;
        return;
    }
    if (screen->ModalDialogOpen()) {
        CloseDialogs(*screen, seconds);
        return;
    }
    FDialogShownFor = 0.0;
    FPlayer->Step(seconds);
}

// Pressing OK runs what the dialog's button runs.
void TCampaignAutoPlay::CloseDialogs(TGameScreen& screen, double seconds) {
    FDialogShownFor += seconds;
    if (FDialogShownFor < DialogSeconds) {
        return;
    }
    FDialogShownFor = 0.0;
    for (const char* name : OkDialogs) {
        if (!screen.IsDialogVisible(name)) {
            continue;
        }
        for (TGWidgetIterator it(&screen); it.Current(); it.Next()) {
            if (it.Current()->Name == name) {
                if (TGWidget* ok = it.Current()->FindChild("OkBtn"); ok && ok->OnClick) {
                    ok->OnClick(*ok);
                }
                return;
            }
        }
    }
}

TField& TCampaignAutoPlay::Field() const {
    return *FManager.CurrentField();
}

bool TCampaignAutoPlay::AcceptsMove() const {
    TGameScreen* screen = Screen();
    if (!screen || screen->IsBusy() || screen->Paused() || screen->ModalDialogOpen()) {
        return false;
    }
    const TGameStateQueue& queue = FManager.Queue();
    auto* wait = queue.FindExact<TWaitState>();
    return wait && queue.Count() == 1 && !wait->IsInputBlocked() && Field().IsStable() &&
           FManager.TimeBar().State() == TTimeBar::Running;
}

bool TCampaignAutoPlay::MessageShown() const {
    TGameScreen* screen = Screen();
    return !screen || screen->ModalDialogOpen();
}

bool TCampaignAutoPlay::ShuffleReady() const {
    const TGameStateQueue& queue = FManager.Queue();
    return Screen() && FManager.ShuffleBar().IsFull() && Field().IsStable() && !BoardBusy(queue) &&
           !SublevelEnding(queue);
}

void TCampaignAutoPlay::PressShuffle() {
    if (TGameScreen* screen = Screen()) {
        screen->ShuffleClick();
    }
}

void TCampaignAutoPlay::ClickAt(int x, int y) {
    TGWidgetManager& widgets = GetWidgetManager(FManager.Data());
    widgets.MouseMove(x, y);
    widgets.MouseDown(0);
    widgets.MouseUp(0);
}

} // namespace qm
