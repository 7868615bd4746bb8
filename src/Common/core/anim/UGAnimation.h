#pragma once

#include <cstddef>
#include <vector>

namespace qm {

// A key of the widget manager's key-frame animation.
struct TGKey {
    double Time = 0.0;
    double Value = 0.0;
};

// The key-frame animation the widget manager keeps. Nothing reads or drives it; it holds its keys
// sorted by time and nothing more.
class TGAnimation {
public:
    void AddKey(const TGKey& key);
    int KeyCount() const { return static_cast<int>(FKeys.size()); }
    const TGKey& Key(int index) const { return FKeys.at(static_cast<size_t>(index)); }
    void Clear() { FKeys.clear(); }

private:
    std::vector<TGKey> FKeys;
};

} // namespace qm
