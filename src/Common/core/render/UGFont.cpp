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

std::vector<int64_t> ParseIntList(const TGResourceDef& def, const std::string& name) {
    std::string text = def.GetString(name);
    std::vector<int64_t> result;
    if (Trim(text).empty()) {
        return result;
    }
    size_t start = 0;
    while (true) {
        size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        std::optional<int64_t> value = ParseDecimalInt(item);
        if (!value) {
            throw EGError("TGImageFont.CreateFromXML",
                          Format("Font \"%s\": %s \"%s\" is not a list of integers", def.Id.c_str(),
                                 name.c_str(), text.c_str()));
        }
        result.push_back(*value);
        if (comma == std::string::npos) {
            return result;
        }
        start = comma + 1;
    }
}

} // namespace

TGImageFont::TGImageFont(const TGResContextRec& context, const TGResourceDef& def) : TGFont(context, def) {
    FSeqId = def.GetString("SeqId");
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
    std::u32string chars = DecodeUtf8(def.GetString("Chars"));
    std::vector<int64_t> widths;
    if (def.HasAttribute("Widths")) {
        widths = ParseIntList(def, "Widths");
    } else if (def.HasAttribute("Cuts")) {
        std::vector<int64_t> cuts = ParseIntList(def, "Cuts");
        for (size_t i = 0; i < cuts.size(); ++i) {
            widths.push_back(i == 0 ? cuts[0] : cuts[i] - cuts[i - 1]);
        }
    } else {
        throw EGError::Failed("TGImageFont.CreateFromXML");
    }
    if (widths.size() != chars.size()) {
        throw EGError(Format("TGImageFont.CreateFromXML (Chars: %d, Widths(Cuts): %d)",
                             static_cast<int>(chars.size()), static_cast<int>(widths.size())) +
                      FSeqId + " failed");
    }
    // A font without letters could measure nothing, not even its line height.
    if (chars.empty()) {
        throw EGError::Failed("TGImageFont.CreateFromXML");
    }
    double scale = ViewportScale();
    int64_t position = 0;
    for (size_t i = 0; i < chars.size(); ++i) {
        TGImageGlyph glyph;
        glyph.Char = chars[i];
        // Positions add up in pixels, so that no rounding of the division piles up along the sheet.
        glyph.Position = static_cast<double>(position) / scale;
        glyph.Width = static_cast<double>(widths[i]) / scale;
        FGlyphs.push_back(glyph);
        position += widths[i];
    }
}

void TGImageFont::AddMixedCaseGlyphs() {
    for (char32_t upper = U'A'; upper <= U'Z'; ++upper) {
        char32_t lower = upper - U'A' + U'a';
        bool hasUpper = HasGlyph(upper);
        bool hasLower = HasGlyph(lower);
        if (hasUpper && !hasLower) {
            TGImageGlyph copy = FindGlyph(upper);
            copy.Char = lower;
            FGlyphs.push_back(copy);
        } else if (hasLower && !hasUpper) {
            TGImageGlyph copy = FindGlyph(lower);
            copy.Char = upper;
            FGlyphs.push_back(copy);
        }
    }
}

bool TGImageFont::HasGlyph(char32_t c) const {
    return std::any_of(FGlyphs.begin(), FGlyphs.end(),
                       [c](const TGImageGlyph& glyph) { return glyph.Char == c; });
}

const TGImageGlyph& TGImageFont::FindGlyph(char32_t c) const {
    for (const TGImageGlyph& glyph : FGlyphs) {
        if (glyph.Char == c) {
            return glyph;
        }
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
        throw EGError("TGImageFont.GetSprite", Format("Sequence \"%s\" not found", FSeqId.c_str()));
    }
    return manager->GetSeq(FSeqId).GetSprite(0);
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
    return GetSprite().Height() + LineHeightCorrection(FSeqId);
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
    double sheetHeight = sheet.Height();
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
        TGRectD source{glyph.Position, 0.0, glyph.Position + glyph.Width, sheetHeight};
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

// Where each character goes in a texture of one size.
struct TTextureLayout {
    struct TCell {
        TGRect TexRect;
        int OffsetX = 0;
    };
    std::vector<TCell> Cells;
    int CellHeight = 0;
    // The baseline's distance from the top of every cell.
    int Baseline = 0;
};

// Rows of equally high cells, left to right, one texel apart so that filtering never pulls in
// a neighbour. Each cell holds the character's advance and any ink outside it (overhangs of
// italics, the tail of "j"), so nothing is clipped.
std::optional<TTextureLayout> LayOut(const TGRasterFace& face, int textureSize) {
    constexpr int Gap = 1;
    TTextureLayout layout;
    int above = face.Ascent;
    int below = face.Descent;
    for (const TGGlyphBitmap& glyph : face.Glyphs) {
        if (glyph.Width > 0 && glyph.Height > 0) {
            above = std::max(above, glyph.BearingY);
            below = std::max(below, glyph.Height - glyph.BearingY);
        }
    }
    layout.Baseline = above;
    layout.CellHeight = std::max(1, above + below);
    int x = 0;
    int y = 0;
    for (const TGGlyphBitmap& glyph : face.Glyphs) {
        bool ink = glyph.Width > 0 && glyph.Height > 0;
        // A character without ink (the space) needs no texels, only its advance.
        int left = ink ? std::min(0, glyph.BearingX) : 0;
        int right = ink ? std::max(glyph.Advance, glyph.BearingX + glyph.Width) : 0;
        int width = right - left;
        if (width > textureSize) {
            return std::nullopt;
        }
        if (x + width > textureSize) {
            x = 0;
            y += layout.CellHeight + Gap;
        }
        if (y + layout.CellHeight > textureSize) {
            return std::nullopt;
        }
        layout.Cells.push_back({TGRect{y, x, x + width, y + layout.CellHeight}, left});
        x += width + Gap;
    }
    return layout;
}

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
    while (true) {
        FRequest.PixelHeight =
            std::max(1, static_cast<int>(std::lround(FSize * 96.0 * scale * ratio / 72.0)));
        TGRasterFace face = rasterizer.RenderAscii(FRequest);
        if (face.Glyphs.size() != static_cast<size_t>(IGFontRasterizer::CodeCount)) {
            throw EGError("TGSysFont.BuildTexture",
                          Format("Font \"%s\": the rasteriser gave %d glyphs", Id().c_str(),
                                 static_cast<int>(face.Glyphs.size())));
        }
        // At a large viewport scale the size's texture may be too small; a larger texture keeps
        // the letters sharp, and only when the largest is full are the letters made smaller.
        std::optional<TTextureLayout> layout;
        int size = textureSize;
        while (!(layout = LayOut(face, size)) && size * 2 <= maxTexture) {
            size *= 2;
        }
        if (!layout) {
            if (FRequest.PixelHeight == 1) {
                throw EGError("TGSysFont.BuildTexture",
                              Format("Font \"%s\" does not fit into a texture", Id().c_str()));
            }
            ratio *= 0.8;
            continue;
        }
        PGTexture texture = device.CreateTexture(size, size, pfA4R4G4B4, false);
        int format = texture->Format();
        int bytes = BytesPerPixel(format);
        TGLockGuard lock(*texture, true);
        const TGLockedRect& locked = lock.Locked;
        for (size_t i = 0; i < face.Glyphs.size(); ++i) {
            const TGGlyphBitmap& glyph = face.Glyphs[i];
            const TTextureLayout::TCell& cell = layout->Cells[i];
            int left = cell.TexRect.Left + glyph.BearingX - cell.OffsetX;
            int top = cell.TexRect.Top + layout->Baseline - glyph.BearingY;
            for (int row = 0; row < glyph.Height; ++row) {
                uint8_t* line = locked.Bits + static_cast<ptrdiff_t>(top + row) * locked.Pitch;
                for (int column = 0; column < glyph.Width; ++column) {
                    PutTexel(line + static_cast<ptrdiff_t>(left + column) * bytes, format,
                             glyph.At(column, row));
                }
            }
            FCells[i] = {cell.TexRect, cell.OffsetX, glyph.Advance};
        }
        FTexture = texture;
        FTextureSize = size;
        FCellHeight = layout->CellHeight;
        FUnitsPerTexel = 1.0 / (scale * ratio);
        return;
    }
}

const TGSysFont::TGTextureGlyph& TGSysFont::Cell(char32_t c) const {
    // Characters beyond ASCII have no cell; a question mark shows that something is missing
    // and keeps measuring and drawing in step.
    if (c < IGFontRasterizer::FirstCode || c > IGFontRasterizer::LastCode) {
        c = U'?';
    }
    return FCells[c - IGFontRasterizer::FirstCode];
}

TGTextSize TGSysFont::MeasureCodes(const std::u32string& text) const {
    int widest = 0;
    int line = 0;
    int lines = 1;
    for (char32_t c : text) {
        if (c == U'\n') {
            widest = std::max(widest, line);
            line = 0;
            ++lines;
        } else if (c >= IGFontRasterizer::FirstCode) {
            line += Cell(c).Advance;
        }
    }
    widest = std::max(widest, line);
    return {widest * FUnitsPerTexel, lines * FCellHeight * FUnitsPerTexel};
}

void TGSysFont::DrawCodes(const std::u32string& text, const std::vector<uint32_t>& colors, double x, double y,
                          double scale, double angle) {
    if (std::fabs(angle) > 0.00001) {
        throw EGError("TGSysFont.DrawExHelper", "TGSysFont is not supported draw text with angle yet!");
    }
    uint32_t color = ColorAt(colors, 0);
    TGGraphicsDevice& device = Device();
    if ((color >> 24) == 0 || !FTexture) {
        return;
    }
    double unit = FUnitsPerTexel * scale;
    double shift = 0.5 / device.ViewportScale();
    double texel = 1.0 / FTextureSize;
    std::vector<TFontVertex> quads;
    double penX = x;
    double penY = y;
    for (char32_t c : text) {
        if (c == U'\n') {
            penX = x;
            penY += FCellHeight * unit;
            continue;
        }
        if (c < IGFontRasterizer::FirstCode) {
            continue;
        }
        const TGTextureGlyph& cell = Cell(c);
        auto left = static_cast<float>(penX + cell.OffsetX * unit - shift);
        auto top = static_cast<float>(penY - shift);
        auto right = static_cast<float>(left + cell.TexRect.Width() * unit);
        auto bottom = static_cast<float>(top + cell.TexRect.Height() * unit);
        auto u0 = static_cast<float>(cell.TexRect.Left * texel);
        auto v0 = static_cast<float>(cell.TexRect.Top * texel);
        auto u1 = static_cast<float>(cell.TexRect.Right * texel);
        auto v1 = static_cast<float>(cell.TexRect.Bottom * texel);
        penX += cell.Advance * unit;
        if (cell.TexRect.Width() == 0) {
            continue;
        }
        quads.push_back({left, bottom, 0.0f, color, u0, v1});
        quads.push_back({right, bottom, 0.0f, color, u1, v1});
        quads.push_back({left, top, 0.0f, color, u0, v0});
        quads.push_back({right, top, 0.0f, color, u1, v0});
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
            device.State.Stages[0] = {FTexture, tfLinear, color == OpaqueWhite ? coTexture : coModulate};
            device.DrawStrip(count - 2);
        }
    }
    // Everything is sent again after text, so that whatever draws next never depends on what
    // the text left behind in the renderer.
    device.ApplyState(true);
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
