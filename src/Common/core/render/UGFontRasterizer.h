#pragma once

#include "UGError.h"
#include "UGStrings.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace qm {

// One rendered character. Distances are whole pixels; y grows upwards from the baseline for the
// bearing, and the coverage rows run from the top row down, as they are copied into textures.
struct TGGlyphBitmap {
    char32_t Code = 0;
    int Width = 0;
    int Height = 0;
    // From the pen position to the bitmap's left column (negative when the ink overhangs left).
    int BearingX = 0;
    // From the baseline up to the bitmap's top row; a glyph descends when Height > BearingY.
    int BearingY = 0;
    // How far the pen moves after the character.
    int Advance = 0;
    // Width x Height values, 0 for no ink and 255 for full ink.
    std::vector<uint8_t> Coverage;

    bool HasInk() const { return Width > 0 && Height > 0; }
    uint8_t At(int x, int y) const {
        return Coverage[static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)];
    }
};

// The vertical measures of one face at one pixel height.
struct TGFaceMetrics {
    // Pixels above and below the baseline that the face reserves for its characters.
    int Ascent = 0;
    int Descent = 0;
    // Baseline-to-baseline distance the face recommends, line gap included.
    int LineHeight = 0;
};

// The printable ASCII characters of one face at one pixel height.
struct TGRasterFace {
    int Ascent = 0;
    int Descent = 0;
    int LineHeight = 0;
    // One glyph per code from FirstCode to LastCode, in code order.
    std::vector<TGGlyphBitmap> Glyphs;

    const TGGlyphBitmap& Glyph(char32_t code) const;
};

struct TGRasterRequest {
    std::filesystem::path FaceFile;
    // The em height in pixels.
    int PixelHeight = 0;
    // Synthesised styles, for faces that have no file of their own for bold or italic.
    bool Embolden = false;
    bool Oblique = false;
};

// A face opened at one pixel height, rendering characters when they are first asked for, so
// that a font can draw any character of its face without rendering all of them up front.
class IGFontFace {
public:
    virtual ~IGFontFace() = default;
    virtual TGFaceMetrics Metrics() const = 0;
    virtual bool HasGlyph(char32_t code) const = 0;
    // A character the face does not have comes back as the face's own sign for a missing
    // character, so that a text still shows where something is lacking.
    virtual TGGlyphBitmap RenderGlyph(char32_t code) = 0;
};

// Renders TrueType and OpenType faces for system fonts. The engine knows no font library; the
// platform layer supplies the implementation.
class IGFontRasterizer {
public:
    static constexpr char32_t FirstCode = 32;
    static constexpr char32_t LastCode = 126;
    static constexpr int CodeCount = static_cast<int>(LastCode - FirstCode + 1);

    virtual ~IGFontRasterizer() = default;
    // Raises the engine error naming the face file when the file cannot be read as a face.
    virtual std::unique_ptr<IGFontFace> OpenFace(const TGRasterRequest& request) = 0;

    // The printable ASCII characters at once, for screens that draw only those.
    TGRasterFace RenderAscii(const TGRasterRequest& request) {
        std::unique_ptr<IGFontFace> face = OpenFace(request);
        TGFaceMetrics metrics = face->Metrics();
        TGRasterFace result{metrics.Ascent, metrics.Descent, metrics.LineHeight, {}};
        result.Glyphs.reserve(CodeCount);
        for (char32_t code = FirstCode; code <= LastCode; ++code) {
            result.Glyphs.push_back(face->RenderGlyph(code));
        }
        return result;
    }
};

inline const TGGlyphBitmap& TGRasterFace::Glyph(char32_t code) const {
    if (code < IGFontRasterizer::FirstCode || code > IGFontRasterizer::LastCode ||
        Glyphs.size() != static_cast<size_t>(IGFontRasterizer::CodeCount)) {
        throw EGError("TGRasterFace.Glyph", Format("No glyph for code %u", static_cast<unsigned>(code)));
    }
    return Glyphs[code - IGFontRasterizer::FirstCode];
}

} // namespace qm
