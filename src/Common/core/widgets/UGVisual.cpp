#include "UGVisual.h"

#include "UGAppData.h"

#include "UDictionary.h"
#include "UGError.h"
#include "UGFont.h"
#include "UGGraphicsDevice.h"
#include "UGResManager.h"
#include "UGSprite.h"
#include "UGStrings.h"
#include "UGTimer.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace qm {

namespace {

std::map<std::string, TGVisualFactory>& VisualClasses() {
    static std::map<std::string, TGVisualFactory> classes;
    return classes;
}

template <class T> TGVisualFactory FactoryOf() {
    return [](const TGVisualContextRec& context, const IGXMLNode& node) -> std::unique_ptr<TGVisual> {
        return std::make_unique<T>(context, node);
    };
}

TGSprite& SpriteOf(const TGVisualContextRec& context, const std::string& seqId, int32_t frame) {
    return context.ResManager->GetSeq(seqId).GetSprite(frame);
}

// Steps of `step` covering `length`, the last one cut to end exactly at it; a step or length of
// zero or less gives none.
template <class F> void ForEachTile(double length, double step, F&& tile) {
    if (step <= 0.0) {
        return;
    }
    for (double offset = 0.0; offset < length; offset += step) {
        double size = std::min(step, length - offset);
        tile(offset, size);
    }
}

bool IsLineEnd(char32_t c) {
    return c == U'\r' || c == U'\n';
}

std::string EncodeUtf8(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace

EGError ErrorAtElement(const std::exception& error, const IGXMLNode& node) {
    std::string message = error.what();
    const std::string location = node.GetLocation();
    const size_t fileEnd = location.find(": ");
    const std::string path = fileEnd == std::string::npos ? location : location.substr(fileEnd + 2);
    if (message.find(location) == std::string::npos && message.find(path) == std::string::npos) {
        message += " (" + location + ")";
    }
    return EGError(message);
}

// --- Registry ---

void RegisterVisualClass(const std::string& type, TGVisualFactory factory) {
    VisualClasses()[type] = std::move(factory);
}

const TGVisualFactory& LookupVisualClass(const std::string& type) {
    auto found = VisualClasses().find(type);
    if (found == VisualClasses().end()) {
        throw EGError("TGVisual.LookupClass", Format("Unknown class \"%s\"", type.c_str()));
    }
    return found->second;
}

void RegisterEngineVisualClasses() {
    RegisterVisualClass("Rect", FactoryOf<TGVisRect>());
    RegisterVisualClass("SolidRect", FactoryOf<TGVisSolidRect>());
    RegisterVisualClass("Label", FactoryOf<TGVisLabel>());
    RegisterVisualClass("Image", FactoryOf<TGVisImage>());
    RegisterVisualClass("Animotion", FactoryOf<TGVisAnimotion>());
}

std::unique_ptr<TGVisual> CreateVisual(const TGVisualContextRec& context, const IGXMLNode& node) {
    std::string type = node.GetString("Type");
    try {
        return LookupVisualClass(type)(context, node);
    } catch (const EGError& error) {
        throw ErrorAtElement(error, node);
    }
}

// --- TGVisual ---

TGVisual::TGVisual(const TGVisualContextRec& context, const IGXMLNode& node)
    : MinWidth(node.GetFloatDef("MinWidth", 0.0)), MinHeight(node.GetFloatDef("MinHeight", 0.0)),
      FContext(context), FName(node.GetStringDef("Name", "")) {}

void TGVisual::GetMinSize(double& width, double& height) {
    width = MinWidth;
    height = MinHeight;
}

void TGVisual::GetMargins(int32_t& top, int32_t& left, int32_t& right, int32_t& bottom) {
    top = left = right = bottom = 0;
}

// --- TGVisRect ---

TGVisRect::TGVisRect(const TGVisualContextRec& context, const IGXMLNode& node)
    : TGVisual(context, node), SeqId(node.GetStringDef("SeqId", "")), Frame(node.GetIntDef("Frame", 0)),
      Left(node.GetIntDef("Left", 0)), Top(node.GetIntDef("Top", 0)), Right(node.GetIntDef("Right", 0)),
      Bottom(node.GetIntDef("Bottom", 0)) {}

void TGVisRect::GetMinSize(double& width, double& height) {
    TGVisual::GetMinSize(width, height);
    if ((width == 0.0 || height == 0.0) && !SeqId.empty()) {
        TGSprite& sprite = SpriteOf(FContext, SeqId, Frame);
        width = sprite.Width();
        height = sprite.Height();
    }
}

void TGVisRect::GetMargins(int32_t& top, int32_t& left, int32_t& right, int32_t& bottom) {
    top = Top;
    left = Left;
    right = Right;
    bottom = Bottom;
}

void TGVisRect::Draw(double x, double y, double w, double h) {
    if (SeqId.empty()) {
        return;
    }
    TGSprite& sprite = SpriteOf(FContext, SeqId, Frame);
    const double W = sprite.Width();
    const double H = sprite.Height();
    const double L = Left, T = Top, R = Right, B = Bottom;
    const double cw = W - L - R;
    const double ch = H - T - B;
    const double iw = std::round(w) - (L + R);
    const double ih = std::round(h) - (T + B);
    // A frame without a centre cannot tile a rectangle larger than its borders.
    if ((cw <= 0.0 && iw > 0.0) || (ch <= 0.0 && ih > 0.0)) {
        throw EGError("TGVisRect.Draw",
                      Format("Sprite \"%s\" has no centre inside borders %d, %d, %d, %d (%s)", SeqId.c_str(),
                             Left, Top, Right, Bottom, FName.c_str()));
    }
    const uint32_t white = 0xFFFFFFFFu;
    auto part = [&](double l, double t, double r, double b, double px, double py) {
        if (r > l && b > t) {
            sprite.DrawPart({l, t, r, b}, white, px, py, bmDefault);
        }
    };
    part(0, 0, L, T, x, y);
    part(W - R, 0, W, T, x + w - R, y);
    part(W - R, H - B, W, H, x + w - R, y + h - B);
    part(0, H - B, L, H, x, y + h - B);
    ForEachTile(ih, ch, [&](double oy, double stepY) {
        ForEachTile(iw, cw, [&](double ox, double stepX) {
            part(L, T, L + stepX, T + stepY, x + L + ox, y + T + oy);
        });
    });
    ForEachTile(iw, cw, [&](double ox, double stepX) {
        part(L, 0, L + stepX, T, x + L + ox, y);
        part(L, H - B, L + stepX, H, x + L + ox, y + h - B);
    });
    ForEachTile(ih, ch, [&](double oy, double stepY) {
        part(0, T, L, T + stepY, x, y + T + oy);
        part(W - R, T, W, T + stepY, x + w - R, y + T + oy);
    });
}

// --- TGVisSolidRect ---

TGVisSolidRect::TGVisSolidRect(const TGVisualContextRec& context, const IGXMLNode& node)
    : TGVisual(context, node), Color(node.GetColorDef("Color", 0)) {}

void TGVisSolidRect::Draw(double x, double y, double w, double h) {
    FContext.Device->FillRect({x, y}, {x + w, y + h}, Color);
}

// --- TGVisLabel ---

TGHAlign HAlignFromString(const std::string& text) {
    if (text == "Left") {
        return haLeft;
    }
    if (text == "Center") {
        return haCenter;
    }
    if (text == "Right") {
        return haRight;
    }
    throw EGError("TGVisLabel.HAlignFromString", Format("Invalid HAlign: \"%s\"", text.c_str()));
}

TGVAlign VAlignFromString(const std::string& text) {
    if (text == "Top") {
        return vaTop;
    }
    if (text == "Middle") {
        return vaMiddle;
    }
    if (text == "Bottom") {
        return vaBottom;
    }
    throw EGError("TGVisLabel.VAlignFromString", Format("Invalid VAlign: \"%s\"", text.c_str()));
}

TGVisLabel::TGVisLabel(const TGVisualContextRec& context, const IGXMLNode& node)
    : TGVisual(context, node), Font(node.GetStringDef("Font", "")),
      Color(node.GetColorDef("Color", 0xFFFFFFFFu)),
      HAlign(HAlignFromString(node.GetStringDef("HAlign", "Left"))),
      VAlign(VAlignFromString(node.GetStringDef("VAlign", "Top"))), Scale(node.GetFloatDef("Scale", 1.0)) {
    SetCaption(node.GetStringDef("Caption", ""));
}

void TGVisLabel::SetCaption(const std::string& text) {
    FCaption = FContext.Dictionary ? FContext.Dictionary->Translate(text) : Translate(text);
}

TGFont& TGVisLabel::GetFont() const {
    return FContext.ResManager->GetFont(Font);
}

double TGVisLabel::TextWidth(const std::string& text) {
    return GetFont().MeasureString(text).Width;
}

void TGVisLabel::Draw(double x, double y, double w, double h) {
    DrawText(false, 0.0, x, y, w, h);
}

std::vector<std::string> TGVisLabel::BreakLines(const std::string& caption, double w) {
    const std::u32string text = DecodeUtf8(caption);
    std::vector<std::u32string> lines(1);
    auto width = [this](const std::u32string& s) { return TextWidth(EncodeUtf8(s)); };
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (IsLineEnd(c)) {
            lines.emplace_back();
            continue;
        }
        std::u32string& line = lines.back();
        if (WordWrap) {
            // The rest of the current word, up to and including its space.
            std::u32string word;
            for (size_t j = i; j < text.size(); ++j) {
                char32_t r = IsLineEnd(text[j]) ? U' ' : text[j];
                word += r;
                if (r == U' ') {
                    break;
                }
            }
            if (width(line + word) > w) {
                // A word that fits a line of its own moves to the next line; one wider than the
                // box is broken where the box ends instead of standing one letter per line.
                const bool wordStart = i == 0 || text[i - 1] == U' ' || IsLineEnd(text[i - 1]);
                if (wordStart && !line.empty() && width(word) <= w) {
                    lines.emplace_back(1, c);
                    continue;
                }
                if (!line.empty() && width(line + c) > w) {
                    lines.emplace_back(1, c);
                    continue;
                }
            }
        }
        line += c;
    }
    std::vector<std::string> result;
    result.reserve(lines.size());
    for (const std::u32string& line : lines) {
        result.push_back(EncodeUtf8(line));
    }
    return result;
}

double TGVisLabel::FitScale(double lineWidth, double boxWidth) {
    if (lineWidth <= 0.0 || lineWidth <= boxWidth - 18.0) {
        return 1.0;
    }
    // A box narrower than the margin would give a zero or negative scale.
    return std::max((boxWidth - 18.0) / lineWidth, MinFitScale);
}

void TGVisLabel::DrawText(bool fit, double angle, double x, double y, double w, double h) {
    std::vector<std::string> lines = BreakLines(FCaption, w);
    TGFont& font = GetFont();
    const double n = static_cast<double>(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        TGTextSize size = font.MeasureString(lines[i]);
        const double lw = size.Width;
        const double lh = size.Height;
        const double row = static_cast<double>(i) * lh * Spacing;
        double lx = x;
        if (HAlign == haCenter) {
            lx = x + std::round((w - lw) / 2.0);
        } else if (HAlign == haRight) {
            lx = x + w - lw;
        }
        double ly = y + row;
        if (VAlign == vaMiddle) {
            ly = y + std::round((h - n * lh) / 2.0) + row;
        } else if (VAlign == vaBottom) {
            ly = y + h - n * lh + row;
        }
        const double s = fit ? FitScale(lw, w) : 1.0;
        if (s != 1.0) {
            lx += lw * (1.0 - s) / 2.0;
            ly += (1.0 - s) * lh / 2.0;
            if (Font != "FontBtn01" && Font != "FontBtn00") {
                ly += (1.0 - s) * 2.0;
            }
        }
        font.DrawRun(lines[i], {Color}, lx, ly, s * Scale, angle);
    }
}

// --- TGVisImage ---

TGVisImage::TGVisImage(const TGVisualContextRec& context, const IGXMLNode& node)
    : TGVisual(context, node), SeqId(node.GetStringDef("SeqId", "")), Frame(node.GetIntDef("Frame", 0)),
      FPS(node.GetIntDef("FPS", 0)), Alpha(node.GetFloatDef("Alpha", 1.0)),
      ScaleX(node.GetFloatDef("ScaleX", 1.0)), ScaleY(node.GetFloatDef("ScaleY", 1.0)) {}

void TGVisImage::GetMinSize(double& width, double& height) {
    TGVisual::GetMinSize(width, height);
    if ((width == 0.0 || height == 0.0) && !SeqId.empty()) {
        TGSprite& sprite = SpriteOf(FContext, SeqId, Frame);
        width = sprite.Width();
        height = sprite.Height();
    }
}

void TGVisImage::Draw(double x, double y, double w, double h) {
    DrawImage(pvLeftTop, 0.0, x, y, w, h);
}

void TGVisImage::DrawImage(uint8_t pivot, double angle, double x, double y, double w, double h) {
    if (SeqId.empty()) {
        return;
    }
    if (FContext.Timer) {
        FContext.Timer->AddStep(AnimationTime);
    }
    if (AnimationTime < 0.0 || AnimationTime > 86400.0) {
        AnimationTime = 0.0;
    }
    TGSequence& seq = FContext.ResManager->GetSeq(SeqId);
    FrameCount = seq.Count();
    if (FPS >= 1) {
        if (FrameCount <= 0) {
            throw EGError("TGVisImage.DrawImage", Format("Sequence \"%s\" has no frames", SeqId.c_str()));
        }
        Frame = static_cast<int32_t>(static_cast<int64_t>(std::llround(FPS * AnimationTime)) % FrameCount);
    }
    TGSprite& sprite = seq.GetSprite(Frame);
    const double W = sprite.Width();
    const double H = sprite.Height();
    TGRectD source{0.0, 0.0, std::min(w, W), std::min(h, H)};
    TGPointD u{ScaleX, 0.0};
    TGPointD v{0.0, ScaleY};
    if (std::fabs(angle) > 0.0001) {
        const double rad = angle * M_PI / 180.0;
        const double c = std::cos(rad);
        const double s = std::sin(rad);
        u = {ScaleX * c, ScaleX * s};
        v = {-ScaleY * s, ScaleY * c};
    }
    double px = 0.0, py = 0.0;
    switch (pivot) {
    case pvCenter:
        px = W / 2.0;
        py = H / 2.0;
        break;
    case pvLeftBottom:
        py = H;
        break;
    case pvCenterTop:
        px = W / 2.0;
        break;
    case pvBottomMiddle:
        px = W / 2.0;
        py = H;
        break;
    default:
        break;
    }
    TGPointD p{x - px * u.X - py * v.X, y - px * u.Y - py * v.Y};
    const long alpha = std::clamp<long>(std::lround(Alpha * 255.0), 0, 255);
    const uint32_t color = (static_cast<uint32_t>(alpha) << 24) | 0xFFFFFFu;
    sprite.DrawOnAxes(p, u, v, &source, color, bmDefault);
}

// --- TGVisAnimotion ---

TGVisAnimotion::TGVisAnimotion(const TGVisualContextRec& context, const IGXMLNode& node)
    : TGVisual(context, node) {}

TGVisAnimotion::~TGVisAnimotion() = default;

void TGVisAnimotion::Draw(double, double, double, double) {}

} // namespace qm
