#pragma once

namespace qm {

// Where a scroll bar's slider may run (pixel offsets along the bar's axis) and the range of
// values it stands for: the slider at Start means Min, at End means Max.
struct TGSliderTrack {
    double Start = 0.0;
    double End = 0.0;
    double Min = 0.0;
    double Max = 10.0;

    // The value of a slider offset; Min on a track of no length.
    double ValueAt(double offset) const;
    // The offset that shows a value, within the track; a range of one value (Max = Min, as an
    // edit box whose text fits sets it) puts the slider at the start.
    double OffsetOf(double value) const;
    double Clamp(double offset) const;
};

} // namespace qm
