#pragma once

#include "UGGraphicsDevice.h"
#include "UGRenderBackend.h"

#include <cstdint>
#include <vector>

namespace qm {

// 32-bit ARGB pixels in memory, rows top first, packed.
class TGSoftwareSurface {
public:
    TGSoftwareSurface() = default;
    TGSoftwareSurface(int width, int height, uint32_t fill = 0);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    uint32_t Pixel(int x, int y) const { return FPixels[Index(x, y)]; }
    void SetPixel(int x, int y, uint32_t argb) { FPixels[Index(x, y)] = argb; }
    const std::vector<uint32_t>& Pixels() const { return FPixels; }
    std::vector<uint32_t>& Pixels() { return FPixels; }

private:
    size_t Index(int x, int y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(FWidth) + static_cast<size_t>(x);
    }

    int FWidth = 0;
    int FHeight = 0;
    std::vector<uint32_t> FPixels;
};

// A decoded 24-bit frame: blue, green, red bytes per pixel, rows top first without padding.
struct TGBgrFrameView {
    int Width = 0;
    int Height = 0;
    const uint8_t* Pixels = nullptr;
};

// The frame's colours, every pixel opaque.
TGSoftwareSurface SurfaceFromBgr(const TGBgrFrameView& frame);
// Alpha from the frame's blue channel (a grey mask's level), colour black.
TGSoftwareSurface AlphaSurfaceFromBgr(const TGBgrFrameView& frame);
// Takes red, green and blue from `color` and keeps the mask's alpha; the sizes must agree.
void CombineColor(TGSoftwareSurface& mask, const TGSoftwareSurface& color);
// The source of an atlas fragment: the colour frame, with the alpha frame's grey as alpha when
// there is one (alpha.Pixels not null).
TGSoftwareSurface ComposeFrame(const TGBgrFrameView& color, const TGBgrFrameView& alpha);

// The art's colour key: pixels of exactly this colour are never copied into an atlas.
constexpr uint32_t ColorKeyRgb = 0xFF00FF;
inline bool IsColorKey(uint32_t argb) {
    return (argb & 0xFFFFFF) == ColorKeyRgb;
}

// The texel of a colour in an atlas format: A8R8G8B8 keeps every bit, A4R4G4B4 the top four
// bits of each channel, A1R5G5B5 the top bit of alpha and the top five of each colour.
uint32_t ConvertPixel(uint32_t argb, int format);

// A software view of a locked rectangle of a texture: Bits is the texel of (OriginX, OriginY) in
// texture coordinates, rows Pitch bytes apart. Blits take texture coordinates and write only
// inside the locked rectangle; texels are stored as little-endian words of the format.
struct TGTextureMapSurface {
    uint8_t* Bits = nullptr;
    int Pitch = 0;
    int Format = pfA8R8G8B8;
    int OriginX = 0;
    int OriginY = 0;
    int Width = 0;
    int Height = 0;

    void Store(int x, int y, uint32_t argb) const;
    // The raw texel at texture coordinates (x, y).
    uint32_t Texel(int x, int y) const;
};

// Copies the source rectangle with its top-left at (x, y). The source rectangle must lie in the
// surface; colour-key pixels are skipped.
void BlitUnscaled(const TGTextureMapSurface& target, int x, int y, const TGSoftwareSurface& source,
                  const TGRect& sourceRect);
// Scales the source rectangle onto the target rectangle, each target pixel taking the source
// pixel under its centre; colour-key pixels are skipped.
void BlitStretched(const TGTextureMapSurface& target, const TGRect& targetRect,
                   const TGSoftwareSurface& source, const TGRect& sourceRect);

// Writes one sprite fragment into its atlas rectangle and the one-pixel ring around it, which
// repeats the fragment's edge pixels so that filtering at the edge samples the fragment itself.
// Colour-key pixels are skipped here too. The atlas and source rectangles must have the same
// size; the ring is cut at the texture's edges.
void WriteFragment(const PGTexture& texture, const TGRect& atlasRect, const TGSoftwareSurface& source,
                   const TGRect& sourceRect);

} // namespace qm
