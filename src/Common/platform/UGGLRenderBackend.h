#pragma once

#include "UGRenderBackend.h"

#include <array>

namespace qm {

class TGSDLWindow;
class TGLTexture;

// The OpenGL 3.3 renderer. It draws into an offscreen back buffer of the drawing size, which
// Present blits scaled and letterboxed into the window, so any window size, full screen at the
// desktop resolution and HiDPI all work, and headless runs read the same pixels.
class TGGLRenderBackend : public IGRenderBackend {
public:
    static constexpr int StageCount = 6;

    // Needs the window's OpenGL context, which the window has already checked for 3.3.
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
    void SetVertexFormat(TGVertexFormat format) override;
    void SetBlendMode(TGBlendMode mode) override;
    void SetStage(int stage, IGBackendTexture* texture, TGTextureFilter filter, TGColorOp colorOp) override;
    void DisableStagesFrom(int stage) override;
    bool DrawStrip(const uint8_t* vertices, int stride, int triangles) override;
    bool DrawTriangles(const uint8_t* vertices, int stride, int triangles) override;

    std::vector<uint32_t> ReadBackBuffer() override;
    bool QueryVideoMemory(TGMemoryKind kind, int64_t& bytes) override;

    // Compiles and links a program from the two sources. Raises the engine error with the
    // compiler's or linker's log, and then leaves no shader or program behind.
    static unsigned BuildProgram(const char* vertexSource, const char* fragmentSource);
    // Presents with the display's refresh where it offers that, else as soon as asked.
    void SetVSync(bool on);

private:
    friend class TGLTexture;
    static constexpr int VertexFormatCount = 2;

    struct TStage {
        TGLTexture* Texture = nullptr;
        TGTextureFilter Filter = tfLinear;
        TGColorOp ColorOp = coTexture;
    };

    void CreatePipeline();
    void DeleteBackBuffer();
    // The framebuffer drawn into: the back buffer or the current render target's.
    unsigned TargetFramebuffer() const;
    // Viewport and projection depend on the target as well as on the viewport itself.
    void UpdateTransform();
    void UseProgram(int topStage);
    // Draws `count` vertices of the given primitive under the current state.
    bool DrawArrays(unsigned mode, const uint8_t* vertices, int stride, int count);
    void SpecifyVertexLayout(int format, int stride);
    // A texture going away must not stay bound as target or stage.
    void Forget(const TGLTexture* texture);

    TGSDLWindow& FWindow;
    int FWidth = 0;
    int FHeight = 0;
    int FMaxTextureSize = 0;
    unsigned FFramebuffer = 0;
    unsigned FColorTexture = 0;

    struct TProgram {
        unsigned Name = 0;
        int Transform = -1;
        int ColorOp = -1;
    };
    // One program per highest textured stage, the first for none.
    std::array<TProgram, StageCount + 1> FPrograms{};
    std::array<float, 4> FTransform{};
    std::array<unsigned, VertexFormatCount> FVertexArrays{};
    std::array<unsigned, VertexFormatCount> FVertexBuffers{};
    std::array<int, VertexFormatCount> FLayoutStrides{};
    std::array<unsigned, 2> FSamplers{};

    TGLTexture* FTarget = nullptr;
    TGRect FViewport;
    double FScale = 1.0;
    double FOffsetX = 0.0;
    double FOffsetY = 0.0;
    int FVertexFormat = -1;
    std::array<TStage, StageCount> FStages{};
    int FEnabledStages = 0;
    // The program and colour operation as last set, so that a run of like draws sets none.
    int FTopStage = -1;
    int FColorOp = 0;
};

} // namespace qm
