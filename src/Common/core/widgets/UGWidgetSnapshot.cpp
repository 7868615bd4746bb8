#include "UGWidgetSnapshot.h"

#include "UGAppData.h"
#include "UGSprite.h"
#include "UGTexturePack.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

int PixelsOf(double units, double scale) {
    return std::max(1, static_cast<int>(std::lround(units * scale)));
}

} // namespace

TGWidgetSnapshot::TGWidgetSnapshot(TGWidget& widget, int textureWidth, int textureHeight) : FWidget(widget) {
    TGGraphicsDevice& device = *widget.AppData().Device;
    const double scale = device.ViewportScale();
    FSprite =
        std::make_unique<TGSprite>(device, PixelsOf(widget.Width(), scale), PixelsOf(widget.Height(), scale),
                                   textureWidth, textureHeight, pfA4R4G4B4);
}

TGWidgetSnapshot::~TGWidgetSnapshot() = default;

void TGWidgetSnapshot::CaptureWidget() {
    TGGraphicsDevice& device = *FWidget.AppData().Device;
    const double scale = device.ViewportScale();
    TGTexturePack& pack = FSprite->Pack();
    const double oldX = FWidget.X;
    const double oldY = FWidget.Y;
    TGStateGuard guard(device);
    try {
        for (int i = 0; i < FSprite->FragmentCount(); ++i) {
            const TGSpriteFragment& tile = FSprite->Fragment(i);
            const PGTexture& texture = pack.Texture(tile.TextureIndex);
            device.State.RenderTarget = texture;
            device.State.Viewport = TGRect{0, 0, texture->Width(), texture->Height()};
            device.State.ViewOffsetX = 0.0;
            device.State.ViewOffsetY = 0.0;
            device.ClearTarget(0x00000000u);
            // The widget's top-left goes where this tile's part of the sprite starts.
            double absX, absY;
            FWidget.AbsolutePosition(absX, absY);
            const double wantX = (tile.AtlasRect.Left - tile.SpriteRect.Left) / scale;
            const double wantY = (tile.AtlasRect.Top - tile.SpriteRect.Top) / scale;
            FWidget.X += wantX - absX;
            FWidget.Y += wantY - absY;
            FWidget.Draw();
            FWidget.X = oldX;
            FWidget.Y = oldY;
        }
    } catch (...) {
        FWidget.X = oldX;
        FWidget.Y = oldY;
        throw;
    }
}

} // namespace qm
