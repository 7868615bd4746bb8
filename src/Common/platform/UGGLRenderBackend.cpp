#include "UGGLRenderBackend.h"

#include "UGError.h"
#include "UGSDLWindow.h"

#include <SDL.h>
#include <algorithm>
#include <epoxy/gl.h>

namespace qm {

TGGLRenderBackend::TGGLRenderBackend(TGSDLWindow& window) : FWindow(window) {}

TGGLRenderBackend::~TGGLRenderBackend() {
    DeleteBackBuffer();
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
    glGenTextures(1, &FColorTexture);
    glBindTexture(GL_TEXTURE_2D, FColorTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, FWidth, FHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glGenFramebuffers(1, &FFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, FFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, FColorTexture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        throw EGError("TGGLRenderBackend.SetMode", "the back buffer cannot be created");
    }
    glViewport(0, 0, FWidth, FHeight);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
}

int TGGLRenderBackend::MaxTextureSize() const {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}

std::unique_ptr<IGBackendTexture> TGGLRenderBackend::CreateTexture(int, int, int, bool) {
    return nullptr;
}

void TGGLRenderBackend::BeginScene() {
    glBindFramebuffer(GL_FRAMEBUFFER, FFramebuffer);
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
    double scale =
        std::min(static_cast<double>(drawableWidth) / FWidth, static_cast<double>(drawableHeight) / FHeight);
    int width = static_cast<int>(FWidth * scale);
    int height = static_cast<int>(FHeight * scale);
    int left = (drawableWidth - width) / 2;
    int bottom = (drawableHeight - height) / 2;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, FFramebuffer);
    glViewport(0, 0, drawableWidth, drawableHeight);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBlitFramebuffer(0, 0, FWidth, FHeight, left, bottom, left + width, bottom + height, GL_COLOR_BUFFER_BIT,
                      scale == 1.0 ? GL_NEAREST : GL_LINEAR);
    SDL_GL_SwapWindow(FWindow.Handle());
    glBindFramebuffer(GL_FRAMEBUFFER, FFramebuffer);
    return true;
}

void TGGLRenderBackend::SetRenderTarget(IGBackendTexture*) {}
void TGGLRenderBackend::SetViewport(const TGRect&, double, double, double) {}
void TGGLRenderBackend::SetVertexFormat(int) {}
void TGGLRenderBackend::SetBlendMode(int) {}
void TGGLRenderBackend::SetStage(int, IGBackendTexture*, int, int) {}
void TGGLRenderBackend::DisableStagesFrom(int) {}
bool TGGLRenderBackend::DrawStrip(const uint8_t*, int, int) {
    return false;
}

std::vector<uint32_t> TGGLRenderBackend::ReadBackBuffer() {
    std::vector<uint8_t> rgba(static_cast<size_t>(FWidth) * FHeight * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, FFramebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, FWidth, FHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
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

bool TGGLRenderBackend::QueryVideoMemory(int, int64_t&) {
    return false;
}

} // namespace qm
