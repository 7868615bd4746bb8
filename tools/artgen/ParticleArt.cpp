// The sprites of the particle effects: dust, sparks, glows, flares, stars, sparkles, flames,
// lightning bolts, shock rings, the super bonus's spinning comet and the colour bubbles. Most are
// drawn in white and light greys, because the effects tint every particle with their own colour
// curves; soft edges fade out in the alpha channel so that additive blending leaves no seams.

#include "ArtGenerator.h"
#include "ArtPalette.h"

#include <cmath>
#include <string>

namespace artgen {

namespace {

struct TRgba {
    double R, G, B, A;
};

// A round glow: `stops` run from the centre (offset 0) to the rim (offset 1).
void Glow(cairo_t* cr, double cx, double cy, double radius,
          std::initializer_list<std::pair<double, TRgba>> stops) {
    cairo_pattern_t* pattern = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius);
    for (const auto& [offset, c] : stops) {
        cairo_pattern_add_color_stop_rgba(pattern, offset, c.R, c.G, c.B, c.A);
    }
    cairo_set_source(cr, pattern);
    cairo_arc(cr, cx, cy, radius, 0, 2 * Pi);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
}

void WhiteGlow(cairo_t* cr, double cx, double cy, double radius, double core = 1.0) {
    Glow(cr, cx, cy, radius, {{0.0, {1, 1, 1, core}}, {0.35, {1, 1, 1, 0.55 * core}}, {1.0, {1, 1, 1, 0}}});
}

// A star of `points` rays around (cx, cy), its rays tapering to needles.
void StarPath(cairo_t* cr, double cx, double cy, int points, double outer, double inner, double turn = 0.0) {
    for (int i = 0; i < 2 * points; ++i) {
        const double angle = turn - Pi / 2 + i * Pi / points;
        const double r = i % 2 == 0 ? outer : inner;
        if (i == 0) {
            cairo_move_to(cr, cx + r * std::cos(angle), cy + r * std::sin(angle));
        } else {
            cairo_line_to(cr, cx + r * std::cos(angle), cy + r * std::sin(angle));
        }
    }
    cairo_close_path(cr);
}

void FillStar(cairo_t* cr, double cx, double cy, int points, double outer, double inner, double turn = 0.0) {
    cairo_pattern_t* pattern = cairo_pattern_create_radial(cx, cy, 0, cx, cy, outer);
    cairo_pattern_add_color_stop_rgba(pattern, 0.0, 1, 1, 1, 1);
    cairo_pattern_add_color_stop_rgba(pattern, 0.5, 1, 1, 1, 0.8);
    cairo_pattern_add_color_stop_rgba(pattern, 1.0, 1, 1, 1, 0.1);
    cairo_set_source(cr, pattern);
    StarPath(cr, cx, cy, points, outer, inner, turn);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
}

using TPainter = void (*)(cairo_t*, int size, int index);

// One picture (or a strip of `frames` frames side by side) of size x size pixels per frame.
void Save(TArtContext& context, const std::string& name, int size, TPainter paint, int frames = 1,
          int index = 0) {
    cairo_surface_t* surface = NewSurface(size * frames, size);
    cairo_t* cr = cairo_create(surface);
    for (int frame = 0; frame < frames; ++frame) {
        cairo_save(cr);
        cairo_translate(cr, frame * size, 0);
        paint(cr, size, frames > 1 ? frame : index);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    const std::string suffix = frames > 1 ? "." + std::to_string(frames) : "";
    SavePng(context, "gfx/" + name + suffix + ".png", surface);
}

// A puff of dust: overlapping soft lumps, brighter where the light falls (upper left).
void Dust(cairo_t* cr, int size, int) {
    const double c = size / 2.0;
    const double lumps[][3] = {{-6, -4, 12}, {6, -5, 10}, {-4, 6, 11}, {7, 5, 10}, {0, 0, 14}};
    for (const auto& lump : lumps) {
        const double shade = 0.78 + 0.04 * (lump[0] < 0) + 0.04 * (lump[1] < 0);
        Glow(cr, c + lump[0], c + lump[1], lump[2] + 6,
             {{0.0, {shade, shade, shade * 0.97, 0.5}},
              {0.6, {shade, shade, shade, 0.25}},
              {1.0, {1, 1, 1, 0}}});
    }
}

void SoftGlow(cairo_t* cr, int size, int) {
    WhiteGlow(cr, size / 2.0, size / 2.0, size / 2.0);
}

void SmallSpark(cairo_t* cr, int size, int) {
    const double c = size / 2.0;
    WhiteGlow(cr, c, c, c);
    Glow(cr, c, c, c * 0.4, {{0.0, {1, 1, 1, 1}}, {1.0, {1, 1, 1, 0.6}}});
}

void EightPointStar(cairo_t* cr, int size, int) {
    const double c = size / 2.0;
    WhiteGlow(cr, c, c, c * 0.6, 0.6);
    FillStar(cr, c, c, 8, c - 1, c * 0.3);
}

void Sparkle(cairo_t* cr, int size, int) {
    const double c = size / 2.0;
    WhiteGlow(cr, c, c, c * 0.5, 0.8);
    FillStar(cr, c, c, 4, c - 1, c * 0.16);
    FillStar(cr, c, c, 4, c * 0.55, c * 0.12, Pi / 4);
}

void FivePointStar(cairo_t* cr, int size, int) {
    const double c = size / 2.0;
    WhiteGlow(cr, c, c, c, 0.4);
    FillStar(cr, c, c, 5, c - 2, c * 0.42);
}

// A wisp of flame rising from a round base; `index` bends it a little differently each time.
void Flame(cairo_t* cr, int size, int index) {
    const double c = size / 2.0;
    const double lean = (index % 4 - 1.5) * size * 0.06;
    cairo_pattern_t* pattern = cairo_pattern_create_radial(c, c + size * 0.15, 0, c, c, c);
    cairo_pattern_add_color_stop_rgba(pattern, 0.0, 1, 1, 1, 1);
    cairo_pattern_add_color_stop_rgba(pattern, 0.5, 1, 0.95, 0.85, 0.7);
    cairo_pattern_add_color_stop_rgba(pattern, 1.0, 1, 0.9, 0.8, 0);
    cairo_set_source(cr, pattern);
    cairo_move_to(cr, c + lean, size * 0.06);
    cairo_curve_to(cr, c + size * 0.28, size * 0.35, c + size * 0.42, size * 0.62, c, size * 0.94);
    cairo_curve_to(cr, c - size * 0.42, size * 0.62, c - size * 0.24, size * 0.4, c + lean, size * 0.06);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
}

// A jagged bolt from the left edge to the right, on a soft halo; the index picks its zigzag.
void Lightning(cairo_t* cr, int size, int index) {
    const double width = size * 3.0;
    const double mid = size / 2.0;
    double x = 0;
    double y = mid;
    uint32_t seed = 0x9E3779B9u * (index + 1);
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / 16777216.0;
    };
    cairo_move_to(cr, x, y);
    while (x < width - 8) {
        x = std::fmin(width - 2, x + 6 + next() * 10);
        y = std::fmin(size - 5.0, std::fmax(5.0, mid + (next() - 0.5) * size * 0.75));
        cairo_line_to(cr, x, y);
    }
    cairo_line_to(cr, width, mid);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    const double widths[][2] = {{7, 0.18}, {4, 0.45}, {1.6, 1.0}};
    for (const auto& [lineWidth, alpha] : widths) {
        cairo_set_source_rgba(cr, 1, 1, 1, alpha);
        cairo_set_line_width(cr, lineWidth);
        cairo_stroke_preserve(cr);
    }
    cairo_new_path(cr);
}

void Flare(cairo_t* cr, int size, int) {
    const double c = size / 2.0;
    WhiteGlow(cr, c, c, c);
    // Two thin crossing streaks, as light through a lens leaves them.
    for (int i = 0; i < 2; ++i) {
        cairo_save(cr);
        cairo_translate(cr, c, c);
        cairo_rotate(cr, i * Pi / 2);
        cairo_scale(cr, c, c * 0.08);
        Glow(cr, 0, 0, 1, {{0.0, {1, 1, 1, 0.9}}, {1.0, {1, 1, 1, 0}}});
        cairo_restore(cr);
    }
}

// A thin shock ring; the second form is doubled.
void SonicBoom(cairo_t* cr, int size, int index) {
    const double c = size / 2.0;
    const int rings = index == 2 ? 2 : 1;
    for (int i = 0; i < rings; ++i) {
        const double r = c - 4 - i * 7;
        cairo_pattern_t* pattern = cairo_pattern_create_radial(c, c, r - 4, c, c, r + 3);
        cairo_pattern_add_color_stop_rgba(pattern, 0.0, 1, 1, 1, 0);
        cairo_pattern_add_color_stop_rgba(pattern, 0.6, 0.95, 0.97, 1, 0.75);
        cairo_pattern_add_color_stop_rgba(pattern, 1.0, 1, 1, 1, 0);
        cairo_set_source(cr, pattern);
        cairo_arc(cr, c, c, r + 3, 0, 2 * Pi);
        cairo_fill(cr);
        cairo_pattern_destroy(pattern);
    }
}

// The super bonus in flight: a brass comet turning through eight frames.
void Comet(cairo_t* cr, int size, int frame) {
    const double c = size / 2.0;
    Glow(cr, c, c, c,
         {{0.0, {1, 0.95, 0.75, 0.9}}, {0.4, {0.95, 0.76, 0.31, 0.5}}, {1.0, {0.7, 0.48, 0.11, 0}}});
    cairo_pattern_t* brass = BrassPattern(c - 10, c - 10, c + 10, c + 10);
    cairo_set_source(cr, brass);
    StarPath(cr, c, c, 5, c * 0.62, c * 0.27, frame * 2 * Pi / 40);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(brass);
    SetColor(cr, palette::Ink, 0.6);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    Glow(cr, c - 3, c - 3, 4, {{0.0, {1, 1, 1, 0.9}}, {1.0, {1, 1, 1, 0}}});
}

// A glass bubble in the colour of each marble (red, orange, yellow, green, teal, blue, violet,
// white), lit from the upper left.
void Bubble(cairo_t* cr, int size, int frame) {
    static const TRgba colours[8] = {{0.84, 0.2, 0.16, 1}, {0.95, 0.55, 0.12, 1}, {0.98, 0.85, 0.2, 1},
                                     {0.3, 0.72, 0.25, 1}, {0.18, 0.65, 0.65, 1}, {0.22, 0.42, 0.9, 1},
                                     {0.58, 0.3, 0.82, 1}, {0.95, 0.95, 0.95, 1}};
    const TRgba& colour = colours[frame % 8];
    const double c = size / 2.0;
    const double r = c - 2;
    Glow(cr, c, c, r,
         {{0.0, {colour.R, colour.G, colour.B, 0.15}},
          {0.8, {colour.R, colour.G, colour.B, 0.45}},
          {1.0, {colour.R * 0.6, colour.G * 0.6, colour.B * 0.6, 0.9}}});
    Glow(cr, c - r * 0.4, c - r * 0.4, r * 0.35, {{0.0, {1, 1, 1, 0.95}}, {1.0, {1, 1, 1, 0}}});
}

} // namespace

void DrawParticleArt(TArtContext& context) {
    Save(context, "particles/CellCrashDust", 48, Dust);
    Save(context, "particles/fireworkrocket", 16, SmallSpark);
    Save(context, "stuff/blur08", 32, SoftGlow);
    Save(context, "stuff/star8", 32, EightPointStar);
    Save(context, "stuff/spark08", 12, SmallSpark);
    Save(context, "stuff/sparkle07", 24, Sparkle);
    for (int i = 0; i < 6; ++i) {
        // Three times as long as high: the bolt's length is set by scaling it along x.
        cairo_surface_t* surface = NewSurface(96, 32);
        cairo_t* cr = cairo_create(surface);
        Lightning(cr, 32, i);
        cairo_destroy(cr);
        SavePng(context, "gfx/stuff/lightning" + std::to_string(i) + ".png", surface);
    }
    Save(context, "specials/3/special03act", 48, Comet, 8);
    Save(context, "specials/3/flame", 24, Flame, 1, 1);
    Save(context, "specials/3/star", 24, FivePointStar);
    for (int i = 0; i < 4; ++i) {
        Save(context, "specials/2/flame" + std::to_string(i), 32, Flame, 1, i);
    }
    Save(context, "specials/2/fire2", 32, Flame, 1, 2);
    Save(context, "specials/9/flare", 32, Flare);
    Save(context, "specials/9/blur", 32, SoftGlow);
    Save(context, "specials/9/sonicboom1", 64, SonicBoom, 1, 1);
    Save(context, "specials/9/sonicboom2", 64, SonicBoom, 1, 2);
    Save(context, "specials/11/specialfx", 32, Bubble, 8);
}

} // namespace artgen
