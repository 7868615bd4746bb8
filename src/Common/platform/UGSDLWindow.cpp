#include "UGSDLWindow.h"

#include "UGError.h"
#include "UGKeyMap.h"
#include "UGKeys.h"
#include "UGLetterbox.h"
#include "UGOSServices.h"
#include "UGStrings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <epoxy/gl.h>

namespace qm {

namespace {

const char* const Context = "TGSDLWindow.Create";

} // namespace

TGSDLWindow::TGSDLWindow(const std::string& caption, int width, int height, bool headless)
    : FWidth(width), FHeight(height), FHeadless(headless) {
    if (headless) {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    }
    // Losing focus in full screen is handled by the game itself: it leaves full screen and
    // returns to it on activation.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        throw EGError(Context, Format("cannot start the video system: %s", SDL_GetError()));
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    FWindow = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!FWindow) {
        std::string error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        throw EGError(Context, Format("cannot open the window: %s", error.c_str()));
    }
    FContext = SDL_GL_CreateContext(FWindow);
    // A driver may hand out an older context than asked for instead of refusing.
    if (!FContext || epoxy_gl_version() < 33) {
        if (FContext) {
            SDL_GL_DeleteContext(FContext);
        }
        SDL_DestroyWindow(FWindow);
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        throw EGError(OldOpenGLMessage);
    }
    SDL_GL_SetSwapInterval(0);
}

TGSDLWindow::~TGSDLWindow() {
    SDL_GL_DeleteContext(FContext);
    SDL_DestroyWindow(FWindow);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

void TGSDLWindow::SetCaption(const std::string& caption) {
    SDL_SetWindowTitle(FWindow, caption.c_str());
}

bool TGSDLWindow::HasFocus() const {
    // The offscreen driver has no window manager to give focus; a headless window owns it.
    return FHeadless || (SDL_GetWindowFlags(FWindow) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

bool TGSDLWindow::IsMinimized() const {
    return (SDL_GetWindowFlags(FWindow) & SDL_WINDOW_MINIMIZED) != 0;
}

bool TGSDLWindow::IsVisible() const {
    // The offscreen driver's window is never on a screen, yet its frames are the screenshots.
    return FHeadless || (SDL_GetWindowFlags(FWindow) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) == 0;
}

void TGSDLWindow::Show() {
    SDL_ShowWindow(FWindow);
}
void TGSDLWindow::Hide() {
    SDL_HideWindow(FWindow);
}
void TGSDLWindow::Minimize() {
    SDL_MinimizeWindow(FWindow);
}
void TGSDLWindow::Restore() {
    SDL_RestoreWindow(FWindow);
}

bool TGSDLWindow::IsFullScreen() const {
    return (SDL_GetWindowFlags(FWindow) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_FULLSCREEN_DESKTOP)) != 0;
}

void TGSDLWindow::SetFullScreen(bool fullScreen) {
    SDL_SetWindowFullscreen(FWindow, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

void TGSDLWindow::SetSystemCursorVisible(bool visible) {
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void TGSDLWindow::ReleaseCursorClip() {
    SDL_SetWindowGrab(FWindow, SDL_FALSE);
}

bool TGSDLWindow::WaitEvent(TGWindowEvent& event, int timeoutMs) {
    while (FPending.empty()) {
        SDL_Event sdlEvent;
        int got = timeoutMs > 0 ? SDL_WaitEventTimeout(&sdlEvent, timeoutMs) : SDL_PollEvent(&sdlEvent);
        if (!got) {
            return false;
        }
        Translate(sdlEvent);
        // Events the game does not use must not stretch the wait beyond the next tick.
        timeoutMs = 0;
    }
    event = FPending.front();
    FPending.pop_front();
    return true;
}

void TGSDLWindow::Push(TGWindowEvent::TKind kind) {
    TGWindowEvent event;
    event.Kind = kind;
    FPending.push_back(event);
}

// The renderer letterboxes in drawable pixels, which a HiDPI window has more of than points.
void TGSDLWindow::ToDrawingUnits(int windowX, int windowY, int& x, int& y) const {
    int windowWidth = 0;
    int windowHeight = 0;
    SDL_GetWindowSize(FWindow, &windowWidth, &windowHeight);
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(FWindow, &drawableWidth, &drawableHeight);
    if (windowWidth <= 0 || windowHeight <= 0 || drawableWidth <= 0 || drawableHeight <= 0) {
        x = windowX;
        y = windowY;
        return;
    }
    double pixelsPerPointX = static_cast<double>(drawableWidth) / windowWidth;
    double pixelsPerPointY = static_cast<double>(drawableHeight) / windowHeight;
    TGLetterbox box = ComputeLetterbox(drawableWidth, drawableHeight, FWidth, FHeight);
    box.ToDrawingUnits((windowX + 0.5) * pixelsPerPointX, (windowY + 0.5) * pixelsPerPointY, FWidth, FHeight,
                       x, y);
}

void TGSDLWindow::Translate(const SDL_Event& sdlEvent) {
    TGWindowEvent event;
    switch (sdlEvent.type) {
    case SDL_QUIT:
        Push(TGWindowEvent::Quit);
        break;
    case SDL_WINDOWEVENT:
        TranslateWindowEvent(sdlEvent.window);
        break;
    case SDL_MOUSEMOTION:
        event.Kind = TGWindowEvent::MouseMove;
        ToDrawingUnits(sdlEvent.motion.x, sdlEvent.motion.y, event.X, event.Y);
        FPending.push_back(event);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (sdlEvent.button.button != SDL_BUTTON_LEFT && sdlEvent.button.button != SDL_BUTTON_RIGHT) {
            break; // the middle button is not used
        }
        event.Kind = sdlEvent.type == SDL_MOUSEBUTTONDOWN ? TGWindowEvent::MouseDown : TGWindowEvent::MouseUp;
        event.Button = sdlEvent.button.button == SDL_BUTTON_LEFT ? 0 : 1;
        ToDrawingUnits(sdlEvent.button.x, sdlEvent.button.y, event.X, event.Y);
        FPending.push_back(event);
        if (sdlEvent.type == SDL_MOUSEBUTTONDOWN && sdlEvent.button.clicks >= 2 && event.Button == 0) {
            Push(TGWindowEvent::DblClick);
        }
        break;
    case SDL_MOUSEWHEEL: {
        int direction =
            sdlEvent.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -sdlEvent.wheel.y : sdlEvent.wheel.y;
        if (direction > 0) {
            Push(TGWindowEvent::WheelUp);
        } else if (direction < 0) {
            Push(TGWindowEvent::WheelDown);
        }
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        TranslateKey(sdlEvent.key);
        break;
    case SDL_TEXTINPUT:
        TranslateText(sdlEvent.text.text);
        break;
    default:
        break;
    }
}

void TGSDLWindow::TranslateWindowEvent(const SDL_WindowEvent& event) {
    switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        ResyncModifiers();
        Push(TGWindowEvent::FocusGained);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        Push(TGWindowEvent::FocusLost);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        Push(TGWindowEvent::Minimized);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        Push(TGWindowEvent::Restored);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        // A new size shows the same frame at another scale: it must be presented again.
        Push(TGWindowEvent::Expose);
        break;
    default:
        break;
    }
}

// Alt or Ctrl released while another program had the focus would otherwise stay held.
void TGSDLWindow::ResyncModifiers() {
    SDL_Keymod mods = SDL_GetModState();
    auto resync = [&](bool& held, bool now, int key) {
        if (held != now) {
            held = now;
            TGWindowEvent event;
            event.Kind = now ? TGWindowEvent::KeyDown : TGWindowEvent::KeyUp;
            event.Key = key;
            FPending.push_back(event);
        }
    };
    resync(FAltDown, (mods & KMOD_ALT) != 0, VK_MENU);
    resync(FCtrlDown, (mods & KMOD_CTRL) != 0, VK_CONTROL);
}

void TGSDLWindow::TranslateKey(const SDL_KeyboardEvent& sdlEvent) {
    int key = VirtualKeyFromSDL(sdlEvent.keysym.sym);
    if (key == 0) {
        return;
    }
    bool down = sdlEvent.type == SDL_KEYDOWN;
    if (key == VK_MENU) {
        FAltDown = down;
    } else if (key == VK_CONTROL) {
        FCtrlDown = down;
    }
    TGWindowEvent event;
    event.Kind = down ? TGWindowEvent::KeyDown : TGWindowEvent::KeyUp;
    event.Key = key;
    FPending.push_back(event);
    // These keys produce characters that text input does not deliver.
    if (down && (key == VK_BACK || key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE)) {
        TGWindowEvent press;
        press.Kind = TGWindowEvent::KeyPress;
        press.Char = static_cast<char32_t>(key);
        FPending.push_back(press);
    }
}

void TGSDLWindow::TranslateText(const char* utf8) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p) {
        int length = *p < 0x80 ? 1 : *p < 0xE0 ? 2 : *p < 0xF0 ? 3 : 4;
        char32_t cp = length == 1 ? *p : *p & (0x3F >> (length - 1));
        int k = 1;
        for (; k < length && p[k]; ++k) {
            cp = (cp << 6) | (p[k] & 0x3F);
        }
        p += k;
        TGWindowEvent event;
        event.Kind = TGWindowEvent::KeyPress;
        event.Char = cp;
        FPending.push_back(event);
    }
}

void TGSDLWindow::ShowMessage(const std::string& title, const std::string& text) {
    ShowPlatformMessage(title, text, FHeadless);
}

} // namespace qm
