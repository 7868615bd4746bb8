#pragma once

#include "UGFontRasterizer.h"
#include "UGGraphicsDevice.h"
#include "UGResManager.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qm {

class TGSprite;

// Width and height of a text in drawing units.
struct TGTextSize {
    double Width = 0.0;
    double Height = 0.0;
};

// The code points of a UTF-8 text; a byte that starts no valid sequence becomes U+FFFD.
std::u32string DecodeUtf8(const std::string& text);

// A font resource. Texts are UTF-8 and pass through the dictionary before they are measured or
// drawn, so that language keys ("@UMenuScreen1") show the current language's text.
class TGFont : public TGResource {
public:
    TGFont(const TGResContextRec& context, const TGResourceDef& def);

    // One colour, scale 1, no rotation, left aligned.
    void DrawString(const std::string& text, uint32_t color, double x, double y);
    // Alignment 0 left, 1 centred in the box of the given width, 2 right aligned; the angle is
    // in radians. Character i takes colour i, characters past the list the last one, and an
    // empty list means opaque white.
    void DrawStringEx(const std::string& text, const std::vector<uint32_t>& colors, double x, double y,
                      double boxWidth, int alignment, double scale, double angle);
    // Draws at (x, y) without alignment.
    void DrawRun(const std::string& text, const std::vector<uint32_t>& colors, double x, double y,
                 double scale, double angle);
    // Unscaled extent in drawing units.
    TGTextSize MeasureString(const std::string& text) const;

    virtual bool HasGlyph(char32_t c) const = 0;
    virtual double MaxCharWidth() const = 0;
    virtual double LineHeight() const = 0;

    std::string TranslateText(const std::string& text) const;
    static uint32_t ColorAt(const std::vector<uint32_t>& colors, size_t index);

protected:
    // The kind's own drawing and measuring, on translated, decoded text.
    virtual void DrawCodes(const std::u32string& text, const std::vector<uint32_t>& colors, double x,
                           double y, double scale, double angle) = 0;
    virtual TGTextSize MeasureCodes(const std::u32string& text) const = 0;

    TGGraphicsDevice& Device() const;
    // Pixel values of definitions become drawing units by this divisor.
    double ViewportScale() const;
};

// One letter of an image font, in drawing units.
struct TGImageGlyph {
    char32_t Char = 0;
    double LeftIndent = 0.0;
    double RightIndent = 0.0;
    // The row of the glyph sheet holding the letter, and the x of its slice in that row.
    int Row = 0;
    double Position = 0.0;
    double Width = 0.0;

    double Advance() const { return LeftIndent + Width + RightIndent; }
};

// A font whose letters are slices, side by side, of one sprite drawn by artists (the glyph
// sheet), the first sprite of the sequence SeqId. A sheet of many letters may hold them in
// rows of equal height, so that it stays within the sizes a picture may have.
class TGImageFont : public TGFont {
public:
    TGImageFont(const TGResContextRec& context, const TGResourceDef& def);

    bool HasGlyph(char32_t c) const override;
    double MaxCharWidth() const override { return FMaxCharWidth; }
    // The height of a row of the sheet with the correction of its name; needs the sheet.
    double LineHeight() const override;

    // Raises "TGImageFont.FindGlyph: Font: "<Id>", Glyph: "<c>", Code: <code>" for a letter
    // the font does not have.
    const TGImageGlyph& FindGlyph(char32_t c) const;
    // The glyph sheet, found among the sequences of the loaded sequence pools.
    TGSprite& GetSprite() const;
    // The kerning between two letters in drawing units, 0 for a pair the font does not list.
    double KerningDelta(char32_t first, char32_t second) const;

    const std::string& SeqId() const { return FSeqId; }
    bool LinearFilter() const { return FLinearFilter; }
    const std::vector<TGImageGlyph>& Glyphs() const { return FGlyphs; }
    // What is added to the height of the named sheet when measuring: some sheets carry empty
    // rows below the letters that must not push lines apart.
    static double LineHeightCorrection(const std::string& seqId);

protected:
    void DrawCodes(const std::u32string& text, const std::vector<uint32_t>& colors, double x, double y,
                   double scale, double angle) override;
    TGTextSize MeasureCodes(const std::u32string& text) const override;

private:
    void ReadGlyphs(const TGResourceDef& def);
    void AddMixedCaseGlyphs();
    void AddGlyph(const TGImageGlyph& glyph);

    std::string FSeqId;
    // The definition's file and element, for messages.
    std::string FLocation;
    bool FLinearFilter = false;
    std::vector<TGImageGlyph> FGlyphs;
    // Where each character's glyph is in FGlyphs: sheets hold hundreds of letters.
    std::unordered_map<char32_t, size_t> FGlyphIndex;
    std::map<std::pair<char32_t, char32_t>, double> FKerning;
    double FMaxCharWidth = 0.0;
    // The pixel where the last glyph ends, which the sheet must reach.
    int64_t FGlyphsEnd = 0;
    int FRowCount = 1;
};

// A font rendered from a TrueType face into one texture. The printable ASCII characters are
// rendered when the font is made; any other character of the face when a text first needs it,
// and it stays in the texture from then on, so a text drawn every frame is rendered once. The
// texture is rebuilt whenever the display comes back after a loss.
class TGSysFont : public TGFont {
public:
    TGSysFont(const TGResContextRec& context, const TGResourceDef& def);
    ~TGSysFont() override;

    bool HasGlyph(char32_t c) const override;
    double MaxCharWidth() const override { return MeasureCodes(U"W").Width; }
    double LineHeight() const override { return MeasureCodes(U"j").Height; }

    const std::string& Face() const { return FFace; }
    int Size() const { return FSize; }
    bool Bold() const { return FBold; }
    bool Italic() const { return FItalic; }
    // What the face resolved to: the file and the styles FreeType has to synthesise.
    const TGRasterRequest& FaceRequest() const { return FRequest; }
    // The texture holding the rendered characters; none while the display is lost.
    const PGTexture& Texture() const { return FTexture; }
    // Where a character's ink lies in the texture, with a clear texel on every side; empty for
    // a character without ink. The character is rendered first if it has not been yet.
    TGRect GlyphRect(char32_t c) const { return Glyph(c).TexRect; }

protected:
    void DrawCodes(const std::u32string& text, const std::vector<uint32_t>& colors, double x, double y,
                   double scale, double angle) override;
    TGTextSize MeasureCodes(const std::u32string& text) const override;

private:
    // One character's place in the texture; distances in texels.
    struct TGTextureGlyph {
        TGRect TexRect;
        // From the pen to the rectangle's left edge, and from the top of the line to its top.
        int OffsetX = 0;
        int OffsetY = 0;
        int Advance = 0;
    };
    // Where the next glyph goes: rows filled left to right, the last row growing as tall as
    // its tallest glyph.
    struct TGShelf {
        int X = 0;
        int Y = 0;
        int RowHeight = 0;

        // The rectangle for a glyph box in a square texture of the given size, none when full.
        std::optional<TGRect> Place(int textureSize, int width, int height);
    };

    void ResolveFace();
    void BuildTexture();
    const TGTextureGlyph& Glyph(char32_t c) const;
    // Renders the characters of the text that are not in the texture yet, all in one go.
    void AddGlyphs(const std::u32string& text) const;
    // Adds to the free room of the texture; false when it is full.
    bool PlaceGlyphs(const std::vector<TGGlyphBitmap>& bitmaps) const;
    // A new texture of the given size holding exactly these glyphs; false when they do not fit.
    bool LayOutTexture(const std::vector<TGGlyphBitmap>& bitmaps, int size) const;
    // Printable ASCII first, then every other character rendered so far, in code order.
    std::vector<char32_t> CachedCodes() const;
    std::vector<TGGlyphBitmap> Render(const std::vector<char32_t>& codes) const;
    TGTextureGlyph MakeGlyph(const TGGlyphBitmap& bitmap, const TGRect& box) const;
    void SetLineMetrics(const std::vector<TGGlyphBitmap>& ascii);

    std::string FFace;
    int FSize = 0;
    bool FBold = false;
    bool FItalic = false;
    TGRasterRequest FRequest;
    std::unique_ptr<IGFontFace> FRasterFace;
    // The cache: rendering a character is a side effect of measuring or drawing it.
    mutable PGTexture FTexture;
    mutable std::unordered_map<char32_t, TGTextureGlyph> FGlyphs;
    mutable TGShelf FShelf;
    mutable int FTextureSize = 0;
    int FCellHeight = 0;
    // The baseline's distance from the top of a line, in texels.
    int FBaseline = 0;
    // Drawing units per texel: the viewport scale and any shrinking to fit the texture undone.
    double FUnitsPerTexel = 1.0;
};

// Registers "Font" (abstract), "SysFont" and "ImageFont" with the resource type registry.
void RegisterFontClasses();

} // namespace qm
