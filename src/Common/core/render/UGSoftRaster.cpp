#include "UGSoftRaster.h"
#include "UGError.h"
#include "UGStrings.h"

#include <algorithm>

namespace qm {

namespace {

void CheckFrame(const TGBgrFrameView& frame, const char* context) {
    if (frame.Width < 0 || frame.Height < 0 ||
        (frame.Pixels == nullptr && frame.Width > 0 && frame.Height > 0)) {
        throw EGError(context, Format("invalid %dx%d frame", frame.Width, frame.Height));
    }
}

bool Inside(const TGRect& rect, int width, int height) {
    return rect.Left >= 0 && rect.Top >= 0 && rect.Left <= rect.Right && rect.Top <= rect.Bottom &&
           rect.Right <= width && rect.Bottom <= height;
}

bool Contains(const TGRect& rect, int x, int y) {
    return x >= rect.Left && x < rect.Right && y >= rect.Top && y < rect.Bottom;
}

// The pixels of `ring` outside `inner` take the source pixel of the nearest inner pixel. A
// scaled copy onto the enlarged rectangle would not do: scaling n pixels onto n + 2 shifts the
// samples along the sides, so the ring beside an edge pixel would show one of its neighbours.
void WriteRing(const TGTextureMapSurface& target, const TGRect& ring, const TGRect& inner,
               const TGSoftwareSurface& source, const TGRect& sourceRect) {
    int left = std::max(ring.Left, target.OriginX);
    int top = std::max(ring.Top, target.OriginY);
    int right = std::min(ring.Right, target.OriginX + target.Width);
    int bottom = std::min(ring.Bottom, target.OriginY + target.Height);
    for (int ty = top; ty < bottom; ++ty) {
        int sy = sourceRect.Top + std::clamp(ty - inner.Top, 0, inner.Height() - 1);
        for (int tx = left; tx < right; ++tx) {
            if (Contains(inner, tx, ty)) {
                continue;
            }
            int sx = sourceRect.Left + std::clamp(tx - inner.Left, 0, inner.Width() - 1);
            uint32_t pixel = source.Pixel(sx, sy);
            if (!IsColorKey(pixel)) {
                target.Store(tx, ty, pixel);
            }
        }
    }
}

void CheckSourceRect(const TGSoftwareSurface& source, const TGRect& rect, const char* context) {
    if (!Inside(rect, source.Width(), source.Height())) {
        throw EGError(context,
                      Format("source rectangle (%d, %d, %d, %d) outside the %dx%d surface", rect.Left,
                             rect.Top, rect.Right, rect.Bottom, source.Width(), source.Height()));
    }
}

} // namespace

TGSoftwareSurface::TGSoftwareSurface(int width, int height, uint32_t fill)
    : FWidth(width), FHeight(height),
      FPixels(static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0)), fill) {
    if (width < 0 || height < 0) {
        throw EGError("TGSoftwareSurface.Create", Format("invalid size %dx%d", width, height));
    }
}

TGSoftwareSurface SurfaceFromBgr(const TGBgrFrameView& frame) {
    CheckFrame(frame, "TGSoftwareSurface.FromFrame");
    TGSoftwareSurface surface(frame.Width, frame.Height);
    const uint8_t* bgr = frame.Pixels;
    for (uint32_t& pixel : surface.Pixels()) {
        pixel = 0xFF000000u | (uint32_t{bgr[2]} << 16) | (uint32_t{bgr[1]} << 8) | bgr[0];
        bgr += 3;
    }
    return surface;
}

TGSoftwareSurface AlphaSurfaceFromBgr(const TGBgrFrameView& frame) {
    CheckFrame(frame, "TGSoftwareSurface.FromAlphaFrame");
    TGSoftwareSurface surface(frame.Width, frame.Height);
    const uint8_t* bgr = frame.Pixels;
    for (uint32_t& pixel : surface.Pixels()) {
        pixel = uint32_t{bgr[0]} << 24;
        bgr += 3;
    }
    return surface;
}

void CombineColor(TGSoftwareSurface& mask, const TGSoftwareSurface& color) {
    if (mask.Width() != color.Width() || mask.Height() != color.Height()) {
        throw EGError("TGSoftwareSurface.Combine", Format("a %dx%d mask for a %dx%d image", mask.Width(),
                                                          mask.Height(), color.Width(), color.Height()));
    }
    std::vector<uint32_t>& out = mask.Pixels();
    const std::vector<uint32_t>& in = color.Pixels();
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = (out[i] & 0xFF000000u) | (in[i] & 0x00FFFFFFu);
    }
}

TGSoftwareSurface ComposeFrame(const TGBgrFrameView& color, const TGBgrFrameView& alpha) {
    TGSoftwareSurface surface = SurfaceFromBgr(color);
    if (alpha.Pixels == nullptr) {
        return surface;
    }
    TGSoftwareSurface mask = AlphaSurfaceFromBgr(alpha);
    CombineColor(mask, surface);
    return mask;
}

uint32_t ConvertPixel(uint32_t argb, int format) {
    uint32_t a = argb >> 24;
    uint32_t r = (argb >> 16) & 0xFF;
    uint32_t g = (argb >> 8) & 0xFF;
    uint32_t b = argb & 0xFF;
    switch (format) {
    case pfA8R8G8B8:
        return argb;
    case pfA4R4G4B4:
        return ((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4);
    case pfA1R5G5B5:
        return ((a >> 7) << 15) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    default:
        throw EGError("TGSoftRaster.ConvertPixel", Format("invalid pixel format %d", format));
    }
}

void TGTextureMapSurface::Store(int x, int y, uint32_t argb) const {
    uint32_t texel = ConvertPixel(argb, Format);
    int bytes = BytesPerPixel(Format);
    uint8_t* at =
        Bits + static_cast<ptrdiff_t>(y - OriginY) * Pitch + static_cast<ptrdiff_t>(x - OriginX) * bytes;
    for (int i = 0; i < bytes; ++i) {
        at[i] = static_cast<uint8_t>(texel >> (8 * i));
    }
}

uint32_t TGTextureMapSurface::Texel(int x, int y) const {
    int bytes = BytesPerPixel(Format);
    const uint8_t* at =
        Bits + static_cast<ptrdiff_t>(y - OriginY) * Pitch + static_cast<ptrdiff_t>(x - OriginX) * bytes;
    uint32_t texel = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        texel = (texel << 8) | at[i];
    }
    return texel;
}

void BlitUnscaled(const TGTextureMapSurface& target, int x, int y, const TGSoftwareSurface& source,
                  const TGRect& sourceRect) {
    CheckSourceRect(source, sourceRect, "TGSoftRaster.BlitUnscaled");
    int left = std::max(x, target.OriginX);
    int top = std::max(y, target.OriginY);
    int right = std::min(x + sourceRect.Width(), target.OriginX + target.Width);
    int bottom = std::min(y + sourceRect.Height(), target.OriginY + target.Height);
    for (int ty = top; ty < bottom; ++ty) {
        for (int tx = left; tx < right; ++tx) {
            uint32_t pixel = source.Pixel(sourceRect.Left + tx - x, sourceRect.Top + ty - y);
            if (!IsColorKey(pixel)) {
                target.Store(tx, ty, pixel);
            }
        }
    }
}

void BlitStretched(const TGTextureMapSurface& target, const TGRect& targetRect,
                   const TGSoftwareSurface& source, const TGRect& sourceRect) {
    CheckSourceRect(source, sourceRect, "TGSoftRaster.BlitStretched");
    int64_t targetWidth = targetRect.Width();
    int64_t targetHeight = targetRect.Height();
    if (targetWidth <= 0 || targetHeight <= 0 || sourceRect.Width() <= 0 || sourceRect.Height() <= 0) {
        return;
    }
    int left = std::max(targetRect.Left, target.OriginX);
    int top = std::max(targetRect.Top, target.OriginY);
    int right = std::min(targetRect.Right, target.OriginX + target.Width);
    int bottom = std::min(targetRect.Bottom, target.OriginY + target.Height);
    for (int ty = top; ty < bottom; ++ty) {
        // The source row under the centre of the target row: (dy + 1/2) * sourceHeight / targetHeight.
        int64_t dy = ty - targetRect.Top;
        int sy = sourceRect.Top + static_cast<int>((2 * dy + 1) * sourceRect.Height() / (2 * targetHeight));
        for (int tx = left; tx < right; ++tx) {
            int64_t dx = tx - targetRect.Left;
            int sx =
                sourceRect.Left + static_cast<int>((2 * dx + 1) * sourceRect.Width() / (2 * targetWidth));
            uint32_t pixel = source.Pixel(sx, sy);
            if (!IsColorKey(pixel)) {
                target.Store(tx, ty, pixel);
            }
        }
    }
}

void WriteFragment(const PGTexture& texture, const TGRect& atlasRect, const TGSoftwareSurface& source,
                   const TGRect& sourceRect) {
    const char* context = "TGSoftRaster.WriteFragment";
    if (!texture) {
        throw EGError(context, "no texture");
    }
    if (atlasRect.Width() != sourceRect.Width() || atlasRect.Height() != sourceRect.Height() ||
        !Inside(atlasRect, texture->Width(), texture->Height())) {
        throw EGError(context,
                      Format("atlas rectangle (%d, %d, %d, %d) does not take source (%d, %d, %d, %d)",
                             atlasRect.Left, atlasRect.Top, atlasRect.Right, atlasRect.Bottom,
                             sourceRect.Left, sourceRect.Top, sourceRect.Right, sourceRect.Bottom));
    }
    CheckSourceRect(source, sourceRect, context);
    if (atlasRect.Width() == 0 || atlasRect.Height() == 0) {
        return;
    }
    TGRect ring{atlasRect.Top - 1, atlasRect.Left - 1, atlasRect.Right + 1, atlasRect.Bottom + 1};
    TGRect locked{std::max(ring.Top, 0), std::max(ring.Left, 0), std::min(ring.Right, texture->Width()),
                  std::min(ring.Bottom, texture->Height())};
    TGLockGuard lock(*texture, true, &locked);
    const TGLockedRect& bits = lock.Locked;
    TGTextureMapSurface target{bits.Bits,  bits.Pitch,     texture->Format(), locked.Left,
                               locked.Top, locked.Width(), locked.Height()};
    WriteRing(target, ring, atlasRect, source, sourceRect);
    BlitUnscaled(target, atlasRect.Left, atlasRect.Top, source, sourceRect);
}

} // namespace qm
