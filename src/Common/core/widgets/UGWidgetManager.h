#pragma once

#include "UGWidget.h"
#include "UGWidgetInput.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class TGAppData;

// Owns the current screen tree and turns the window's mouse and key events into widget calls:
// hit testing, capture, hover, modality, key broadcast, per-frame ticks and drawing of the
// visible screen with the software cursor.
class TGWidgetManager : public IGWidgetInput {
public:
    explicit TGWidgetManager(TGAppData& appData);
    ~TGWidgetManager() override;

    // Frees the previous tree (if any) and forgets the captured and hovered widgets.
    void SetRoot(std::unique_ptr<TGWidget> root);
    TGWidget* Root() const { return FRoot.get(); }
    // Builds the screen's `Widget` element of the configuration root, gives the new root a
    // software cursor, makes it the root, then hides and shows (with its effects) the root's
    // child carrying the screen's name, when there is one.
    TGWidget& ShowScreenFromConfig(const std::string& screenName);

    void MouseDown(int button) override;
    void MouseUp(int button) override;
    void MouseMove(int x, int y) override;
    void DblClick() override;
    void MouseWheelUp() override;
    void MouseWheelDown() override;
    void KeyDown(int key) override;
    void KeyUp(int key) override;
    void KeyPress(char32_t ch) override;
    // The tree is ticked once per frame in Update, so that holding a button advances at the
    // frame rate the player sees; the window's tick has nothing more to add.
    void TimerTick() override {}
    void Update() override;
    void Draw() override;

    // The last Visible widget in pre-order (hidden subtrees skipped) that is modal, else the
    // root.
    TGWidget* GetTopModal() const;
    // The widget under the pointer that may receive a mouse call: hit, not in an effect, and
    // inside the top modal widget.
    TGWidget* WidgetUnderPointer() const;

    TGWidget* Captured() const { return FCaptured; }
    TGWidget* Hovered() const { return FHovered; }
    const TGInputState& InputState() const { return FState; }
    uint32_t Counter() const { return FCounter; }
    int32_t LastX() const { return FLastX; }
    int32_t LastY() const { return FLastY; }

    // While false, no mouse or key handler runs (left releases still end the capture).
    bool InputEnabled = true;

private:
    bool IsInsideModal(const TGWidget* widget) const;
    bool MayReceiveMouse(const TGWidget* widget) const;
    bool IsInTree(const TGWidget* widget) const;
    // Forgets captured and hovered widgets that left the tree since they were stored.
    void DropLostWidgets();
    void SetHovered(TGWidget* widget);
    void EndCapture();
    void BroadcastKey(const std::function<void(TGWidget&)>& call);
    void FindScreens(TGWidget*& top, TGWidget*& previous) const;
    std::vector<TGWidget*> VisibleWidgetsOutsideEffects() const;

    // Counts the entry points running, so that a tree replaced from inside one of its own
    // handlers is freed only once every call into it has returned.
    class TDispatch {
    public:
        explicit TDispatch(TGWidgetManager& manager);
        ~TDispatch();
        TDispatch(const TDispatch&) = delete;
        TDispatch& operator=(const TDispatch&) = delete;

    private:
        TGWidgetManager& FManager;
    };
    int FDispatchDepth = 0;
    std::vector<std::unique_ptr<TGWidget>> FRetired;

    TGAppData& FAppData;
    std::unique_ptr<TGWidget> FRoot;
    TGWidget* FCaptured = nullptr;
    TGWidget* FHovered = nullptr;
    uint32_t FCounter = 0;
    TGInputState FState;
    int32_t FLastX = -1;
    int32_t FLastY = -1;
    uint64_t FCheckedVersion = 0;
};

// The application's widget manager, created on first use.
TGWidgetManager& GetWidgetManager(TGAppData& appData);

} // namespace qm
