#pragma once

#include "UGGraphicsDevice.h"
#include "UGRenderBackend.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class TGTaggedReader;
class TGTaggedWriter;

// Places rectangles in one atlas texture. The free space is a grid of cut lines refined at
// every placement; each rectangle takes a footprint of its size plus the spacing, rounded up to
// the granularity, so the grid never has more lines than the placements need.
class TGRectAllocator {
public:
    // Only for reading from a bundle.
    TGRectAllocator() = default;
    TGRectAllocator(int spacing, int width, int height, int granularity);

    // First fit, top-most row first, then left-most column. The result keeps half the spacing
    // (one pixel) free on every side: left x + 1, top y + 1 of the footprint at (x, y).
    std::optional<TGRect> Place(int width, int height);

    // Adds an x (HSplit) or y (VSplit) cut line; the row or column it falls in is split and both
    // halves keep its state. A cut outside the first and last line raises the engine error.
    void SplitX(int32_t x);
    void SplitY(int32_t y);

    int Spacing() const { return FSpacing; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Granularity() const { return FGranularity; }
    int LastRow() const { return FLastRow; }
    double UsedArea() const { return FUsedArea; }
    const std::vector<int32_t>& XCuts() const { return FXCuts; }
    const std::vector<int32_t>& YCuts() const { return FYCuts; }
    // Rows follow the y cuts and columns the x cuts; cell (i, j) lies between y cuts i and i + 1
    // and x cuts j and j + 1; 1 is used.
    const std::vector<std::vector<uint8_t>>& Cells() const { return FCells; }

    void Write(TGTaggedWriter& out) const;
    // Raises the engine error for a record that does not describe a consistent grid.
    static TGRectAllocator Read(TGTaggedReader& in);

    bool operator==(const TGRectAllocator&) const = default;

private:
    bool IsFree(size_t row, size_t column, int32_t right, int32_t bottom) const;

    int FSpacing = 0;
    int FWidth = 0;
    int FHeight = 0;
    int FGranularity = 1;
    int FLastRow = 0;
    double FUsedArea = 0.0;
    std::vector<int32_t> FXCuts;
    std::vector<int32_t> FYCuts;
    std::vector<std::vector<uint8_t>> FCells;
};

struct TGPackPlacement {
    int TextureIndex = 0;
    TGRect Rect;
    bool operator==(const TGPackPlacement&) const = default;
};

struct TGPackLogEntry {
    bool NewTexture = false;
    int TextureIndex = 0;
    TGRect Rect;
    bool operator==(const TGPackLogEntry&) const = default;
};

// A growing list of equally sized atlas textures, each with its allocator. Every placement is
// logged; a pack read from a bundle hands the logged placements out again, in order, so that
// sprites placed again in the same order land where their texels already are.
class TGTexturePack {
public:
    static constexpr int DefaultSpacing = 2;
    static constexpr int Granularity = 4;
    static constexpr int DefaultTextureSize = 256;

    // A wanted size of 0 in either direction means the default for both; sizes are raised to a
    // power of two. No texture is made until the first placement.
    TGTexturePack(TGGraphicsDevice& device, bool renderTarget, int format, int wantedWidth, int wantedHeight);
    TGTexturePack(const TGTexturePack&) = delete;
    TGTexturePack& operator=(const TGTexturePack&) = delete;

    // An existing texture with room is preferred unless forceNewTexture; a rectangle larger
    // than the usable size raises "TGTexturePack.NewRect failed".
    TGPackPlacement NewRect(int width, int height, bool forceNewTexture);

    int Format() const { return FFormat; }
    int Spacing() const { return FSpacing; }
    bool IsRenderTarget() const { return FRenderTarget; }
    int TextureWidth() const { return FTextureWidth; }
    int TextureHeight() const { return FTextureHeight; }
    int UsableWidth() const { return FTextureWidth - FSpacing; }
    int UsableHeight() const { return FTextureHeight - FSpacing; }

    int TextureCount() const { return static_cast<int>(FTextures.size()); }
    const PGTexture& Texture(int index) const;
    const TGRectAllocator& Allocator(int index) const;
    TGLockedRect Lock(int index, const TGRect* rect, bool writable);
    void Unlock(int index);

    const std::vector<TGPackLogEntry>& Log() const { return FLog; }
    size_t ReplayCursor() const { return FReplayCursor; }

    // Writes every texture as base + two-digit index + ".bmp", a 32-bit bitmap; only A8R8G8B8
    // textures can be exported.
    void ExportMaps(const std::string& base) const;

    void Write(TGTaggedWriter& out) const;
    // Replaces everything by the record: the textures are created again and receive their
    // stored texel rows; the log is replayed from its start by the next placements. The pack is
    // unchanged when the record is damaged.
    void Read(TGTaggedReader& in);

private:
    struct TGAtlas {
        PGTexture Texture;
        TGRectAllocator Allocator;
    };

    TGAtlas& AtlasAt(int index, const char* context);
    const TGAtlas& AtlasAt(int index, const char* context) const;
    TGAtlas NewAtlas() const;

    TGGraphicsDevice& FDevice;
    int FFormat;
    int FSpacing = DefaultSpacing;
    bool FRenderTarget;
    int FTextureWidth = DefaultTextureSize;
    int FTextureHeight = DefaultTextureSize;
    std::vector<TGAtlas> FTextures;
    std::vector<TGPackLogEntry> FLog;
    size_t FReplayCursor = 0;
};

} // namespace qm
