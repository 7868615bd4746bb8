#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace qm {

// An integer rectangle in pixels; right and bottom are exclusive.
struct TGRect {
    int32_t Top = 0;
    int32_t Left = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool operator==(const TGRect&) const = default;
};

// The atlas and render-target formats; their texel layouts are the little-endian words
// A4R4G4B4 and A1R5G5B5 (16 bits) and A8R8G8B8 (32 bits).
enum TGPixelFormat : int { pfA4R4G4B4 = 0, pfA1R5G5B5 = 1, pfA8R8G8B8 = 2 };

int BytesPerPixel(int format);

// Vertex layouts: position (x, y, z floats) and a BGRA colour (16 bytes); the same plus one
// pair of texture coordinates (24 bytes).
enum TGVertexFormat : int { vfXYZDiffuse = 0, vfXYZDiffuseTex1 = 1 };

// How a fragment is combined with what the target holds: none (replace), default (alpha
// blending), add, multiply, and intense (additive weighted by alpha).
enum TGBlendMode : uint8_t { bmNone = 0, bmDefault = 1, bmAdd = 2, bmMul = 3, bmIntense = 4 };
// How a texture stage colours: texture only, vertex colour only, texture times vertex colour.
enum TGColorOp : uint8_t { coTexture = 0, coDiffuse = 1, coModulate = 2 };
enum TGTextureFilter : uint8_t { tfLinear = 0, tfPoint = 1 };
// The pools of video memory a driver may report: the card's own, system memory the card
// reaches, and what is free for textures.
enum TGMemoryKind : int { mkLocal = 0, mkNonLocal = 1, mkTexture = 2 };

// The texture of a renderer. Its pixels are owned by the engine's texture, which hands over
// changed rectangles; a render target is drawn into by the renderer and can be read back.
class IGBackendTexture {
public:
    virtual ~IGBackendTexture() = default;
    // Rows of the rectangle, top row first, `pitch` bytes apart, in the texture's format.
    virtual void Upload(const TGRect& rect, const uint8_t* bits, int pitch) = 0;
    // The whole texture's current content, top row first, width x bytes per pixel per row.
    virtual void Download(uint8_t* bits) = 0;
};

// What the graphics device needs from a renderer. The device keeps the drawing state, the
// texture pixels and the vertex data; the renderer puts them on the screen. The OpenGL
// renderer lives in the platform layer; a null renderer serves logic tests.
class IGRenderBackend {
public:
    virtual ~IGRenderBackend() = default;

    // Creates the back buffer of the drawing size.
    virtual void SetMode(int width, int height) = 0;
    virtual int MaxTextureSize() const = 0;
    // Null when the renderer refuses (out of memory or an unsupported format).
    virtual std::unique_ptr<IGBackendTexture> CreateTexture(int width, int height, int format,
                                                            bool renderTarget) = 0;

    virtual void BeginScene() = 0;
    virtual void Clear(uint32_t argb) = 0;
    virtual void EndScene() = 0;
    // Shows the back buffer in the window; false when the display was lost.
    virtual bool Present() = 0;

    // Null: the back buffer.
    virtual void SetRenderTarget(IGBackendTexture* target) = 0;
    // The viewport in pixels of the target; drawing units are pixels / scale; the offset is
    // added to every vertex position before projection.
    virtual void SetViewport(const TGRect& viewport, double scale, double offsetX, double offsetY) = 0;
    virtual void SetVertexFormat(TGVertexFormat format) = 0;
    virtual void SetBlendMode(TGBlendMode mode) = 0;
    // A stage with a texture takes part in colouring.
    virtual void SetStage(int stage, IGBackendTexture* texture, TGTextureFilter filter,
                          TGColorOp colorOp) = 0;
    // Stages from this one on take no part.
    virtual void DisableStagesFrom(int stage) = 0;
    // Draws a strip of `triangles` triangles from the vertices; false when the draw failed.
    virtual bool DrawStrip(const uint8_t* vertices, int stride, int triangles) = 0;
    // Draws a list of `triangles` separate triangles, three vertices each; false when the draw
    // failed. A renderer without a list of its own draws them one strip each.
    virtual bool DrawTriangles(const uint8_t* vertices, int stride, int triangles) {
        bool ok = true;
        for (int i = 0; i < triangles; ++i) {
            ok = DrawStrip(vertices + static_cast<ptrdiff_t>(3 * i) * stride, stride, 1) && ok;
        }
        return ok;
    }

    // The back buffer as ARGB, top row first.
    virtual std::vector<uint32_t> ReadBackBuffer() = 0;
    // Video memory in bytes of the kind; false when unknown.
    virtual bool QueryVideoMemory(TGMemoryKind kind, int64_t& bytes) = 0;
    // Gives back the card's copies of the textures, which come back when next drawn. A driver
    // that pages textures between the card and system memory by itself (OpenGL's) needs nothing.
    virtual void EvictManagedTextures() {}
};

} // namespace qm
