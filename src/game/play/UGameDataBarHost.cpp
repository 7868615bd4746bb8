#include "UGameDataBarHost.h"

#include "UBonusStates.h"
#include "UGameData.h"
#include "UIce.h"

namespace qm {

namespace {

constexpr double DefaultFreezeSeconds = 10.0;

} // namespace

TGameDataBarHost::TGameDataBarHost(TGameData& data) : FBarData(data), FLooks(data.GameConfig.get()) {}

const TGameEnvironment& TGameDataBarHost::Env() const {
    return *FBarData.Environment;
}

TGTimer& TGameDataBarHost::GameClock() {
    return *FBarData.GameClock;
}

TGResManager* TGameDataBarHost::ResManager() {
    return FBarData.ResManager.get();
}

TGGraphicsDevice* TGameDataBarHost::Device() {
    return FBarData.Device.get();
}

double TGameDataBarHost::FreezeTime() const {
    const PGXMLNode node = BonusNodeOfKind(*FBarData.GameConfig, bkTimeLineFreeze);
    return node ? node->GetFloatDef("FreezeTime", DefaultFreezeSeconds) : DefaultFreezeSeconds;
}

std::unique_ptr<ITimeBarIce> TGameDataBarHost::CreateTimeBarIce(double seconds) {
    return std::make_unique<TTimeBarIce>(TParticleEnv::Of(FBarData), seconds);
}

} // namespace qm
