#include "UGSDLProgressWindow.h"

#include "UGError.h"
#include "UGStrings.h"

#include <vector>

namespace qm {

namespace {

// SDL may draw a window surface through a renderer of its own, which takes over the current
// OpenGL context; the main window's renderer expects to find its context current again.
class TKeepGLContext {
public:
    TKeepGLContext() : FWindow(SDL_GL_GetCurrentWindow()), FContext(SDL_GL_GetCurrentContext()) {}
    ~TKeepGLContext() {
        if (FContext && (SDL_GL_GetCurrentContext() != FContext || SDL_GL_GetCurrentWindow() != FWindow)) {
            SDL_GL_MakeCurrent(FWindow, FContext);
        }
    }
    TKeepGLContext(const TKeepGLContext&) = delete;
    TKeepGLContext& operator=(const TKeepGLContext&) = delete;

private:
    SDL_Window* FWindow;
    SDL_GLContext FContext;
};

} // namespace

TGSDLProgressWindow::~TGSDLProgressWindow() {
    Hide();
    if (FOwnsVideo) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

void TGSDLProgressWindow::Show(int width, int height) {
    Hide();
    TKeepGLContext keep;
    // Normally the main window has started SDL's video already; standing alone the window
    // starts it itself and gives it back when it goes.
    if (!SDL_WasInit(SDL_INIT_VIDEO) && !FOwnsVideo) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            throw EGError("TGSDLProgressWindow.Show", Format("SDL video: %s", SDL_GetError()));
        }
        FOwnsVideo = true;
    }
    FWindow = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                               SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN | SDL_WINDOW_SKIP_TASKBAR);
    if (!FWindow) {
        throw EGError("TGSDLProgressWindow.Show", Format("cannot open the window: %s", SDL_GetError()));
    }
    FWidth = width;
    FHeight = height;
}

void TGSDLProgressWindow::Present(const std::vector<uint32_t>& argb) {
    if (!FWindow || argb.size() != static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight)) {
        return;
    }
    TKeepGLContext keep;
    SDL_Surface* target = SDL_GetWindowSurface(FWindow);
    if (!target) {
        return;
    }
    // SDL only reads the pixels through the wrapping surface.
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(argb.data()), FWidth, FHeight, 32, FWidth * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!source) {
        return;
    }
    SDL_BlitSurface(source, nullptr, target, nullptr);
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurface(FWindow);
    ++FPresents;
}

void TGSDLProgressWindow::Hide() {
    if (FWindow) {
        TKeepGLContext keep;
        SDL_DestroyWindow(FWindow);
        FWindow = nullptr;
    }
}

void TGSDLProgressWindow::ProcessMessages() {
    if (!FWindow) {
        return;
    }
    SDL_PumpEvents();
    // Only this window's events are taken from the queue; the main window's window events go
    // back for it, behind its other events. A close request is dropped, as the work cannot be
    // interrupted; an uncovered window shows the picture its surface still holds.
    Uint32 id = SDL_GetWindowID(FWindow);
    std::vector<SDL_Event> others;
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT) == 1) {
        if (event.window.windowID != id) {
            others.push_back(event);
        } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED && FPresents > 0) {
            TKeepGLContext keep;
            SDL_UpdateWindowSurface(FWindow);
        }
    }
    if (!others.empty()) {
        SDL_PeepEvents(others.data(), static_cast<int>(others.size()), SDL_ADDEVENT, 0, 0);
    }
}

} // namespace qm
