// The extra bonuses' own pictures: the phantom bonus's three definitions and its sparkle on the
// bonus button, the colour swatches of the colour change and the highlight of a planted column.
// The bonuses' gems themselves are the specials' (SpecialArt.cpp).

#include "GemArt.h"

#include <cmath>
#include <string>

namespace artgen {

namespace {

// The phantom's misty lilac, as its gem.
const TColor Mist = Rgb(196, 180, 226);
const TColor MistDeep = Rgb(90, 76, 130);

void Arrow(cairo_t* cr, double angle, double length) {
    const double x = Centre + length * std::cos(angle);
    const double y = Centre + length * std::sin(angle);
    cairo_move_to(cr, Centre, Centre);
    cairo_line_to(cr, x, y);
    for (double side : {-0.55, 0.55}) {
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x - 6 * std::cos(angle + side), y - 6 * std::sin(angle + side));
    }
}

// A misty disc that breathes, with the arrows of the strike the phantom marbles will carry: along
// a row (1), four ways (2) or along the diagonals (3).
void PhantomDefinition(cairo_t* cr, int type, int frame, int frames) {
    const double breath = 0.5 + 0.5 * std::sin(frame * 2 * Pi / frames);
    cairo_pattern_t* mist = cairo_pattern_create_radial(Centre, Centre, 3, Centre, Centre, 21);
    AddStop(mist, 0, White, 0.85);
    AddStop(mist, 0.6, Mist, 0.55 + 0.25 * breath);
    AddStop(mist, 1, MistDeep, 0);
    cairo_arc(cr, Centre, Centre, 21, 0, 2 * Pi);
    cairo_set_source(cr, mist);
    cairo_fill(cr);
    cairo_pattern_destroy(mist);
    const double length = 13 + 3 * breath;
    if (type == 1) {
        Arrow(cr, 0, length);
        Arrow(cr, Pi, length);
    } else if (type == 2) {
        for (int i = 0; i < 4; ++i) {
            Arrow(cr, i * Pi / 2, length);
        }
    } else {
        for (int i = 0; i < 4; ++i) {
            Arrow(cr, Pi / 4 + i * Pi / 2, length);
        }
    }
    SetColor(cr, MistDeep, 0.95);
    cairo_set_line_width(cr, 2.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
}

// A four-pointed glint that opens, turns and closes.
void PhantomSparkle(cairo_t* cr, int frame, int frames) {
    const double t = frame / static_cast<double>(frames - 1);
    const double size = 16 * std::sin(t * Pi);
    if (size <= 0.5) {
        return;
    }
    cairo_translate(cr, Centre + 9, Centre - 9);
    cairo_rotate(cr, t * Pi / 2);
    for (int i = 0; i < 4; ++i) {
        cairo_move_to(cr, 0, 0);
        cairo_line_to(cr, size * 0.18, size * 0.18);
        cairo_line_to(cr, size, 0);
        cairo_line_to(cr, size * 0.18, -size * 0.18);
        cairo_close_path(cr);
        cairo_rotate(cr, Pi / 2);
    }
    SetColor(cr, White, 0.9);
    cairo_fill(cr);
}

// The colour on offer: a ring of the colour's glass round the button's gem, one frame per colour.
void ColourSwatch(cairo_t* cr, int color) {
    cairo_arc(cr, Centre, Centre, 20, 0, 2 * Pi);
    cairo_arc_negative(cr, Centre, Centre, 14, 2 * Pi, 0);
    cairo_pattern_t* ring = cairo_pattern_create_radial(Centre - 5, Centre - 6, 4, Centre, Centre, 20);
    AddStop(ring, 0, Mix(Glass[color], White, 0.55));
    AddStop(ring, 1, Glass[color]);
    cairo_set_source(cr, ring);
    cairo_fill(cr);
    cairo_pattern_destroy(ring);
    cairo_arc(cr, Centre, Centre, 20, 0, 2 * Pi);
    SetColor(cr, palette::Ink, 0.6);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
}

// A warm frame over a cell of the column about to be planted.
void HighlightedCell(const TArtContext& context) {
    cairo_surface_t* surface = NewSurface(Cell, Cell);
    cairo_t* cr = cairo_create(surface);
    RoundedRect(cr, 2, 2, Cell - 4, Cell - 4, 7);
    SetColor(cr, palette::BrassLight, 0.22);
    cairo_fill_preserve(cr);
    SetColor(cr, palette::BrassLight, 0.85);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    cairo_destroy(cr);
    SavePng(context, "gfx/stuff/HighlightedCell.png", surface);
}

} // namespace

void DrawBonusArt(TArtContext& context) {
    const std::string phantom = "gfx/specials/6/";
    for (int type = 1; type <= 3; ++type) {
        SaveStrip(context, phantom + "SpecialDef" + std::to_string(type), 36,
                  [type](cairo_t* cr, int f) { PhantomDefinition(cr, type, f, 36); });
    }
    SaveStrip(context, phantom + "SpecialAdd", 37, [](cairo_t* cr, int f) { PhantomSparkle(cr, f, 37); });
    SaveStrip(context, "gfx/specials/11/SpecialAdd", 8, [](cairo_t* cr, int f) { ColourSwatch(cr, f); });
    HighlightedCell(context);
}

} // namespace artgen
