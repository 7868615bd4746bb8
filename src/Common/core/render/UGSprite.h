#pragma once

#include "UGGraphicsDevice.h"

#include <memory>
#include <string>
#include <vector>

namespace qm {

class TGTexturePack;
class TGTaggedReader;
class TGTaggedWriter;
struct TGImage24;

// A rectangle in drawing units: left, top, right, bottom.
struct TGRectD {
    double Left = 0.0;
    double Top = 0.0;
    double Right = 0.0;
    double Bottom = 0.0;
};

// One piece of a sprite: where it lies in the sprite and where its pixels lie in an atlas.
struct TGSpriteFragment {
    TGRect SpriteRect;
    TGRect AtlasRect;
    int TextureIndex = 0;
};

// One image frame ready to draw. Its pixels live in one or more rectangles (fragments) of the
// atlas textures of a texture pack; a sprite larger than one atlas texture is split into
// texture-sized fragments, each one draw call.
class TGSprite {
public:
    // A sprite in a shared pack. An aligned sprite starts a texture of its own at its top-left
    // and must fit into one texture ("Sprite too large" otherwise).
    TGSprite(TGGraphicsDevice& device, int width, int height, TGTexturePack& pack, bool aligned);
    // A sprite with a render-target pack of its own (widget snapshots).
    TGSprite(TGGraphicsDevice& device, int width, int height, int textureWidth, int textureHeight,
             int format);
    // A sprite read from a bundle record; the shared pack was read before it.
    TGSprite(TGGraphicsDevice& device, TGTexturePack& pack, TGTaggedReader& reader);
    ~TGSprite();
    TGSprite(const TGSprite&) = delete;
    TGSprite& operator=(const TGSprite&) = delete;

    void WriteToBundle(TGTaggedWriter& writer) const;

    // Writes the pixels: colour frame, optional grey alpha frame (blue channel). Magenta
    // pixels of the colour frame stay transparent.
    void SetImage(const TGImage24& color, const TGImage24* alpha);

    int FragmentCount() const { return static_cast<int>(FFragments.size()); }
    const TGSpriteFragment& Fragment(int index) const { return FFragments.at(static_cast<size_t>(index)); }
    int GetTextureMap() const;
    TGRect GetTextureMapRect() const;
    TGTexturePack& Pack() const { return *FPack; }

    int PixelWidth() const { return FWidth; }
    int PixelHeight() const { return FHeight; }
    // Size in drawing units.
    double Width() const;
    double Height() const;

    // A colour whose alpha byte is 0 draws nothing. Angles are radians, clockwise on screen.
    void DrawAt(uint32_t color, uint8_t blendMode, double x, double y) const;
    void DrawPart(const TGRectD& source, uint32_t color, double x, double y, uint8_t blendMode) const;
    void DrawTransformed(TGPointD pivot, TGPointD scale, double x, double y, double angle, uint32_t color,
                         uint8_t blendMode) const;
    void DrawEx(TGPointD pivot, TGPointD scale, double x, double y, double angle, const TGRectD& source,
                uint32_t color, uint8_t blendMode) const;
    // Sprite pixel (a, b) of the source rectangle goes to P + (a U + b V - (0.5, 0.5)) / scale.
    void DrawOnAxes(TGPointD p, TGPointD u, TGPointD v, const TGRectD* source, uint32_t color,
                    uint8_t blendMode) const;

private:
    void CreateFragments(bool aligned);
    TGRectD WholeSource() const;

    TGGraphicsDevice& FDevice;
    int FWidth = 0;
    int FHeight = 0;
    TGTexturePack* FPack = nullptr;
    std::unique_ptr<TGTexturePack> FOwnPack;
    std::vector<TGSpriteFragment> FFragments;
};

// A named, ordered list of sprites: the frames of one image file.
class TGSequence {
public:
    explicit TGSequence(std::string name);
    TGSequence(TGGraphicsDevice& device, TGTexturePack& pack, TGTaggedReader& reader);
    ~TGSequence();

    void WriteToBundle(TGTaggedWriter& writer) const;

    const std::string& Name() const { return FName; }
    void Add(std::unique_ptr<TGSprite> sprite);
    int Count() const { return static_cast<int>(FSprites.size()); }
    // Raises "TGSequence.GetSprite: SeqId: <name>, SpriteIdx: <index>" outside the range.
    TGSprite& GetSprite(int index) const;
    // The first sprite's size in drawing units; an empty sequence has none (error).
    double GetWidth() const;
    double GetHeight() const;

private:
    std::string FName;
    std::vector<std::unique_ptr<TGSprite>> FSprites;
};

} // namespace qm
