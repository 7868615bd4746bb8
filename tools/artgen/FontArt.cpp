// Image fonts: glyph sheets rendered from the TrueType faces of the data folder, with a fill
// gradient, a dark outline and a soft shadow, and their definitions for lang/Fonts.xml.

#include "ArtGenerator.h"
#include "ArtPalette.h"
#include "UGStrings.h"
#include "UGXMLUtils.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace artgen {

namespace {

struct TImageFontStyle {
    std::string Id;
    std::string Face;
    double Size;
    double Outline; // 0: no outline
    TColor Top;
    TColor Bottom;
    bool Shadow;
};

// The characters of every sheet, row by row: printable ASCII; the Latin-1 letters and signs
// with the quotation marks, dashes and currency signs of European texts; the Latin Extended-A
// letters. So German, French, Italian, Spanish, Polish and their neighbours can be written,
// and no row is wider than a picture may be.
std::vector<std::vector<char32_t>> SheetRows() {
    std::vector<std::vector<char32_t>> rows(3);
    for (char32_t code = 32; code <= 126; ++code) {
        rows[0].push_back(code);
    }
    for (char32_t code = 0xA1; code <= 0xFF; ++code) {
        // The soft hyphen only marks where a word may break; it is never drawn.
        if (code != 0xAD) {
            rows[1].push_back(code);
        }
    }
    for (char32_t code : {0x2013, 0x2014, 0x2018, 0x2019, 0x201A, 0x201C, 0x201D, 0x201E, 0x2026, 0x20AC}) {
        rows[1].push_back(code);
    }
    for (char32_t code = 0x100; code <= 0x17F; ++code) {
        rows[2].push_back(code);
    }
    return rows;
}

std::string Utf8(char32_t code) {
    std::string text;
    qm::AppendUtf8(text, code);
    return text;
}

// The face's own kerning between the sheet's characters, in whole pixels at the sheet's size.
std::string KerningPairs(FT_Face face, double size, const std::vector<std::vector<char32_t>>& rows) {
    std::string pairs;
    if (!FT_HAS_KERNING(face) || FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) {
        return pairs;
    }
    std::vector<char32_t> codes;
    for (const std::vector<char32_t>& row : rows) {
        for (char32_t code : row) {
            // The space only moves the pen; no face kerns it.
            if (code != U' ') {
                codes.push_back(code);
            }
        }
    }
    for (char32_t first : codes) {
        for (char32_t second : codes) {
            FT_Vector delta{};
            FT_Get_Kerning(face, FT_Get_Char_Index(face, first), FT_Get_Char_Index(face, second),
                           FT_KERNING_DEFAULT, &delta);
            long pixels = std::lround(delta.x / 64.0);
            if (pixels != 0) {
                pairs += "\n    <Pair C1=\"" + qm::XmlEscaped(Utf8(first)) + "\" C2=\"" +
                         qm::XmlEscaped(Utf8(second)) + "\" Delta=\"" + std::to_string(pixels) + "\"/>";
            }
        }
    }
    return pairs;
}

void RenderImageFont(TArtContext& context, FT_Library library, const TImageFontStyle& style) {
    fs::path facePath = context.FaceFolder / style.Face;
    FT_Face face = nullptr;
    if (!fs::exists(facePath) || FT_New_Face(library, facePath.c_str(), 0, &face) != 0) {
        Fail("missing or unreadable face " + facePath.string() + " (needed by the image font " + style.Id +
             ")");
    }
    // Before Cairo takes the face: it keeps track of the size it set on it.
    const std::vector<std::vector<char32_t>> rows = SheetRows();
    std::string pairs = KerningPairs(face, style.Size, rows);
    cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_ft_face(face, 0);

    // Measure every glyph first so the sheet is exactly as wide as the glyphs.
    cairo_surface_t* probe = NewSurface(8, 8);
    cairo_t* measure = cairo_create(probe);
    cairo_set_font_face(measure, cairoFace);
    cairo_set_font_size(measure, style.Size);
    cairo_font_extents_t fontExtents;
    cairo_font_extents(measure, &fontExtents);
    std::string chars;
    std::string widths;
    int pad = static_cast<int>(std::ceil(style.Outline + (style.Shadow ? ShadowOffsetX : 0.0))) + 1;
    std::vector<std::vector<int>> cellWidths(rows.size());
    int sheetWidth = 0;
    for (size_t row = 0; row < rows.size(); ++row) {
        int rowWidth = 0;
        for (char32_t code : rows[row]) {
            // A semicolon starts the next row of the sheet.
            const char* separator = rowWidth > 0 ? "," : row > 0 ? ";" : "";
            std::string text = Utf8(code);
            cairo_text_extents_t extents;
            cairo_text_extents(measure, text.c_str(), &extents);
            int width = static_cast<int>(std::ceil(extents.x_advance)) + 2 * pad;
            cellWidths[row].push_back(width);
            rowWidth += width;
            chars += text;
            widths += separator + std::to_string(width);
        }
        sheetWidth = std::max(sheetWidth, rowWidth);
    }
    cairo_destroy(measure);
    cairo_surface_destroy(probe);

    int rowHeight = static_cast<int>(std::ceil(fontExtents.ascent + fontExtents.descent)) + 2 * pad + 2;
    cairo_surface_t* sheet = NewSurface(sheetWidth, rowHeight * static_cast<int>(rows.size()));
    cairo_t* cr = cairo_create(sheet);
    cairo_set_font_face(cr, cairoFace);
    cairo_set_font_size(cr, style.Size);
    for (size_t row = 0; row < rows.size(); ++row) {
        int top = rowHeight * static_cast<int>(row);
        double baseline = top + pad + fontExtents.ascent;
        cairo_pattern_t* fill = VerticalGradient(top + pad, baseline, style.Top, style.Bottom);
        int x = 0;
        for (size_t i = 0; i < rows[row].size(); ++i) {
            std::string utf8 = Utf8(rows[row][i]);
            const char* text = utf8.c_str();
            int cell = cellWidths[row][i];
            // Shadow, outline, then the fill, each only inside the glyph's own cell.
            cairo_save(cr);
            cairo_rectangle(cr, x, top, cell, rowHeight);
            cairo_clip(cr);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            if (style.Shadow) {
                cairo_move_to(cr, x + pad + ShadowOffsetX, baseline + ShadowOffsetY);
                cairo_text_path(cr, text);
                SetColor(cr, palette::Ink, ShadowAlpha);
                if (style.Outline > 0) {
                    cairo_set_line_width(cr, style.Outline * 2);
                    cairo_stroke_preserve(cr);
                }
                cairo_fill(cr);
            }
            cairo_move_to(cr, x + pad, baseline);
            cairo_text_path(cr, text);
            if (style.Outline > 0) {
                cairo_set_line_width(cr, style.Outline * 2);
                SetColor(cr, palette::Ink);
                cairo_stroke_preserve(cr);
            }
            cairo_set_source(cr, fill);
            cairo_fill(cr);
            cairo_restore(cr);
            x += cell;
        }
        cairo_pattern_destroy(fill);
    }
    cairo_destroy(cr);
    SavePng(context, "gfx/fonts/" + style.Id + ".png", sheet);
    // The FreeType face stays open: Cairo may keep glyphs of it cached until the program ends.
    cairo_font_face_destroy(cairoFace);

    // The cells carry room for the outline on both sides; glyphs overlap by that much again.
    std::string indents;
    for (const std::vector<char32_t>& row : rows) {
        for (char32_t code : row) {
            indents += "\n    <Indent C=\"" + qm::XmlEscaped(Utf8(code)) + "\" Left=\"" +
                       std::to_string(1 - pad) + "\" Right=\"" + std::to_string(1 - pad) + "\"/>";
        }
    }
    context.FontResources.push_back("<Resource Type=\"ImageFont\" Id=\"" + style.Id + "\" SeqId=\"fonts/" +
                                    style.Id + "\" LinearFilter=\"1\" Chars=\"" + qm::XmlEscaped(chars) +
                                    "\" Widths=\"" + widths + "\">" + indents + pairs + "\n  </Resource>");
}

} // namespace

void DrawFontArt(TArtContext& context) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        Fail("FreeType cannot start");
    }
    using namespace palette;
    const TColor White{1.0, 1.0, 1.0};
    const TColor SkyBlue{0.62, 0.85, 1.0};
    const TColor DeepBlue{0.25, 0.55, 0.95};
    const std::string Bold = "DejaVuSans-Bold.ttf";
    const std::string Regular = "DejaVuSans.ttf";
    // Titles, buttons, labels and body text; the names are the ones screens and code ask for.
    const TImageFontStyle styles[] = {
        {"FntTitles", Bold, 30, 2.5, BrassLight, BrassDark, true},
        {"FntBtn2", Bold, 18, 2.0, Parchment, SandLight, true},
        {"FntDefWhite", Bold, 16, 1.5, White, Parchment, true},
        {"FntDefBlue", Bold, 16, 1.5, SkyBlue, DeepBlue, true},
        {"FntDefYellow", Bold, 16, 1.5, BrassLight, BrassDark, true},
        {"FntTxtBigWhite", Regular, 18, 1.0, White, Parchment, true},
        {"FntTxtBigYellow", Regular, 18, 1.0, BrassLight, {0.9, 0.65, 0.2}, true},
        {"FntTxtWhite", Regular, 14, 0.0, White, Parchment, true},
        {"FntTxtYellow", Regular, 14, 0.0, BrassLight, {0.95, 0.78, 0.35}, true},
        {"Font04", Regular, 12, 0.0, Parchment, SandLight, true},
    };
    for (const TImageFontStyle& style : styles) {
        RenderImageFont(context, library, style);
    }
}

} // namespace artgen
