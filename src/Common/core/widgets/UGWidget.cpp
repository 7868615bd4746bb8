#include "UGWidget.h"

#include "UGAppData.h"
#include "UGError.h"
#include "UGStrings.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace qm {

namespace {

std::map<std::string, TGWidgetFactory>& WidgetClasses() {
    static std::map<std::string, TGWidgetFactory> classes;
    return classes;
}

PGEffect FirstEffect(TGAppData& appData, const IGXMLNode& node, const std::string& tag) {
    PGXMLCollection effects = node.GetCollection(tag);
    if (effects->Count() == 0) {
        return nullptr;
    }
    return CreateEffectFromXML(appData, *effects->GetItem(0));
}

} // namespace

// --- TGInputState ---

void TGInputState::SetButton(int button, bool down) {
    if (button < 0 || button > 7) {
        return;
    }
    const uint8_t bit = static_cast<uint8_t>(1u << button);
    Buttons = down ? static_cast<uint8_t>(Buttons | bit) : static_cast<uint8_t>(Buttons & ~bit);
}

// --- TGXMLWidgetParams ---

TGXMLWidgetParams::TGXMLWidgetParams(PGXMLNode node) : FNode(std::move(node)) {}

TGXMLWidgetParams TGXMLWidgetParams::ForScreen(const IGXMLNode& root, const std::string& screenName) {
    PGXMLCollection widgets = root.GetCollection("Widget");
    for (size_t i = 0; i < widgets->Count(); ++i) {
        PGXMLNode node = widgets->GetItem(i);
        if (node->GetStringDef("Name", "") == screenName) {
            return TGXMLWidgetParams(node);
        }
    }
    throw EGError("TGXMLWidgetParams.ForScreen",
                  Format("Screen \"%s\" not found (%s)", screenName.c_str(), root.GetLocation().c_str()));
}

size_t TGXMLWidgetParams::GetChildCount() const {
    return FNode->GetCollection("Widget")->Count();
}

TGXMLWidgetParams TGXMLWidgetParams::GetChildParams(size_t index) const {
    return TGXMLWidgetParams(FNode->GetCollection("Widget")->GetItem(index));
}

// --- Registry and building ---

void RegisterWidgetClass(const std::string& typeName, TGWidgetFactory factory) {
    WidgetClasses()[typeName] = std::move(factory);
}

bool IsWidgetClassRegistered(const std::string& typeName) {
    return WidgetClasses().count(typeName) != 0;
}

const TGWidgetFactory& LookupWidgetClass(const std::string& typeName) {
    auto found = WidgetClasses().find(typeName);
    if (found == WidgetClasses().end()) {
        throw EGError("TGWidget.LookupClass", Format("Unknown class \"%s\"", typeName.c_str()));
    }
    return found->second;
}

std::unique_ptr<TGWidget> CreateAbstract(TGAppData& appData, const TGXMLWidgetParams& params) {
    const IGXMLNode& node = params.GetNode();
    try {
        std::string type = node.GetString("Type");
        if (!IsWidgetClassRegistered(type)) {
            throw EGError("TGWidget.CreateAbstract", Format("Unknown class \"%s\"", type.c_str()));
        }
        std::unique_ptr<TGWidget> widget = LookupWidgetClass(type)(appData);
        if (!appData.WidgetStyles) {
            throw EGError("TGWidget.CreateAbstract", "No widget styles");
        }
        TGWidgetStyleManager& styles = *appData.WidgetStyles;
        widget->SetStyle(node.HasAttribute("Style") ? &styles.GetWidgetStyle(node.GetString("Style"))
                                                    : &styles.GetDefaultWidgetStyle(widget->GetClassName()));
        widget->LoadFromXML(params);
        widget->ShowEffect = FirstEffect(appData, node, "ShowEffect");
        widget->HideEffect = FirstEffect(appData, node, "HideEffect");
        for (size_t i = 0; i < params.GetChildCount(); ++i) {
            widget->AddWidget(CreateAbstract(appData, params.GetChildParams(i)));
        }
        widget->AfterLoad();
        return widget;
    } catch (const std::exception& error) {
        throw ErrorAtElement(error, node);
    }
}

// --- TGWidgetIterator ---

void TGWidgetIterator::Next() {
    if (!FCurrent) {
        return;
    }
    if (!FCurrent->Children().empty()) {
        FCurrent = FCurrent->Children().front().get();
        return;
    }
    SkipChildren();
}

void TGWidgetIterator::SkipChildren() {
    while (FCurrent && FCurrent != FStart) {
        TGWidget* parent = FCurrent->Parent();
        if (!parent) {
            break;
        }
        const auto& siblings = parent->Children();
        auto it = std::find_if(siblings.begin(), siblings.end(),
                               [this](const std::unique_ptr<TGWidget>& w) { return w.get() == FCurrent; });
        if (it != siblings.end() && std::next(it) != siblings.end()) {
            FCurrent = std::next(it)->get();
            return;
        }
        FCurrent = parent;
    }
    FCurrent = nullptr;
}

// --- TGWidget ---

TGWidget::TGWidget(TGAppData& appData) : FAppData(appData) {
    ++GTreeVersion;
}

TGWidget::~TGWidget() {
    // Children go before their parent, each telling the version.
    while (!FChildren.empty()) {
        FChildren.pop_back();
    }
    ++GTreeVersion;
}

void TGWidget::StyleChanged(TGWidgetStyle*) {}

void TGWidget::Activate() {
    if (FParent) {
        FParent->Activate();
    }
}

void TGWidget::MouseEnter() {
    PlaySound(EnterSound);
    Hovered = true;
    if (IGCursor* cursor = FindCursor()) {
        cursor->SetKind(CursorKind());
    }
    Fire(OnMouseEnter, *this);
}

void TGWidget::MouseLeave() {
    PlaySound(LeaveSound);
    Hovered = false;
    Fire(OnMouseLeave, *this);
}

void TGWidget::Drag(int32_t x, int32_t y, uint8_t buttons) {
    if (IsDraggable() && (buttons & (1u << mbLeft))) {
        X += x - FDragX;
        Y += y - FDragY;
        FDragX = x;
        FDragY = y;
    }
}

void TGWidget::MouseMove(const TGInputState& state) {
    if (OnMouseMove) {
        OnMouseMove(*this, state);
    }
}

void TGWidget::MouseWheelUp(const TGInputState&) {}

void TGWidget::MouseWheelDown(const TGInputState&) {}

void TGWidget::Click(const TGInputState&) {
    Fire(OnClick, *this);
}

void TGWidget::DblClick(const TGInputState&) {
    Fire(OnDblClick, *this);
}

void TGWidget::MouseDown(int button, const TGInputState& state) {
    if (OnMouseDown) {
        OnMouseDown(*this, button, state);
    }
    if (button == mbLeft) {
        Pressed = true;
        PressX = FDragX = state.X;
        PressY = FDragY = state.Y;
    }
}

void TGWidget::MouseUp(int button, const TGInputState& state) {
    if (!FVisible || (FParent && !FParent->IsVisible())) {
        return;
    }
    if (button == mbLeft) {
        PlaySound(ClickSound);
    }
    if (OnMouseUp) {
        OnMouseUp(*this, button, state);
    }
    if (button == mbLeft) {
        Pressed = false;
        if (Contains(state.X, state.Y)) {
            Click(state);
        }
    }
}

void TGWidget::KeyDown(int key, const TGInputState& state) {
    if (OnKeyDown) {
        OnKeyDown(*this, key, state);
    }
}

void TGWidget::KeyPress(char32_t ch, const TGInputState& state) {
    if (OnKeyPress) {
        OnKeyPress(*this, ch, state);
    }
}

void TGWidget::KeyUp(int key, const TGInputState& state) {
    if (OnKeyUp) {
        OnKeyUp(*this, key, state);
    }
}

void TGWidget::Tick(uint32_t, const TGInputState&) {}

void TGWidget::LoadFromXML(const TGXMLWidgetParams& params) {
    const IGXMLNode& node = params.GetNode();
    X = node.GetFloatDef("X", 0.0);
    Y = node.GetFloatDef("Y", 0.0);
    SetSize(node.GetFloatDef("Width", 0.0), node.GetFloatDef("Height", 0.0));
    SetVisible(node.GetBoolDef("Visible", true));
    Name = node.GetStringDef("Name", "");
    IsBelowDraw = node.GetBoolDef("IsBelowDraw", false);
}

void TGWidget::ConstrainSize(double&, double&) {}

void TGWidget::Show() {
    SetVisible(true);
    FEffectIsHide = false;
    if (ShowEffect) {
        // The effect's snapshot draws the widget, which must not draw the effect again.
        FCurrentEffect.reset();
        ShowEffect->Start();
    }
    FCurrentEffect = ShowEffect;
}

void TGWidget::Hide() {
    FCurrentEffect.reset();
    // A hidden widget has nothing to fade out; its effect would never be drawn to its end.
    if (HideEffect && FVisible) {
        HideEffect->Start();
        FCurrentEffect = HideEffect;
        FEffectIsHide = true;
    } else {
        SetVisible(false);
    }
}

void TGWidget::CancelEffect() {
    if (!FCurrentEffect) {
        return;
    }
    FCurrentEffect.reset();
    if (FEffectIsHide) {
        SetVisible(false);
    }
}

// --- Tree ---

bool TGWidget::IsAncestorOf(const TGWidget* other) const {
    for (const TGWidget* w = other; w; w = w->FParent) {
        if (w == this) {
            return true;
        }
    }
    return false;
}

TGWidget& TGWidget::AddWidget(std::unique_ptr<TGWidget> child) {
    if (!child) {
        throw EGError("TGWidget.AddWidget", "No widget");
    }
    if (child->FParent || child->IsAncestorOf(this)) {
        // Whoever already holds it keeps it.
        TGWidget* held = child.release();
        throw EGError("TGWidget.AddWidget", Format("Widget \"%s\" is already in a tree", held->Name.c_str()));
    }
    child->FParent = this;
    FChildren.push_back(std::move(child));
    ++GTreeVersion;
    return *FChildren.back();
}

std::unique_ptr<TGWidget> TGWidget::RemoveWidget(TGWidget& child) {
    auto it = std::find_if(FChildren.begin(), FChildren.end(),
                           [&child](const std::unique_ptr<TGWidget>& w) { return w.get() == &child; });
    if (it == FChildren.end()) {
        return nullptr;
    }
    std::unique_ptr<TGWidget> removed = std::move(*it);
    FChildren.erase(it);
    removed->FParent = nullptr;
    ++GTreeVersion;
    return removed;
}

TGWidget* TGWidget::FindChild(const std::string& name) const {
    for (const auto& child : FChildren) {
        if (child->Name == name) {
            return child.get();
        }
    }
    return nullptr;
}

TGWidget& TGWidget::GetChild(const std::string& name) const {
    if (TGWidget* child = FindChild(name)) {
        return *child;
    }
    throw EGError("TGWidget.GetChild",
                  Format("Child \"%s\" not found in \"%s\"", name.c_str(), Name.c_str()));
}

bool TGWidget::HasChild(const std::string& name) const {
    return FindChild(name) != nullptr;
}

// --- Geometry ---

void TGWidget::AbsolutePosition(double& x, double& y) const {
    x = X;
    y = Y;
    for (const TGWidget* p = FParent; p; p = p->FParent) {
        x += p->X;
        y += p->Y;
    }
}

double TGWidget::AbsX() const {
    double x, y;
    AbsolutePosition(x, y);
    return x;
}

double TGWidget::AbsY() const {
    double x, y;
    AbsolutePosition(x, y);
    return y;
}

bool TGWidget::Contains(double x, double y) const {
    double ax, ay;
    AbsolutePosition(ax, ay);
    if (x < ax || x > ax + FWidth || y < ay || y > ay + FHeight) {
        return false;
    }
    return !FStyle || FStyle->ContainsPoint(static_cast<int32_t>(std::lround(x - ax)),
                                            static_cast<int32_t>(std::lround(y - ay)));
}

TGWidget* TGWidget::HitTest(double x, double y) {
    if (!FVisible) {
        return nullptr;
    }
    for (auto it = FChildren.rbegin(); it != FChildren.rend(); ++it) {
        if (TGWidget* hit = (*it)->HitTest(x, y)) {
            return hit;
        }
    }
    return Contains(x, y) && AcceptsMouse() ? this : nullptr;
}

void TGWidget::BringToFront() {
    if (!FParent) {
        return;
    }
    auto& siblings = FParent->FChildren;
    auto it = std::find_if(siblings.begin(), siblings.end(),
                           [this](const std::unique_ptr<TGWidget>& w) { return w.get() == this; });
    if (it != siblings.end()) {
        std::rotate(it, std::next(it), siblings.end());
    }
}

void TGWidget::SetVisible(bool visible) {
    FVisible = visible;
    Fire(visible ? OnShow : OnHide, *this);
}

void TGWidget::SetWidth(double width) {
    if (width == FWidth) {
        return;
    }
    ApplySize(width, FHeight);
    Resized();
    Fire(OnResize, *this);
}

void TGWidget::SetHeight(double height) {
    if (height == FHeight) {
        return;
    }
    ApplySize(FWidth, height);
    Resized();
    Fire(OnResize, *this);
}

void TGWidget::SetSize(double width, double height) {
    ApplySize(width, height);
    Resized();
}

void TGWidget::ApplySize(double width, double height) {
    ConstrainSize(width, height);
    FWidth = width;
    FHeight = height;
}

void TGWidget::SetStyle(TGWidgetStyle* style) {
    if (style == FStyle) {
        return;
    }
    FStyle = style;
    StyleChanged(style);
    SetSize(FWidth, FHeight);
    if (style) {
        ClickSound = style->Sound().OnClick;
        EnterSound = style->Sound().OnMouseEnter;
        LeaveSound = style->Sound().OnMouseLeave;
    }
}

TGVisual& TGWidget::GetVisual(const std::string& name) const {
    if (!FStyle) {
        throw EGError("TGWidget.GetVisual", Format("Widget \"%s\" has no style", Name.c_str()));
    }
    return FStyle->GetVisual(name);
}

bool TGWidget::HasVisual(const std::string& name) const {
    return FStyle && FStyle->HasVisual(name);
}

// --- Drawing ---

void TGWidget::Draw() {
    if (!FVisible) {
        return;
    }
    if (FCurrentEffect) {
        PGEffect effect = std::move(FCurrentEffect);
        FCurrentEffect.reset();
        const bool isHide = FEffectIsHide;
        double x, y;
        AbsolutePosition(x, y);
        effect->Draw(x, y);
        if (FCurrentEffect) {
            return; // the effect's drawing started another one
        }
        if (!effect->IsFinished()) {
            FCurrentEffect = std::move(effect);
            return;
        }
        Fire(OnEffectEnd, *this);
        if (isHide && !FCurrentEffect) {
            SetVisible(false);
        }
        return;
    }
    Fire(OnBeforeDraw, *this);
    DrawSelf();
    Fire(OnDraw, *this);
    for (size_t i = 0; i < FChildren.size(); ++i) {
        FChildren[i]->Draw();
    }
    Fire(OnAfterDraw, *this);
}

bool TGWidget::IsInEffect() const {
    for (const TGWidget* w = this; w; w = w->FParent) {
        if (w->FCurrentEffect) {
            return true;
        }
    }
    return false;
}

IGCursor* TGWidget::FindCursor() const {
    for (const TGWidget* w = this; w; w = w->FParent) {
        if (w->Cursor) {
            return w->Cursor.get();
        }
    }
    return nullptr;
}

void TGWidget::PushState() {
    if (FStateDepth >= StateStackSize - 1) {
        throw EGError("TGWidget.PushState", "Stack overflow");
    }
    ++FStateDepth;
    FStates[static_cast<size_t>(FStateDepth)] = {ShowEffect, HideEffect, OnShow, OnHide, OnDraw};
}

void TGWidget::PopState() {
    if (FStateDepth <= 0) {
        throw EGError("TGWidget.PopState", "Empty stack");
    }
    TGWidgetStateRec& state = FStates[static_cast<size_t>(FStateDepth)];
    ShowEffect = std::move(state.ShowEffect);
    HideEffect = std::move(state.HideEffect);
    OnShow = std::move(state.OnShow);
    OnHide = std::move(state.OnHide);
    OnDraw = std::move(state.OnDraw);
    state = TGWidgetStateRec();
    --FStateDepth;
}

void TGWidget::PlaySound(const std::string& name) const {
    if (!name.empty() && FAppData.SoundEngine) {
        FAppData.SoundEngine->PlaySound(name);
    }
}

} // namespace qm
