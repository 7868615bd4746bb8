// The marbles of the board: eight glass spheres, one per colour digit, each carrying its own
// symbol so that players who cannot tell the colours apart still read the board by shape, and
// for each a selected form with a halo that stands out on any board.

#include "ArtGenerator.h"
#include "ArtPalette.h"

#include <cmath>
#include <string>

namespace artgen {

namespace {

// One board cell; the marble sprite is centred on the cell, so both forms share this size.
constexpr int CellSize = 48;
constexpr double Centre = CellSize / 2.0;
// Leaves room around the sphere for the drop shadow and for the halo of the selected form.
constexpr double Radius = 19.0;

enum class TSymbol { Circle, Triangle, Square, Diamond, Star, Cross, Crescent, Drop };

struct TMarbleStyle {
    TSymbol Symbol;
    TColor Light; // where the light enters the glass (upper left)
    TColor Body;
    TColor Deep; // the turned-away edge (lower right)
    TColor Mark; // the symbol's own tone
    // Pale glass takes a carved (engraved) symbol in a darker tone; darker glass a raised one in
    // a lighter tone, so the symbol always contrasts with the glass around it.
    bool Engraved;
};

constexpr TColor Rgb(int r, int g, int b) {
    return TColor{r / 255.0, g / 255.0, b / 255.0};
}

// In the order of the colour digits "1" to "8".
const TMarbleStyle Styles[8] = {
    {TSymbol::Circle, Rgb(255, 160, 140), Rgb(214, 52, 40), Rgb(96, 14, 16), Rgb(255, 222, 210), false},
    {TSymbol::Triangle, Rgb(255, 214, 150), Rgb(240, 138, 30), Rgb(128, 52, 6), Rgb(112, 44, 4), true},
    {TSymbol::Square, Rgb(255, 246, 190), Rgb(244, 204, 44), Rgb(150, 104, 8), Rgb(124, 82, 6), true},
    {TSymbol::Diamond, Rgb(186, 240, 150), Rgb(66, 168, 58), Rgb(14, 72, 26), Rgb(222, 255, 206), false},
    {TSymbol::Star, Rgb(170, 246, 236), Rgb(30, 172, 168), Rgb(6, 70, 80), Rgb(214, 255, 248), false},
    {TSymbol::Cross, Rgb(168, 200, 255), Rgb(46, 100, 214), Rgb(14, 30, 104), Rgb(216, 230, 255), false},
    {TSymbol::Crescent, Rgb(222, 186, 255), Rgb(140, 74, 202), Rgb(54, 18, 98), Rgb(240, 222, 255), false},
    {TSymbol::Drop, Rgb(255, 255, 255), Rgb(238, 236, 230), Rgb(138, 144, 160), Rgb(84, 94, 122), true},
};

// The symbol's outline around (0, 0), reaching about `size` from the centre.
void SymbolPath(cairo_t* cr, TSymbol symbol, double size) {
    switch (symbol) {
    case TSymbol::Circle:
        // A ring rather than a disc: a disc would read as one more reflection on the glass.
        cairo_new_sub_path(cr);
        cairo_arc(cr, 0, 0, size * 0.86, 0, 2 * Pi);
        cairo_new_sub_path(cr);
        cairo_arc_negative(cr, 0, 0, size * 0.44, 2 * Pi, 0);
        break;
    case TSymbol::Triangle: {
        // Lowered a little so that its area, not its bounding box, sits on the centre.
        const double y = size * 0.12;
        cairo_move_to(cr, 0, y - size * 1.02);
        cairo_line_to(cr, size * 0.98, y + size * 0.68);
        cairo_line_to(cr, -size * 0.98, y + size * 0.68);
        cairo_close_path(cr);
        break;
    }
    case TSymbol::Square:
        RoundedRect(cr, -size * 0.72, -size * 0.72, size * 1.44, size * 1.44, size * 0.18);
        break;
    case TSymbol::Diamond:
        cairo_move_to(cr, 0, -size * 1.08);
        cairo_line_to(cr, size * 0.78, 0);
        cairo_line_to(cr, 0, size * 1.08);
        cairo_line_to(cr, -size * 0.78, 0);
        cairo_close_path(cr);
        break;
    case TSymbol::Star: {
        const double outer = size * 1.08;
        const double inner = outer * 0.46;
        for (int i = 0; i < 10; ++i) {
            const double angle = -Pi / 2 + i * Pi / 5;
            const double r = i % 2 == 0 ? outer : inner;
            const double x = r * std::cos(angle);
            const double y = r * std::sin(angle) + size * 0.06;
            if (i == 0) {
                cairo_move_to(cr, x, y);
            } else {
                cairo_line_to(cr, x, y);
            }
        }
        cairo_close_path(cr);
        break;
    }
    case TSymbol::Cross: {
        const double arm = size * 0.92;
        const double half = size * 0.3;
        cairo_move_to(cr, -half, -arm);
        cairo_line_to(cr, half, -arm);
        cairo_line_to(cr, half, -half);
        cairo_line_to(cr, arm, -half);
        cairo_line_to(cr, arm, half);
        cairo_line_to(cr, half, half);
        cairo_line_to(cr, half, arm);
        cairo_line_to(cr, -half, arm);
        cairo_line_to(cr, -half, half);
        cairo_line_to(cr, -arm, half);
        cairo_line_to(cr, -arm, -half);
        cairo_line_to(cr, -half, -half);
        cairo_close_path(cr);
        break;
    }
    case TSymbol::Crescent: {
        // The outer disc less a disc shifted up and right: both arcs meet at the two horns.
        const double r1 = size * 0.95;
        const double r2 = size * 0.78;
        const double dx = size * 0.5;
        const double dy = -size * 0.32;
        const double d = std::hypot(dx, dy);
        const double toSecond = std::atan2(dy, dx);
        // Angle at the first centre between the line of centres and a horn.
        const double a1 = std::acos((d * d + r1 * r1 - r2 * r2) / (2 * d * r1));
        // The same seen from the second centre.
        const double a2 = std::acos((d * d + r2 * r2 - r1 * r1) / (2 * d * r2));
        cairo_new_sub_path(cr);
        cairo_arc(cr, 0, 0, r1, toSecond + a1, toSecond - a1 + 2 * Pi);
        cairo_arc_negative(cr, dx, dy, r2, toSecond + Pi + a2, toSecond + Pi - a2);
        cairo_close_path(cr);
        break;
    }
    case TSymbol::Drop: {
        const double tipY = -size * 1.1;
        const double cy = size * 0.32;
        const double r = size * 0.68;
        const double beta = std::acos(r / (cy - tipY));
        cairo_move_to(cr, 0, tipY);
        cairo_arc(cr, 0, cy, r, -Pi / 2 + beta, 3 * Pi / 2 - beta);
        cairo_close_path(cr);
        break;
    }
    }
}

// The symbol alone as an alpha mask of the whole cell, so the carving can be laid down in
// several offset layers of one exact shape.
cairo_surface_t* SymbolMask(TSymbol symbol, double cx, double cy, double size) {
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, CellSize, CellSize);
    cairo_t* cr = cairo_create(mask);
    cairo_translate(cr, cx, cy);
    SymbolPath(cr, symbol, size);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_fill_preserve(cr);
    // Softens the corners so the symbol looks pressed into glass rather than cut out of paper.
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    cairo_destroy(cr);
    return mask;
}

void DrawSymbol(cairo_t* cr, const TMarbleStyle& style, double cx, double cy) {
    const double size = Radius * 0.5;
    cairo_surface_t* mask = SymbolMask(style.Symbol, cx, cy, size);
    if (style.Engraved) {
        // A cut catches the light on its lower-right wall and lies in shade at its upper left.
        SetColor(cr, Mix(style.Light, TColor{1, 1, 1}, 0.5), 0.85);
        cairo_mask_surface(cr, mask, 0.9, 0.9);
        cairo_pattern_t* fill = cairo_pattern_create_linear(0, cy - size, 0, cy + size);
        AddStop(fill, 0.0, Mix(style.Mark, style.Deep, 0.45));
        AddStop(fill, 1.0, style.Mark);
        cairo_set_source(cr, fill);
        cairo_mask_surface(cr, mask, 0, 0);
        cairo_pattern_destroy(fill);
    } else {
        // A raised symbol throws its own small shadow down and to the right.
        SetColor(cr, style.Deep, 0.75);
        cairo_mask_surface(cr, mask, 1.0, 1.0);
        cairo_pattern_t* fill = cairo_pattern_create_linear(0, cy - size, 0, cy + size);
        AddStop(fill, 0.0, Mix(style.Mark, TColor{1, 1, 1}, 0.5));
        AddStop(fill, 1.0, Mix(style.Mark, style.Body, 0.3));
        cairo_set_source(cr, fill);
        cairo_mask_surface(cr, mask, 0, 0);
        cairo_pattern_destroy(fill);
    }
    cairo_surface_destroy(mask);
}

// The soft shadow the sphere throws on the board; a lifted (selected) marble throws it further
// and softer.
void DrawShadow(cairo_t* cr, double cx, double cy, bool lifted) {
    const double offset = lifted ? ShadowOffsetX + 1.0 : ShadowOffsetX;
    const double sx = cx + offset;
    const double sy = cy + offset;
    const double reach = Radius + (lifted ? 3.0 : 2.0);
    cairo_pattern_t* shadow = cairo_pattern_create_radial(sx, sy, Radius * 0.7, sx, sy, reach);
    AddStop(shadow, 0.0, palette::Ink, lifted ? ShadowAlpha * 0.85 : ShadowAlpha * 1.3);
    AddStop(shadow, 1.0, palette::Ink, 0.0);
    cairo_arc(cr, sx, sy, reach, 0, 2 * Pi);
    cairo_set_source(cr, shadow);
    cairo_fill(cr);
    cairo_pattern_destroy(shadow);
}

void DrawSphere(cairo_t* cr, const TMarbleStyle& style, double cx, double cy, bool selected) {
    const double r = Radius;

    // The body: the light enters at the upper left and the glass deepens towards the far edge.
    cairo_pattern_t* body = cairo_pattern_create_radial(cx - r * 0.38, cy - r * 0.42, r * 0.05, cx, cy, r);
    AddStop(body, 0.0, style.Light);
    AddStop(body, 0.5, style.Body);
    AddStop(body, 0.85, Mix(style.Body, style.Deep, 0.55));
    AddStop(body, 1.0, style.Deep);
    cairo_arc(cr, cx, cy, r, 0, 2 * Pi);
    cairo_set_source(cr, body);
    cairo_fill(cr);
    cairo_pattern_destroy(body);

    cairo_save(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * Pi);
    cairo_clip(cr);

    // Light passing through the glass gathers on the side away from the lamp.
    cairo_pattern_t* caustic =
        cairo_pattern_create_radial(cx + r * 0.42, cy + r * 0.5, 0, cx + r * 0.42, cy + r * 0.5, r * 0.62);
    AddStop(caustic, 0.0, style.Light, 0.55);
    AddStop(caustic, 1.0, style.Light, 0.0);
    cairo_set_source(cr, caustic);
    cairo_paint(cr);
    cairo_pattern_destroy(caustic);

    DrawSymbol(cr, style, cx, cy + r * 0.04);

    // A thin bright rim on the lower right, the light bounced back from the board.
    cairo_pattern_t* rim = cairo_pattern_create_linear(cx - r, cy - r, cx + r, cy + r);
    AddStop(rim, 0.45, style.Light, 0.0);
    AddStop(rim, 1.0, style.Light, 0.9);
    cairo_set_line_width(cr, 1.6);
    cairo_arc(cr, cx, cy, r - 1.6, 0, 2 * Pi);
    cairo_set_source(cr, rim);
    cairo_stroke(cr);
    cairo_pattern_destroy(rim);

    if (selected) {
        // The halo's light shines back into the glass all round its edge.
        cairo_pattern_t* inner = cairo_pattern_create_radial(cx, cy, r - 3.0, cx, cy, r);
        AddStop(inner, 0.0, palette::SeaGlass, 0.0);
        AddStop(inner, 1.0, palette::SeaGlass, 0.45);
        cairo_set_source(cr, inner);
        cairo_paint(cr);
        cairo_pattern_destroy(inner);
    }

    // The gloss: a broad window reflection up-left and a sharp glint inside it. The selected
    // marble catches the lamp a little higher and brighter, as if lifted towards it.
    const double lift = selected ? r * 0.05 : 0.0;
    cairo_save(cr);
    cairo_translate(cr, cx - r * 0.3, cy - r * 0.5 - lift);
    cairo_rotate(cr, -Pi / 7);
    cairo_scale(cr, r * 0.55, r * 0.32);
    cairo_arc(cr, 0, 0, 1, 0, 2 * Pi);
    cairo_restore(cr);
    cairo_pattern_t* gloss = cairo_pattern_create_linear(cx, cy - r * 0.85 - lift, cx, cy - r * 0.15 - lift);
    AddStop(gloss, 0.0, TColor{1, 1, 1}, selected ? 0.95 : 0.8);
    AddStop(gloss, 1.0, TColor{1, 1, 1}, 0.0);
    cairo_set_source(cr, gloss);
    cairo_fill(cr);
    cairo_pattern_destroy(gloss);

    const double gx = cx - r * 0.46;
    const double gy = cy - r * 0.5 - lift;
    const double glint = r * (selected ? 0.2 : 0.16);
    cairo_pattern_t* spot = cairo_pattern_create_radial(gx, gy, 0, gx, gy, glint);
    AddStop(spot, 0.0, TColor{1, 1, 1}, 1.0);
    AddStop(spot, 0.45, TColor{1, 1, 1}, 0.9);
    AddStop(spot, 1.0, TColor{1, 1, 1}, 0.0);
    cairo_arc(cr, gx, gy, glint, 0, 2 * Pi);
    cairo_set_source(cr, spot);
    cairo_fill(cr);
    cairo_pattern_destroy(spot);

    cairo_restore(cr);

    // A fine dark edge keeps the sphere apart from its neighbours and from light boards.
    cairo_arc(cr, cx, cy, r - 0.4, 0, 2 * Pi);
    SetColor(cr, style.Deep, 0.7);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
}

// The selection: a sea-glass glow with a brass ring laid around the marble, bright enough to be
// seen at a glance on a full board.
void DrawHalo(cairo_t* cr, double cx, double cy) {
    const double ring = Radius + 2.2;
    const double outer = CellSize / 2.0;
    cairo_pattern_t* glow = cairo_pattern_create_radial(cx, cy, Radius - 1.0, cx, cy, outer);
    AddStop(glow, 0.0, palette::SeaGlass, 1.0);
    AddStop(glow, 0.6, palette::SeaGlass, 0.9);
    AddStop(glow, 1.0, palette::SeaGlass, 0.0);
    cairo_arc(cr, cx, cy, outer, 0, 2 * Pi);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);

    // A dark line outside the brass keeps the ring crisp on light boards too.
    cairo_arc(cr, cx, cy, ring + 1.3, 0, 2 * Pi);
    SetColor(cr, palette::Ink, 0.55);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);

    cairo_pattern_t* brass = cairo_pattern_create_linear(cx - ring, cy - ring, cx + ring, cy + ring);
    AddStop(brass, 0.0, Mix(palette::BrassLight, TColor{1, 1, 1}, 0.55));
    AddStop(brass, 0.45, palette::BrassLight);
    AddStop(brass, 1.0, palette::BrassDark);
    cairo_arc(cr, cx, cy, ring, 0, 2 * Pi);
    cairo_set_source(cr, brass);
    cairo_set_line_width(cr, 2.2);
    cairo_stroke(cr);
    cairo_pattern_destroy(brass);
}

void DrawMarble(TArtContext& context, int index, bool selected) {
    const TMarbleStyle& style = Styles[index];
    cairo_surface_t* surface = NewSurface(CellSize, CellSize);
    cairo_t* cr = cairo_create(surface);
    // Lifted by one pixel towards the lamp, so the chosen marble seems to rise out of the board.
    const double cy = selected ? Centre - 1.0 : Centre;
    DrawShadow(cr, Centre, cy, selected);
    if (selected) {
        DrawHalo(cr, Centre, Centre);
    }
    DrawSphere(cr, style, Centre, cy, selected);
    cairo_destroy(cr);
    const std::string name = "gfx/elements/Marble" + std::to_string(index + 1) + (selected ? "Sel" : "");
    SavePng(context, name + ".png", surface);
}

// The small marbles beside the brick bar: the monument's colour in full glass, the others
// greyed and dimmed so that the one that counts stands out.
void DrawMarbleIcon(TArtContext& context, int index, bool shaded) {
    constexpr int IconSize = 18;
    cairo_surface_t* surface = NewSurface(IconSize, IconSize);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, IconSize / (2 * Radius + 4.0), IconSize / (2 * Radius + 4.0));
    cairo_translate(cr, Radius + 2.0 - Centre, Radius + 2.0 - Centre);
    DrawSphere(cr, Styles[index], Centre, Centre, false);
    if (shaded) {
        cairo_identity_matrix(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_HSL_SATURATION);
        cairo_set_source_rgba(cr, 0.5, 0.5, 0.5, 0.85);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_ATOP);
        SetColor(cr, palette::Night, 0.4);
        cairo_paint(cr);
    }
    cairo_destroy(cr);
    const std::string folder = shaded ? "marbles_shaded" : "marbles_normal";
    SavePng(context, "gfx/ui/gamescreen/" + folder + "/marble" + std::to_string(index + 1) + ".png", surface);
}

} // namespace

void DrawMarbleArt(TArtContext& context) {
    for (int i = 0; i < 8; ++i) {
        DrawMarble(context, i, false);
        DrawMarble(context, i, true);
        DrawMarbleIcon(context, i, false);
        DrawMarbleIcon(context, i, true);
    }
}

} // namespace artgen
