#include "UGWidgetManager.h"

#include "UGAppData.h"
#include "UGCursor.h"
#include "UGError.h"
#include "UGWidScreen.h"

namespace qm {

TGWidgetManager::TDispatch::TDispatch(TGWidgetManager& manager) : FManager(manager) {
    ++FManager.FDispatchDepth;
}

TGWidgetManager::TDispatch::~TDispatch() {
    if (--FManager.FDispatchDepth == 0) {
        FManager.FRetired.clear();
    }
}

TGWidgetManager::TGWidgetManager(TGAppData& appData) : FAppData(appData) {}

TGWidgetManager::~TGWidgetManager() = default;

void TGWidgetManager::SetRoot(std::unique_ptr<TGWidget> root) {
    FCaptured = nullptr;
    FHovered = nullptr;
    if (FRoot && FDispatchDepth > 0) {
        FRetired.push_back(std::move(FRoot));
    }
    FRoot = std::move(root);
    FCheckedVersion = TGWidget::TreeVersion();
}

TGWidget& TGWidgetManager::ShowScreenFromConfig(const std::string& screenName) {
    if (!FAppData.Config) {
        throw EGError("TGWidgetManager.ShowScreenFromConfig", "No configuration");
    }
    std::unique_ptr<TGWidget> root =
        CreateAbstract(FAppData, TGXMLWidgetParams::ForScreen(*FAppData.Config, screenName));
    root->Cursor = std::make_shared<TCursor>(FAppData);
    TGWidget& rootRef = *root;
    SetRoot(std::move(root));
    TGWidget* target = rootRef.FindChild(screenName);
    if (!target && rootRef.IsScreen()) {
        target = &rootRef;
    }
    if (auto* screen = dynamic_cast<TGWidScreen*>(target)) {
        screen->SetVisible(false);
        screen->ShowScreen();
    }
    return rootRef;
}

// --- Queries ---

bool TGWidgetManager::IsInTree(const TGWidget* widget) const {
    // Searched from the root, since the widget itself may be gone.
    for (TGWidgetIterator it(FRoot.get()); it.Current(); it.Next()) {
        if (it.Current() == widget) {
            return widget != nullptr;
        }
    }
    return false;
}

void TGWidgetManager::DropLostWidgets() {
    if (FCheckedVersion == TGWidget::TreeVersion()) {
        return;
    }
    // A widget removed from the tree may be gone; its address is not followed any more.
    if (FCaptured && !IsInTree(FCaptured)) {
        FCaptured = nullptr;
    }
    if (FHovered && !IsInTree(FHovered)) {
        FHovered = nullptr;
    }
    FCheckedVersion = TGWidget::TreeVersion();
}

TGWidget* TGWidgetManager::GetTopModal() const {
    TGWidget* top = FRoot.get();
    TGWidgetIterator it(FRoot.get());
    while (TGWidget* w = it.Current()) {
        if (!w->IsVisible()) {
            it.SkipChildren();
            continue;
        }
        if (w->IsModal()) {
            top = w;
        }
        it.Next();
    }
    return top;
}

bool TGWidgetManager::IsInsideModal(const TGWidget* widget) const {
    TGWidget* modal = GetTopModal();
    return modal && modal->IsAncestorOf(widget);
}

bool TGWidgetManager::MayReceiveMouse(const TGWidget* widget) const {
    return widget && !widget->IsInEffect() && IsInsideModal(widget);
}

TGWidget* TGWidgetManager::WidgetUnderPointer() const {
    if (!FRoot) {
        return nullptr;
    }
    TGWidget* hit = FRoot->HitTest(FLastX, FLastY);
    return MayReceiveMouse(hit) ? hit : nullptr;
}

// --- Mouse ---

void TGWidgetManager::SetHovered(TGWidget* widget) {
    if (widget == FHovered) {
        return;
    }
    TGWidget* old = FHovered;
    FHovered = widget;
    if (old) {
        old->MouseLeave();
        DropLostWidgets();
        if (FHovered != widget) {
            return; // the leave handler changed the tree
        }
    }
    if (widget) {
        widget->MouseEnter();
        DropLostWidgets();
    }
}

void TGWidgetManager::MouseMove(int x, int y) {
    TDispatch dispatch(*this);
    DropLostWidgets();
    FState.X = x;
    FState.Y = y;
    FLastX = x;
    FLastY = y;
    if (!InputEnabled || !FRoot) {
        return;
    }
    if (FCaptured && FCaptured->IsDraggable()) {
        FCaptured->Drag(x, y, FState.Buttons);
        return;
    }
    TGWidget* hit = FRoot->HitTest(x, y);
    if (hit && (!MayReceiveMouse(hit) || (FCaptured && hit != FCaptured))) {
        hit = nullptr;
    }
    SetHovered(hit);
    if (hit && hit == FHovered) {
        hit->MouseMove(FState);
    }
}

void TGWidgetManager::MouseDown(int button) {
    TDispatch dispatch(*this);
    DropLostWidgets();
    FState.SetButton(button, true);
    if (!InputEnabled) {
        return;
    }
    TGWidget* hit = WidgetUnderPointer();
    if (!hit) {
        return;
    }
    hit->Activate();
    DropLostWidgets();
    if (!IsInTree(hit)) {
        return;
    }
    hit->MouseDown(button, FState);
    DropLostWidgets();
    if (button == mbLeft && IsInTree(hit)) {
        if (FCaptured && FCaptured != hit) {
            FCaptured->Pressed = false;
        }
        FCaptured = hit;
    }
}

void TGWidgetManager::EndCapture() {
    TGWidget* captured = FCaptured;
    FCaptured = nullptr;
    if (!captured) {
        return;
    }
    // The handlers are skipped while input is off or the widget plays an effect, but the press
    // ends in any case: no widget may stay pressed without a held button.
    if (InputEnabled && !captured->IsInEffect()) {
        captured->MouseUp(mbLeft, FState);
        DropLostWidgets();
        if (!IsInTree(captured)) {
            return;
        }
    }
    captured->Pressed = false;
}

void TGWidgetManager::MouseUp(int button) {
    TDispatch dispatch(*this);
    DropLostWidgets();
    FState.SetButton(button, false);
    if (button == mbLeft) {
        EndCapture();
        return;
    }
    if (!InputEnabled) {
        return;
    }
    if (TGWidget* hit = WidgetUnderPointer()) {
        hit->MouseUp(button, FState);
    }
}

void TGWidgetManager::DblClick() {
    TDispatch dispatch(*this);
    DropLostWidgets();
    if (!InputEnabled) {
        return;
    }
    TGWidget* hit = WidgetUnderPointer();
    if (!hit) {
        return;
    }
    hit->Activate();
    DropLostWidgets();
    if (IsInTree(hit)) {
        hit->DblClick(FState);
    }
}

void TGWidgetManager::MouseWheelUp() {
    TDispatch dispatch(*this);
    DropLostWidgets();
    if (!InputEnabled) {
        return;
    }
    if (TGWidget* hit = WidgetUnderPointer()) {
        hit->MouseWheelUp(FState);
    }
}

void TGWidgetManager::MouseWheelDown() {
    TDispatch dispatch(*this);
    DropLostWidgets();
    if (!InputEnabled) {
        return;
    }
    if (TGWidget* hit = WidgetUnderPointer()) {
        hit->MouseWheelDown(FState);
    }
}

// --- Keys ---

std::vector<TGWidget*> TGWidgetManager::VisibleWidgetsOutsideEffects() const {
    std::vector<TGWidget*> widgets;
    TGWidgetIterator it(FRoot.get());
    while (TGWidget* w = it.Current()) {
        if (!w->IsVisible() || w->CurrentEffect()) {
            it.SkipChildren();
            continue;
        }
        widgets.push_back(w);
        it.Next();
    }
    return widgets;
}

void TGWidgetManager::BroadcastKey(const std::function<void(TGWidget&)>& call) {
    if (!InputEnabled || !FRoot) {
        return;
    }
    const std::vector<TGWidget*> widgets = VisibleWidgetsOutsideEffects();
    const uint64_t version = TGWidget::TreeVersion();
    for (TGWidget* w : widgets) {
        // A handler that changed the tree may have freed widgets still listed.
        if (TGWidget::TreeVersion() != version && !IsInTree(w)) {
            continue;
        }
        if (w->IsVisible() && !w->IsInEffect()) {
            call(*w);
        }
    }
}

void TGWidgetManager::KeyDown(int key) {
    TDispatch dispatch(*this);
    DropLostWidgets();
    if (key >= 0 && key < 256) {
        FState.Keys[static_cast<size_t>(key)] = true;
    }
    ++FCounter;
    BroadcastKey([&](TGWidget& w) { w.KeyDown(key, FState); });
}

void TGWidgetManager::KeyUp(int key) {
    TDispatch dispatch(*this);
    DropLostWidgets();
    if (key >= 0 && key < 256) {
        FState.Keys[static_cast<size_t>(key)] = false;
    }
    ++FCounter;
    BroadcastKey([&](TGWidget& w) { w.KeyUp(key, FState); });
}

void TGWidgetManager::KeyPress(char32_t ch) {
    TDispatch dispatch(*this);
    DropLostWidgets();
    ++FCounter;
    BroadcastKey([&](TGWidget& w) { w.KeyPress(ch, FState); });
}

// --- Frames ---

void TGWidgetManager::Update() {
    TDispatch dispatch(*this);
    DropLostWidgets();
    ++FCounter;
    if (!FRoot) {
        return;
    }
    std::vector<TGWidget*> widgets;
    for (TGWidgetIterator it(FRoot.get()); it.Current(); it.Next()) {
        widgets.push_back(it.Current());
    }
    const uint64_t version = TGWidget::TreeVersion();
    const uint32_t counter = FCounter;
    for (TGWidget* w : widgets) {
        if (TGWidget::TreeVersion() != version && !IsInTree(w)) {
            continue;
        }
        if (!w->IsInEffect()) {
            w->Tick(counter, FState);
        }
    }
}

void TGWidgetManager::FindScreens(TGWidget*& top, TGWidget*& previous) const {
    top = previous = nullptr;
    TGWidgetIterator it(FRoot.get());
    while (TGWidget* w = it.Current()) {
        if (!w->IsVisible()) {
            it.SkipChildren();
            continue;
        }
        if (w->IsScreen()) {
            previous = top;
            top = w;
        }
        it.Next();
    }
}

void TGWidgetManager::Draw() {
    TDispatch dispatch(*this);
    DropLostWidgets();
    if (!FRoot) {
        return;
    }
    TGWidget* top = nullptr;
    TGWidget* previous = nullptr;
    FindScreens(top, previous);
    if (top) {
        if (previous && top->IsInEffect()) {
            previous->Draw();
        }
        top->Draw();
    }
    if (!InputEnabled || !FRoot) {
        return;
    }
    if (TGWidget* under = FRoot->HitTest(FLastX, FLastY)) {
        if (IGCursor* cursor = under->FindCursor()) {
            cursor->Draw(FLastX, FLastY);
        }
    }
}

TGWidgetManager& GetWidgetManager(TGAppData& appData) {
    if (!appData.WidgetManager) {
        appData.WidgetManager = std::make_unique<TGWidgetManager>(appData);
    }
    auto* manager = dynamic_cast<TGWidgetManager*>(appData.WidgetManager.get());
    if (!manager) {
        throw EGError("GetWidgetManager", "The window's input goes elsewhere");
    }
    return *manager;
}

} // namespace qm
