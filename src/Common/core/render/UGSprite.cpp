#include "UGSprite.h"

#include "UGError.h"
#include "UGGraphicsFile.h"
#include "UGSoftRaster.h"
#include "UGStrings.h"
#include "UGTaggedStream.h"
#include "UGTexturePack.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qm {

namespace {

// The vertex layout of textured quads: position, colour, one pair of texture coordinates.
struct TTexturedVertex {
    float X, Y, Z;
    uint32_t Color;
    float U, V;
};
static_assert(sizeof(TTexturedVertex) == 24);

void WriteRect(int32_t* out, const TGRect& rect) {
    out[0] = rect.Top;
    out[1] = rect.Left;
    out[2] = rect.Right;
    out[3] = rect.Bottom;
}

TGRect ReadRect(const int32_t* in) {
    return TGRect{in[0], in[1], in[2], in[3]};
}

// Rounds to the nearest integer, ties to even, as the pixel snapping of source rectangles does.
// Source rectangles come from data (glyph positions of fonts, frames of animations), so a value
// far outside any sprite is held to a range where the cut arithmetic below cannot overflow.
int64_t RoundToEvenPixel(double value) {
    constexpr double Limit = static_cast<double>(int64_t{1} << 52);
    if (!(value > -Limit)) {
        return -(int64_t{1} << 52);
    }
    return static_cast<int64_t>(std::nearbyint(std::min(value, Limit)));
}

// A rectangle of sprite pixels, wide enough for any source rectangle.
struct TPixelRect {
    int64_t Top, Left, Right, Bottom;
};

} // namespace

TGSprite::TGSprite(TGGraphicsDevice& device, int width, int height, TGTexturePack& pack, bool aligned)
    : FDevice(device), FWidth(width), FHeight(height), FPack(&pack) {
    CreateFragments(aligned);
}

TGSprite::TGSprite(TGGraphicsDevice& device, int width, int height, int textureWidth, int textureHeight,
                   int format)
    : FDevice(device), FWidth(width), FHeight(height),
      FOwnPack(std::make_unique<TGTexturePack>(device, true, format, textureWidth, textureHeight)) {
    FPack = FOwnPack.get();
    CreateFragments(false);
}

TGSprite::TGSprite(TGGraphicsDevice& device, TGTexturePack& pack, TGTaggedReader& reader)
    : FDevice(device), FPack(&pack) {
    if (reader.ReadBoolean()) {
        FOwnPack = std::make_unique<TGTexturePack>(device, true, pfA8R8G8B8, 0, 0);
        FOwnPack->Read(reader);
        FPack = FOwnPack.get();
    }
    int32_t count = reader.ReadInteger();
    if (count < 0) {
        throw EGError("TGSprite.Read", Format("invalid fragment count %d", count));
    }
    for (int32_t i = 0; i < count; ++i) {
        int32_t values[9];
        reader.ReadRaw(values, sizeof values);
        TGSpriteFragment fragment;
        fragment.SpriteRect = ReadRect(values);
        fragment.AtlasRect = ReadRect(values + 4);
        fragment.TextureIndex = values[8];
        if (fragment.TextureIndex < 0 || fragment.TextureIndex >= FPack->TextureCount()) {
            throw EGError("TGSprite.Read", Format("fragment on texture %d of %d", fragment.TextureIndex,
                                                  FPack->TextureCount()));
        }
        FFragments.push_back(fragment);
    }
    FWidth = reader.ReadInteger();
    FHeight = reader.ReadInteger();
}

TGSprite::~TGSprite() = default;

void TGSprite::WriteToBundle(TGTaggedWriter& writer) const {
    writer.WriteBoolean(FOwnPack != nullptr);
    if (FOwnPack) {
        FOwnPack->Write(writer);
    }
    writer.WriteInteger(static_cast<int32_t>(FFragments.size()));
    for (const TGSpriteFragment& fragment : FFragments) {
        int32_t values[9];
        WriteRect(values, fragment.SpriteRect);
        WriteRect(values + 4, fragment.AtlasRect);
        values[8] = fragment.TextureIndex;
        writer.WriteRaw(values, sizeof values);
    }
    writer.WriteInteger(FWidth);
    writer.WriteInteger(FHeight);
}

void TGSprite::CreateFragments(bool aligned) {
    if (FWidth <= 0 || FHeight <= 0) {
        throw EGError("TGSprite.CreateFragments", Format("Invalid sprite size %dx%d", FWidth, FHeight));
    }
    int usableWidth = FPack->UsableWidth();
    int usableHeight = FPack->UsableHeight();
    int fragmentWidth = usableWidth;
    int fragmentHeight = usableHeight;
    if (aligned) {
        if (FWidth > usableWidth || FHeight > usableHeight) {
            throw EGError("TGSprite.CreateFragments", "Sprite too large");
        }
        fragmentWidth = FWidth;
        fragmentHeight = FHeight;
    }
    int columns = (FWidth - 1) / fragmentWidth + 1;
    int rows = (FHeight - 1) / fragmentHeight + 1;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            TGSpriteFragment fragment;
            fragment.SpriteRect.Left = column * fragmentWidth;
            fragment.SpriteRect.Top = row * fragmentHeight;
            fragment.SpriteRect.Right = std::min(FWidth, fragment.SpriteRect.Left + fragmentWidth);
            fragment.SpriteRect.Bottom = std::min(FHeight, fragment.SpriteRect.Top + fragmentHeight);
            TGPackPlacement placement =
                FPack->NewRect(fragment.SpriteRect.Width(), fragment.SpriteRect.Height(), aligned);
            fragment.AtlasRect = placement.Rect;
            fragment.TextureIndex = placement.TextureIndex;
            FFragments.push_back(fragment);
        }
    }
}

void TGSprite::SetImage(const TGImage24& color, const TGImage24* alpha) {
    if (color.Width != FWidth || color.Height != FHeight) {
        throw EGError("TGSprite.SetImage", Format("a %dx%d picture for a %dx%d sprite", color.Width,
                                                  color.Height, FWidth, FHeight));
    }
    TGBgrFrameView colorView{color.Width, color.Height, color.Pixels.data()};
    TGBgrFrameView alphaView;
    if (alpha) {
        if (alpha->Width != FWidth || alpha->Height != FHeight) {
            throw EGError("TGSprite.SetImage", Format("a %dx%d mask for a %dx%d sprite", alpha->Width,
                                                      alpha->Height, FWidth, FHeight));
        }
        alphaView = {alpha->Width, alpha->Height, alpha->Pixels.data()};
    }
    TGSoftwareSurface source = ComposeFrame(colorView, alphaView);
    for (const TGSpriteFragment& fragment : FFragments) {
        WriteFragment(FPack->Texture(fragment.TextureIndex), fragment.AtlasRect, source, fragment.SpriteRect);
    }
}

int TGSprite::GetTextureMap() const {
    if (FFragments.size() != 1) {
        throw EGError::Failed("TGSprite.GetTextureMap");
    }
    return FFragments[0].TextureIndex;
}

TGRect TGSprite::GetTextureMapRect() const {
    if (FFragments.size() != 1) {
        throw EGError::Failed("TGSprite.GetTextureMapRect");
    }
    return FFragments[0].AtlasRect;
}

double TGSprite::Width() const {
    return FWidth / FDevice.ViewportScale();
}

double TGSprite::Height() const {
    return FHeight / FDevice.ViewportScale();
}

TGRectD TGSprite::WholeSource() const {
    return TGRectD{0.0, 0.0, Width(), Height()};
}

void TGSprite::DrawAt(uint32_t color, uint8_t blendMode, double x, double y) const {
    DrawEx({0.0, 0.0}, {1.0, 1.0}, x, y, 0.0, WholeSource(), color, blendMode);
}

void TGSprite::DrawPart(const TGRectD& source, uint32_t color, double x, double y, uint8_t blendMode) const {
    DrawEx({0.0, 0.0}, {1.0, 1.0}, x, y, 0.0, source, color, blendMode);
}

void TGSprite::DrawTransformed(TGPointD pivot, TGPointD scale, double x, double y, double angle,
                               uint32_t color, uint8_t blendMode) const {
    DrawEx(pivot, scale, x, y, angle, WholeSource(), color, blendMode);
}

void TGSprite::DrawEx(TGPointD pivot, TGPointD scale, double x, double y, double angle, const TGRectD& source,
                      uint32_t color, uint8_t blendMode) const {
    if ((color >> 24) == 0) {
        return;
    }
    TGPointD p{x, y};
    TGPointD u{scale.X, 0.0};
    TGPointD v{0.0, scale.Y};
    if (std::fabs(angle) > 0.0001) {
        double c = std::cos(angle);
        double s = std::sin(angle);
        double dx = x - pivot.X;
        double dy = y - pivot.Y;
        p = {pivot.X + dx * c - dy * s, pivot.Y + dx * s + dy * c};
        // Each axis keeps its own scale while turning, so a stretched sprite turns as a whole.
        u = {scale.X * c, scale.X * s};
        v = {-scale.Y * s, scale.Y * c};
    }
    DrawOnAxes(p, u, v, &source, color, blendMode);
}

void TGSprite::DrawOnAxes(TGPointD p, TGPointD u, TGPointD v, const TGRectD* source, uint32_t color,
                          uint8_t blendMode) const {
    if ((color >> 24) == 0) {
        return;
    }
    const double scale = FDevice.ViewportScale();
    TGRectD whole = WholeSource();
    const TGRectD& src = source ? *source : whole;
    TPixelRect sourcePixels{RoundToEvenPixel(src.Top * scale), RoundToEvenPixel(src.Left * scale),
                            RoundToEvenPixel(src.Right * scale), RoundToEvenPixel(src.Bottom * scale)};
    const double textureWidth = FPack->TextureWidth();
    const double textureHeight = FPack->TextureHeight();
    for (const TGSpriteFragment& fragment : FFragments) {
        TPixelRect inside{std::max<int64_t>(sourcePixels.Top, fragment.SpriteRect.Top),
                          std::max<int64_t>(sourcePixels.Left, fragment.SpriteRect.Left),
                          std::min<int64_t>(sourcePixels.Right, fragment.SpriteRect.Right),
                          std::min<int64_t>(sourcePixels.Bottom, fragment.SpriteRect.Bottom)};
        if (inside.Left >= inside.Right || inside.Top >= inside.Bottom) {
            continue;
        }
        // Within the fragment now, so the cut fits the sprite's own coordinates.
        TGRect cut{static_cast<int32_t>(inside.Top), static_cast<int32_t>(inside.Left),
                   static_cast<int32_t>(inside.Right), static_cast<int32_t>(inside.Bottom)};
        auto corner = [&](double a, double b, double tu, double tv) {
            return TTexturedVertex{static_cast<float>(p.X + (a * u.X + b * v.X - 0.5) / scale),
                                   static_cast<float>(p.Y + (a * u.Y + b * v.Y - 0.5) / scale),
                                   0.0f,
                                   color,
                                   static_cast<float>(tu),
                                   static_cast<float>(tv)};
        };
        auto a0 = static_cast<double>(cut.Left - sourcePixels.Left);
        auto a1 = static_cast<double>(cut.Right - sourcePixels.Left);
        auto b0 = static_cast<double>(cut.Top - sourcePixels.Top);
        auto b1 = static_cast<double>(cut.Bottom - sourcePixels.Top);
        double u0 = (fragment.AtlasRect.Left + cut.Left - fragment.SpriteRect.Left) / textureWidth;
        double u1 = u0 + cut.Width() / textureWidth;
        double v0 = (fragment.AtlasRect.Top + cut.Top - fragment.SpriteRect.Top) / textureHeight;
        double v1 = v0 + cut.Height() / textureHeight;

        TGStateGuard guard(FDevice);
        PGVertexBuffer buffer = FDevice.CommonVertexBuffer(vfXYZDiffuseTex1, 4, sizeof(TTexturedVertex));
        auto* vertices = reinterpret_cast<TTexturedVertex*>(buffer->Lock(4, true));
        vertices[0] = corner(a0, b1, u0, v1);
        vertices[1] = corner(a1, b1, u1, v1);
        vertices[2] = corner(a0, b0, u0, v0);
        vertices[3] = corner(a1, b0, u1, v0);
        buffer->Unlock();
        FDevice.State.VertexBuffer = buffer;
        FDevice.State.BlendMode = static_cast<TGBlendMode>(blendMode);
        FDevice.State.Stages[0].Texture = FPack->Texture(fragment.TextureIndex);
        FDevice.State.Stages[0].ColorOp = color == 0xFFFFFFFFu ? coTexture : coModulate;
        FDevice.DrawStrip(2);
    }
}

TGSequence::TGSequence(std::string name) : FName(std::move(name)) {}

TGSequence::TGSequence(TGGraphicsDevice& device, TGTexturePack& pack, TGTaggedReader& reader) {
    FName = reader.ReadString();
    int32_t count = reader.ReadInteger();
    if (count < 0) {
        throw EGError("TGSequence.Read", Format("invalid sprite count %d in \"%s\"", count, FName.c_str()));
    }
    for (int32_t i = 0; i < count; ++i) {
        FSprites.push_back(std::make_unique<TGSprite>(device, pack, reader));
    }
}

TGSequence::~TGSequence() = default;

void TGSequence::WriteToBundle(TGTaggedWriter& writer) const {
    writer.WriteString(FName);
    writer.WriteInteger(static_cast<int32_t>(FSprites.size()));
    for (const auto& sprite : FSprites) {
        sprite->WriteToBundle(writer);
    }
}

void TGSequence::Add(std::unique_ptr<TGSprite> sprite) {
    FSprites.push_back(std::move(sprite));
}

TGSprite& TGSequence::GetSprite(int index) const {
    if (index < 0 || index >= Count()) {
        throw EGError("TGSequence.GetSprite", Format("SeqId: %s, SpriteIdx: %d", FName.c_str(), index));
    }
    return *FSprites[static_cast<size_t>(index)];
}

double TGSequence::GetWidth() const {
    if (FSprites.empty()) {
        throw EGError::Failed("TGSequence.GetWidth");
    }
    return FSprites[0]->Width();
}

double TGSequence::GetHeight() const {
    if (FSprites.empty()) {
        throw EGError::Failed("TGSequence.GetHeight");
    }
    return FSprites[0]->Height();
}

} // namespace qm
