#pragma once

#include "UGRenderBackend.h"

#include <string>
#include <vector>

namespace qm {

// The do-nothing twin of the OpenGL renderer, for logic tests and tools that need a graphics
// device without a screen: textures keep what is uploaded to them, draws are counted, and the
// back buffer stays transparent black.
class TGNullRenderBackend : public IGRenderBackend {
public:
    explicit TGNullRenderBackend(int maxTextureSize = 4096) : FMaxTextureSize(maxTextureSize) {}

    void SetMode(int width, int height) override {
        FWidth = width;
        FHeight = height;
    }
    int MaxTextureSize() const override { return FMaxTextureSize; }
    std::unique_ptr<IGBackendTexture> CreateTexture(int width, int height, int format,
                                                    bool renderTarget) override;

    void BeginScene() override { ++Scenes; }
    void Clear(uint32_t) override { ++Clears; }
    void EndScene() override {}
    bool Present() override {
        ++Presents;
        return !LoseOnPresent;
    }

    void SetRenderTarget(IGBackendTexture*) override { Calls.push_back("target"); }
    void SetViewport(const TGRect&, double, double, double) override { Calls.push_back("viewport"); }
    void SetVertexFormat(TGVertexFormat format) override {
        Calls.push_back("format " + std::to_string(format));
    }
    void SetBlendMode(TGBlendMode mode) override { Calls.push_back("blend " + std::to_string(mode)); }
    void SetStage(int stage, IGBackendTexture* texture, TGTextureFilter filter, TGColorOp colorOp) override;
    void DisableStagesFrom(int) override {}
    bool DrawStrip(const uint8_t*, int, int triangles) override {
        ++Draws;
        Triangles += triangles;
        return !FailDraws;
    }
    bool DrawTriangles(const uint8_t*, int, int triangles) override {
        ++Draws;
        ++ListDraws;
        Triangles += triangles;
        return !FailDraws;
    }

    std::vector<uint32_t> ReadBackBuffer() override {
        return std::vector<uint32_t>(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight), 0u);
    }
    bool QueryVideoMemory(TGMemoryKind, int64_t&) override { return false; }
    void EvictManagedTextures() override { Calls.push_back("evict"); }

    // Textures the renderer refuses to create from now on (to test the fallbacks).
    int RefuseTextures = 0;
    bool FailDraws = false;
    bool LoseOnPresent = false;
    int TexturesCreated = 0;
    int Scenes = 0;
    int Clears = 0;
    int Presents = 0;
    int Draws = 0;
    // Of the draws, those of triangle lists.
    int ListDraws = 0;
    int Triangles = 0;
    std::vector<std::string> Calls;

private:
    int FMaxTextureSize;
    int FWidth = 0;
    int FHeight = 0;
};

} // namespace qm
