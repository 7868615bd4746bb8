#pragma once

#include "UGAnimotion.h"
#include "UGError.h"
#include "UGXMLNode.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class TGTimer;
class TGResManager;
class TGGraphicsDevice;
class TDictionary;
class TGAppData;
class TGSprite;
class TGFont;

// The engine services every visual and style works with, handed around by value.
struct TGVisualContextRec {
    TGTimer* Timer = nullptr; // the interface clock
    TGResManager* ResManager = nullptr;
    TGGraphicsDevice* Device = nullptr;
    PGXMLNode Config;
    TDictionary* Dictionary = nullptr;
    // Animotion visuals build their animotions on the application's interface clock; none in
    // tests that draw no animotion.
    TGAppData* AppData = nullptr;
};

// The error with the file and element it came from added, unless its text already names that
// element or one below it.
EGError ErrorAtElement(const std::exception& error, const IGXMLNode& node);

// A drawable piece of a widget style: a frame, a filled rectangle, a text, an image or an
// animotion. Visuals are shared by every widget of their style and hold no widget state; a
// widget writes its own values (caption, frame, alpha) into a visual just before drawing it.
class TGVisual {
public:
    TGVisual(const TGVisualContextRec& context, const IGXMLNode& node);
    virtual ~TGVisual() = default;
    TGVisual(const TGVisual&) = delete;
    TGVisual& operator=(const TGVisual&) = delete;

    // The absolute screen rectangle to draw into.
    virtual void Draw(double x, double y, double w, double h) = 0;
    virtual void GetMinSize(double& width, double& height);
    // Top, Left, Right, Bottom.
    virtual void GetMargins(int32_t& top, int32_t& left, int32_t& right, int32_t& bottom);

    const std::string& Name() const { return FName; }
    double MinWidth = 0.0;
    double MinHeight = 0.0;

protected:
    TGVisualContextRec FContext;
    std::string FName;
};

using TGVisualFactory = std::function<std::unique_ptr<TGVisual>(const TGVisualContextRec&, const IGXMLNode&)>;

// The registry of visual classes by their XML "Type" (exact, case-sensitive).
void RegisterVisualClass(const std::string& type, TGVisualFactory factory);
const TGVisualFactory& LookupVisualClass(const std::string& type);
// "Rect", "SolidRect", "Label", "Image", "Animotion"; registering twice changes nothing.
void RegisterEngineVisualClasses();
// Reads "Type" of a `Visual` element and builds the visual.
std::unique_ptr<TGVisual> CreateVisual(const TGVisualContextRec& context, const IGXMLNode& node);

// A nine-slice frame: corners drawn as they are, edges and centre tiled (never stretched).
class TGVisRect : public TGVisual {
public:
    TGVisRect(const TGVisualContextRec& context, const IGXMLNode& node);
    void Draw(double x, double y, double w, double h) override;
    void GetMinSize(double& width, double& height) override;
    void GetMargins(int32_t& top, int32_t& left, int32_t& right, int32_t& bottom) override;

    std::string SeqId;
    int32_t Frame = 0;
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
};

class TGVisSolidRect : public TGVisual {
public:
    TGVisSolidRect(const TGVisualContextRec& context, const IGXMLNode& node);
    void Draw(double x, double y, double w, double h) override;

    uint32_t Color = 0;
};

enum TGHAlign : uint8_t { haLeft = 0, haCenter = 1, haRight = 2 };
enum TGVAlign : uint8_t { vaTop = 0, vaMiddle = 1, vaBottom = 2 };

TGHAlign HAlignFromString(const std::string& text);
TGVAlign VAlignFromString(const std::string& text);

// A text in one font, aligned in its rectangle, optionally word-wrapped.
class TGVisLabel : public TGVisual {
public:
    // Shrinking a caption to fit never goes below this scale.
    static constexpr double MinFitScale = 0.05;

    TGVisLabel(const TGVisualContextRec& context, const IGXMLNode& node);
    void Draw(double x, double y, double w, double h) override;

    // Keys starting with "@" are replaced by their dictionary text.
    void SetCaption(const std::string& text);
    const std::string& Caption() const { return FCaption; }
    void SetSpacing(double spacing) { Spacing = spacing; }
    void SetWordWrap(bool wrap) { WordWrap = wrap; }
    // `angle` in radians; `fit` shrinks a line wider than the box (buttons).
    void DrawText(bool fit, double angle, double x, double y, double w, double h);
    // The caption's lines in a box `w` wide (UTF-8 lines).
    std::vector<std::string> BreakLines(const std::string& caption, double w);
    // The scale that fits a line `lineWidth` wide into a button `boxWidth` wide, less its
    // 18-unit margin; 1 when it fits, never below MinFitScale.
    static double FitScale(double lineWidth, double boxWidth);

    std::string Font;
    uint32_t Color = 0xFFFFFFFFu;
    TGHAlign HAlign = haLeft;
    TGVAlign VAlign = vaTop;
    double Scale = 1.0;
    double Spacing = 1.0;
    bool WordWrap = false;

protected:
    // Width of a UTF-8 text in the label's font; overridable where no font is loaded (tests).
    virtual double TextWidth(const std::string& text);
    TGFont& GetFont() const;

private:
    std::string FCaption;
};

// A sprite frame, clipped (never stretched) to its rectangle, optionally animated by FPS.
class TGVisImage : public TGVisual {
public:
    TGVisImage(const TGVisualContextRec& context, const IGXMLNode& node);
    void Draw(double x, double y, double w, double h) override;
    void GetMinSize(double& width, double& height) override;

    void SetSeqId(const std::string& seqId) { SeqId = seqId; }
    void SetFrame(int32_t frame) { Frame = frame; }
    void SetFPS(int32_t fps) { FPS = fps; }
    void SetAlpha(double alpha) { Alpha = alpha; }
    void SetScaleX(double scale) { ScaleX = scale; }
    void SetScaleY(double scale) { ScaleY = scale; }
    // The animation time belongs to the widget drawing the image: it writes its own time here
    // before drawing and reads the advanced time back afterwards, so images sharing a style
    // each run at their own pace.
    void SetAnimationTime(double time) { AnimationTime = time; }
    void DrawImage(uint8_t pivot, double angle, double x, double y, double w, double h);

    std::string SeqId;
    int32_t Frame = 0;
    int32_t FrameCount = 0;
    int32_t FPS = 0;
    double Alpha = 1.0;
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    double AnimationTime = 0.0;
};

// An animotion read from the visual's own element; channel 0 is placed at the rectangle.
class TGVisAnimotion : public TGVisual {
public:
    TGVisAnimotion(const TGVisualContextRec& context, const IGXMLNode& node);
    ~TGVisAnimotion() override;
    void Draw(double x, double y, double w, double h) override;

    PGAnimotion Animotion;
};

} // namespace qm
