#include "UGTimer.h"

#include <algorithm>

namespace qm {

TGTimer::TGTimer(IGTickSource& ticks, double speed)
    : LastTick(static_cast<uint32_t>(ticks.NowMs())), Speed(speed), FTicks(ticks) {}

void TGTimer::UpdateStep(bool active) {
    uint32_t now = static_cast<uint32_t>(FTicks.NowMs());
    int32_t elapsedMs = static_cast<int32_t>(now - LastTick);
    double elapsed = std::max(0, elapsedMs) * 0.001;
    double step = std::min(elapsed, MaxStep) * Speed;
    Step = (active && !Paused) ? step : 0.0;
    LastTick = now;
}

} // namespace qm
