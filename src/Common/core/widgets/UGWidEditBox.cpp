#include "UGWidEditBox.h"

#include "UGAppData.h"
#include "UGFont.h"
#include "UGKeys.h"
#include "UGStrings.h"
#include "UGWidScrollBar.h"

#include <algorithm>
#include <cmath>

namespace qm {

// --- TGFontTextMetrics ---

double TGFontTextMetrics::Width(const std::u32string& text) const {
    std::string utf8;
    for (char32_t c : text) {
        AppendUtf8(utf8, c);
    }
    return FFont.MeasureString(utf8).Width;
}

double TGFontTextMetrics::MaxCharWidth() const {
    return FFont.MaxCharWidth();
}

bool TGFontTextMetrics::HasGlyph(char32_t c) const {
    return FFont.HasGlyph(c);
}

double TGFontTextMetrics::LineHeight() const {
    return FFont.LineHeight();
}

// --- TGWidEditBoxContent ---

namespace {

TGWidget& TreeRoot(TGWidget& widget) {
    TGWidget* root = &widget;
    while (root->Parent()) {
        root = root->Parent();
    }
    return *root;
}

// The visible editable contents that may take keys: those inside the topmost visible modal
// widget, in pre-order.
std::vector<TGWidEditBoxContent*> KeyCandidates(TGWidget& root) {
    std::vector<TGWidEditBoxContent*> all;
    std::vector<TGWidget*> modals;
    std::vector<TGWidget*> visited;
    for (TGWidgetIterator it(&root); it.Current();) {
        TGWidget* widget = it.Current();
        if (!widget->IsVisible()) {
            it.SkipChildren();
            continue;
        }
        if (widget->IsModal()) {
            modals.push_back(widget);
        }
        if (auto* content = dynamic_cast<TGWidEditBoxContent*>(widget); content && content->Editable) {
            all.push_back(content);
        }
        it.Next();
    }
    if (modals.empty()) {
        return all;
    }
    TGWidget* top = modals.back();
    std::vector<TGWidEditBoxContent*> inside;
    for (TGWidEditBoxContent* content : all) {
        if (top->IsAncestorOf(content)) {
            inside.push_back(content);
        }
    }
    return inside;
}

} // namespace

const IGTextMetrics* TGWidEditBoxContent::Metrics() {
    if (FTestMetrics) {
        return FTestMetrics;
    }
    if (!FFontMetrics) {
        auto* item = dynamic_cast<TGVisLabel*>(FStyle ? FStyle->FindVisual("Item") : nullptr);
        if (item && AppData().ResManager && AppData().ResManager->HasFont(item->Font)) {
            FFontMetrics = std::make_unique<TGFontTextMetrics>(AppData().GetFont(item->Font));
            FText.SetMetrics(FFontMetrics.get());
        }
    }
    return FFontMetrics.get();
}

void TGWidEditBoxContent::SetTextMetrics(const IGTextMetrics* metrics) {
    FTestMetrics = metrics;
    FText.SetMetrics(metrics ? metrics : FFontMetrics.get());
    UpdateLayout();
}

double TGWidEditBoxContent::LineHeight() {
    const IGTextMetrics* metrics = Metrics();
    return metrics ? std::max(1.0, metrics->LineHeight()) : 1.0;
}

void TGWidEditBoxContent::UpdateLayout() {
    Metrics();
    FText.SetWidth(std::min(FWidth, FMaxWidth));
    FVisibleCount = static_cast<size_t>(std::max(1.0, std::floor(FHeight / LineHeight())));
    const size_t lines = FText.Lines().size();
    const size_t maxFirst = lines > FVisibleCount ? lines - FVisibleCount : 0;
    FFirstVisible = std::min(FFirstVisible, maxFirst);
}

void TGWidEditBoxContent::Resized() {
    UpdateLayout();
    Changed();
}

void TGWidEditBoxContent::SetMultiline(bool multiline) {
    FText.SetMultiline(multiline);
    FText.SetText(FText.Text());
    Changed();
}

void TGWidEditBoxContent::SetMaxWidth(double maxWidth) {
    FMaxWidth = maxWidth;
    UpdateLayout();
}

void TGWidEditBoxContent::SetText(const std::string& text) {
    Metrics();
    FText.SetText(text);
    UpdateLayout();
    Changed();
}

void TGWidEditBoxContent::Changed() {
    if (OnChange) {
        OnChange(*this);
    }
}

void TGWidEditBoxContent::SetFirstVisibleLine(size_t line) {
    const size_t lines = FText.Lines().size();
    const size_t maxFirst = lines > FVisibleCount ? lines - FVisibleCount : 0;
    line = std::min(line, maxFirst);
    if (line != FFirstVisible) {
        FFirstVisible = line;
        Changed();
    }
}

void TGWidEditBoxContent::ScrollToCaret() {
    const size_t first = ScrollToLine(FText.CaretLineCol().Line, FFirstVisible, FVisibleCount);
    if (first != FFirstVisible) {
        FFirstVisible = first;
        Changed();
    }
}

bool TGWidEditBoxContent::HasFocus() const {
    if (!Editable || !FVisible) {
        return false;
    }
    std::vector<TGWidEditBoxContent*> candidates =
        KeyCandidates(TreeRoot(const_cast<TGWidEditBoxContent&>(*this)));
    for (TGWidEditBoxContent* content : candidates) {
        if (content->FFocused) {
            return content == this;
        }
    }
    return !candidates.empty() && candidates.front() == this;
}

void TGWidEditBoxContent::TakeFocus() {
    for (TGWidgetIterator it(&TreeRoot(*this)); it.Current(); it.Next()) {
        if (auto* content = dynamic_cast<TGWidEditBoxContent*>(it.Current())) {
            content->FFocused = false;
        }
    }
    FFocused = true;
}

void TGWidEditBoxContent::KeyDown(int key, const TGInputState& state) {
    TGWidget::KeyDown(key, state);
    if (!Editable || !HasFocus()) {
        return;
    }
    Metrics();
    bool textChanged = false;
    bool moved = false;
    switch (key) {
    case VK_BACK:
        textChanged = FText.Backspace();
        break;
    case VK_DELETE:
        textChanged = FText.Delete();
        break;
    case VK_LEFT:
        moved = FText.MoveLeft();
        break;
    case VK_RIGHT:
        moved = FText.MoveRight();
        break;
    case VK_HOME:
        moved = FText.MoveHome();
        break;
    case VK_END:
        moved = FText.MoveEnd();
        break;
    case VK_UP:
        moved = FText.MoveUp();
        break;
    case VK_DOWN:
        moved = FText.MoveDown();
        break;
    default:
        return;
    }
    // The caret shows at once after a key, whatever the blink.
    FBlinkTime = 0.25;
    if (textChanged) {
        UpdateLayout();
        Changed();
    }
    if (textChanged || moved) {
        ScrollToCaret();
    }
}

void TGWidEditBoxContent::KeyPress(char32_t ch, const TGInputState& state) {
    TGWidget::KeyPress(ch, state);
    if (!Editable || !HasFocus()) {
        return;
    }
    Metrics();
    if (FText.Type(ch)) {
        FBlinkTime = 0.25;
        UpdateLayout();
        Changed();
        ScrollToCaret();
    }
}

void TGWidEditBoxContent::MouseDown(int button, const TGInputState& state) {
    TGWidget::MouseDown(button, state);
    if (button != mbLeft || !Editable) {
        return;
    }
    TakeFocus();
    PlaceCaretAt(state.X, state.Y);
    FBlinkTime = 0.25;
    ScrollToCaret();
}

// The caret goes to the letter boundary nearest to the point, on the line under it.
void TGWidEditBoxContent::PlaceCaretAt(double x, double y) {
    const IGTextMetrics* metrics = Metrics();
    const std::vector<TGEditLine>& lines = FText.Lines();
    const double row = std::floor((y - AbsY()) / (LineHeight() * LineSpacing));
    size_t line = FFirstVisible + static_cast<size_t>(std::max(0.0, row));
    line = std::min(line, lines.size() - 1);
    const TGEditLine& entry = lines[line];
    const std::u32string& codes = FText.Codes();
    const double target = x - AbsX();
    size_t column = 0;
    double previous = 0.0;
    while (metrics && column < entry.Length) {
        double next = metrics->Width(codes.substr(entry.Start, column + 1));
        if ((previous + next) / 2.0 > target) {
            break;
        }
        previous = next;
        ++column;
    }
    if (!metrics) {
        column = entry.Length;
    }
    FText.SetCaret(entry.Start + column);
}

void TGWidEditBoxContent::MouseWheelUp(const TGInputState& state) {
    TGWidget::MouseWheelUp(state);
    if (FFirstVisible > 0) {
        SetFirstVisibleLine(FFirstVisible - 1);
    }
}

void TGWidEditBoxContent::MouseWheelDown(const TGInputState& state) {
    TGWidget::MouseWheelDown(state);
    SetFirstVisibleLine(FFirstVisible + 1);
}

void TGWidEditBoxContent::ConstrainSize(double&, double&) {}

void TGWidEditBoxContent::DrawSelf() {
    const IGTextMetrics* metrics = Metrics();
    auto* item = dynamic_cast<TGVisLabel*>(&GetVisual("Item"));
    if (!item || !metrics) {
        return;
    }
    if (AppData().InterfaceClock) {
        AppData().InterfaceClock->AddStep(FBlinkTime);
    }
    double x, y;
    AbsolutePosition(x, y);
    const double lineHeight = LineHeight();
    const std::vector<TGEditLine>& lines = FText.Lines();
    const TGCaretPos caret = FText.CaretLineCol();
    const bool showCaret =
        Editable && HasFocus() && static_cast<long long>(std::llround(FBlinkTime * 4.0)) % 2 == 1;
    item->SetWordWrap(false);
    double row = 0.0;
    // The first line is drawn even where the box is a little lower than a line (a single-line
    // box sized to its art); the others only while they fit.
    for (size_t i = FFirstVisible; i < lines.size() && (i == FFirstVisible || row + lineHeight <= FHeight);
         ++i) {
        const std::string text = FText.LineText(i);
        if (!text.empty()) {
            const double width = metrics->Width(FText.Codes().substr(lines[i].Start, lines[i].Length));
            item->SetCaption(text);
            item->DrawText(false, 0.0, x, y + row, std::min(FWidth, width), std::min(FHeight, lineHeight));
        }
        if (showCaret && i == caret.Line) {
            TGVisual& cursor = GetVisual("TextCursor");
            double cursorWidth = 0.0, cursorHeight = 0.0;
            cursor.GetMinSize(cursorWidth, cursorHeight);
            const double left = metrics->Width(FText.Codes().substr(lines[i].Start, caret.Column));
            cursor.Draw(x + left, y + row, std::max(1.0, cursorWidth), lineHeight);
        }
        row += lineHeight * LineSpacing;
    }
}

// --- TGWidEditBox ---

TGWidEditBox::TGWidEditBox(TGAppData& appData) : TGWidget(appData) {
    auto content = std::make_unique<TGWidEditBoxContent>(appData);
    content->Name = "Content";
    content->OnChange = [this](TGWidget&) { ContentChanged(); };
    FContent = &static_cast<TGWidEditBoxContent&>(AddWidget(std::move(content)));
    auto scrollBar = std::make_unique<TGWidScrollBar>(appData);
    scrollBar->Name = "VScrollBar";
    scrollBar->OnChange = [this](TGWidget&) {
        if (!FSyncing) {
            FContent->SetFirstVisibleLine(
                static_cast<size_t>(std::max(0.0, std::round(FScrollBar->Value()))));
        }
    };
    FScrollBar = &static_cast<TGWidScrollBar&>(AddWidget(std::move(scrollBar)));
}

TGWidEditBox::~TGWidEditBox() = default;

void TGWidEditBox::StyleChanged(TGWidgetStyle* style) {
    if (!style) {
        return;
    }
    FScrollBar->SetStyle(&style->GetInnerStyle("VScrollBar"));
    FContent->SetStyle(&style->GetInnerStyle("Content"));
}

void TGWidEditBox::LoadFromXML(const TGXMLWidgetParams& params) {
    TGWidget::LoadFromXML(params);
    const IGXMLNode& node = params.GetNode();
    FContent->SetValidSymbols(node.GetStringDef("ValidSymbols", ""));
    FContent->SetMultiline(node.GetBoolDef("Multiline", false));
    FContent->SetMaxSize(node.GetIntDef("MaxSize", -1));
    FContent->SetMaxWidth(node.GetIntDef("MaxWidth", 1000000));
    SetScrollBarVisible(node.GetBoolDef("ScrollBarVisible", true));
    FContent->SetText(node.GetStringDef("Data", ""));
}

void TGWidEditBox::SetScrollBarVisible(bool visible) {
    FScrollBar->SetVisible(visible);
    Resized();
}

// The content fills the background's inner rectangle; the scroll bar, when shown, takes its
// right side.
void TGWidEditBox::Resized() {
    int32_t top = 0, left = 0, right = 0, bottom = 0;
    if (TGVisual* background = FStyle ? FStyle->FindVisual("Background") : nullptr) {
        background->GetMargins(top, left, right, bottom);
    }
    const double innerHeight = std::max(0.0, FHeight - (top + bottom));
    const double barWidth = FScrollBar->IsVisible() ? FScrollBar->Width() : 0.0;
    FScrollBar->SetHeight(innerHeight);
    FScrollBar->X = FWidth - FScrollBar->Width() - right;
    FScrollBar->Y = top;
    FContent->X = left;
    FContent->Y = top;
    FContent->SetSize(std::max(0.0, FWidth - barWidth - (left + right)), innerHeight);
    ContentChanged();
}

void TGWidEditBox::ContentChanged() {
    FSyncing = true;
    const size_t lines = FContent->LineCount();
    const size_t visible = FContent->VisibleLineCount();
    if (lines > visible) {
        FScrollBar->SetRange(0.0, static_cast<double>(lines - visible));
        FScrollBar->SetValue(static_cast<double>(FContent->FirstVisibleLine()));
    } else {
        FScrollBar->SetRange(0.0, 0.0);
        FScrollBar->SetValue(0.0);
    }
    FSyncing = false;
}

void TGWidEditBox::ConstrainSize(double& width, double& height) {
    if (TGVisual* background = FStyle ? FStyle->FindVisual("Background") : nullptr) {
        double minWidth = 0.0, minHeight = 0.0;
        background->GetMinSize(minWidth, minHeight);
        width = std::max(width, minWidth);
        height = std::max(height, minHeight);
    }
}

void TGWidEditBox::DrawSelf() {
    double x, y;
    AbsolutePosition(x, y);
    GetVisual("Background").Draw(x, y, FWidth, FHeight);
}

void TGWidEditBox::MouseDown(int button, const TGInputState& state) {
    TGWidget::MouseDown(button, state);
    if (button == mbLeft && FContent->Editable) {
        FContent->TakeFocus();
    }
}

void TGWidEditBox::MouseWheelUp(const TGInputState& state) {
    FContent->MouseWheelUp(state);
}

void TGWidEditBox::MouseWheelDown(const TGInputState& state) {
    FContent->MouseWheelDown(state);
}

std::string TGWidEditBox::Text() const {
    return FContent->Text();
}

void TGWidEditBox::SetText(const std::string& text) {
    FContent->SetText(text);
}

} // namespace qm
