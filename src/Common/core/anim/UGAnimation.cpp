#include "UGAnimation.h"

#include <algorithm>

namespace qm {

void TGAnimation::AddKey(const TGKey& key) {
    auto after = std::upper_bound(FKeys.begin(), FKeys.end(), key.Time,
                                  [](double time, const TGKey& existing) { return time < existing.Time; });
    FKeys.insert(after, key);
}

} // namespace qm
