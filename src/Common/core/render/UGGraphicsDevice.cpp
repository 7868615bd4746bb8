#include "UGGraphicsDevice.h"

#include "UGError.h"
#include "UGStrings.h"
#include "UGWindow.h"

#include <algorithm>
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
        if (FWritable && FBackend && FLockedRect.Width() > 0 && FLockedRect.Height() > 0) {
            int pitch = Pitch();
            FBackend->Upload(FLockedRect,
                             FTexels.data() + static_cast<size_t>(FLockedRect.Top) * pitch +
                                 static_cast<size_t>(FLockedRect.Left) * BytesPerPixel(FFormat),
                             pitch);
        }
    }

    IGBackendTexture* Backend() const { return FBackend.get(); }

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

TGGraphicsDevice::TGGraphicsDevice(IGRenderBackend& backend, IGWindow* window, IGTickSource& ticks,
                                   const PGXMLNode& config)
    : FBackend(backend), FWindow(window), FTicks(ticks), FStack(StackDepth + 1) {
    if (config) {
        int64_t megabytes = config->GetIntDef("DefaultVideoMemoryMb", 512);
        FFallbackVideoMemory = std::max<int64_t>(megabytes, 512) * 1024 * 1024;
    }
}

TGGraphicsDevice::~TGGraphicsDevice() {
    State = TGDeviceStateRec();
    FApplied = TGDeviceStateRec();
    FStack.clear();
}

void TGGraphicsDevice::SetMode(int width, int height, double scale) {
    FWidth = width;
    FHeight = height;
    FScale = scale > 0 ? scale : 1.0;
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
    FBackend.BeginScene();
    FInScene = true;
    FApplied.VertexBuffer.reset();
    return true;
}

void TGGraphicsDevice::ClearScene() {
    ApplyState(true);
    FBackend.Clear(0x00000000u);
}

void TGGraphicsDevice::EndFrame() {
    if (FInScene) {
        FBackend.EndScene();
        FInScene = false;
    }
}

void TGGraphicsDevice::PresentFrame() {
    if (!FBackend.Present()) {
        FDeviceLost = true;
    }
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
    if (all || State.RenderTarget != FApplied.RenderTarget) {
        auto* target = static_cast<TGTexture*>(State.RenderTarget.get());
        FBackend.SetRenderTarget(target ? target->Backend() : nullptr);
        FApplied.RenderTarget = State.RenderTarget;
        ++FApplyCounts.RenderTarget;
    }
    if (all || State.Viewport != FApplied.Viewport || State.ViewOffsetX != FApplied.ViewOffsetX ||
        State.ViewOffsetY != FApplied.ViewOffsetY) {
        FBackend.SetViewport(State.Viewport, FScale, State.ViewOffsetX, State.ViewOffsetY);
        FApplied.Viewport = State.Viewport;
        FApplied.ViewOffsetX = State.ViewOffsetX;
        FApplied.ViewOffsetY = State.ViewOffsetY;
        ++FApplyCounts.Viewport;
    }
    if (State.VertexBuffer && (all || State.VertexBuffer != FApplied.VertexBuffer)) {
        FBackend.SetVertexFormat(State.VertexBuffer->Format());
        FApplied.VertexBuffer = State.VertexBuffer;
        ++FApplyCounts.VertexFormat;
    }
    if (all || State.BlendMode != FApplied.BlendMode) {
        FBackend.SetBlendMode(State.BlendMode);
        FApplied.BlendMode = State.BlendMode;
        ++FApplyCounts.BlendMode;
    }
    int highestTextured = -1;
    for (int i = 0; i < TGDeviceStateRec::StageCount; ++i) {
        const TGStageState& stage = State.Stages[static_cast<size_t>(i)];
        if (stage.Texture) {
            highestTextured = i;
        }
        if (all || !(stage == FApplied.Stages[static_cast<size_t>(i)])) {
            auto* texture = static_cast<TGTexture*>(stage.Texture.get());
            FBackend.SetStage(i, texture ? texture->Backend() : nullptr, stage.Filter, stage.ColorOp);
            FApplied.Stages[static_cast<size_t>(i)] = stage;
            ++FApplyCounts.Stages;
        }
    }
    FBackend.DisableStagesFrom(highestTextured + 1);
    FAppliedValid = true;
}

void TGGraphicsDevice::DrawStrip(int triangles) {
    ApplyState(false);
    if (!State.VertexBuffer) {
        FDrawFailed = true;
        return;
    }
    if (!FBackend.DrawStrip(State.VertexBuffer->Data(), State.VertexBuffer->Stride(), triangles)) {
        FDrawFailed = true;
    }
}

namespace {

struct TXYZDiffuse {
    float X, Y, Z;
    uint32_t Color;
};
static_assert(sizeof(TXYZDiffuse) == 16);

} // namespace

void TGGraphicsDevice::FillRect(TGPointD a, TGPointD b, uint32_t color) {
    PushState();
    try {
        PGVertexBuffer buffer = CommonVertexBuffer(vfXYZDiffuse, 4, sizeof(TXYZDiffuse));
        auto* v = reinterpret_cast<TXYZDiffuse*>(buffer->Lock(4, true));
        const TGPointD corners[4] = {{a.X, b.Y}, {b.X, b.Y}, {a.X, a.Y}, {b.X, a.Y}};
        for (int i = 0; i < 4; ++i) {
            v[i] = {static_cast<float>(corners[i].X - 0.5), static_cast<float>(corners[i].Y - 0.5), 0.0f,
                    color};
        }
        buffer->Unlock();
        State.VertexBuffer = buffer;
        State.BlendMode = bmDefault;
        DrawStrip(2);
    } catch (...) {
        PopState();
        throw;
    }
    PopState();
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

int64_t TGGraphicsDevice::GetVideoMem(int kind) const {
    if (kind < 0 || kind > 2) {
        throw EGError::Failed("TGGraphicsDevice.GetVideoMem");
    }
    int64_t bytes = 0;
    if (FBackend.QueryVideoMemory(kind, bytes)) {
        return bytes;
    }
    return FFallbackVideoMemory;
}

void TGGraphicsDevice::RegisterLostRestore(const void* owner, std::function<void()> lost,
                                           std::function<void()> restore) {
    FLostRestore.push_back({owner, std::move(lost), std::move(restore)});
}

void TGGraphicsDevice::UnregisterLostRestore(const void* owner) {
    std::erase_if(FLostRestore, [owner](const TGLostRestore& entry) { return entry.Owner == owner; });
}

} // namespace qm
