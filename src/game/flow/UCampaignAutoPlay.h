#pragma once

// The automatic player in the campaign: on the game screen it plays the board as a person does
// (clicks through the widget manager) and closes the screen's dialogs once they have been up a
// moment; elsewhere the stand-in screens press their own buttons.

#include "UAutoPlayer.h"

#include <cstdint>
#include <memory>

namespace qm {

class TGameManager;
class TGameScreen;

class TCampaignAutoPlay : public IAutoPlayTarget {
public:
    // A dialog over the board is closed after this long.
    static constexpr double DialogSeconds = 1.0;

    TCampaignAutoPlay(TGameManager& manager, uint32_t seed);
    ~TCampaignAutoPlay() override;

    // Once a frame, with the game clock's step.
    void Step(double seconds);

    // ---- IAutoPlayTarget ----
    TField& Field() const override;
    bool AcceptsMove() const override;
    bool MessageShown() const override;
    bool ShuffleReady() const override;
    void PressShuffle() override;
    void ClickAt(int x, int y) override;

    const TAutoPlayer& Player() const { return *FPlayer; }

private:
    // The game screen while it is the screen on show; null elsewhere.
    TGameScreen* Screen() const;
    void CloseDialogs(TGameScreen& screen, double seconds);

    TGameManager& FManager;
    std::unique_ptr<TAutoPlayer> FPlayer;
    double FDialogShownFor = 0.0;
};

} // namespace qm
