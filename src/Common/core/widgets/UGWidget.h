#pragma once

#include "UGEffect.h"
#include "UGError.h"
#include "UGWidgetStyle.h"
#include "UGXMLNode.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class TGAppData;
class TGSprite;
class TGWidget;

// Mouse buttons as the widget manager numbers them.
enum TGMouseButton : int { mbLeft = 0, mbRight = 1 };

// What input handlers see: the pointer in drawing units, the held mouse buttons and a flag per
// virtual key (17 Ctrl, 18 Alt).
struct TGInputState {
    int32_t X = 0;
    int32_t Y = 0;
    // Bit b is set while button b is held.
    uint8_t Buttons = 0;
    std::array<bool, 256> Keys{};

    bool IsButtonDown(int button) const { return (Buttons >> button) & 1u; }
    void SetButton(int button, bool down);
    bool IsKeyDown(int key) const { return key >= 0 && key < 256 && Keys[static_cast<size_t>(key)]; }
};

using TGNotifyEvent = std::function<void(TGWidget& sender)>;
using TGKeyEvent = std::function<void(TGWidget& sender, int key, const TGInputState& state)>;
using TGKeyPressEvent = std::function<void(TGWidget& sender, char32_t ch, const TGInputState& state)>;
using TGMouseEvent = std::function<void(TGWidget& sender, int button, const TGInputState& state)>;
using TGMouseMoveEvent = std::function<void(TGWidget& sender, const TGInputState& state)>;

// A software mouse cursor, drawn by the widget manager at the pointer.
class IGCursor {
public:
    virtual ~IGCursor() = default;
    virtual void SetKind(uint8_t kind) = 0;
    virtual void Draw(int32_t x, int32_t y) = 0;
    virtual bool GetVisible() = 0;
    virtual void SetVisible(bool visible) = 0;
};
using PGCursor = std::shared_ptr<IGCursor>;

// A picture of a widget rendered once into a texture of its own, for effects that move, fade
// or scale a whole dialog.
class IGWidgetSnapshot {
public:
    virtual ~IGWidgetSnapshot() = default;
    // Renders the widget into the sprite, as it would draw now.
    virtual void CaptureWidget() = 0;
    virtual TGSprite& GetSprite() = 0;
};
using PGWidgetSnapshot = std::shared_ptr<IGWidgetSnapshot>;

// One `Widget` element of the configuration.
class TGXMLWidgetParams {
public:
    explicit TGXMLWidgetParams(PGXMLNode node);
    // The first `Widget` child of the root whose "Name" is the screen name; raises
    // "Screen "%s" not found" (context "TGXMLWidgetParams.ForScreen") when there is none.
    static TGXMLWidgetParams ForScreen(const IGXMLNode& root, const std::string& screenName);

    const IGXMLNode& GetNode() const { return *FNode; }
    const PGXMLNode& GetNodePtr() const { return FNode; }
    size_t GetChildCount() const;
    TGXMLWidgetParams GetChildParams(size_t index) const;

private:
    PGXMLNode FNode;
};

// What the state stack saves of a widget.
struct TGWidgetStateRec {
    PGEffect ShowEffect;
    PGEffect HideEffect;
    TGNotifyEvent OnShow;
    TGNotifyEvent OnHide;
    TGNotifyEvent OnDraw;
};

// A rectangle of a screen or dialog: it draws through the visuals of its style, owns its
// children, and receives the input the widget manager routes to it. X and Y are relative to
// the parent; later children are drawn later and hit first.
class TGWidget {
public:
    static constexpr int StateStackSize = 11;

    explicit TGWidget(TGAppData& appData);
    virtual ~TGWidget();
    TGWidget(const TGWidget&) = delete;
    TGWidget& operator=(const TGWidget&) = delete;

    // --- Overridable behaviour ---
    virtual void AfterLoad() {}
    virtual void StyleChanged(TGWidgetStyle* style);
    virtual void Resized() {}
    virtual void Activate();
    virtual void MouseEnter();
    virtual void MouseLeave();
    // The pointer moved to (x, y) while this widget holds the capture; `buttons` as in
    // TGInputState::Buttons.
    virtual void Drag(int32_t x, int32_t y, uint8_t buttons);
    virtual void MouseMove(const TGInputState& state);
    virtual void MouseWheelUp(const TGInputState& state);
    virtual void MouseWheelDown(const TGInputState& state);
    virtual void Click(const TGInputState& state);
    virtual void DblClick(const TGInputState& state);
    virtual void MouseDown(int button, const TGInputState& state);
    virtual void MouseUp(int button, const TGInputState& state);
    virtual void KeyDown(int key, const TGInputState& state);
    virtual void KeyPress(char32_t ch, const TGInputState& state);
    virtual void KeyUp(int key, const TGInputState& state);
    virtual void Tick(uint32_t counter, const TGInputState& state);
    virtual std::string GetClassName() const { return "Widget"; }
    virtual void LoadFromXML(const TGXMLWidgetParams& params);
    virtual void ConstrainSize(double& width, double& height);
    virtual void Show();
    virtual void Hide();
    virtual void DrawSelf() {}
    virtual bool IsModal() const { return false; }
    virtual bool AcceptsMouse() const { return false; }
    virtual bool IsDraggable() const { return false; }
    virtual bool IsScreen() const { return false; }
    virtual uint8_t CursorKind() const { return 1; }

    // --- The tree ---
    // Takes ownership; raises (context "TGWidget.AddWidget") when the child already has a
    // parent or is this widget or one of its ancestors, leaving it to whoever holds it.
    TGWidget& AddWidget(std::unique_ptr<TGWidget> child);
    // Detaches a direct child and hands it back (empty when it is not a child).
    std::unique_ptr<TGWidget> RemoveWidget(TGWidget& child);
    // Direct children only; raises "Child "%s" not found in "%s"".
    TGWidget& GetChild(const std::string& name) const;
    TGWidget* FindChild(const std::string& name) const;
    bool HasChild(const std::string& name) const;
    template <class T> T& GetChildAs(const std::string& name) const;
    TGWidget* Parent() const { return FParent; }
    const std::vector<std::unique_ptr<TGWidget>>& Children() const { return FChildren; }
    // Whether `other` is this widget or lies below it.
    bool IsAncestorOf(const TGWidget* other) const;

    // --- Geometry and hits ---
    void AbsolutePosition(double& x, double& y) const;
    double AbsX() const;
    double AbsY() const;
    bool Contains(double x, double y) const;
    TGWidget* HitTest(double x, double y);
    void BringToFront();

    void SetVisible(bool visible);
    bool IsVisible() const { return FVisible; }
    double Width() const { return FWidth; }
    double Height() const { return FHeight; }
    void SetWidth(double width);
    void SetHeight(double height);
    void SetSize(double width, double height);
    void SetStyle(TGWidgetStyle* style);
    TGWidgetStyle* Style() const { return FStyle; }
    // The style's visual by name; raises when there is no style or no such visual.
    TGVisual& GetVisual(const std::string& name) const;
    bool HasVisual(const std::string& name) const;

    // --- Drawing and effects ---
    void Draw();
    bool IsInEffect() const;
    const PGEffect& CurrentEffect() const { return FCurrentEffect; }
    // Drops a running effect at once; a hide effect then leaves the widget hidden.
    void CancelEffect();
    IGCursor* FindCursor() const;
    void PushState();
    void PopState();
    int StateDepth() const { return FStateDepth; }
    void PlaySound(const std::string& name) const;

    TGAppData& AppData() const { return FAppData; }

    std::string Name;
    double X = 0.0;
    double Y = 0.0;
    bool IsBelowDraw = false;
    bool Pressed = false;
    bool Hovered = false;
    int32_t PressX = 0;
    int32_t PressY = 0;

    std::string ClickSound;
    std::string EnterSound;
    std::string LeaveSound;

    PGEffect ShowEffect;
    PGEffect HideEffect;
    PGCursor Cursor;

    TGKeyEvent OnKeyDown;
    TGKeyEvent OnKeyUp;
    TGKeyPressEvent OnKeyPress;
    TGMouseMoveEvent OnMouseMove;
    TGMouseEvent OnMouseDown;
    TGMouseEvent OnMouseUp;
    TGNotifyEvent OnMouseEnter;
    TGNotifyEvent OnMouseLeave;
    TGNotifyEvent OnDblClick;
    TGNotifyEvent OnClick;
    TGNotifyEvent OnResize;
    TGNotifyEvent OnBeforeDraw;
    TGNotifyEvent OnDraw;
    TGNotifyEvent OnAfterDraw;
    TGNotifyEvent OnEffectEnd;
    TGNotifyEvent OnShow;
    TGNotifyEvent OnHide;

    // Changes whenever any widget tree gains or loses a widget, so that code holding widget
    // pointers across calls it does not control can tell whether it must check them again.
    static uint64_t TreeVersion() { return GTreeVersion; }

protected:
    TGAppData& FAppData;
    TGWidgetStyle* FStyle = nullptr;
    double FWidth = 0.0;
    double FHeight = 0.0;
    bool FVisible = true;

private:
    static void Fire(const TGNotifyEvent& event, TGWidget& sender) {
        if (event) {
            event(sender);
        }
    }
    void ApplySize(double width, double height);

    TGWidget* FParent = nullptr;
    std::vector<std::unique_ptr<TGWidget>> FChildren;
    PGEffect FCurrentEffect;
    // Whether the running effect is a hide effect, which leaves the widget hidden at its end.
    bool FEffectIsHide = false;
    std::array<TGWidgetStateRec, StateStackSize> FStates;
    int FStateDepth = 0;
    int32_t FDragX = 0;
    int32_t FDragY = 0;

    inline static uint64_t GTreeVersion = 0;
};

template <class T> T& TGWidget::GetChildAs(const std::string& name) const {
    TGWidget& child = GetChild(name);
    if (auto* typed = dynamic_cast<T*>(&child)) {
        return *typed;
    }
    throw EGError("TGWidget.GetChildAs", "\"" + name + "\" is a " + child.GetClassName());
}

using TGWidgetFactory = std::function<std::unique_ptr<TGWidget>(TGAppData&)>;

// The registry of widget classes by their XML "Type" (exact, case-sensitive). Registering a
// name again replaces its class.
void RegisterWidgetClass(const std::string& typeName, TGWidgetFactory factory);
template <class T> void RegisterWidgetClass(const std::string& typeName) {
    RegisterWidgetClass(typeName, [](TGAppData& data) { return std::make_unique<T>(data); });
}
// Raises "Unknown class "%s"" (context "TGWidget.LookupClass").
const TGWidgetFactory& LookupWidgetClass(const std::string& typeName);
bool IsWidgetClassRegistered(const std::string& typeName);

// Builds a widget and its subtree from a `Widget` element: class, style, attributes, show and
// hide effects, children; AfterLoad runs for children before their parent. Errors name the
// file and element.
std::unique_ptr<TGWidget> CreateAbstract(TGAppData& appData, const TGXMLWidgetParams& params);

// Pre-order walk of a subtree, the start widget first.
class TGWidgetIterator {
public:
    explicit TGWidgetIterator(TGWidget* start) : FStart(start), FCurrent(start) {}
    TGWidget* Current() const { return FCurrent; }
    void Next();
    // Moves on without entering the current widget's children.
    void SkipChildren();

private:
    TGWidget* FStart;
    TGWidget* FCurrent;
};

} // namespace qm
