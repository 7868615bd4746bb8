// The application icon of the desktop: the Quillmark itself, the obelisk carved with a feather
// that the coast is named after, standing on a terrace behind a row of three marbles, on a night
// tile with a brass rim. It is drawn once on a 256-unit grid and scaled to each size the desktop
// asks for, so every size shows the same picture; lines keep a least width so that the small
// sizes stay crisp.

#include "ArtGenerator.h"
#include "ArtPalette.h"

#include <algorithm>
#include <string>

namespace artgen {

namespace {

constexpr double Grid = 256.0;

// A line width on the grid that never falls below about one pixel of the drawn size.
double Line(cairo_t* cr, double width) {
    double unitX = 1.0;
    double unitY = 0.0;
    cairo_device_to_user_distance(cr, &unitX, &unitY);
    return std::max(width, unitX * 0.9);
}

void Tile(cairo_t* cr) {
    RoundedRect(cr, 8, 8, 240, 240, 44);
    cairo_pattern_t* sky =
        VerticalGradient(8, 248, Mix(palette::Night, palette::TealDark, 0.7), palette::Night);
    cairo_set_source(cr, sky);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(sky);
    cairo_pattern_t* rim = BrassPattern(8, 8, 248, 248);
    cairo_set_source(cr, rim);
    cairo_set_line_width(cr, Line(cr, 7));
    cairo_stroke(cr);
    cairo_pattern_destroy(rim);

    // The lamp-light behind the obelisk's tip.
    cairo_pattern_t* glow = cairo_pattern_create_radial(128, 70, 4, 128, 70, 100);
    AddStop(glow, 0.0, palette::BrassLight, 0.55);
    AddStop(glow, 1.0, palette::BrassLight, 0.0);
    RoundedRect(cr, 12, 12, 232, 232, 40);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
}

// The obelisk's outline: a tapered shaft under a pyramid cap.
void ObeliskPath(cairo_t* cr) {
    cairo_move_to(cr, 128, 26);
    cairo_line_to(cr, 150, 58);
    cairo_line_to(cr, 162, 196);
    cairo_line_to(cr, 94, 196);
    cairo_line_to(cr, 106, 58);
    cairo_close_path(cr);
}

void Obelisk(cairo_t* cr) {
    // Shadow to the lower right.
    cairo_save(cr);
    cairo_translate(cr, ShadowOffsetX * 3, ShadowOffsetY * 3);
    ObeliskPath(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, ShadowAlpha);
    cairo_fill(cr);
    cairo_restore(cr);

    // The lit left face and the turned-away right face meet on the ridge line.
    cairo_move_to(cr, 128, 26);
    cairo_line_to(cr, 128, 196);
    cairo_line_to(cr, 94, 196);
    cairo_line_to(cr, 106, 58);
    cairo_close_path(cr);
    cairo_pattern_t* lit =
        VerticalGradient(26, 196, Mix(palette::SandLight, palette::Parchment, 0.5), palette::SandLight);
    cairo_set_source(cr, lit);
    cairo_fill(cr);
    cairo_pattern_destroy(lit);
    cairo_move_to(cr, 128, 26);
    cairo_line_to(cr, 150, 58);
    cairo_line_to(cr, 162, 196);
    cairo_line_to(cr, 128, 196);
    cairo_close_path(cr);
    cairo_pattern_t* shade =
        VerticalGradient(26, 196, palette::SandDark, Mix(palette::SandDark, palette::Ink, 0.3));
    cairo_set_source(cr, shade);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);

    // The brass cap.
    cairo_move_to(cr, 128, 26);
    cairo_line_to(cr, 150, 58);
    cairo_line_to(cr, 106, 58);
    cairo_close_path(cr);
    cairo_pattern_t* cap = BrassPattern(106, 26, 150, 58);
    cairo_set_source(cr, cap);
    cairo_fill(cr);
    cairo_pattern_destroy(cap);

    ObeliskPath(cr);
    SetColor(cr, palette::Ink);
    cairo_set_line_width(cr, Line(cr, 4));
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

// The vane of the feather, leaning a little to the right as a quill held for writing.
void FeatherPath(cairo_t* cr) {
    cairo_move_to(cr, 124, 182);
    cairo_curve_to(cr, 108, 150, 112, 100, 136, 72);
    cairo_curve_to(cr, 144, 104, 142, 150, 124, 182);
    cairo_close_path(cr);
}

// Carved, not painted: the cut's upper-left wall is in shadow and its lower-right wall catches
// the light, so the feather is drawn dark and then a light copy shows below and right of it.
void Feather(cairo_t* cr) {
    cairo_save(cr);
    cairo_translate(cr, 1.8, 1.8);
    FeatherPath(cr);
    SetColor(cr, palette::Parchment, 0.7);
    cairo_fill(cr);
    cairo_restore(cr);

    FeatherPath(cr);
    SetColor(cr, palette::Ink, 0.55);
    cairo_fill(cr);

    // The shaft, running past the vane to the quill's nib.
    cairo_move_to(cr, 121, 190);
    cairo_curve_to(cr, 124, 150, 126, 110, 136, 72);
    SetColor(cr, palette::Parchment, 0.85);
    cairo_set_line_width(cr, Line(cr, 3));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
}

void Terrace(cairo_t* cr) {
    RoundedRect(cr, 36, 190, 184, 20, 5);
    cairo_pattern_t* stone = VerticalGradient(190, 210, palette::SandLight, palette::SandDark);
    cairo_set_source(cr, stone);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(stone);
    SetColor(cr, palette::Ink);
    cairo_set_line_width(cr, Line(cr, 3.5));
    cairo_stroke(cr);
}

// A glass marble lit from the upper left, in the marble set's red, yellow and blue.
void Marble(cairo_t* cr, double x, double y, const TColor& light, const TColor& body, const TColor& deep) {
    const double r = 23;
    cairo_save(cr);
    cairo_arc(cr, x + ShadowOffsetX * 2, y + ShadowOffsetY * 2, r, 0, 2 * Pi);
    cairo_set_source_rgba(cr, 0, 0, 0, ShadowAlpha);
    cairo_fill(cr);
    cairo_pattern_t* glass = cairo_pattern_create_radial(x - r * 0.35, y - r * 0.4, r * 0.1, x, y, r);
    AddStop(glass, 0.0, light);
    AddStop(glass, 0.55, body);
    AddStop(glass, 1.0, deep);
    cairo_arc(cr, x, y, r, 0, 2 * Pi);
    cairo_set_source(cr, glass);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(glass);
    SetColor(cr, palette::Ink);
    cairo_set_line_width(cr, Line(cr, 3));
    cairo_stroke(cr);
    cairo_arc(cr, x - r * 0.38, y - r * 0.42, r * 0.22, 0, 2 * Pi);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
    cairo_fill(cr);
    cairo_restore(cr);
}

constexpr TColor Rgb(int r, int g, int b) {
    return TColor{r / 255.0, g / 255.0, b / 255.0};
}

void DrawIcon(cairo_t* cr) {
    Tile(cr);
    Obelisk(cr);
    Feather(cr);
    Terrace(cr);
    Marble(cr, 80, 212, Rgb(255, 160, 140), Rgb(214, 52, 40), Rgb(96, 14, 16));
    Marble(cr, 128, 218, Rgb(255, 246, 190), Rgb(244, 204, 44), Rgb(150, 104, 8));
    Marble(cr, 176, 212, Rgb(168, 200, 255), Rgb(46, 100, 214), Rgb(14, 30, 104));
}

} // namespace

void DrawIconArt(TArtContext& context) {
    for (int size : {48, 64, 128, 256}) {
        cairo_surface_t* surface = NewSurface(size, size);
        cairo_t* cr = cairo_create(surface);
        cairo_scale(cr, size / Grid, size / Grid);
        DrawIcon(cr);
        cairo_destroy(cr);
        SavePng(context, "icons/Quillmark" + std::to_string(size) + ".png", surface);
    }
}

} // namespace artgen
