#include "ArtGenerator.h"

#include "ArtPalette.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cairo-ft.h>
#include <cstdio>
#include <cstdlib>

namespace artgen {

void Fail(const std::string& message) {
    std::fprintf(stderr, "quillmark-artgen: %s\n", message.c_str());
    std::exit(1);
}

cairo_surface_t* NewSurface(int width, int height) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        Fail("cannot create a surface of " + std::to_string(width) + "x" + std::to_string(height));
    }
    return surface;
}

void SavePng(const TArtContext& context, const std::string& relative, cairo_surface_t* surface) {
    fs::path path = context.DataFolder / relative;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    cairo_surface_flush(surface);
    cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        Fail("cannot write " + path.string() + ": " + cairo_status_to_string(status));
    }
}

void SavePngForAdding(const TArtContext& context, const std::string& relative, cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    // Cairo holds colours already multiplied by alpha and its PNG writer divides them out again;
    // multiplying once more leaves the written colour multiplied by alpha.
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const uint32_t p = row[x];
            const uint32_t a = p >> 24;
            auto darken = [&](int shift) { return (((p >> shift) & 0xFFu) * a + 127) / 255 << shift; };
            row[x] = (a << 24) | darken(16) | darken(8) | darken(0);
        }
    }
    cairo_surface_mark_dirty(surface);
    SavePng(context, relative, surface);
}

cairo_font_face_t* LoadFace(const TArtContext& context, const std::string& file, const std::string& user) {
    static FT_Library library = nullptr;
    if (!library && FT_Init_FreeType(&library) != 0) {
        Fail("FreeType cannot start");
    }
    fs::path path = context.FaceFolder / file;
    FT_Face face = nullptr;
    if (!fs::exists(path) || FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        Fail("missing or unreadable face " + path.string() + " (needed by " + user + ")");
    }
    return cairo_ft_font_face_create_for_ft_face(face, 0);
}

void DrawOutlinedText(cairo_t* cr, cairo_font_face_t* face, const std::string& text, double size, double cx,
                      double cy, cairo_pattern_t* fill, double outline) {
    cairo_set_font_face(cr, face);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    const double x = cx - extents.width / 2 - extents.x_bearing;
    const double y = cy - extents.height / 2 - extents.y_bearing;
    cairo_move_to(cr, x + ShadowOffsetX, y + ShadowOffsetY);
    cairo_text_path(cr, text.c_str());
    SetColor(cr, palette::Ink, 0.5);
    cairo_fill(cr);
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, text.c_str());
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, outline);
    SetColor(cr, palette::Ink);
    cairo_stroke_preserve(cr);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
}

} // namespace artgen
