#pragma once

#include "UGRenderBackend.h"
#include "UGTimer.h"
#include "UGXMLNode.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class IGWindow;

struct TGLockedRect {
    int Pitch = 0;
    uint8_t* Bits = nullptr;
};

// A texture of the device. Its texels are kept in memory by the engine (zero-filled at
// creation); Lock gives them, Unlock hands the locked rectangle to the renderer.
class IGTexture {
public:
    virtual ~IGTexture() = default;
    virtual int Format() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool IsRenderTarget() const = 0;
    // The whole texture when rect is null. A render target's texels are read back first.
    virtual TGLockedRect Lock(const TGRect* rect, bool writable) = 0;
    virtual void Unlock() = 0;
};
using PGTexture = std::shared_ptr<IGTexture>;

// Vertices in memory; every draw of one vertex format fills the same buffer from the start.
class IGVertexBuffer {
public:
    virtual ~IGVertexBuffer() = default;
    virtual uint8_t* Lock(int count, bool writable) = 0;
    virtual void Unlock() = 0;
    virtual int LockedCount() const = 0;
    virtual int Format() const = 0;
    virtual int Capacity() const = 0;
    virtual int Stride() const = 0;
    virtual const uint8_t* Data() const = 0;
};
using PGVertexBuffer = std::shared_ptr<IGVertexBuffer>;

struct TGStageState {
    PGTexture Texture;
    TGTextureFilter Filter = tfLinear;
    TGColorOp ColorOp = coTexture;
    bool operator==(const TGStageState&) const = default;
};

// Everything a draw depends on. Callers change fields and save and restore the record with
// PushState and PopState; the device sends only the fields that differ from what the renderer
// already has.
struct TGDeviceStateRec {
    static constexpr int StageCount = 6;

    TGBlendMode BlendMode = bmNone;
    PGTexture RenderTarget; // none: the back buffer
    TGRect Viewport;        // pixels
    double ViewOffsetX = 0.0;
    double ViewOffsetY = 0.0;
    PGVertexBuffer VertexBuffer;
    std::array<TGStageState, StageCount> Stages;
};

struct TGPointD {
    double X = 0.0;
    double Y = 0.0;
};

// The only owner of the renderer. Everything the game draws is a textured or coloured quad in
// screen space, drawn as a two-triangle strip from a vertex buffer under one drawing state.
class TGGraphicsDevice {
public:
    static constexpr int StackDepth = 1000;
    // The sizes of atlas textures the packer uses.
    static constexpr int MaxPackTextureSize = 1024;
    static constexpr int MinPackTextureSize = 256;
    // Video memory assumed when the driver does not say (bytes).
    static constexpr int64_t DefaultVideoMemory = 512ll * 1024 * 1024;

    // `config` may give "DefaultVideoMemoryMb", the video memory assumed when the driver does
    // not report it.
    TGGraphicsDevice(IGRenderBackend& backend, IGWindow* window, IGTickSource& ticks,
                     const PGXMLNode& config);
    ~TGGraphicsDevice();
    TGGraphicsDevice(const TGGraphicsDevice&) = delete;
    TGGraphicsDevice& operator=(const TGGraphicsDevice&) = delete;

    void SetMode(int width, int height, double scale);
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    double ViewportScale() const { return FScale; }

    bool IsFullScreen() const;
    void ToggleFullScreen();
    void SetFullScreen(bool wanted);
    void ResetDevice(bool keepFormat);

    bool BeginFrame();
    void ClearScene();
    // Clears the current render target (the back buffer when none) to a colour, alpha included;
    // widget snapshots start from a transparent picture.
    void ClearTarget(uint32_t argb);
    // Ends the scene. A scene whose draw list (states, textures and their contents, vertices)
    // is the same as that of the last presented one is not sent to the renderer at all, and
    // PresentFrame then shows nothing new: a still screen costs almost nothing.
    void EndFrame();
    void PresentFrame();
    // The next scene is sent and presented even when it is the same as the last (the window
    // was exposed, or a measurement wants every frame drawn).
    void InvalidateFrame() { FLastFrameValid = false; }
    void SetSkipSameFrames(bool skip) { FSkipSameFrames = skip; }
    // The scenes from now on are looked at by no one (a headless run between the frames it
    // photographs): what they draw into the back buffer never reaches the renderer and nothing
    // is presented. Drawing into render targets goes on, since a later frame may show them;
    // everything the callers do while drawing stays the same.
    void SetFramesUnseen(bool unseen) { FFramesUnseen = unseen; }
    bool FramesUnseen() const { return FFramesUnseen; }
    // What the last ended scene cost: draw calls, and whether it was sent at all. A draw call
    // whose textures (of any stage) differ from those of the call before it in the scene counts
    // as a texture switch, one whose blending differs as a blend change; the first call of a
    // scene counts as a blend change. Batching leaves no more draw calls than switches and
    // changes together unless something else split a batch.
    struct TGFrameStats {
        int DrawCalls = 0;
        int TextureSwitches = 0;
        int BlendChanges = 0;
        bool Submitted = false;
    };
    const TGFrameStats& LastFrameStats() const { return FLastFrameStats; }
    double FramesPerSecond() const { return FFramesPerSecond; }
    bool InScene() const { return FInScene; }

    TGDeviceStateRec State;
    void PushState();
    void PopState();
    int StateDepth() const { return FDepth; }
    // Sends the changed parts of the state to the renderer now (every part when forced); the
    // quads batched under the old state are drawn first.
    void ApplyState(bool force);
    // Draws a strip of the current vertex buffer. Within a scene, strips under one state are
    // batched into one draw call, sent when the state changes, something is read back or
    // locked, or the scene ends; outside a scene the strip is drawn at once.
    void DrawStrip(int triangles);
    // Draws a list of separate triangles (three vertices each) from the current vertex buffer;
    // lists under one state are batched like strips.
    void DrawTriangles(int triangles);
    // Sends the batched strips to the renderer.
    void Flush();
    void FillRect(TGPointD corner1, TGPointD corner2, uint32_t color);
    PGVertexBuffer CommonVertexBuffer(int format, int count, int stride);

    PGTexture CreateTexture(int width, int height, int format, bool renderTarget);
    int AdjustFormat(int format) const;
    void Set16BitMode(bool on) { F16BitMode = on; }
    bool Is16BitMode() const { return F16BitMode; }
    int64_t GetVideoMem(TGMemoryKind kind) const;
    // The renderer gives back the card's copies of the textures; they come back when drawn.
    void EvictManagedTextures();
    // The developer's check of the card: writes the three memory figures to `log`, then creates
    // `megabytes` x 5 textures of 256 x 256 (a quarter of a megabyte each) one after another and
    // frees them. When the card runs out, it says so, forgets the shortage, evicts the managed
    // textures and tries once more; a second shortage stays (the main window then stops).
    void ProbeVideoMemory(int megabytes, const std::function<void(const std::string&)>& log);

    // Owners of device objects that must be released when the display is lost and rebuilt
    // when it comes back (render targets, system fonts).
    void RegisterLostRestore(const void* owner, std::function<void()> lost, std::function<void()> restore);
    void UnregisterLostRestore(const void* owner);
    // Marks the display as lost, as another program taking the screen would.
    void ForceDeviceLost() { FDeviceLost = true; }
    bool DeviceLost() const { return FDeviceLost; }

    // Set when a texture could not be created for lack of memory; the main window stops.
    bool OutOfVideoMemory() const { return FOutOfVideoMemory; }
    bool DrawFailed() const { return FDrawFailed; }

    std::vector<uint32_t> ReadBackBuffer();
    IGRenderBackend& Backend() const { return FBackend; }
    // Number of times each part of the state was sent to the renderer (for tests).
    struct TGApplyCounts {
        int RenderTarget = 0;
        int Viewport = 0;
        int VertexFormat = 0;
        int BlendMode = 0;
        int Stages = 0;
    };
    const TGApplyCounts& ApplyCounts() const { return FApplyCounts; }

private:
    struct TGLostRestore {
        const void* Owner;
        std::function<void()> Lost;
        std::function<void()> Restore;
    };
    class TGTexture;
    class TGVertexBuffer;
    class TGDrawList;

    bool BatchAccepts(const IGVertexBuffer& buffer) const;
    void AppendToBatch(const IGVertexBuffer& buffer, int triangles);
    void AppendListToBatch(const IGVertexBuffer& buffer, int triangles);
    // Sends what the scene recorded so far; the scene can then no longer be skipped.
    void SubmitRecorded();
    // Counts what the batch about to be drawn changes against the one drawn before it.
    void CountDrawnChanges();
    void TextureChanged() { FLastFrameValid = false; }
    // A draw of an unseen scene into the back buffer, which is dropped.
    bool DrawDropped() const { return FFramesUnseen && FInScene && !FApplied.RenderTarget; }
    void EndUnseenFrame();

    IGRenderBackend& FBackend;
    IGWindow* FWindow;
    IGTickSource& FTicks;
    int FWidth = 800;
    int FHeight = 600;
    double FScale = 1.0;
    bool F16BitMode = false;
    bool FInScene = false;
    bool FDeviceLost = false;
    bool FOutOfVideoMemory = false;
    bool FDrawFailed = false;
    int64_t FFallbackVideoMemory = DefaultVideoMemory;

    TGDeviceStateRec FApplied;
    bool FAppliedValid = false;
    std::vector<TGDeviceStateRec> FStack;
    int FDepth = 0;
    std::vector<PGVertexBuffer> FVertexBuffers;
    std::vector<TGLostRestore> FLostRestore;
    TGApplyCounts FApplyCounts;

    // The batch: strips joined into one, drawn under FApplied.
    std::vector<uint8_t> FBatch;
    int FBatchVertices = 0;
    int FBatchStride = 0;
    // The batch holds a triangle list rather than a strip.
    bool FBatchIsList = false;
    // The scene as recorded, sent at its end unless it repeats the last presented one.
    std::unique_ptr<TGDrawList> FDrawList;
    bool FSceneSubmitted = false;
    bool FSkipSameFrames = true;
    bool FFramesUnseen = false;
    bool FLastFrameValid = false;
    uint64_t FLastFrameHash = 0;
    bool FFrameSkipped = false;
    uint64_t FNextTextureSerial = 1;
    TGFrameStats FFrameStats;
    TGFrameStats FLastFrameStats;
    // The textures and blending of the scene's last draw call; compared by identity only.
    std::array<const IGTexture*, TGDeviceStateRec::StageCount> FDrawnTextures{};
    int FDrawnBlend = -1;

    double FFramesPerSecond = 0.0;
    int FFrameCount = 0;
    uint64_t FLastMeasureMs = 0;
    bool FMeasureStarted = false;
};

// Saves the device state and restores it on every way out of the scope, so a draw that fails
// half-way leaves the caller's state as it was.
class TGStateGuard {
public:
    explicit TGStateGuard(TGGraphicsDevice& device) : FDevice(device) { FDevice.PushState(); }
    ~TGStateGuard() { FDevice.PopState(); }
    TGStateGuard(const TGStateGuard&) = delete;
    TGStateGuard& operator=(const TGStateGuard&) = delete;

private:
    TGGraphicsDevice& FDevice;
};

// Unlocks on every way out, so that an error while copying leaves the texture usable.
class TGLockGuard {
public:
    TGLockGuard(IGTexture& texture, bool writable, const TGRect* rect = nullptr)
        : FTexture(texture), Locked(texture.Lock(rect, writable)) {}
    ~TGLockGuard() { FTexture.Unlock(); }
    TGLockGuard(const TGLockGuard&) = delete;
    TGLockGuard& operator=(const TGLockGuard&) = delete;

private:
    IGTexture& FTexture;

public:
    const TGLockedRect Locked;
};

} // namespace qm
