#include "ArtGenerator.h"

#include <cmath>

// The board's changes between sublevels and the flight to the monument: the stars a burst colour
// cell throws, and the streaks of the camera's flight drawn over the whole screen.

namespace artgen {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int StarSize = 32;
// The blur is drawn stretched over the 800 x 600 screen; a quarter of the size is soft enough.
constexpr int BlurWidth = 200;
constexpr int BlurHeight = 150;
constexpr int BlurStreaks = 90;

// A five-pointed star of warm gold with a bright heart, soft at its rim.
void GoldStar(cairo_t* cr) {
    const double c = StarSize / 2.0;
    const double outer = StarSize * 0.46;
    const double inner = outer * 0.45;
    cairo_new_path(cr);
    for (int i = 0; i < 10; ++i) {
        const double angle = -Pi / 2 + i * Pi / 5;
        const double r = i % 2 == 0 ? outer : inner;
        cairo_line_to(cr, c + r * std::cos(angle), c + r * std::sin(angle));
    }
    cairo_close_path(cr);
    cairo_pattern_t* fill = cairo_pattern_create_radial(c, c, 0, c, c, outer);
    cairo_pattern_add_color_stop_rgba(fill, 0.0, 1.0, 1.0, 0.92, 1.0);
    cairo_pattern_add_color_stop_rgba(fill, 0.45, 1.0, 0.86, 0.35, 1.0);
    cairo_pattern_add_color_stop_rgba(fill, 1.0, 0.93, 0.55, 0.12, 0.85);
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgba(cr, 1.0, 0.97, 0.8, 0.7);
    cairo_stroke(cr);
}

// Streaks that rush out of the middle, faint there and strongest at the edges, the way the view
// smears when it dashes toward the monument. The streaks come from a fixed list of angles and
// lengths, so the picture is the same on every run.
void ZoomStreaks(cairo_t* cr) {
    const double cx = BlurWidth / 2.0;
    const double cy = BlurHeight / 2.0;
    const double reach = std::hypot(cx, cy);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < BlurStreaks; ++i) {
        const double angle = 2 * Pi * i / BlurStreaks + 0.37 * std::sin(i * 12.9898);
        const double start = reach * (0.35 + 0.25 * (0.5 + 0.5 * std::sin(i * 78.233)));
        const double dx = std::cos(angle);
        const double dy = std::sin(angle);
        cairo_pattern_t* streak =
            cairo_pattern_create_linear(cx + dx * start, cy + dy * start, cx + dx * reach, cy + dy * reach);
        cairo_pattern_add_color_stop_rgba(streak, 0.0, 1, 1, 1, 0.0);
        cairo_pattern_add_color_stop_rgba(streak, 1.0, 0.95, 0.97, 1.0, 0.55);
        cairo_set_source(cr, streak);
        cairo_set_line_width(cr, 1.0 + (i % 3));
        cairo_move_to(cr, cx + dx * start, cy + dy * start);
        cairo_line_to(cr, cx + dx * reach * 1.1, cy + dy * reach * 1.1);
        cairo_stroke(cr);
        cairo_pattern_destroy(streak);
    }
    // A pale veil toward the corners ties the streaks together.
    cairo_pattern_t* veil = cairo_pattern_create_radial(cx, cy, reach * 0.3, cx, cy, reach);
    cairo_pattern_add_color_stop_rgba(veil, 0.0, 1, 1, 1, 0.0);
    cairo_pattern_add_color_stop_rgba(veil, 1.0, 0.9, 0.94, 1.0, 0.35);
    cairo_set_source(cr, veil);
    cairo_paint(cr);
    cairo_pattern_destroy(veil);
}

} // namespace

void DrawTransformationArt(TArtContext& context) {
    cairo_surface_t* star = NewSurface(StarSize, StarSize);
    cairo_t* cr = cairo_create(star);
    GoldStar(cr);
    cairo_destroy(cr);
    SavePng(context, "gfx/stuff/Star.png", star);

    cairo_surface_t* blur = NewSurface(BlurWidth, BlurHeight);
    cr = cairo_create(blur);
    ZoomStreaks(cr);
    cairo_destroy(cr);
    SavePng(context, "gfx/stuff/Blur.png", blur);
}

} // namespace artgen
