#include "UGNullRenderBackend.h"

#include <algorithm>
#include <cstring>

namespace qm {

namespace {

// Keeps the texels it is given so that a render target reads back what was put into it.
class TNullTexture : public IGBackendTexture {
public:
    TNullTexture(int width, int height, int format)
        : FWidth(width), FBytesPerPixel(BytesPerPixel(format)),
          FTexels(static_cast<size_t>(width) * static_cast<size_t>(height) *
                  static_cast<size_t>(BytesPerPixel(format))) {}

    void Upload(const TGRect& rect, const uint8_t* bits, int pitch) override {
        size_t rowBytes = static_cast<size_t>(rect.Width()) * FBytesPerPixel;
        for (int y = rect.Top; y < rect.Bottom; ++y) {
            std::memcpy(FTexels.data() + (static_cast<size_t>(y) * FWidth + rect.Left) * FBytesPerPixel,
                        bits + static_cast<size_t>(y - rect.Top) * pitch, rowBytes);
        }
    }
    void Download(uint8_t* bits) override { std::copy(FTexels.begin(), FTexels.end(), bits); }

private:
    int FWidth;
    int FBytesPerPixel;
    std::vector<uint8_t> FTexels;
};

} // namespace

std::unique_ptr<IGBackendTexture> TGNullRenderBackend::CreateTexture(int width, int height, int format,
                                                                     bool) {
    if (RefuseTextures > 0) {
        --RefuseTextures;
        return nullptr;
    }
    ++TexturesCreated;
    return std::make_unique<TNullTexture>(width, height, format);
}

void TGNullRenderBackend::SetStage(int stage, IGBackendTexture* texture, TGTextureFilter filter,
                                   TGColorOp colorOp) {
    Calls.push_back("stage " + std::to_string(stage) + (texture ? " texture" : " none") + " filter " +
                    std::to_string(filter) + " op " + std::to_string(colorOp));
}

} // namespace qm
