#include "UGGraphicsDevice.h"

#include "UGError.h"
#include "UGStrings.h"
#include "UGWindow.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qm {

int BytesPerPixel(int format) {
    return format == pfA8R8G8B8 ? 4 : 2;
}

// A texture whose texels live in memory; the renderer gets the rectangles that change.
class TGGraphicsDevice::TGTexture : public IGTexture {
public:
    TGTexture(TGGraphicsDevice& device, int width, int height, int format, bool renderTarget,
              std::unique_ptr<IGBackendTexture> backend)
        : FDevice(device), FWidth(width), FHeight(height), FFormat(format), FRenderTarget(renderTarget),
          FTexels(static_cast<size_t>(width) * static_cast<size_t>(height) *
                  static_cast<size_t>(BytesPerPixel(format))),
          FBackend(std::move(backend)) {
        if (FRenderTarget) {
            // Render targets live in the renderer's memory: they go when the display is lost
            // and come back, empty, when it is restored.
            FDevice.RegisterLostRestore(
                this, [this] { FBackend.reset(); },
                [this] { FBackend = FDevice.FBackend.CreateTexture(FWidth, FHeight, FFormat, true); });
        }
    }
    ~TGTexture() override { FDevice.UnregisterLostRestore(this); }

    int Format() const override { return FFormat; }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    bool IsRenderTarget() const override { return FRenderTarget; }

    TGLockedRect Lock(const TGRect* rect, bool writable) override {
        if (FLocked) {
            throw EGError("TGTexture.Lock", "the texture is already locked");
        }
        TGRect whole{0, 0, FWidth, FHeight};
        TGRect area = rect ? *rect : whole;
        if (area.Left < 0 || area.Top < 0 || area.Right > FWidth || area.Bottom > FHeight ||
            area.Left > area.Right || area.Top > area.Bottom) {
            throw EGError("TGTexture.Lock",
                          qm::Format("rectangle (%d, %d, %d, %d) outside the %dx%d texture", area.Left,
                                     area.Top, area.Right, area.Bottom, FWidth, FHeight));
        }
        // Batched and recorded draws may sample this texture or draw into it: they must reach
        // the renderer before its texels are read back or replaced.
        if (FRenderTarget || writable) {
            FDevice.Flush();
            FDevice.SubmitRecorded();
        }
        if (FRenderTarget && FBackend) {
            FBackend->Download(FTexels.data());
        }
        FLocked = true;
        FWritable = writable;
        FLockedRect = area;
        int pitch = Pitch();
        return {pitch, FTexels.data() + static_cast<size_t>(area.Top) * pitch +
                           static_cast<size_t>(area.Left) * BytesPerPixel(FFormat)};
    }

    void Unlock() override {
        if (!FLocked) {
            return;
        }
        FLocked = false;
        if (FWritable) {
            FDevice.TextureChanged();
        }
        if (FWritable && FBackend && FLockedRect.Width() > 0 && FLockedRect.Height() > 0) {
            int pitch = Pitch();
            FBackend->Upload(FLockedRect,
                             FTexels.data() + static_cast<size_t>(FLockedRect.Top) * pitch +
                                 static_cast<size_t>(FLockedRect.Left) * BytesPerPixel(FFormat),
                             pitch);
        }
    }

    IGBackendTexture* Backend() const { return FBackend.get(); }
    uint64_t Serial() const { return FSerial; }

private:
    int Pitch() const { return FWidth * BytesPerPixel(FFormat); }

    TGGraphicsDevice& FDevice;
    int FWidth;
    int FHeight;
    int FFormat;
    bool FRenderTarget;
    std::vector<uint8_t> FTexels;
    std::unique_ptr<IGBackendTexture> FBackend;
    bool FLocked = false;
    bool FWritable = false;
    TGRect FLockedRect;
    uint64_t FSerial = FDevice.FNextTextureSerial++;
};

class TGGraphicsDevice::TGVertexBuffer : public IGVertexBuffer {
public:
    TGVertexBuffer(int format, int capacity, int stride)
        : FFormat(format), FCapacity(capacity), FStride(stride),
          FData(static_cast<size_t>(capacity) * static_cast<size_t>(stride)) {}

    uint8_t* Lock(int count, bool) override {
        if (count < 0 || count > FCapacity) {
            throw EGError("TGVertexBuffer.Lock",
                          qm::Format("%d vertices asked of a buffer of %d", count, FCapacity));
        }
        FLockedCount = count;
        return FData.data();
    }
    void Unlock() override {}
    int LockedCount() const override { return FLockedCount; }
    int Format() const override { return FFormat; }
    int Capacity() const override { return FCapacity; }
    int Stride() const override { return FStride; }
    const uint8_t* Data() const override { return FData.data(); }

private:
    int FFormat;
    int FCapacity;
    int FStride;
    int FLockedCount = 0;
    std::vector<uint8_t> FData;
};

// The renderer calls of one scene, kept until its end so that a scene repeating the last one
// need not be drawn again. Outside a scene, calls go straight through. The list holds the
// textures it names, so a texture released during the scene lives until it has been drawn.
class TGGraphicsDevice::TGDrawList {
public:
    explicit TGDrawList(IGRenderBackend& backend) : FBackend(backend) {}

    void StartRecording() {
        Discard();
        FRecording = true;
    }
    void StopRecording() { FRecording = false; }
    bool Recording() const { return FRecording; }
    uint64_t Hash() const { return FHash; }
    void Discard() {
        FCommands.clear();
        FVertices.clear();
        FHash = OffsetBasis;
    }

    // Sends the recorded calls in order and forgets them; false when a draw failed.
    bool Submit() {
        bool ok = true;
        for (const TCommand& command : FCommands) {
            const bool draws = command.Kind == TKind::Draw || command.Kind == TKind::DrawList;
            ok = Send(command, draws ? FVertices.data() + command.Offset : nullptr) && ok;
        }
        FCommands.clear();
        FVertices.clear();
        return ok;
    }

    void BeginScene() { Add({.Kind = TKind::BeginScene}); }
    void EndScene() { Add({.Kind = TKind::EndScene}); }
    void Clear(uint32_t argb) { Add({.Kind = TKind::Clear, .Value = argb}); }
    void SetRenderTarget(const PGTexture& keep, IGBackendTexture* target, uint64_t serial) {
        Add({.Kind = TKind::Target, .Value = serial, .Texture = target, .Keep = keep});
    }
    void SetViewport(const TGRect& rect, double scale, double x, double y) {
        Add({.Kind = TKind::Viewport, .Rect = rect, .Scale = scale, .X = x, .Y = y});
    }
    void SetVertexFormat(TGVertexFormat format) { Add({.Kind = TKind::Format, .A = format}); }
    void SetBlendMode(TGBlendMode mode) { Add({.Kind = TKind::Blend, .A = mode}); }
    void SetStage(int stage, const PGTexture& keep, IGBackendTexture* texture, uint64_t serial,
                  TGTextureFilter filter, TGColorOp op) {
        Add({.Kind = TKind::Stage,
             .A = stage,
             .B = filter,
             .C = op,
             .Value = serial,
             .Texture = texture,
             .Keep = keep});
    }
    void DisableStagesFrom(int stage) { Add({.Kind = TKind::DisableFrom, .A = stage}); }
    // False when the renderer refused the draw (known only when not recording).
    bool DrawStrip(const uint8_t* vertices, int stride, int triangles) {
        return Draw(TKind::Draw, vertices, static_cast<size_t>(triangles) + 2, stride, triangles);
    }
    bool DrawTriangles(const uint8_t* vertices, int stride, int triangles) {
        return Draw(TKind::DrawList, vertices, static_cast<size_t>(triangles) * 3, stride, triangles);
    }

private:
    bool Draw(auto kind, const uint8_t* vertices, size_t count, int stride, int triangles) {
        size_t bytes = count * static_cast<size_t>(stride);
        TCommand command{.Kind = kind, .A = stride, .B = triangles};
        if (!FRecording) {
            return Send(command, vertices);
        }
        command.Offset = FVertices.size();
        FVertices.insert(FVertices.end(), vertices, vertices + bytes);
        HashBytes(vertices, bytes);
        Add(std::move(command));
        return true;
    }

    static constexpr uint64_t OffsetBasis = 14695981039346656037ull;
    static constexpr uint64_t Prime = 1099511628211ull;

    enum class TKind : uint8_t {
        BeginScene,
        EndScene,
        Clear,
        Target,
        Viewport,
        Format,
        Blend,
        Stage,
        DisableFrom,
        Draw,
        DrawList
    };
    struct TCommand {
        TKind Kind;
        int A = 0;
        int B = 0;
        int C = 0;
        uint64_t Value = 0; // a colour or the serial number of a texture
        IGBackendTexture* Texture = nullptr;
        PGTexture Keep = nullptr;
        TGRect Rect = {};
        double Scale = 0.0;
        double X = 0.0;
        double Y = 0.0;
        size_t Offset = 0;
    };

    void Add(TCommand command) {
        if (!FRecording) {
            Send(command, nullptr);
            return;
        }
        // The hash covers what the renderer would see, naming textures by serial number, as
        // backend pointers can be reused.
        const int fields[] = {static_cast<int>(command.Kind),
                              command.A,
                              command.B,
                              command.C,
                              command.Rect.Left,
                              command.Rect.Top,
                              command.Rect.Right,
                              command.Rect.Bottom};
        HashBytes(fields, sizeof(fields));
        const uint64_t value = command.Value;
        HashBytes(&value, sizeof(value));
        const double doubles[] = {command.Scale, command.X, command.Y};
        HashBytes(doubles, sizeof(doubles));
        FCommands.push_back(std::move(command));
    }

    // Eight bytes a step: a busy scene carries a hundred kilobytes of vertices, and a byte at a
    // time cost a fifth of the frame. Every step is a bijection of the running hash for a given
    // input word (rotate, exclusive or, multiply by an odd number), so a scene that differs
    // from the last in one word always hashes differently.
    void HashBytes(const void* data, size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        uint64_t hash = FHash;
        size_t i = 0;
        for (; i + sizeof(uint64_t) <= size; i += sizeof(uint64_t)) {
            uint64_t word;
            std::memcpy(&word, bytes + i, sizeof(word));
            hash = (std::rotl(hash, 5) ^ word) * Prime;
        }
        for (; i < size; ++i) {
            hash = (std::rotl(hash, 5) ^ bytes[i]) * Prime;
        }
        FHash = hash;
    }

    bool Send(const TCommand& command, const uint8_t* vertices) {
        switch (command.Kind) {
        case TKind::BeginScene:
            FBackend.BeginScene();
            break;
        case TKind::EndScene:
            FBackend.EndScene();
            break;
        case TKind::Clear:
            FBackend.Clear(static_cast<uint32_t>(command.Value));
            break;
        case TKind::Target:
            FBackend.SetRenderTarget(command.Texture);
            break;
        case TKind::Viewport:
            FBackend.SetViewport(command.Rect, command.Scale, command.X, command.Y);
            break;
        case TKind::Format:
            FBackend.SetVertexFormat(static_cast<TGVertexFormat>(command.A));
            break;
        case TKind::Blend:
            FBackend.SetBlendMode(static_cast<TGBlendMode>(command.A));
            break;
        case TKind::Stage:
            FBackend.SetStage(command.A, command.Texture, static_cast<TGTextureFilter>(command.B),
                              static_cast<TGColorOp>(command.C));
            break;
        case TKind::DisableFrom:
            FBackend.DisableStagesFrom(command.A);
            break;
        case TKind::Draw:
            return FBackend.DrawStrip(vertices, command.A, command.B);
        case TKind::DrawList:
            return FBackend.DrawTriangles(vertices, command.A, command.B);
        }
        return true;
    }

    IGRenderBackend& FBackend;
    bool FRecording = false;
    std::vector<TCommand> FCommands;
    std::vector<uint8_t> FVertices;
    uint64_t FHash = OffsetBasis;
};

TGGraphicsDevice::TGGraphicsDevice(IGRenderBackend& backend, IGWindow* window, IGTickSource& ticks,
                                   const PGXMLNode& config)
    : FBackend(backend), FWindow(window), FTicks(ticks), FStack(StackDepth + 1),
      FDrawList(std::make_unique<TGDrawList>(backend)) {
    if (config) {
        int64_t megabytes = config->GetIntDef("DefaultVideoMemoryMb", 512);
        FFallbackVideoMemory = std::max<int64_t>(megabytes, 512) * 1024 * 1024;
    }
}

TGGraphicsDevice::~TGGraphicsDevice() {
    FDrawList.reset();
    State = TGDeviceStateRec();
    FApplied = TGDeviceStateRec();
    FStack.clear();
}

void TGGraphicsDevice::SetMode(int width, int height, double scale) {
    FWidth = width;
    FHeight = height;
    FScale = scale > 0 ? scale : 1.0;
    Flush();
    SubmitRecorded();
    FBackend.SetMode(width, height);
    ResetDevice(false);
}

bool TGGraphicsDevice::IsFullScreen() const {
    return FWindow && FWindow->IsFullScreen();
}

void TGGraphicsDevice::ToggleFullScreen() {
    if (FWindow) {
        FWindow->SetFullScreen(!FWindow->IsFullScreen());
    }
    ResetDevice(true);
}

void TGGraphicsDevice::SetFullScreen(bool wanted) {
    if (IsFullScreen() != wanted) {
        ToggleFullScreen();
    }
}

void TGGraphicsDevice::ResetDevice(bool) {
    Flush();
    SubmitRecorded();
    FLastFrameValid = false;
    for (const TGLostRestore& entry : std::vector<TGLostRestore>(FLostRestore)) {
        if (entry.Lost) {
            entry.Lost();
        }
    }
    for (const TGLostRestore& entry : std::vector<TGLostRestore>(FLostRestore)) {
        if (entry.Restore) {
            entry.Restore();
        }
    }
    FAppliedValid = false;
    State.RenderTarget.reset();
    State.Viewport = TGRect{0, 0, FWidth, FHeight};
    State.ViewOffsetX = 0.0;
    State.ViewOffsetY = 0.0;
}

bool TGGraphicsDevice::BeginFrame() {
    if (FInScene) {
        return true;
    }
    if (FDeviceLost) {
        // The renderer can always be reset: lost objects are rebuilt, and this tick draws
        // nothing so that no time passes while the display was away.
        ResetDevice(false);
        FDeviceLost = false;
        return false;
    }
    uint64_t now = FTicks.NowMs();
    if (!FMeasureStarted) {
        FMeasureStarted = true;
        FLastMeasureMs = now;
    } else if (now - FLastMeasureMs > 100) {
        FFramesPerSecond = FFrameCount * 1000.0 / static_cast<double>(now - FLastMeasureMs);
        FLastMeasureMs = now;
        FFrameCount = 0;
    }
    ++FFrameCount;
    FFrameStats = TGFrameStats();
    FSceneSubmitted = false;
    FDrawList->StartRecording();
    FDrawList->BeginScene();
    FInScene = true;
    FApplied.VertexBuffer.reset();
    return true;
}

void TGGraphicsDevice::ClearScene() {
    ApplyState(true);
    if (!DrawDropped()) {
        FDrawList->Clear(0x00000000u);
    }
}

void TGGraphicsDevice::ClearTarget(uint32_t argb) {
    ApplyState(false);
    if (!DrawDropped()) {
        FDrawList->Clear(argb);
    }
}

void TGGraphicsDevice::EndFrame() {
    if (!FInScene) {
        return;
    }
    Flush();
    FDrawList->EndScene();
    FDrawList->StopRecording();
    FInScene = false;
    if (FFramesUnseen) {
        EndUnseenFrame();
        return;
    }
    uint64_t hash = FDrawList->Hash();
    FFrameSkipped = FSkipSameFrames && !FSceneSubmitted && FLastFrameValid && hash == FLastFrameHash;
    if (FFrameSkipped) {
        FDrawList->Discard();
        // What the skipped scene applied never reached the renderer.
        FAppliedValid = false;
        FFrameStats = TGFrameStats();
    } else {
        SubmitRecorded();
        FLastFrameHash = hash;
        FLastFrameValid = true;
        FFrameStats.Submitted = true;
    }
    FLastFrameStats = FFrameStats;
}

// What the scene drew into render targets is sent; the back buffer keeps the last seen scene,
// which the next seen one therefore cannot count on.
void TGGraphicsDevice::EndUnseenFrame() {
    SubmitRecorded();
    FLastFrameValid = false;
    FFrameSkipped = true;
    FLastFrameStats = FFrameStats;
}

void TGGraphicsDevice::PresentFrame() {
    if (FFrameSkipped) {
        return;
    }
    if (!FBackend.Present()) {
        FDeviceLost = true;
    }
}

void TGGraphicsDevice::SubmitRecorded() {
    if (FInScene) {
        FSceneSubmitted = true;
    }
    if (!FDrawList->Submit()) {
        FDrawFailed = true;
    }
}

std::vector<uint32_t> TGGraphicsDevice::ReadBackBuffer() {
    Flush();
    SubmitRecorded();
    return FBackend.ReadBackBuffer();
}

void TGGraphicsDevice::PushState() {
    if (FDepth + 1 > StackDepth) {
        throw EGError("TGGraphicsDevice.PushState", "Stack overflow");
    }
    ++FDepth;
    FStack[static_cast<size_t>(FDepth)] = State;
}

void TGGraphicsDevice::PopState() {
    if (FDepth == 0) {
        throw EGError("TGGraphicsDevice.PopState", "Empty stack");
    }
    State = FStack[static_cast<size_t>(FDepth)];
    FStack[static_cast<size_t>(FDepth)] = TGDeviceStateRec();
    --FDepth;
}

void TGGraphicsDevice::ApplyState(bool force) {
    bool all = force || !FAppliedValid;
    bool targetChanged = all || State.RenderTarget != FApplied.RenderTarget;
    bool viewportChanged = all || State.Viewport != FApplied.Viewport ||
                           State.ViewOffsetX != FApplied.ViewOffsetX ||
                           State.ViewOffsetY != FApplied.ViewOffsetY;
    // Buffers of one format share the renderer's vertex layout, so only the format counts.
    bool formatChanged =
        State.VertexBuffer &&
        (all || !FApplied.VertexBuffer || State.VertexBuffer->Format() != FApplied.VertexBuffer->Format());
    bool blendChanged = all || State.BlendMode != FApplied.BlendMode;
    bool stagesChanged = all || State.Stages != FApplied.Stages;
    if (!(targetChanged || viewportChanged || formatChanged || blendChanged || stagesChanged)) {
        if (State.VertexBuffer) {
            FApplied.VertexBuffer = State.VertexBuffer;
        }
        return;
    }
    // The batch was made under the old state.
    Flush();
    if (targetChanged) {
        auto* target = static_cast<TGTexture*>(State.RenderTarget.get());
        FDrawList->SetRenderTarget(State.RenderTarget, target ? target->Backend() : nullptr,
                                   target ? target->Serial() : 0);
        FApplied.RenderTarget = State.RenderTarget;
        ++FApplyCounts.RenderTarget;
    }
    if (viewportChanged) {
        FDrawList->SetViewport(State.Viewport, FScale, State.ViewOffsetX, State.ViewOffsetY);
        FApplied.Viewport = State.Viewport;
        FApplied.ViewOffsetX = State.ViewOffsetX;
        FApplied.ViewOffsetY = State.ViewOffsetY;
        ++FApplyCounts.Viewport;
    }
    if (formatChanged) {
        FDrawList->SetVertexFormat(static_cast<TGVertexFormat>(State.VertexBuffer->Format()));
        ++FApplyCounts.VertexFormat;
    }
    if (State.VertexBuffer) {
        FApplied.VertexBuffer = State.VertexBuffer;
    }
    if (blendChanged) {
        FDrawList->SetBlendMode(State.BlendMode);
        FApplied.BlendMode = State.BlendMode;
        ++FApplyCounts.BlendMode;
    }
    if (stagesChanged) {
        int highestTextured = -1;
        for (int i = 0; i < TGDeviceStateRec::StageCount; ++i) {
            const TGStageState& stage = State.Stages[static_cast<size_t>(i)];
            TGStageState& applied = FApplied.Stages[static_cast<size_t>(i)];
            if (stage.Texture) {
                highestTextured = i;
            }
            if (all || !(stage == applied)) {
                auto* texture = static_cast<TGTexture*>(stage.Texture.get());
                FDrawList->SetStage(i, stage.Texture, texture ? texture->Backend() : nullptr,
                                    texture ? texture->Serial() : 0, stage.Filter, stage.ColorOp);
                applied = stage;
                ++FApplyCounts.Stages;
            }
        }
        FDrawList->DisableStagesFrom(highestTextured + 1);
    }
    FAppliedValid = true;
}

void TGGraphicsDevice::DrawStrip(int triangles) {
    const IGVertexBuffer* buffer = State.VertexBuffer.get();
    if (!buffer || triangles <= 0 || triangles + 2 > buffer->Capacity()) {
        FDrawFailed = true;
        return;
    }
    ApplyState(false);
    if (DrawDropped()) {
        return;
    }
    if (FBatchVertices > 0 && (FBatchStride != buffer->Stride() || FBatchIsList)) {
        Flush();
    }
    AppendToBatch(*buffer, triangles);
    if (!FInScene) {
        Flush();
    }
}

void TGGraphicsDevice::DrawTriangles(int triangles) {
    const IGVertexBuffer* buffer = State.VertexBuffer.get();
    if (!buffer || triangles <= 0 || static_cast<int64_t>(triangles) * 3 > buffer->Capacity()) {
        FDrawFailed = true;
        return;
    }
    ApplyState(false);
    if (DrawDropped()) {
        return;
    }
    if (FBatchVertices > 0 && (FBatchStride != buffer->Stride() || !FBatchIsList)) {
        Flush();
    }
    AppendListToBatch(*buffer, triangles);
    if (!FInScene) {
        Flush();
    }
}

// Lists join by simply following each other.
void TGGraphicsDevice::AppendListToBatch(const IGVertexBuffer& buffer, int triangles) {
    const size_t stride = static_cast<size_t>(buffer.Stride());
    const size_t count = static_cast<size_t>(triangles) * 3;
    FBatch.insert(FBatch.end(), buffer.Data(), buffer.Data() + count * stride);
    FBatchVertices += static_cast<int>(count);
    FBatchStride = buffer.Stride();
    FBatchIsList = true;
}

// Strips are joined by repeating the last vertex of one and the first of the next, which
// makes triangles without area. Each strip starts at an even vertex, so its triangles keep
// the vertex order they would have when drawn alone, and so the very same pixels.
void TGGraphicsDevice::AppendToBatch(const IGVertexBuffer& buffer, int triangles) {
    const size_t stride = static_cast<size_t>(buffer.Stride());
    const uint8_t* vertices = buffer.Data();
    const size_t count = static_cast<size_t>(triangles) + 2;
    if (FBatchVertices > 0) {
        std::vector<uint8_t> last(FBatch.end() - static_cast<ptrdiff_t>(stride), FBatch.end());
        FBatch.insert(FBatch.end(), last.begin(), last.end());
        ++FBatchVertices;
        do {
            FBatch.insert(FBatch.end(), vertices, vertices + stride);
            ++FBatchVertices;
        } while (FBatchVertices % 2 != 0);
    }
    FBatch.insert(FBatch.end(), vertices, vertices + count * stride);
    FBatchVertices += static_cast<int>(count);
    FBatchStride = buffer.Stride();
    FBatchIsList = false;
}

void TGGraphicsDevice::CountDrawnChanges() {
    if (FFrameStats.DrawCalls == 1) {
        FDrawnTextures.fill(nullptr);
        FDrawnBlend = -1;
    }
    // Vertices without texture coordinates draw no texture, whatever the stages hold.
    const bool textured = FApplied.VertexBuffer && FApplied.VertexBuffer->Format() != vfXYZDiffuse;
    bool texturesChanged = false;
    for (size_t i = 0; i < FDrawnTextures.size(); ++i) {
        const IGTexture* texture = textured ? FApplied.Stages[i].Texture.get() : nullptr;
        texturesChanged = texturesChanged || texture != FDrawnTextures[i];
        FDrawnTextures[i] = texture;
    }
    if (texturesChanged) {
        ++FFrameStats.TextureSwitches;
    }
    if (FApplied.BlendMode != FDrawnBlend) {
        ++FFrameStats.BlendChanges;
        FDrawnBlend = FApplied.BlendMode;
    }
}

void TGGraphicsDevice::Flush() {
    if (FBatchVertices == 0) {
        return;
    }
    ++FFrameStats.DrawCalls;
    CountDrawnChanges();
    const bool drawn = FBatchIsList
                           ? FDrawList->DrawTriangles(FBatch.data(), FBatchStride, FBatchVertices / 3)
                           : FDrawList->DrawStrip(FBatch.data(), FBatchStride, FBatchVertices - 2);
    if (!drawn) {
        FDrawFailed = true;
    }
    FBatch.clear();
    FBatchVertices = 0;
}

namespace {

struct TXYZDiffuse {
    float X, Y, Z;
    uint32_t Color;
};
static_assert(sizeof(TXYZDiffuse) == 16);

} // namespace

void TGGraphicsDevice::FillRect(TGPointD a, TGPointD b, uint32_t color) {
    TGStateGuard guard(*this);
    PGVertexBuffer buffer = CommonVertexBuffer(vfXYZDiffuse, 4, sizeof(TXYZDiffuse));
    auto* v = reinterpret_cast<TXYZDiffuse*>(buffer->Lock(4, true));
    const TGPointD corners[4] = {{a.X, b.Y}, {b.X, b.Y}, {a.X, a.Y}, {b.X, a.Y}};
    for (int i = 0; i < 4; ++i) {
        v[i] = {static_cast<float>(corners[i].X - 0.5), static_cast<float>(corners[i].Y - 0.5), 0.0f, color};
    }
    buffer->Unlock();
    State.VertexBuffer = buffer;
    State.BlendMode = bmDefault;
    DrawStrip(2);
}

PGVertexBuffer TGGraphicsDevice::CommonVertexBuffer(int format, int count, int stride) {
    for (PGVertexBuffer& buffer : FVertexBuffers) {
        if (buffer->Format() != format) {
            continue;
        }
        if (buffer->Stride() != stride) {
            throw EGError::Failed("TGGraphicsDevice.CommonVertexBuffer");
        }
        if (buffer->Capacity() < count) {
            buffer = std::make_shared<TGVertexBuffer>(format, count, stride);
        }
        return buffer;
    }
    FVertexBuffers.push_back(std::make_shared<TGVertexBuffer>(format, count, stride));
    return FVertexBuffers.back();
}

PGTexture TGGraphicsDevice::CreateTexture(int width, int height, int format, bool renderTarget) {
    int limit = FBackend.MaxTextureSize();
    if (width <= 0 || height <= 0 || width > limit || height > limit) {
        throw EGError::Failed("TGGraphicsDevice.CreateTexture");
    }
    if (format != pfA4R4G4B4 && format != pfA1R5G5B5 && format != pfA8R8G8B8) {
        throw EGError("TGTexture.CreateD3DTexture", "Invalid pixel format");
    }
    std::unique_ptr<IGBackendTexture> backend = FBackend.CreateTexture(width, height, format, renderTarget);
    if (!backend && format != pfA8R8G8B8) {
        format = pfA8R8G8B8;
        backend = FBackend.CreateTexture(width, height, format, renderTarget);
    }
    if (!backend) {
        FOutOfVideoMemory = true;
        throw EGError("Out of video memory");
    }
    return std::make_shared<TGTexture>(*this, width, height, format, renderTarget, std::move(backend));
}

int TGGraphicsDevice::AdjustFormat(int format) const {
    switch (format) {
    case pfA1R5G5B5:
        return F16BitMode ? pfA1R5G5B5 : pfA8R8G8B8;
    case pfA4R4G4B4:
    case pfA8R8G8B8:
        return F16BitMode ? pfA4R4G4B4 : pfA8R8G8B8;
    default:
        throw EGError::Failed("TGGraphicsDevice.AdjustFormat");
    }
}

int64_t TGGraphicsDevice::GetVideoMem(TGMemoryKind kind) const {
    if (kind != mkLocal && kind != mkNonLocal && kind != mkTexture) {
        throw EGError::Failed("TGGraphicsDevice.GetVideoMem");
    }
    int64_t bytes = 0;
    if (FBackend.QueryVideoMemory(kind, bytes)) {
        return bytes;
    }
    return FFallbackVideoMemory;
}

void TGGraphicsDevice::EvictManagedTextures() {
    FBackend.EvictManagedTextures();
}

void TGGraphicsDevice::ProbeVideoMemory(int megabytes, const std::function<void(const std::string&)>& log) {
    constexpr int ProbeSide = 256;
    constexpr int TexturesPerMegabyte = 5;
    constexpr int64_t Megabyte = 1024 * 1024;
    auto figures = [this, &log] {
        log("---------------");
        log(Format("Local video memory: %lld MB", static_cast<long long>(GetVideoMem(mkLocal) / Megabyte)));
        log(Format("Non-local video memory: %lld MB",
                   static_cast<long long>(GetVideoMem(mkNonLocal) / Megabyte)));
        log(Format("Texture memory: %lld MB", static_cast<long long>(GetVideoMem(mkTexture) / Megabyte)));
    };
    log(Format("Trying %d MB", megabytes));
    figures();
    std::vector<PGTexture> textures;
    bool retried = false;
    while (static_cast<int>(textures.size()) < TexturesPerMegabyte * megabytes) {
        try {
            textures.push_back(CreateTexture(ProbeSide, ProbeSide, pfA8R8G8B8, false));
        } catch (const EGError&) {
            if (!FOutOfVideoMemory || retried) {
                throw;
            }
            retried = true;
            log(Format("Out of video memory after %zu textures", textures.size()));
            figures();
            FOutOfVideoMemory = false;
            EvictManagedTextures();
            log("Managed textures evicted");
            figures();
        }
    }
    log("The textures fit");
}

void TGGraphicsDevice::RegisterLostRestore(const void* owner, std::function<void()> lost,
                                           std::function<void()> restore) {
    FLostRestore.push_back({owner, std::move(lost), std::move(restore)});
}

void TGGraphicsDevice::UnregisterLostRestore(const void* owner) {
    std::erase_if(FLostRestore, [owner](const TGLostRestore& entry) { return entry.Owner == owner; });
}

} // namespace qm
