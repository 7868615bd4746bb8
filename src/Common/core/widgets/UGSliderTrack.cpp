#include "UGSliderTrack.h"

#include <algorithm>

namespace qm {

double TGSliderTrack::Clamp(double offset) const {
    return std::clamp(offset, std::min(Start, End), std::max(Start, End));
}

double TGSliderTrack::ValueAt(double offset) const {
    if (End == Start) {
        return Min;
    }
    return Min + (Max - Min) * (offset - Start) / (End - Start);
}

double TGSliderTrack::OffsetOf(double value) const {
    if (Max == Min) {
        return Start;
    }
    return Clamp(Start + (End - Start) * (value - Min) / (Max - Min));
}

} // namespace qm
