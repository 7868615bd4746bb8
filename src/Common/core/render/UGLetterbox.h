#pragma once

namespace qm {

// Where the drawing sits in a window of another size: as large as fits with its shape kept,
// centred, on whole pixels, rows counted from the top. The renderer blits into it and the
// window maps the mouse back through it, so the two never disagree by a pixel.
struct TGLetterbox {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;

    // The drawing unit shown at a point of the window given in pixels (the centre of pixel
    // (i, j) is (i + 0.5, j + 0.5)). Points in the bars give units outside the drawing.
    void ToDrawingUnits(double x, double y, int drawingWidth, int drawingHeight, int& unitX,
                        int& unitY) const;
};

TGLetterbox ComputeLetterbox(int windowWidth, int windowHeight, int drawingWidth, int drawingHeight);

} // namespace qm
