#include "UGLetterbox.h"

#include <cmath>
#include <cstdint>

namespace qm {

// Integer arithmetic decides which side fills the window, so a window of exactly the
// drawing's shape gets no bar at all rather than one of a rounding error.
TGLetterbox ComputeLetterbox(int windowWidth, int windowHeight, int drawingWidth, int drawingHeight) {
    TGLetterbox box;
    if (windowWidth <= 0 || windowHeight <= 0 || drawingWidth <= 0 || drawingHeight <= 0) {
        return box;
    }
    int64_t byWidth = static_cast<int64_t>(windowWidth) * drawingHeight;
    int64_t byHeight = static_cast<int64_t>(windowHeight) * drawingWidth;
    if (byWidth <= byHeight) {
        box.Width = windowWidth;
        box.Height = static_cast<int>(byWidth / drawingWidth);
    } else {
        box.Height = windowHeight;
        box.Width = static_cast<int>(byHeight / drawingHeight);
    }
    box.Left = (windowWidth - box.Width) / 2;
    box.Top = (windowHeight - box.Height) / 2;
    return box;
}

void TGLetterbox::ToDrawingUnits(double x, double y, int drawingWidth, int drawingHeight, int& unitX,
                                 int& unitY) const {
    if (Width <= 0 || Height <= 0) {
        unitX = static_cast<int>(std::floor(x));
        unitY = static_cast<int>(std::floor(y));
        return;
    }
    unitX = static_cast<int>(std::floor((x - Left) * drawingWidth / Width));
    unitY = static_cast<int>(std::floor((y - Top) * drawingHeight / Height));
}

} // namespace qm
