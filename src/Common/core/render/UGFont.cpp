#include "UGFont.h"

#include "UDictionary.h"
#include "UGConvert.h"
#include "UGError.h"
#include "UGSprite.h"
#include "UGStrings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace qm {

namespace {

constexpr uint32_t OpaqueWhite = 0xFFFFFFFFu;
constexpr char32_t ReplacementChar = 0xFFFD;

char32_t FirstCodePoint(const std::string& text) {
    std::u32string codes = DecodeUtf8(text);
    return codes.empty() ? 0 : codes.front();
}

std::string GlyphText(char32_t c) {
    std::string text;
    AppendUtf8(text, c);
    return text;
}

} // namespace

std::u32string DecodeUtf8(const std::string& text) {
    std::u32string result;
    result.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            result.push_back(lead);
            ++i;
            continue;
        }
        int extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : 0;
        if (extra == 0 || i + static_cast<size_t>(extra) >= text.size()) {
            result.push_back(ReplacementChar);
            ++i;
            continue;
        }
        char32_t code = lead & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms and surrogates would let one character hide behind another.
        static constexpr char32_t Smallest[4] = {0, 0x80, 0x800, 0x10000};
        if (!valid || code < Smallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            result.push_back(ReplacementChar);
            ++i;
            continue;
        }
        result.push_back(code);
        i += static_cast<size_t>(extra) + 1;
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// TGFont

TGFont::TGFont(const TGResContextRec& context, const TGResourceDef& def) : TGResource(context, def) {}

std::string TGFont::TranslateText(const std::string& text) const {
    return Context().Dictionary ? Context().Dictionary->Translate(text) : Translate(text);
}

uint32_t TGFont::ColorAt(const std::vector<uint32_t>& colors, size_t index) {
    if (colors.empty()) {
        return OpaqueWhite;
    }
    return index < colors.size() ? colors[index] : colors.back();
}

void TGFont::DrawString(const std::string& text, uint32_t color, double x, double y) {
    DrawCodes(DecodeUtf8(TranslateText(text)), {color}, x, y, 1.0, 0.0);
}

void TGFont::DrawStringEx(const std::string& text, const std::vector<uint32_t>& colors, double x, double y,
                          double boxWidth, int alignment, double scale, double angle) {
    // Translated once: a translation that itself starts with "@" is text, not another key.
    std::u32string codes = DecodeUtf8(TranslateText(text));
    if (alignment == 1 || alignment == 2) {
        double width = scale * MeasureCodes(codes).Width;
        if (alignment == 1) {
            // Whole units keep centred captions on the pixel grid; ties go to the even
            // neighbour, as every other rounding of the engine does.
            x += std::nearbyint((boxWidth - width) / 2.0);
        } else {
            x = x + boxWidth - width;
        }
    }
    DrawCodes(codes, colors, x, y, scale, angle);
}

void TGFont::DrawRun(const std::string& text, const std::vector<uint32_t>& colors, double x, double y,
                     double scale, double angle) {
    DrawCodes(DecodeUtf8(TranslateText(text)), colors, x, y, scale, angle);
}

TGTextSize TGFont::MeasureString(const std::string& text) const {
    return MeasureCodes(DecodeUtf8(TranslateText(text)));
}

TGGraphicsDevice& TGFont::Device() const {
    if (!Context().Device) {
        throw EGError("TGFont.Device", Format("Font \"%s\" has no graphics device", Id().c_str()));
    }
    return *Context().Device;
}

double TGFont::ViewportScale() const {
    return Context().Device ? Context().Device->ViewportScale() : 1.0;
}

// ---------------------------------------------------------------------------------------------
// TGImageFont

namespace {

struct TLineHeightCorrection {
    const char* Name;
    double Correction;
};

// The artists' sheets of these fonts end in empty rows; without the correction lines of text
// written with them stand too far apart.
constexpr TLineHeightCorrection LineHeightCorrections[] = {
    {"fonts/FntBtn2", -2},         {"fonts/FntDefBlue", -5},  {"fonts/FntDefWhite", -5},
    {"fonts/FntDefYellow", -5},    {"fonts/FntTitles", -6},   {"fonts/FntTxtBigWhite", -5},
    {"fonts/FntTxtBigYellow", -5}, {"fonts/FntTxtWhite", -5}, {"fonts/Font04", -3},
    {"fonts/FntTxtYellow", -5},
};

// No glyph sheet is anywhere near this wide; the sheet itself is measured against the glyphs
// when it is first used, since it is loaded after the font.
constexpr int64_t MaxSheetWidth = int64_t{1} << 24;

// The numbers of Widths or Cuts, row by row: a ";" starts the next row of the sheet.
std::vector<std::vector<int64_t>> ParseRows(const TGResourceDef& def, const std::string& name) {
    std::string text = def.GetString(name);
    std::vector<std::vector<int64_t>> rows;
    if (Trim(text).empty()) {
        return rows;
    }
    rows.emplace_back();
    size_t start = 0;
    while (true) {
        size_t end = text.find_first_of(",;", start);
        std::string item = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::optional<int64_t> value = ParseDecimalInt(item);
        if (!value) {
            throw EGError("TGImageFont.CreateFromXML",
                          Format("%s: %s \"%s\" is not a list of integers", def.Location().c_str(),
                                 name.c_str(), text.c_str()));
        }
        rows.back().push_back(*value);
        if (end == std::string::npos) {
            return rows;
        }
        if (text[end] == ';') {
            rows.emplace_back();
        }
        start = end + 1;
    }
}

} // namespace

TGImageFont::TGImageFont(const TGResContextRec& context, const TGResourceDef& def) : TGFont(context, def) {
    FSeqId = def.GetString("SeqId");
    FLocation = def.Location();
    FLinearFilter = def.GetBoolDef("LinearFilter", false);
    ReadGlyphs(def);
    double scale = ViewportScale();
    for (const TGResourceDef& indent : def.Children("Indent")) {
        char32_t c = FirstCodePoint(indent.GetString("C"));
        double left = indent.GetFloat("Left") / scale;
        double right = indent.GetFloat("Right") / scale;
        for (TGImageGlyph& glyph : FGlyphs) {
            if (glyph.Char == c) {
                glyph.LeftIndent = left;
                glyph.RightIndent = right;
            }
        }
    }
    if (def.GetBoolDef("MixedCase", false)) {
        AddMixedCaseGlyphs();
    }
    if (def.HasAttribute("MaxCharWidth")) {
        FMaxCharWidth = def.GetFloat("MaxCharWidth") / scale;
    } else {
        FMaxCharWidth = FGlyphs.front().Advance();
        for (const TGImageGlyph& glyph : FGlyphs) {
            FMaxCharWidth = std::max(FMaxCharWidth, glyph.Advance());
        }
    }
    for (const TGResourceDef& pair : def.Children("Pair")) {
        FKerning.emplace(
            std::make_pair(FirstCodePoint(pair.GetString("C1")), FirstCodePoint(pair.GetString("C2"))),
            pair.GetFloat("Delta") / scale);
    }
}

void TGImageFont::ReadGlyphs(const TGResourceDef& def) {
    auto error = [&def](const std::string& what) {
        return EGError("TGImageFont.CreateFromXML", def.Location() + ": " + what);
    };
    std::u32string chars = DecodeUtf8(def.GetString("Chars"));
    const bool cuts = !def.HasAttribute("Widths");
    const std::string list = cuts ? "Cuts" : "Widths";
    if (cuts && !def.HasAttribute("Cuts")) {
        throw error("neither Widths nor Cuts given");
    }
    std::vector<std::vector<int64_t>> rows = ParseRows(def, list);
    size_t count = 0;
    for (const std::vector<int64_t>& row : rows) {
        count += row.size();
    }
    if (count != chars.size()) {
        throw error(Format("%d Chars but %d %s", static_cast<int>(chars.size()), static_cast<int>(count),
                           list.c_str()));
    }
    // A font without letters could measure nothing, not even its line height.
    if (chars.empty()) {
        throw error("no Chars");
    }
    double scale = ViewportScale();
    size_t next = 0;
    for (size_t row = 0; row < rows.size(); ++row) {
        int64_t position = 0;
        for (int64_t value : rows[row]) {
            char32_t c = chars[next++];
            int64_t width = cuts ? value - position : value;
            if (value < 0 || value > MaxSheetWidth || width < 0) {
                throw error(Format("%s item %d (%lld) for \"%s\" is outside the glyph sheet", list.c_str(),
                                   static_cast<int>(next), static_cast<long long>(value),
                                   GlyphText(c).c_str()));
            }
            TGImageGlyph glyph;
            glyph.Char = c;
            glyph.Row = static_cast<int>(row);
            // Positions add up in pixels, so that no rounding of the division piles up along the sheet.
            glyph.Position = static_cast<double>(position) / scale;
            glyph.Width = static_cast<double>(width) / scale;
            AddGlyph(glyph);
            position += width;
            if (position > MaxSheetWidth) {
                throw error(Format("the glyphs end at pixel %lld, outside any glyph sheet",
                                   static_cast<long long>(position)));
            }
        }
        FGlyphsEnd = std::max(FGlyphsEnd, position);
    }
    FRowCount = static_cast<int>(rows.size());
}

void TGImageFont::AddMixedCaseGlyphs() {
    for (char32_t upper = U'A'; upper <= U'Z'; ++upper) {
        char32_t lower = upper - U'A' + U'a';
        bool hasUpper = HasGlyph(upper);
        bool hasLower = HasGlyph(lower);
        if (hasUpper && !hasLower) {
            TGImageGlyph copy = FindGlyph(upper);
            copy.Char = lower;
            AddGlyph(copy);
        } else if (hasLower && !hasUpper) {
            TGImageGlyph copy = FindGlyph(lower);
            copy.Char = upper;
            AddGlyph(copy);
        }
    }
}

void TGImageFont::AddGlyph(const TGImageGlyph& glyph) {
    // The first glyph of a character is the one drawn.
    FGlyphIndex.emplace(glyph.Char, FGlyphs.size());
    FGlyphs.push_back(glyph);
}

bool TGImageFont::HasGlyph(char32_t c) const {
    return FGlyphIndex.contains(c);
}

const TGImageGlyph& TGImageFont::FindGlyph(char32_t c) const {
    if (auto it = FGlyphIndex.find(c); it != FGlyphIndex.end()) {
        return FGlyphs[it->second];
    }
    throw EGError("TGImageFont.FindGlyph", Format("Font: \"%s\", Glyph: \"%s\", Code: %d", Id().c_str(),
                                                  GlyphText(c).c_str(), static_cast<int>(c)));
}

double TGImageFont::KerningDelta(char32_t first, char32_t second) const {
    auto it = FKerning.find({first, second});
    return it == FKerning.end() ? 0.0 : it->second;
}

TGSprite& TGImageFont::GetSprite() const {
    TGResManager* manager = Context().ResManager;
    if (!manager || !manager->HasSeq(FSeqId)) {
        throw EGError("TGImageFont.GetSprite",
                      Format("%s: sequence \"%s\" not found", FLocation.c_str(), FSeqId.c_str()));
    }
    TGSprite& sheet = manager->GetSeq(FSeqId).GetSprite(0);
    if (FGlyphsEnd > sheet.PixelWidth()) {
        throw EGError("TGImageFont.GetSprite",
                      Format("%s: the glyphs end at pixel %lld of the %d pixels wide sheet \"%s\"",
                             FLocation.c_str(), static_cast<long long>(FGlyphsEnd), sheet.PixelWidth(),
                             FSeqId.c_str()));
    }
    if (sheet.PixelHeight() % FRowCount != 0) {
        throw EGError("TGImageFont.GetSprite",
                      Format("%s: the %d pixels high sheet \"%s\" does not split into %d rows",
                             FLocation.c_str(), sheet.PixelHeight(), FSeqId.c_str(), FRowCount));
    }
    return sheet;
}

double TGImageFont::LineHeightCorrection(const std::string& seqId) {
    for (const TLineHeightCorrection& entry : LineHeightCorrections) {
        if (EqualsNoCase(seqId, entry.Name)) {
            return entry.Correction;
        }
    }
    return 0.0;
}

double TGImageFont::LineHeight() const {
    return GetSprite().Height() / FRowCount + LineHeightCorrection(FSeqId);
}

TGTextSize TGImageFont::MeasureCodes(const std::u32string& text) const {
    double width = 0.0;
    for (size_t i = 0; i < text.size(); ++i) {
        width += FindGlyph(text[i]).Advance();
        if (i + 1 < text.size()) {
            width += KerningDelta(text[i], text[i + 1]);
        }
    }
    return {width, LineHeight()};
}

void TGImageFont::DrawCodes(const std::u32string& text, const std::vector<uint32_t>& colors, double x,
                            double y, double scale, double angle) {
    if (text.empty()) {
        return;
    }
    TGSprite& sheet = GetSprite();
    double rowHeight = sheet.Height() / FRowCount;
    TGGraphicsDevice& device = Device();
    TGStateGuard guard(device);
    device.State.Stages[0].Filter = FLinearFilter ? tfLinear : tfPoint;
    double cosA = std::cos(angle);
    double sinA = std::sin(angle);
    // The pen is a distance along the text direction from (x, y).
    double pen = 0.0;
    for (size_t i = 0; i < text.size(); ++i) {
        const TGImageGlyph& glyph = FindGlyph(text[i]);
        pen += scale * glyph.LeftIndent;
        TGPointD at{x + pen * cosA, y + pen * sinA};
        double top = glyph.Row * rowHeight;
        TGRectD source{glyph.Position, top, glyph.Position + glyph.Width, top + rowHeight};
        sheet.DrawEx(at, {scale, scale}, at.X, at.Y, angle, source, ColorAt(colors, i), bmDefault);
        pen += scale * (glyph.Width + glyph.RightIndent);
        if (i + 1 < text.size()) {
            pen += scale * KerningDelta(text[i], text[i + 1]);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// TGSysFont

namespace {

struct TFontVertex {
    float X, Y, Z;
    uint32_t Color;
    float U, V;
};
static_assert(sizeof(TFontVertex) == 24);

// White texels whose alpha is the coverage reduced to the 4 bits an A4R4G4B4 texel has; the
// other formats (a renderer without A4R4G4B4) get the same 16 levels.
void PutTexel(uint8_t* texel, int format, uint8_t coverage) {
    unsigned alpha4 = coverage >> 4;
    if (format == pfA8R8G8B8) {
        uint32_t value = alpha4 == 0 ? 0u : (static_cast<uint32_t>(alpha4 * 17) << 24) | 0x00FFFFFFu;
        std::memcpy(texel, &value, sizeof value);
    } else {
        uint16_t value = 0;
        if (format == pfA4R4G4B4) {
            value = alpha4 == 0 ? 0 : static_cast<uint16_t>(alpha4 << 12 | 0x0FFF);
        } else if (alpha4 >= 8) {
            value = 0xFFFF;
        }
        std::memcpy(texel, &value, sizeof value);
    }
}

std::filesystem::path DataPath(const std::filesystem::path& folder, std::string name) {
    // Definitions written on Windows separate folders with backslashes.
    std::replace(name.begin(), name.end(), '\\', '/');
    return folder / std::filesystem::path(name);
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           EqualsNoCase(std::string_view(text).substr(text.size() - suffix.size()), suffix);
}

} // namespace

TGSysFont::TGSysFont(const TGResContextRec& context, const TGResourceDef& def) : TGFont(context, def) {
    FFace = def.GetString("Face");
    FSize = def.GetInt("Size");
    FBold = def.GetBoolDef("Bold", false);
    FItalic = def.GetBoolDef("Italic", false);
    if (FSize <= 0) {
        throw EGError("TGSysFont.Create",
                      Format("Font \"%s\": Size %d is not a number of points", Id().c_str(), FSize));
    }
    if (!Context().FontRasterizer) {
        throw EGError("TGSysFont.Create", Format("Font \"%s\": no font rasteriser", Id().c_str()));
    }
    ResolveFace();
    TGGraphicsDevice& device = Device();
    BuildTexture();
    device.RegisterLostRestore(
        this, [this] { FTexture.reset(); }, [this] { BuildTexture(); });
}

TGSysFont::~TGSysFont() {
    if (Context().Device) {
        Context().Device->UnregisterLostRestore(this);
    }
}

void TGSysFont::ResolveFace() {
    const std::filesystem::path& folder = Context().DataFolder;
    bool embolden = FBold;
    bool oblique = FItalic;
    std::string file;
    if (EndsWithNoCase(FFace, ".ttf") || EndsWithNoCase(FFace, ".otf")) {
        file = FFace;
    } else {
        PGXMLNode mapping;
        if (Context().Config) {
            PGXMLCollection faces = Context().Config->GetCollection("FontFace");
            for (size_t i = 0; i < faces->Count() && !mapping; ++i) {
                if (EqualsNoCase(faces->GetItem(i)->GetString("Name"), FFace)) {
                    mapping = faces->GetItem(i);
                }
            }
        }
        if (!mapping) {
            throw EGError("TGSysFont.Create", Format("Font \"%s\": face \"%s\" is not mapped to a face file",
                                                     Id().c_str(), FFace.c_str()));
        }
        file = mapping->GetString("File");
        // A face file drawn for the style beats anything FreeType can make up; when only part
        // of the style has a file, the rest is synthesised on top of it.
        auto use = [&](const char* attribute, bool coversBold, bool coversItalic) {
            if (!mapping->HasAttribute(attribute)) {
                return false;
            }
            file = mapping->GetString(attribute);
            embolden = FBold && !coversBold;
            oblique = FItalic && !coversItalic;
            return true;
        };
        if (FBold && FItalic) {
            if (!use("BoldItalicFile", true, true) && !use("BoldFile", true, false)) {
                use("ItalicFile", false, true);
            }
        } else if (FBold) {
            use("BoldFile", true, false);
        } else if (FItalic) {
            use("ItalicFile", false, true);
        }
    }
    FRequest.FaceFile = DataPath(folder, file);
    FRequest.Embolden = embolden;
    FRequest.Oblique = oblique;
    std::error_code error;
    if (!std::filesystem::is_regular_file(FRequest.FaceFile, error)) {
        throw EGError("TGSysFont.Create",
                      Format("Font \"%s\": file \"%s\" of face \"%s\" not found", Id().c_str(),
                             FRequest.FaceFile.string().c_str(), FFace.c_str()));
    }
}

std::optional<TGRect> TGSysFont::TGShelf::Place(int textureSize, int width, int height) {
    // A texel between neighbours keeps filtering from pulling in the next glyph's ink.
    constexpr int Gap = 1;
    if (width > textureSize) {
        return std::nullopt;
    }
    if (X + width > textureSize) {
        X = 0;
        Y += RowHeight + Gap;
        RowHeight = 0;
    }
    if (Y + height > textureSize) {
        return std::nullopt;
    }
    TGRect box{Y, X, X + width, Y + height};
    X += width + Gap;
    RowHeight = std::max(RowHeight, height);
    return box;
}

namespace {

// The texels a glyph takes: its ink with a clear texel on every side, so that the edge of a
// scaled or turned quad blends its ink with clear texels only.
int BoxWidth(const TGGlyphBitmap& glyph) {
    return glyph.Width + 2;
}

int BoxHeight(const TGGlyphBitmap& glyph) {
    return glyph.Height + 2;
}

TGRect Union(const TGRect& a, const TGRect& b) {
    return {std::min(a.Top, b.Top), std::min(a.Left, b.Left), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

// Writes the glyphs' ink into their boxes; only the area is locked, so only it is uploaded.
void WriteGlyphs(IGTexture& texture, const TGRect& area, const std::vector<TGGlyphBitmap>& bitmaps,
                 const std::vector<TGRect>& boxes) {
    int format = texture.Format();
    int bytes = BytesPerPixel(format);
    TGLockGuard lock(texture, true, &area);
    const TGLockedRect& locked = lock.Locked;
    for (size_t i = 0; i < bitmaps.size(); ++i) {
        const TGGlyphBitmap& glyph = bitmaps[i];
        if (!glyph.HasInk()) {
            continue;
        }
        int left = boxes[i].Left + 1 - area.Left;
        int top = boxes[i].Top + 1 - area.Top;
        for (int row = 0; row < glyph.Height; ++row) {
            uint8_t* line = locked.Bits + static_cast<ptrdiff_t>(top + row) * locked.Pitch;
            for (int column = 0; column < glyph.Width; ++column) {
                PutTexel(line + static_cast<ptrdiff_t>(left + column) * bytes, format, glyph.At(column, row));
            }
        }
    }
}

std::vector<char32_t> AsciiCodes() {
    std::vector<char32_t> codes;
    for (char32_t c = IGFontRasterizer::FirstCode; c <= IGFontRasterizer::LastCode; ++c) {
        codes.push_back(c);
    }
    return codes;
}

bool IsDrawn(char32_t c) {
    return c >= IGFontRasterizer::FirstCode;
}

} // namespace

void TGSysFont::BuildTexture() {
    TGGraphicsDevice& device = Device();
    IGFontRasterizer& rasterizer = *Context().FontRasterizer;
    int maxTexture = device.Backend().MaxTextureSize();
    int textureSize = FSize <= 20 ? 256 : FSize <= 40 ? 512 : 1024;
    double ratio = 1.0;
    if (maxTexture < textureSize) {
        ratio = static_cast<double>(maxTexture) / textureSize;
        textureSize = maxTexture;
    }
    double scale = device.ViewportScale();
    // Characters met before a loss or a new scale are rendered again with the rest.
    std::vector<char32_t> codes = CachedCodes();
    while (true) {
        FRequest.PixelHeight =
            std::max(1, static_cast<int>(std::lround(FSize * 96.0 * scale * ratio / 72.0)));
        FRasterFace = rasterizer.OpenFace(FRequest);
        std::vector<TGGlyphBitmap> bitmaps = Render(codes);
        SetLineMetrics(bitmaps);
        // At a large viewport scale the size's texture may be too small; a larger texture keeps
        // the letters sharp, and only when the largest is full are the letters made smaller.
        for (int size = textureSize; size <= maxTexture; size *= 2) {
            if (LayOutTexture(bitmaps, size)) {
                FUnitsPerTexel = 1.0 / (scale * ratio);
                return;
            }
        }
        if (FRequest.PixelHeight == 1) {
            throw EGError("TGSysFont.BuildTexture",
                          Format("Font \"%s\" does not fit into a texture", Id().c_str()));
        }
        ratio *= 0.8;
    }
}

std::vector<char32_t> TGSysFont::CachedCodes() const {
    std::vector<char32_t> codes = AsciiCodes();
    std::vector<char32_t> others;
    for (const auto& [code, glyph] : FGlyphs) {
        if (code > IGFontRasterizer::LastCode) {
            others.push_back(code);
        }
    }
    std::sort(others.begin(), others.end());
    codes.insert(codes.end(), others.begin(), others.end());
    return codes;
}

std::vector<TGGlyphBitmap> TGSysFont::Render(const std::vector<char32_t>& codes) const {
    std::vector<TGGlyphBitmap> bitmaps;
    bitmaps.reserve(codes.size());
    for (char32_t c : codes) {
        bitmaps.push_back(FRasterFace->RenderGlyph(c));
        bitmaps.back().Code = c;
    }
    return bitmaps;
}

void TGSysFont::SetLineMetrics(const std::vector<TGGlyphBitmap>& bitmaps) {
    // Lines are as high as the face and its ASCII ink need; a taller character met later
    // overlaps its neighbours' lines rather than moving every text of the font.
    TGFaceMetrics metrics = FRasterFace->Metrics();
    int above = metrics.Ascent;
    int below = metrics.Descent;
    for (const TGGlyphBitmap& glyph : bitmaps) {
        if (glyph.HasInk() && glyph.Code <= IGFontRasterizer::LastCode) {
            above = std::max(above, glyph.BearingY);
            below = std::max(below, glyph.Height - glyph.BearingY);
        }
    }
    FBaseline = above;
    FCellHeight = std::max(1, above + below);
}

TGSysFont::TGTextureGlyph TGSysFont::MakeGlyph(const TGGlyphBitmap& bitmap, const TGRect& box) const {
    if (!bitmap.HasInk()) {
        return {TGRect{}, 0, 0, bitmap.Advance};
    }
    return {box, bitmap.BearingX - 1, FBaseline - bitmap.BearingY - 1, bitmap.Advance};
}

bool TGSysFont::LayOutTexture(const std::vector<TGGlyphBitmap>& bitmaps, int size) const {
    TGShelf shelf;
    std::vector<TGRect> boxes(bitmaps.size());
    for (size_t i = 0; i < bitmaps.size(); ++i) {
        if (bitmaps[i].HasInk()) {
            std::optional<TGRect> box = shelf.Place(size, BoxWidth(bitmaps[i]), BoxHeight(bitmaps[i]));
            if (!box) {
                return false;
            }
            boxes[i] = *box;
        }
    }
    PGTexture texture = Device().CreateTexture(size, size, pfA4R4G4B4, false);
    WriteGlyphs(*texture, TGRect{0, 0, size, size}, bitmaps, boxes);
    FTexture = texture;
    FTextureSize = size;
    FShelf = shelf;
    FGlyphs.clear();
    for (size_t i = 0; i < bitmaps.size(); ++i) {
        FGlyphs[bitmaps[i].Code] = MakeGlyph(bitmaps[i], boxes[i]);
    }
    return true;
}

bool TGSysFont::PlaceGlyphs(const std::vector<TGGlyphBitmap>& bitmaps) const {
    TGShelf shelf = FShelf;
    std::vector<TGRect> boxes(bitmaps.size());
    std::optional<TGRect> area;
    for (size_t i = 0; i < bitmaps.size(); ++i) {
        if (bitmaps[i].HasInk()) {
            std::optional<TGRect> box =
                shelf.Place(FTextureSize, BoxWidth(bitmaps[i]), BoxHeight(bitmaps[i]));
            if (!box) {
                return false;
            }
            boxes[i] = *box;
            area = area ? Union(*area, *box) : *box;
        }
    }
    if (area) {
        WriteGlyphs(*FTexture, *area, bitmaps, boxes);
    }
    FShelf = shelf;
    for (size_t i = 0; i < bitmaps.size(); ++i) {
        FGlyphs[bitmaps[i].Code] = MakeGlyph(bitmaps[i], boxes[i]);
    }
    return true;
}

void TGSysFont::AddGlyphs(const std::u32string& text) const {
    std::vector<char32_t> missing;
    for (char32_t c : text) {
        if (IsDrawn(c) && !FGlyphs.contains(c) &&
            std::find(missing.begin(), missing.end(), c) == missing.end()) {
            missing.push_back(c);
        }
    }
    if (missing.empty()) {
        return;
    }
    std::vector<TGGlyphBitmap> bitmaps = Render(missing);
    if (!FTexture) {
        // While the display is lost only the advances count; the texture that comes back
        // renders these characters with the rest.
        for (const TGGlyphBitmap& bitmap : bitmaps) {
            FGlyphs[bitmap.Code] = {TGRect{}, 0, 0, bitmap.Advance};
        }
        return;
    }
    if (PlaceGlyphs(bitmaps)) {
        return;
    }
    // The texture is full: a larger one takes every character met so far.
    std::vector<char32_t> codes = CachedCodes();
    codes.insert(codes.end(), missing.begin(), missing.end());
    std::vector<TGGlyphBitmap> all = Render(codes);
    int maxTexture = Device().Backend().MaxTextureSize();
    for (int size = FTextureSize * 2; size <= maxTexture; size *= 2) {
        if (LayOutTexture(all, size)) {
            return;
        }
    }
    // The largest texture is full too: the characters of other texts make room for this one's,
    // and are rendered again when they are next needed.
    std::vector<char32_t> kept = AsciiCodes();
    for (char32_t c : text) {
        if (c > IGFontRasterizer::LastCode && std::find(kept.begin(), kept.end(), c) == kept.end()) {
            kept.push_back(c);
        }
    }
    if (LayOutTexture(Render(kept), FTextureSize)) {
        return;
    }
    // One text with more characters than the largest texture holds: its characters show no ink
    // but keep their advance, so the text still measures right.
    LayOutTexture(Render(AsciiCodes()), FTextureSize);
    for (const TGGlyphBitmap& bitmap :
         Render(std::vector<char32_t>(kept.begin() + IGFontRasterizer::CodeCount, kept.end()))) {
        FGlyphs[bitmap.Code] = {TGRect{}, 0, 0, bitmap.Advance};
    }
}

const TGSysFont::TGTextureGlyph& TGSysFont::Glyph(char32_t c) const {
    auto it = FGlyphs.find(c);
    if (it == FGlyphs.end()) {
        AddGlyphs(std::u32string(1, c));
        it = FGlyphs.find(c);
    }
    return it->second;
}

bool TGSysFont::HasGlyph(char32_t c) const {
    return FRasterFace->HasGlyph(c);
}

TGTextSize TGSysFont::MeasureCodes(const std::u32string& text) const {
    AddGlyphs(text);
    int widest = 0;
    int line = 0;
    int lines = 1;
    for (char32_t c : text) {
        if (c == U'\n') {
            widest = std::max(widest, line);
            line = 0;
            ++lines;
        } else if (IsDrawn(c)) {
            line += Glyph(c).Advance;
        }
    }
    widest = std::max(widest, line);
    return {widest * FUnitsPerTexel, lines * FCellHeight * FUnitsPerTexel};
}

void TGSysFont::DrawCodes(const std::u32string& text, const std::vector<uint32_t>& colors, double x, double y,
                          double scale, double angle) {
    TGGraphicsDevice& device = Device();
    if (!FTexture) {
        return;
    }
    AddGlyphs(text);
    double unit = FUnitsPerTexel * scale;
    double shift = 0.5 / device.ViewportScale();
    double texel = 1.0 / FTextureSize;
    double cosA = std::cos(angle);
    double sinA = std::sin(angle);
    // A point of the text's own frame (along the line, down the lines) on the screen; the half
    // pixel puts texel centres on pixel centres.
    auto corner = [&](double along, double down, uint32_t color, double u, double v) {
        return TFontVertex{static_cast<float>(x + along * cosA - down * sinA - shift),
                           static_cast<float>(y + along * sinA + down * cosA - shift),
                           0.0f,
                           color,
                           static_cast<float>(u),
                           static_cast<float>(v)};
    };
    std::vector<TFontVertex> quads;
    bool allWhite = true;
    double penX = 0.0;
    double penY = 0.0;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c == U'\n') {
            penX = 0.0;
            penY += FCellHeight * unit;
            continue;
        }
        if (!IsDrawn(c)) {
            continue;
        }
        const TGTextureGlyph& glyph = Glyph(c);
        double left = penX + glyph.OffsetX * unit;
        double top = penY + glyph.OffsetY * unit;
        double right = left + glyph.TexRect.Width() * unit;
        double bottom = top + glyph.TexRect.Height() * unit;
        penX += glyph.Advance * unit;
        uint32_t color = ColorAt(colors, i);
        if (glyph.TexRect.Width() == 0 || (color >> 24) == 0) {
            continue;
        }
        allWhite = allWhite && color == OpaqueWhite;
        double u0 = glyph.TexRect.Left * texel;
        double v0 = glyph.TexRect.Top * texel;
        double u1 = glyph.TexRect.Right * texel;
        double v1 = glyph.TexRect.Bottom * texel;
        quads.push_back(corner(left, bottom, color, u0, v1));
        quads.push_back(corner(right, bottom, color, u1, v1));
        quads.push_back(corner(left, top, color, u0, v0));
        quads.push_back(corner(right, top, color, u1, v0));
    }
    if (!quads.empty()) {
        // One strip for the whole text: consecutive quads are joined by two repeated vertices,
        // which make triangles without area.
        std::vector<TFontVertex> strip;
        strip.reserve(quads.size() / 4 * 6);
        for (size_t i = 0; i < quads.size(); i += 4) {
            if (i > 0) {
                strip.push_back(strip.back());
                strip.push_back(quads[i]);
            }
            strip.insert(strip.end(), quads.begin() + static_cast<ptrdiff_t>(i),
                         quads.begin() + static_cast<ptrdiff_t>(i + 4));
        }
        int count = static_cast<int>(strip.size());
        TGStateGuard guard(device);
        {
            PGVertexBuffer buffer = device.CommonVertexBuffer(vfXYZDiffuseTex1, count, sizeof(TFontVertex));
            std::memcpy(buffer->Lock(count, true), strip.data(), strip.size() * sizeof(TFontVertex));
            buffer->Unlock();
            device.State.VertexBuffer = buffer;
            device.State.BlendMode = bmDefault;
            device.State.Stages[0] = {FTexture, tfLinear, allWhite ? coTexture : coModulate};
            device.DrawStrip(count - 2);
        }
    }
    // The texture font draws through the device's own state like any sprite, so nothing needs
    // sending again afterwards, and labels that follow each other join one batch.
}

// ---------------------------------------------------------------------------------------------

void RegisterFontClasses() {
    TGResourceRegistry& registry = TGResourceRegistry::Instance();
    registry.Register("Font", "", nullptr);
    registry.Register("SysFont", "Font", [](const TGResContextRec& context, const TGResourceDef& def) {
        return std::unique_ptr<TGResource>(std::make_unique<TGSysFont>(context, def));
    });
    registry.Register("ImageFont", "Font", [](const TGResContextRec& context, const TGResourceDef& def) {
        return std::unique_ptr<TGResource>(std::make_unique<TGImageFont>(context, def));
    });
}

} // namespace qm
