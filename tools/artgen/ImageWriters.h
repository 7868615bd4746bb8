#pragma once

// Writers for the picture formats Cairo cannot write itself: indexed GIF (stills and looping
// animations) and JPEG. Both give the same bytes for the same pixels on every run.

#include "ArtGenerator.h"
#include "ArtPalette.h"

#include <cstdint>
#include <string>
#include <vector>

namespace artgen {

// An opaque picture: red, green, blue bytes per pixel, rows top first, no padding.
struct TRgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels;
};

struct TRgb8 {
    uint8_t R;
    uint8_t G;
    uint8_t B;
};

using TGifPalette = std::vector<TRgb8>;

// The surface's pixels laid over `background` wherever they are not fully opaque. The surface
// stays the caller's.
TRgbImage ImageFromSurface(cairo_surface_t* surface, const TColor& background = palette::Night);

// A rectangle cut out of a picture; it must lie inside.
TRgbImage CropImage(const TRgbImage& image, int x, int y, int width, int height);

// At most 256 colours for all the given pictures together, so that pictures meant to be shown
// side by side (a background and the animation drawn into it) agree on every colour they share.
TGifPalette BuildGifPalette(const std::vector<const TRgbImage*>& images);

// Replaces every pixel by a palette colour. Colours the palette holds exactly stay as they are;
// the others get an ordered dither, so that gradients do not break into bands. The pattern is
// keyed to the pixel's place in this picture: dither a whole scene before cutting parts out of
// it, and the parts join it without a seam.
void DitherToPalette(TRgbImage& image, const TGifPalette& colours);

// Writes the frames under the data folder as one GIF with the given palette. One frame gives a
// still picture; several give an endless animation, each frame shown `delay` hundredths of a
// second. All frames have the size of the first.
void WriteGif(const TArtContext& context, const std::string& relative, const std::vector<TRgbImage>& frames,
              const TGifPalette& colours, int delay = 10);

// Writes the surface under the data folder as a baseline JPEG and frees it; transparent parts
// are laid over `background`.
void WriteJpeg(const TArtContext& context, const std::string& relative, cairo_surface_t* surface,
               int quality = 90, const TColor& background = palette::Night);

} // namespace artgen
