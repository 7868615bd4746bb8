#pragma once

#include "UGEditText.h"
#include "UGWidget.h"

#include <memory>

namespace qm {

class TGFont;
class TGWidScrollBar;

// What the content needs of the font of its "Item" label.
class TGFontTextMetrics : public IGTextMetrics {
public:
    explicit TGFontTextMetrics(TGFont& font) : FFont(font) {}
    double Width(const std::u32string& text) const override;
    double MaxCharWidth() const override;
    bool HasGlyph(char32_t c) const override;
    double LineHeight() const override;

private:
    TGFont& FFont;
};

// The text of an edit box with its caret, drawn line by line with the style's "Item" label
// and a blinking "TextCursor". Keys reach it only while it has the focus: of the visible
// editable contents of a tree, the one last clicked, else the first.
class TGWidEditBoxContent : public TGWidget {
public:
    using TGWidget::TGWidget;

    std::string GetClassName() const override { return "EditBoxContent"; }
    void Resized() override;
    void KeyDown(int key, const TGInputState& state) override;
    void KeyPress(char32_t ch, const TGInputState& state) override;
    void MouseDown(int button, const TGInputState& state) override;
    void MouseWheelUp(const TGInputState& state) override;
    void MouseWheelDown(const TGInputState& state) override;
    void ConstrainSize(double& width, double& height) override;
    void DrawSelf() override;
    bool AcceptsMouse() const override { return true; }

    // Single-line text loses its line breaks, MaxSize and what does not fit on one line.
    void SetText(const std::string& text);
    std::string Text() const { return FText.Text(); }
    TGEditText& EditText() { return FText; }
    const TGEditText& EditText() const { return FText; }

    void SetMultiline(bool multiline);
    void SetMaxSize(int maxSize) { FText.SetMaxSize(maxSize); }
    void SetValidSymbols(const std::string& symbols) { FText.SetValidSymbols(symbols); }
    // Lines are never broken wider than this.
    void SetMaxWidth(double maxWidth);
    // Measures in place of the "Item" font (tests); none goes back to the font.
    void SetTextMetrics(const IGTextMetrics* metrics);

    // Scrolls so that the caret's line is visible; OnChange fires when it scrolled.
    void ScrollToCaret();
    size_t FirstVisibleLine() const { return FFirstVisible; }
    void SetFirstVisibleLine(size_t line);
    size_t VisibleLineCount() const { return FVisibleCount; }
    size_t LineCount() const { return FText.Lines().size(); }

    bool HasFocus() const;
    // Takes the keys from every other content of the tree.
    void TakeFocus();

    bool Editable = true;
    double LineSpacing = 1.0;
    TGNotifyEvent OnChange;

private:
    // Looks the font up once it is loaded; until then nothing is measured.
    const IGTextMetrics* Metrics();
    double LineHeight();
    void UpdateLayout();
    void Changed();
    void PlaceCaretAt(double x, double y);

    TGEditText FText;
    const IGTextMetrics* FTestMetrics = nullptr;
    std::unique_ptr<TGFontTextMetrics> FFontMetrics;
    double FMaxWidth = 1000000.0;
    size_t FFirstVisible = 0;
    size_t FVisibleCount = 1;
    double FBlinkTime = 0.0;
    bool FFocused = false;
};

// An edit box: "Background" around a content ("Content") and a vertical scroll bar
// ("VScrollBar") that follows the content's lines, each styled by the inner style of its name.
class TGWidEditBox : public TGWidget {
public:
    explicit TGWidEditBox(TGAppData& appData);
    ~TGWidEditBox() override;

    std::string GetClassName() const override { return "EditBox"; }
    void StyleChanged(TGWidgetStyle* style) override;
    void Resized() override;
    void LoadFromXML(const TGXMLWidgetParams& params) override;
    void ConstrainSize(double& width, double& height) override;
    void DrawSelf() override;
    void MouseDown(int button, const TGInputState& state) override;
    void MouseWheelUp(const TGInputState& state) override;
    void MouseWheelDown(const TGInputState& state) override;
    bool AcceptsMouse() const override { return true; }

    TGWidEditBoxContent& Content() const { return *FContent; }
    TGWidScrollBar& ScrollBar() const { return *FScrollBar; }
    void SetScrollBarVisible(bool visible);
    std::string Text() const;
    void SetText(const std::string& text);

private:
    void ContentChanged();

    TGWidScrollBar* FScrollBar = nullptr;
    TGWidEditBoxContent* FContent = nullptr;
    // Set while the scroll bar follows the content, so that it does not scroll it back.
    bool FSyncing = false;
};

} // namespace qm
