#pragma once

#include "UGRenderBackend.h"

namespace qm {

class TGSDLWindow;

// The OpenGL 3.3 renderer. It draws into an offscreen back buffer of the drawing size, which
// Present blits scaled and letterboxed into the window, so any window size, full screen at the
// desktop resolution and HiDPI all work, and headless runs read the same pixels.
class TGGLRenderBackend : public IGRenderBackend {
public:
    // Raises the engine error with the "old version" message text when the context is older
    // than OpenGL 3.3.
    explicit TGGLRenderBackend(TGSDLWindow& window);
    ~TGGLRenderBackend() override;
    TGGLRenderBackend(const TGGLRenderBackend&) = delete;
    TGGLRenderBackend& operator=(const TGGLRenderBackend&) = delete;

    void SetMode(int width, int height) override;
    int MaxTextureSize() const override;
    std::unique_ptr<IGBackendTexture> CreateTexture(int width, int height, int format,
                                                    bool renderTarget) override;

    void BeginScene() override;
    void Clear(uint32_t argb) override;
    void EndScene() override;
    bool Present() override;

    void SetRenderTarget(IGBackendTexture* target) override;
    void SetViewport(const TGRect& viewport, double scale, double offsetX, double offsetY) override;
    void SetVertexFormat(int format) override;
    void SetBlendMode(int mode) override;
    void SetStage(int stage, IGBackendTexture* texture, int filter, int colorOp) override;
    void DisableStagesFrom(int stage) override;
    bool DrawStrip(const uint8_t* vertices, int stride, int triangles) override;

    std::vector<uint32_t> ReadBackBuffer() override;
    bool QueryVideoMemory(int kind, int64_t& bytes) override;

private:
    void DeleteBackBuffer();

    TGSDLWindow& FWindow;
    int FWidth = 0;
    int FHeight = 0;
    unsigned FFramebuffer = 0;
    unsigned FColorTexture = 0;
};

} // namespace qm
