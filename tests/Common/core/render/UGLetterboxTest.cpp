#include "UGLetterbox.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct LetterboxCase {
    int WindowWidth, WindowHeight;
    int Left, Top, Width, Height;
};

// Worked out by hand for a drawing of 800 x 600: the largest picture of its shape on whole
// pixels, centred, the odd pixel of a bar going below or right.
TEST(Letterbox, FitsTheDrawingOnWholePixelsAndCentresIt) {
    const LetterboxCase cases[] = {
        {800, 600, 0, 0, 800, 600},       {1600, 1200, 0, 0, 1600, 1200},
        {1920, 1080, 240, 0, 1440, 1080}, {1366, 768, 171, 0, 1024, 768},
        {801, 601, 0, 0, 801, 600},       {500, 1000, 0, 312, 500, 375},
        {799, 600, 0, 0, 799, 599},       {1, 1, 0, 0, 1, 0},
    };
    for (const LetterboxCase& c : cases) {
        TGLetterbox box = ComputeLetterbox(c.WindowWidth, c.WindowHeight, 800, 600);
        EXPECT_EQ(box.Left, c.Left) << c.WindowWidth << " x " << c.WindowHeight;
        EXPECT_EQ(box.Top, c.Top) << c.WindowWidth << " x " << c.WindowHeight;
        EXPECT_EQ(box.Width, c.Width) << c.WindowWidth << " x " << c.WindowHeight;
        EXPECT_EQ(box.Height, c.Height) << c.WindowWidth << " x " << c.WindowHeight;
    }
}

// Every window pixel of the picture maps to the drawing unit whose span of pixels holds its
// centre; the mapping never skips a unit when the picture is larger than the drawing.
TEST(Letterbox, PixelsOfThePictureMapToConsecutiveUnits) {
    for (auto [width, height] : {std::pair{1920, 1080}, std::pair{1024, 768}, std::pair{1000, 1000}}) {
        TGLetterbox box = ComputeLetterbox(width, height, 800, 600);
        int last = -1;
        for (int px = box.Left; px < box.Left + box.Width; ++px) {
            int x = 0;
            int y = 0;
            box.ToDrawingUnits(px + 0.5, box.Top + 0.5, 800, 600, x, y);
            ASSERT_TRUE(x == last || x == last + 1) << "pixel " << px << " of " << width << " x " << height;
            EXPECT_EQ(y, 0);
            last = x;
        }
        EXPECT_EQ(last, 799);
    }
}

} // namespace
} // namespace qm
