#pragma once

// The one palette and the one light of the default art (docs/art.md).

#include <cairo.h>

namespace artgen {

constexpr double Pi = 3.14159265358979323846;

struct TColor {
    double R;
    double G;
    double B;
};

namespace palette {
constexpr TColor SandLight{0xE9 / 255.0, 0xD3 / 255.0, 0xA4 / 255.0};
constexpr TColor SandDark{0xC9 / 255.0, 0xA4 / 255.0, 0x6A / 255.0};
constexpr TColor Ink{0x2B / 255.0, 0x1E / 255.0, 0x14 / 255.0};
constexpr TColor Parchment{0xF7 / 255.0, 0xEE / 255.0, 0xDB / 255.0};
constexpr TColor TealLight{0x2E / 255.0, 0x8C / 255.0, 0x8C / 255.0};
constexpr TColor TealDark{0x1C / 255.0, 0x5B / 255.0, 0x66 / 255.0};
constexpr TColor BrassLight{0xF2 / 255.0, 0xC1 / 255.0, 0x4E / 255.0};
constexpr TColor BrassDark{0xB0 / 255.0, 0x7A / 255.0, 0x1C / 255.0};
constexpr TColor Night{0x1B / 255.0, 0x26 / 255.0, 0x38 / 255.0};
constexpr TColor Coral{0xE0 / 255.0, 0x64 / 255.0, 0x4A / 255.0};
constexpr TColor SeaGlass{0x9E / 255.0, 0xD9 / 255.0, 0xC8 / 255.0};
} // namespace palette

// The light comes from the upper left: highlights up-left, shadows down-right.
constexpr double ShadowOffsetX = 1.5;
constexpr double ShadowOffsetY = 1.5;
constexpr double ShadowAlpha = 0.35;

inline void SetColor(cairo_t* cr, const TColor& c, double alpha = 1.0) {
    cairo_set_source_rgba(cr, c.R, c.G, c.B, alpha);
}

// A vertical gradient from `top` to `bottom` over [y0, y1]; the caller destroys it.
inline cairo_pattern_t* VerticalGradient(double y0, double y1, const TColor& top, const TColor& bottom) {
    cairo_pattern_t* pattern = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgb(pattern, 0.0, top.R, top.G, top.B);
    cairo_pattern_add_color_stop_rgb(pattern, 1.0, bottom.R, bottom.G, bottom.B);
    return pattern;
}

inline TColor Mix(const TColor& a, const TColor& b, double t) {
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

inline void AddStop(cairo_pattern_t* pattern, double offset, const TColor& c, double alpha = 1.0) {
    cairo_pattern_add_color_stop_rgba(pattern, offset, c.R, c.G, c.B, alpha);
}

// The brass of rims, medals and lamps: pale at the lit end, deep at the other; the caller
// destroys it.
inline cairo_pattern_t* BrassPattern(double x0, double y0, double x1, double y1) {
    cairo_pattern_t* pattern = cairo_pattern_create_linear(x0, y0, x1, y1);
    AddStop(pattern, 0.0, {1.0, 0.93, 0.68});
    AddStop(pattern, 0.35, palette::BrassLight);
    AddStop(pattern, 1.0, palette::BrassDark);
    return pattern;
}

// Light slanted bands across the fill of a bar give it a sense of movement along the bar.
inline void SlantedBands(cairo_t* cr, double x, double y, double w, double h) {
    for (double band = x - h; band < x + w; band += 14) {
        cairo_move_to(cr, band, y + h);
        cairo_line_to(cr, band + 7, y + h);
        cairo_line_to(cr, band + 7 + h, y);
        cairo_line_to(cr, band + h, y);
        cairo_close_path(cr);
    }
    cairo_set_source_rgba(cr, 1, 1, 1, 0.12);
    cairo_fill(cr);
}

// A rounded rectangle path.
inline void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -Pi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, Pi / 2);
    cairo_arc(cr, x + r, y + h - r, r, Pi / 2, Pi);
    cairo_arc(cr, x + r, y + r, r, Pi, 3 * Pi / 2);
    cairo_close_path(cr);
}

} // namespace artgen
