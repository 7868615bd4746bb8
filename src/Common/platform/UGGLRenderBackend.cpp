#include "UGGLRenderBackend.h"

#include "UGError.h"
#include "UGLetterbox.h"
#include "UGSDLWindow.h"
#include "UGStrings.h"

#include <SDL.h>
#include <algorithm>
#include <epoxy/gl.h>
#include <string>
#include <utility>

namespace qm {

namespace {

struct TFormatInfo {
    GLenum InternalFormat;
    GLenum Type;
};

// The engine keeps texels as little-endian ARGB words; read as BGRA with the reversed packed
// types, GL takes them as they are, and the 16-bit formats stay 16-bit in video memory.
TFormatInfo FormatInfo(int format) {
    switch (format) {
    case pfA4R4G4B4:
        return {GL_RGBA4, GL_UNSIGNED_SHORT_4_4_4_4_REV};
    case pfA1R5G5B5:
        return {GL_RGB5_A1, GL_UNSIGNED_SHORT_1_5_5_5_REV};
    default:
        return {GL_RGBA8, GL_UNSIGNED_INT_8_8_8_8_REV};
    }
}

// Uploads and read-backs go through a unit of their own so that no stage loses its texture.
void BindForTransfer(GLuint texture) {
    glActiveTexture(GL_TEXTURE0 + TGGLRenderBackend::StageCount);
    glBindTexture(GL_TEXTURE_2D, texture);
}

// Errors left by earlier calls must not be blamed on the call about to be checked.
void ClearErrors() {
    while (glGetError() != GL_NO_ERROR) {
    }
}

const char* const VertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec4 aColor;
layout(location = 2) in vec2 aTexCoord;
uniform vec4 uTransform;
out vec4 vColor;
out vec2 vTexCoord;
void main() {
    gl_Position = vec4(aPosition.x * uTransform.x + uTransform.y, aPosition.y * uTransform.z + uTransform.w,
                       0.0, 1.0);
    vColor = aColor;
    vTexCoord = aTexCoord;
}
)";

// Every stage colours from its own texture and the vertex colour, never from the stage below,
// so the highest stage in use decides the result alone. Each highest stage (or none) gets a
// program of its own: a software renderer runs every branch of a shader for every pixel, so a
// choice among six samplers at run time would sample all six.
const char* const FragmentShaderBody = R"(
in vec4 vColor;
in vec2 vTexCoord;
uniform sampler2D uTextures[6];
uniform int uColorOp;
out vec4 oColor;
void main() {
    vec4 color = vColor;
#if TOP_STAGE >= 0
    vec4 texel = texture(uTextures[TOP_STAGE], vTexCoord);
    color = uColorOp == 0 ? texel : uColorOp == 1 ? vColor : texel * vColor;
#endif
    // The alpha test: what would be stored with alpha 0 never reaches the target, whatever the
    // blending.
    if (color.a * 255.0 < 0.5) {
        discard;
    }
    oColor = color;
}
)";

std::string FragmentShader(int topStage) {
    return "#version 330 core\n#define TOP_STAGE " + std::to_string(topStage) + "\n" + FragmentShaderBody;
}

// Owns one shader or program name until it is handed on, so that every way out of a failed
// build deletes what was made.
class TGLName {
public:
    TGLName(GLuint name, void (*remove)(GLuint)) : FName(name), FRemove(remove) {}
    ~TGLName() {
        if (FName) {
            FRemove(FName);
        }
    }
    TGLName(const TGLName&) = delete;
    TGLName& operator=(const TGLName&) = delete;
    GLuint Get() const { return FName; }
    GLuint Release() { return std::exchange(FName, 0u); }

private:
    GLuint FName;
    void (*FRemove)(GLuint);
};

void DeleteShader(GLuint name) {
    glDeleteShader(name);
}
void DeleteProgram(GLuint name) {
    glDeleteProgram(name);
}

GLuint CompileShader(GLenum kind, const char* source) {
    TGLName shader(glCreateShader(kind), DeleteShader);
    glShaderSource(shader.Get(), 1, &source, nullptr);
    glCompileShader(shader.Get());
    GLint ok = GL_FALSE;
    glGetShaderiv(shader.Get(), GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader.Get(), sizeof(log), nullptr, log);
        throw EGError("TGGLRenderBackend.CompileShader", log);
    }
    return shader.Release();
}

} // namespace

class TGLTexture : public IGBackendTexture {
public:
    TGLTexture(TGGLRenderBackend& owner, int width, int height, int format)
        : FOwner(owner), FWidth(width), FHeight(height), FFormat(format) {}
    ~TGLTexture() override {
        FOwner.Forget(this);
        if (FFramebuffer) {
            glDeleteFramebuffers(1, &FFramebuffer);
        }
        glDeleteTextures(1, &FTexture);
    }
    TGLTexture(const TGLTexture&) = delete;
    TGLTexture& operator=(const TGLTexture&) = delete;

    // False when GL refuses the storage (out of memory) or cannot render into it.
    bool Create(bool renderTarget) {
        TFormatInfo info = FormatInfo(FFormat);
        ClearErrors();
        glGenTextures(1, &FTexture);
        BindForTransfer(FTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        // The engine's copy of a new texture is zero-filled; the video copy must match it.
        std::vector<uint8_t> zeros(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight) *
                                   static_cast<size_t>(BytesPerPixel(FFormat)));
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(info.InternalFormat), FWidth, FHeight, 0, GL_BGRA,
                     info.Type, zeros.data());
        if (glGetError() != GL_NO_ERROR) {
            return false;
        }
        if (renderTarget) {
            glGenFramebuffers(1, &FFramebuffer);
            glBindFramebuffer(GL_FRAMEBUFFER, FFramebuffer);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, FTexture, 0);
            bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
            glBindFramebuffer(GL_FRAMEBUFFER, FOwner.TargetFramebuffer());
            if (!complete || glGetError() != GL_NO_ERROR) {
                return false;
            }
        }
        return true;
    }

    void Upload(const TGRect& rect, const uint8_t* bits, int pitch) override {
        TFormatInfo info = FormatInfo(FFormat);
        BindForTransfer(FTexture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, pitch / BytesPerPixel(FFormat));
        glTexSubImage2D(GL_TEXTURE_2D, 0, rect.Left, rect.Top, rect.Width(), rect.Height(), GL_BGRA,
                        info.Type, bits);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    }

    // Render targets are drawn with their top row at row 0, like uploaded textures, so the
    // texture image reads back upright.
    void Download(uint8_t* bits) override {
        BindForTransfer(FTexture);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, FormatInfo(FFormat).Type, bits);
    }

    GLuint Texture() const { return FTexture; }
    GLuint Framebuffer() const { return FFramebuffer; }
    int Height() const { return FHeight; }

private:
    TGGLRenderBackend& FOwner;
    int FWidth;
    int FHeight;
    int FFormat;
    GLuint FTexture = 0;
    GLuint FFramebuffer = 0;
};

TGGLRenderBackend::TGGLRenderBackend(TGSDLWindow& window) : FWindow(window) {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    FMaxTextureSize = size;
    CreatePipeline();
}

TGGLRenderBackend::~TGGLRenderBackend() {
    DeleteBackBuffer();
    glDeleteSamplers(static_cast<GLsizei>(FSamplers.size()), FSamplers.data());
    glDeleteBuffers(VertexFormatCount, FVertexBuffers.data());
    glDeleteVertexArrays(VertexFormatCount, FVertexArrays.data());
    for (const TProgram& program : FPrograms) {
        glDeleteProgram(program.Name);
    }
}

unsigned TGGLRenderBackend::BuildProgram(const char* vertexSource, const char* fragmentSource) {
    TGLName vertex(CompileShader(GL_VERTEX_SHADER, vertexSource), DeleteShader);
    TGLName fragment(CompileShader(GL_FRAGMENT_SHADER, fragmentSource), DeleteShader);
    TGLName program(glCreateProgram(), DeleteProgram);
    glAttachShader(program.Get(), vertex.Get());
    glAttachShader(program.Get(), fragment.Get());
    glLinkProgram(program.Get());
    GLint ok = GL_FALSE;
    glGetProgramiv(program.Get(), GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetProgramInfoLog(program.Get(), sizeof(log), nullptr, log);
        throw EGError("TGGLRenderBackend.CreatePipeline", log);
    }
    // The linked program keeps what it needs of the shaders.
    glDetachShader(program.Get(), vertex.Get());
    glDetachShader(program.Get(), fragment.Get());
    return program.Release();
}

void TGGLRenderBackend::CreatePipeline() {
    for (int top = -1; top < StageCount; ++top) {
        TProgram& program = FPrograms[static_cast<size_t>(top + 1)];
        program.Name = BuildProgram(VertexShader, FragmentShader(top).c_str());
        glUseProgram(program.Name);
        program.Transform = glGetUniformLocation(program.Name, "uTransform");
        program.ColorOp = glGetUniformLocation(program.Name, "uColorOp");
        for (int i = 0; i < StageCount; ++i) {
            std::string name = "uTextures[" + std::to_string(i) + "]";
            glUniform1i(glGetUniformLocation(program.Name, name.c_str()), i);
        }
    }
    UseProgram(-1);

    glGenSamplers(static_cast<GLsizei>(FSamplers.size()), FSamplers.data());
    const GLint filters[2] = {GL_LINEAR, GL_NEAREST};
    for (size_t i = 0; i < FSamplers.size(); ++i) {
        glSamplerParameteri(FSamplers[i], GL_TEXTURE_MIN_FILTER, filters[i]);
        glSamplerParameteri(FSamplers[i], GL_TEXTURE_MAG_FILTER, filters[i]);
    }
    for (int i = 0; i < StageCount; ++i) {
        glBindSampler(static_cast<GLuint>(i), FSamplers[0]);
    }

    glGenVertexArrays(VertexFormatCount, FVertexArrays.data());
    glGenBuffers(VertexFormatCount, FVertexBuffers.data());
    SpecifyVertexLayout(vfXYZDiffuse, 16);
    SpecifyVertexLayout(vfXYZDiffuseTex1, 24);
    glBindVertexArray(0);

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    if (glGetError() != GL_NO_ERROR) {
        throw EGError::Failed("TGGLRenderBackend.CreatePipeline");
    }
}

void TGGLRenderBackend::SpecifyVertexLayout(int format, int stride) {
    glBindVertexArray(FVertexArrays[static_cast<size_t>(format)]);
    glBindBuffer(GL_ARRAY_BUFFER, FVertexBuffers[static_cast<size_t>(format)]);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(0));
    // The ARGB word is the bytes B, G, R, A in memory.
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<const void*>(12));
    if (format == vfXYZDiffuseTex1) {
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(16));
    }
    FLayoutStrides[static_cast<size_t>(format)] = stride;
}

void TGGLRenderBackend::DeleteBackBuffer() {
    if (FFramebuffer) {
        glDeleteFramebuffers(1, &FFramebuffer);
        glDeleteTextures(1, &FColorTexture);
        FFramebuffer = 0;
        FColorTexture = 0;
    }
}

void TGGLRenderBackend::SetMode(int width, int height) {
    DeleteBackBuffer();
    FWidth = width;
    FHeight = height;
    ClearErrors();
    glGenTextures(1, &FColorTexture);
    BindForTransfer(FColorTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, FWidth, FHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glGenFramebuffers(1, &FFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, FFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, FColorTexture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE || glGetError() != GL_NO_ERROR) {
        throw EGError("TGGLRenderBackend.SetMode", "the back buffer cannot be created");
    }
    FTarget = nullptr;
    FViewport = TGRect{0, 0, FWidth, FHeight};
    UpdateTransform();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
}

int TGGLRenderBackend::MaxTextureSize() const {
    return FMaxTextureSize;
}

std::unique_ptr<IGBackendTexture> TGGLRenderBackend::CreateTexture(int width, int height, int format,
                                                                   bool renderTarget) {
    if (format != pfA4R4G4B4 && format != pfA1R5G5B5 && format != pfA8R8G8B8) {
        return nullptr;
    }
    auto texture = std::make_unique<TGLTexture>(*this, width, height, format);
    if (!texture->Create(renderTarget)) {
        return nullptr;
    }
    return texture;
}

unsigned TGGLRenderBackend::TargetFramebuffer() const {
    return FTarget ? FTarget->Framebuffer() : FFramebuffer;
}

void TGGLRenderBackend::Forget(const TGLTexture* texture) {
    for (int i = 0; i < StageCount; ++i) {
        if (FStages[static_cast<size_t>(i)].Texture == texture) {
            FStages[static_cast<size_t>(i)].Texture = nullptr;
            glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
            glBindTexture(GL_TEXTURE_2D, 0);
        }
    }
    if (FTarget == texture) {
        SetRenderTarget(nullptr);
    }
}

void TGGLRenderBackend::BeginScene() {
    glBindFramebuffer(GL_FRAMEBUFFER, TargetFramebuffer());
}

void TGGLRenderBackend::Clear(uint32_t argb) {
    glClearColor(((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
                 (argb >> 24) / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void TGGLRenderBackend::EndScene() {}

bool TGGLRenderBackend::Present() {
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(FWindow.Handle(), &drawableWidth, &drawableHeight);
    TGLetterbox box = ComputeLetterbox(drawableWidth, drawableHeight, FWidth, FHeight);
    // GL counts rows from the bottom.
    int bottom = drawableHeight - box.Top - box.Height;
    bool unscaled = box.Width == FWidth && box.Height == FHeight;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, FFramebuffer);
    glViewport(0, 0, drawableWidth, drawableHeight);
    // Only the bars need clearing; a picture that fills the window covers every pixel.
    if (box.Width != drawableWidth || box.Height != drawableHeight) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glBlitFramebuffer(0, 0, FWidth, FHeight, box.Left, bottom, box.Left + box.Width, bottom + box.Height,
                      GL_COLOR_BUFFER_BIT, unscaled ? GL_NEAREST : GL_LINEAR);
    SDL_GL_SwapWindow(FWindow.Handle());
    // The device believes its target and viewport are still in place.
    glBindFramebuffer(GL_FRAMEBUFFER, TargetFramebuffer());
    UpdateTransform();
    return true;
}

void TGGLRenderBackend::SetRenderTarget(IGBackendTexture* target) {
    FTarget = static_cast<TGLTexture*>(target);
    glBindFramebuffer(GL_FRAMEBUFFER, TargetFramebuffer());
    UpdateTransform();
}

void TGGLRenderBackend::SetViewport(const TGRect& viewport, double scale, double offsetX, double offsetY) {
    FViewport = viewport;
    FScale = scale > 0 ? scale : 1.0;
    FOffsetX = offsetX;
    FOffsetY = offsetY;
    UpdateTransform();
}

// Positions carry the -0.5 of pixel centres at whole numbers; half a pixel added here puts a
// rectangle from (10, 10) to (20, 20) exactly on pixels 10 to 19. The back buffer keeps GL's
// bottom-up rows (Present and ReadBackBuffer rely on it); render targets are drawn top row at
// row 0 so that they read back and sample like uploaded textures.
void TGGLRenderBackend::UpdateTransform() {
    int width = std::max(FViewport.Width(), 1);
    int height = std::max(FViewport.Height(), 1);
    bool topDown = FTarget != nullptr;
    int targetHeight = FTarget ? FTarget->Height() : FHeight;
    glViewport(FViewport.Left, topDown ? FViewport.Top : targetHeight - FViewport.Bottom, width, height);
    double xScale = 2.0 * FScale / width;
    double xBias = 2.0 * (FOffsetX * FScale + 0.5) / width - 1.0;
    double yScale = 2.0 * FScale / height;
    double yBias = 2.0 * (FOffsetY * FScale + 0.5) / height - 1.0;
    if (!topDown) {
        yScale = -yScale;
        yBias = -yBias;
    }
    FTransform = {static_cast<float>(xScale), static_cast<float>(xBias), static_cast<float>(yScale),
                  static_cast<float>(yBias)};
    const TProgram& program = FPrograms[static_cast<size_t>(FTopStage + 1)];
    glUniform4f(program.Transform, FTransform[0], FTransform[1], FTransform[2], FTransform[3]);
}

// A program switched to gets the transform and colour operation of the one before.
void TGGLRenderBackend::UseProgram(int topStage) {
    FTopStage = topStage;
    const TProgram& program = FPrograms[static_cast<size_t>(topStage + 1)];
    glUseProgram(program.Name);
    glUniform4f(program.Transform, FTransform[0], FTransform[1], FTransform[2], FTransform[3]);
    glUniform1i(program.ColorOp, FColorOp);
}

void TGGLRenderBackend::SetVSync(bool on) {
    // Drivers without it keep swapping at once, which is what "off" asks anyway.
    SDL_GL_SetSwapInterval(on ? 1 : 0);
}

void TGGLRenderBackend::SetVertexFormat(TGVertexFormat format) {
    if (format < 0 || format >= VertexFormatCount) {
        return;
    }
    FVertexFormat = format;
    glBindVertexArray(FVertexArrays[static_cast<size_t>(format)]);
}

void TGGLRenderBackend::SetBlendMode(TGBlendMode mode) {
    switch (mode) {
    case bmNone:
        glDisable(GL_BLEND);
        return;
    case bmDefault:
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
    case bmAdd:
        glBlendFunc(GL_ONE, GL_ONE);
        break;
    case bmMul:
        glBlendFunc(GL_ZERO, GL_SRC_COLOR);
        break;
    case bmIntense:
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
    default:
        return;
    }
    glEnable(GL_BLEND);
}

void TGGLRenderBackend::SetStage(int stage, IGBackendTexture* texture, TGTextureFilter filter,
                                 TGColorOp colorOp) {
    if (stage < 0 || stage >= StageCount) {
        return;
    }
    TStage& state = FStages[static_cast<size_t>(stage)];
    state.Texture = static_cast<TGLTexture*>(texture);
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(stage));
    glBindTexture(GL_TEXTURE_2D, state.Texture ? state.Texture->Texture() : 0);
    // Values outside the known ones leave the previous setting, as the device expects.
    if (filter == tfLinear || filter == tfPoint) {
        state.Filter = filter;
        glBindSampler(static_cast<GLuint>(stage), FSamplers[static_cast<size_t>(filter)]);
    }
    if (colorOp == coTexture || colorOp == coDiffuse || colorOp == coModulate) {
        state.ColorOp = colorOp;
    }
}

void TGGLRenderBackend::DisableStagesFrom(int stage) {
    FEnabledStages = std::clamp(stage, 0, StageCount);
}

bool TGGLRenderBackend::DrawStrip(const uint8_t* vertices, int stride, int triangles) {
    return triangles > 0 && DrawArrays(GL_TRIANGLE_STRIP, vertices, stride, triangles + 2);
}

bool TGGLRenderBackend::DrawTriangles(const uint8_t* vertices, int stride, int triangles) {
    return triangles > 0 && DrawArrays(GL_TRIANGLES, vertices, stride, triangles * 3);
}

bool TGGLRenderBackend::DrawArrays(unsigned mode, const uint8_t* vertices, int stride, int count) {
    if (!vertices || FVertexFormat < 0 || stride < (FVertexFormat == vfXYZDiffuse ? 16 : 24)) {
        return false;
    }
    int topStage = -1;
    if (FVertexFormat == vfXYZDiffuseTex1) {
        for (int i = FEnabledStages - 1; i >= 0; --i) {
            if (FStages[static_cast<size_t>(i)].Texture) {
                topStage = i;
                break;
            }
        }
    }
    int colorOp = topStage >= 0 ? FStages[static_cast<size_t>(topStage)].ColorOp : 0;
    if (colorOp != FColorOp) {
        FColorOp = colorOp;
        if (topStage == FTopStage) {
            glUniform1i(FPrograms[static_cast<size_t>(topStage + 1)].ColorOp, colorOp);
        }
    }
    if (topStage != FTopStage) {
        UseProgram(topStage);
    }
    ClearErrors();
    auto format = static_cast<size_t>(FVertexFormat);
    if (FLayoutStrides[format] != stride) {
        SpecifyVertexLayout(FVertexFormat, stride);
    }
    glBindBuffer(GL_ARRAY_BUFFER, FVertexBuffers[format]);
    // A fresh store each draw lets GL keep drawing from the previous one meanwhile.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * stride, vertices, GL_STREAM_DRAW);
    glDrawArrays(mode, 0, count);
    return glGetError() == GL_NO_ERROR;
}

std::vector<uint32_t> TGGLRenderBackend::ReadBackBuffer() {
    std::vector<uint8_t> rgba(static_cast<size_t>(FWidth) * FHeight * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, FFramebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, FWidth, FHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, TargetFramebuffer());
    std::vector<uint32_t> argb(static_cast<size_t>(FWidth) * FHeight);
    for (int y = 0; y < FHeight; ++y) {
        const uint8_t* row = rgba.data() + static_cast<size_t>(FHeight - 1 - y) * FWidth * 4;
        for (int x = 0; x < FWidth; ++x) {
            const uint8_t* p = row + static_cast<size_t>(x) * 4;
            argb[static_cast<size_t>(y) * FWidth + x] =
                static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
        }
    }
    return argb;
}

bool TGGLRenderBackend::QueryVideoMemory(TGMemoryKind kind, int64_t& bytes) {
    GLint kilobytes[4] = {};
    if (epoxy_has_gl_extension("GL_NVX_gpu_memory_info")) {
        // The figures are of the card's own memory; there is none for system memory.
        if (kind != mkLocal && kind != mkTexture) {
            return false;
        }
        glGetIntegerv(GL_GPU_MEMORY_INFO_CURRENT_AVAILABLE_VIDMEM_NVX, kilobytes);
    } else if (epoxy_has_gl_extension("GL_ATI_meminfo")) {
        // Free texture memory: [0] in the card's own pool, [2] in the auxiliary (system) pool.
        if (kind != mkLocal && kind != mkNonLocal && kind != mkTexture) {
            return false;
        }
        glGetIntegerv(GL_TEXTURE_FREE_MEMORY_ATI, kilobytes);
        if (kind == mkNonLocal) {
            kilobytes[0] = kilobytes[2];
        }
    } else {
        return false;
    }
    bytes = static_cast<int64_t>(kilobytes[0]) * 1024;
    return true;
}

} // namespace qm
