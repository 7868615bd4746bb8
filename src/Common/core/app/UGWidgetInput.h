#pragma once

namespace qm {

// The entry points through which the main window hands input and frames to the widget
// manager, which owns the current screen tree. The manager exists only once the first screen
// is shown; until then the window has nobody to tell.
class IGWidgetInput {
public:
    virtual ~IGWidgetInput() = default;

    virtual void MouseDown(int button) = 0; // 0 left, 1 right
    virtual void MouseUp(int button) = 0;
    virtual void MouseMove(int x, int y) = 0;
    virtual void DblClick() = 0;
    virtual void MouseWheelUp() = 0;
    virtual void MouseWheelDown() = 0;
    virtual void KeyDown(int key) = 0;
    virtual void KeyUp(int key) = 0;
    virtual void KeyPress(char32_t ch) = 0;
    // Once per 10 ms tick, before the frame is rendered.
    virtual void TimerTick() = 0;
    // Once per drawn frame inside the scene: update the tree, then draw the visible screen.
    virtual void Update() = 0;
    virtual void Draw() = 0;
};

} // namespace qm
