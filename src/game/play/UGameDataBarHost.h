#pragma once

// The part of a bar host that the game data answers alone: the engine's services, the bonus
// configuration and the time bar's frost. Whoever owns the bars (the game manager, a play scene)
// derives from it and adds what it knows of the player and the state queue.

#include "UBars.h"
#include "UBonusStates.h"

#include <memory>

namespace qm {

class TGameData;

class TGameDataBarHost : public IBarHost {
public:
    explicit TGameDataBarHost(TGameData& data);

    const TGameEnvironment& Env() const override;
    TGTimer& GameClock() override;
    TGResManager* ResManager() override;
    TGGraphicsDevice* Device() override;
    // "FreezeTime" of the time-line-freeze bonus; 10 seconds when the configuration has none.
    double FreezeTime() const override;
    std::unique_ptr<ITimeBarIce> CreateTimeBarIce(double seconds) override;
    // The bonus button's looks as the configuration names them.
    std::string BonusMainSeq(int kind) const override { return FLooks.Main(kind); }
    std::string BonusGraySeq(int kind) const override { return FLooks.Gray(kind); }
    std::string BonusFillSeq(int kind) const override { return FLooks.Fill(kind); }

private:
    TGameData& FBarData;
    TSpecialLooks FLooks;
};

} // namespace qm
