#include "UPlayStandIns.h"

#include <algorithm>

namespace qm {

void TWorkZone::LaunchBricks(int count, int x, int y) {
    for (int i = 0; i < count; ++i) {
        FBricks.push_back(std::make_unique<TBrick>(FHost, true, x, y));
        FBricks.back()->SetVisible(!FFlyingHidden);
    }
}

void TWorkZone::SetBricksInFlightHidden(bool hidden) {
    FFlyingHidden = hidden;
    for (const auto& brick : FBricks) {
        if (brick->State() == TBrick::Flying) {
            brick->SetVisible(!hidden);
        }
    }
}

void TWorkZone::UpdateAndDraw() {
    std::stable_sort(FBricks.begin(), FBricks.end(),
                     [](const auto& a, const auto& b) { return a->Depth() < b->Depth(); });
    for (const auto& brick : FBricks) {
        brick->UpdateAndDraw();
    }
    std::erase_if(FBricks, [](const auto& brick) { return brick->State() == TBrick::Finished; });
}

size_t TWorkZone::BricksInFlight() const {
    return static_cast<size_t>(std::count_if(
        FBricks.begin(), FBricks.end(), [](const auto& brick) { return brick->State() == TBrick::Flying; }));
}

} // namespace qm
