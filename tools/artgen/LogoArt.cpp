// The company logos of the loading screen: the developer's (Inkwell Harbour) and the two
// publishers' (Tidewater Games, Saltlark Editions), all invented. Each is an emblem over a
// two-line word mark in a 100 x 100 picture with alpha; the screen behind them is dark, so the
// emblems carry light rims and the words a bright fill.

#include "ArtGenerator.h"
#include "ArtPalette.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <functional>
#include <string>

namespace artgen {

namespace {

constexpr int LogoSize = 100;

// Capitals spaced apart by `tracking` pixels read better than the face's own spacing when small.
double TrackedWidth(cairo_t* cr, const std::string& text, double tracking) {
    double width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        cairo_text_extents_t extents;
        cairo_text_extents(cr, text.substr(i, 1).c_str(), &extents);
        width += extents.x_advance + (i + 1 < text.size() ? tracking : 0);
    }
    return width;
}

void TrackedPath(cairo_t* cr, const std::string& text, double x, double baseline, double tracking) {
    for (size_t i = 0; i < text.size(); ++i) {
        std::string letter = text.substr(i, 1);
        cairo_move_to(cr, x, baseline);
        cairo_text_path(cr, letter.c_str());
        cairo_text_extents_t extents;
        cairo_text_extents(cr, letter.c_str(), &extents);
        x += extents.x_advance + tracking;
    }
}

// One centred line of the word mark: a soft shadow, an ink outline and a gradient fill, as every
// title of the game is drawn. A line too wide for the logo is narrowed to fit.
void WordLine(cairo_t* cr, cairo_font_face_t* face, const std::string& text, double size, double baseline,
              double tracking, const TColor& top, const TColor& bottom) {
    cairo_save(cr);
    cairo_set_font_face(cr, face);
    cairo_set_font_size(cr, size);
    double width = TrackedWidth(cr, text, tracking);
    const double room = LogoSize - 6;
    double squeeze = width > room ? room / width : 1.0;
    cairo_translate(cr, LogoSize / 2.0, 0);
    cairo_scale(cr, squeeze, 1.0);
    const double x = -width / 2;
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);

    TrackedPath(cr, text, x + ShadowOffsetX / squeeze, baseline + ShadowOffsetY, tracking);
    cairo_set_line_width(cr, 2.4);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.25);
    cairo_stroke_preserve(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_fill(cr);

    TrackedPath(cr, text, x, baseline, tracking);
    cairo_set_line_width(cr, size > 11 ? 2.2 : 1.6);
    SetColor(cr, palette::Ink);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, baseline - font.ascent * 0.75, 0, baseline);
    AddStop(fill, 0.0, top);
    AddStop(fill, 1.0, bottom);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
    cairo_restore(cr);
}

void ShapeShadow(cairo_t* cr, const std::function<void()>& shape) {
    cairo_save(cr);
    cairo_translate(cr, ShadowOffsetX + 0.5, ShadowOffsetY + 0.5);
    shape();
    cairo_restore(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_fill(cr);
}

// Three bands of sea, each with a parchment crest, below `top` inside the current clip.
void Waves(cairo_t* cr, double left, double right, double top, double step, double amplitude, double phase) {
    const TColor bands[] = {palette::TealLight, Mix(palette::TealLight, palette::TealDark, 0.5),
                            palette::TealDark};
    for (int band = 0; band < 3; ++band) {
        double y = top + band * step;
        auto crest = [&]() {
            cairo_move_to(cr, left, y);
            for (double x = left; x <= right + 0.01; x += 1.0) {
                cairo_line_to(cr, x, y + amplitude * std::sin((x - left) * 0.33 + phase + band * 1.7));
            }
        };
        crest();
        cairo_line_to(cr, right, y + 40);
        cairo_line_to(cr, left, y + 40);
        cairo_close_path(cr);
        SetColor(cr, bands[band]);
        cairo_fill(cr);
        crest();
        cairo_set_line_width(cr, 1.2);
        SetColor(cr, palette::Parchment, 0.85 - band * 0.2);
        cairo_stroke(cr);
    }
}

// A quill feather from its nib at (x0, y0) to its tip at (x1, y1).
void Quill(cairo_t* cr, double x0, double y0, double x1, double y1, double width) {
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double length = std::hypot(dx, dy);
    cairo_save(cr);
    cairo_translate(cr, x0, y0);
    cairo_rotate(cr, std::atan2(dy, dx));
    auto vane = [&]() {
        cairo_move_to(cr, length * 0.22, 0);
        cairo_curve_to(cr, length * 0.45, -width * 1.1, length * 0.85, -width * 0.9, length, 0);
        cairo_curve_to(cr, length * 0.8, width * 0.7, length * 0.45, width * 0.8, length * 0.22, 0);
        cairo_close_path(cr);
    };
    cairo_save(cr);
    cairo_rotate(cr, -std::atan2(dy, dx));
    cairo_translate(cr, ShadowOffsetX, ShadowOffsetY);
    cairo_rotate(cr, std::atan2(dy, dx));
    vane();
    cairo_restore(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_fill(cr);
    vane();
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, -width, 0, width);
    AddStop(fill, 0.0, {1, 1, 1});
    AddStop(fill, 0.5, palette::Parchment);
    AddStop(fill, 1.0, palette::SandDark);
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    cairo_set_line_width(cr, 1.1);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);
    // Barbs, then the shaft running on to the nib.
    for (int i = 1; i <= 5; ++i) {
        double at = length * (0.3 + i * 0.11);
        cairo_move_to(cr, at, 0);
        cairo_line_to(cr, at + width * 0.5, -width * 0.75);
        cairo_move_to(cr, at - width * 0.1, 0);
        cairo_line_to(cr, at + width * 0.35, width * 0.6);
    }
    cairo_set_line_width(cr, 0.6);
    SetColor(cr, palette::SandDark, 0.9);
    cairo_stroke(cr);
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, length * 0.97, 0);
    cairo_set_line_width(cr, 1.0);
    SetColor(cr, palette::Ink, 0.85);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// An inkwell on the harbour: a round brass badge with a dusk sky and sea, a dark glass inkwell
// and a quill reaching out of the badge.
void DeveloperLogo(TArtContext& context, cairo_font_face_t* bold) {
    cairo_surface_t* surface = NewSurface(LogoSize, LogoSize);
    cairo_t* cr = cairo_create(surface);
    const double cx = 47, cy = 35, r = 29;
    auto ring = [&]() { cairo_arc(cr, cx, cy, r, 0, 2 * Pi); };
    ShapeShadow(cr, ring);
    ring();
    cairo_pattern_t* brass = BrassPattern(cx - r, cy - r, cx + r * 0.6, cy + r);
    cairo_set_source(cr, brass);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(brass);
    cairo_set_line_width(cr, 1.3);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);

    const double inner = r - 4.5;
    cairo_save(cr);
    cairo_arc(cr, cx, cy, inner, 0, 2 * Pi);
    cairo_clip(cr);
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, cy - inner, 0, cy + 8);
    AddStop(sky, 0.0, Mix(palette::SeaGlass, palette::TealLight, 0.35));
    AddStop(sky, 0.6, palette::SeaGlass);
    AddStop(sky, 1.0, Mix(palette::Parchment, palette::BrassLight, 0.35));
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);
    // The low sun behind the harbour.
    cairo_arc(cr, cx - 10, cy + 8, 7, 0, 2 * Pi);
    SetColor(cr, palette::BrassLight, 0.9);
    cairo_fill(cr);
    Waves(cr, cx - inner, cx + inner, cy + 8, 5, 1.2, 0.4);
    // The dark rim of the opening, where the brass turns in.
    cairo_arc(cr, cx + 1.2, cy + 1.2, inner + 1.0, 0, 2 * Pi);
    cairo_set_line_width(cr, 2.5);
    SetColor(cr, palette::Ink, 0.55);
    cairo_stroke(cr);
    cairo_restore(cr);
    cairo_arc(cr, cx, cy, inner, 0, 2 * Pi);
    cairo_set_line_width(cr, 1.0);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);

    // The inkwell: a squat bottle of dark glass.
    auto bottle = [&]() {
        cairo_move_to(cr, cx - 7, cy - 7);
        cairo_line_to(cr, cx + 3, cy - 7);
        cairo_line_to(cr, cx + 3, cy - 4);
        cairo_curve_to(cr, cx + 11, cy - 3, cx + 13, cy + 3, cx + 13, cy + 9);
        cairo_curve_to(cr, cx + 13, cy + 13, cx + 9, cy + 15, cx - 2, cy + 15);
        cairo_curve_to(cr, cx - 13, cy + 15, cx - 17, cy + 13, cx - 17, cy + 9);
        cairo_curve_to(cr, cx - 17, cy + 3, cx - 15, cy - 3, cx - 7, cy - 4);
        cairo_close_path(cr);
    };
    ShapeShadow(cr, bottle);
    bottle();
    cairo_pattern_t* glass = cairo_pattern_create_radial(cx - 7, cy + 2, 1, cx - 2, cy + 6, 16);
    AddStop(glass, 0.0, Mix(palette::TealDark, palette::Night, 0.2));
    AddStop(glass, 1.0, palette::Ink);
    cairo_set_source(cr, glass);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(glass);
    cairo_set_line_width(cr, 1.3);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);
    // Light on the glass: a curved glint up-left and a rim along the shoulder.
    cairo_move_to(cr, cx - 13.5, cy + 8);
    cairo_curve_to(cr, cx - 13.5, cy + 3, cx - 11, cy, cx - 7, cy - 1.5);
    cairo_set_line_width(cr, 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColor(cr, palette::SeaGlass, 0.85);
    cairo_stroke(cr);
    cairo_rectangle(cr, cx - 8, cy - 9.5, 12, 3);
    cairo_pattern_t* collar = BrassPattern(cx - 8, cy - 9.5, cx + 4, cy - 6.5);
    cairo_set_source(cr, collar);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(collar);
    cairo_set_line_width(cr, 1.0);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);

    Quill(cr, cx - 1, cy - 6, cx + 24, cy - 30, 5.5);

    WordLine(cr, bold, "INKWELL", 15, 81, 0.8, palette::Parchment, palette::BrassLight);
    WordLine(cr, bold, "HARBOUR", 9.5, 95, 2.4, palette::BrassLight, palette::BrassDark);
    cairo_destroy(cr);
    SavePng(context, "no-gfx/LogoDev1033.png", surface);
}

// Tidewater: a teal tile set on its corner, a brass sun rising over three crests.
void PublisherLogo(TArtContext& context, cairo_font_face_t* bold) {
    cairo_surface_t* surface = NewSurface(LogoSize, LogoSize);
    cairo_t* cr = cairo_create(surface);
    const double cx = 50, cy = 35, half = 31;
    auto tile = [&]() {
        const double round = 5;
        cairo_move_to(cr, cx, cy - half + round);
        cairo_line_to(cr, cx + half - round, cy);
        cairo_line_to(cr, cx, cy + half - round);
        cairo_line_to(cr, cx - half + round, cy);
        cairo_close_path(cr);
    };
    auto rounded = [&](double grow) {
        tile();
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_width(cr, 2 * (5 + grow));
    };
    // The tile is a diamond with rounded corners: a stroked outline around a smaller diamond.
    cairo_save(cr);
    cairo_translate(cr, ShadowOffsetX + 0.5, ShadowOffsetY + 0.5);
    rounded(0);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_stroke_preserve(cr);
    cairo_fill(cr);
    cairo_restore(cr);
    rounded(0.7);
    SetColor(cr, palette::Ink);
    cairo_stroke_preserve(cr);
    cairo_fill(cr);
    rounded(0);
    cairo_pattern_t* brass = BrassPattern(cx - half, cy - half, cx + half * 0.5, cy + half);
    cairo_set_source(cr, brass);
    cairo_stroke_preserve(cr);
    cairo_fill(cr);
    cairo_pattern_destroy(brass);

    const double inner = half - 6.5;
    auto face = [&]() {
        cairo_move_to(cr, cx, cy - inner);
        cairo_line_to(cr, cx + inner, cy);
        cairo_line_to(cr, cx, cy + inner);
        cairo_line_to(cr, cx - inner, cy);
        cairo_close_path(cr);
    };
    face();
    cairo_set_line_width(cr, 3.0);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetColor(cr, palette::Ink);
    cairo_stroke_preserve(cr);
    cairo_save(cr);
    cairo_clip(cr);
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, cy - inner, 0, cy + 4);
    AddStop(sky, 0.0, palette::Night);
    AddStop(sky, 1.0, Mix(palette::TealDark, palette::Coral, 0.35));
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);
    // The sun, glossy like one of the game's marbles.
    const double sunX = cx, sunY = cy - 2, sunR = 9;
    cairo_pattern_t* sun = cairo_pattern_create_radial(sunX - 3, sunY - 3.5, 1, sunX, sunY, sunR);
    AddStop(sun, 0.0, {1.0, 0.97, 0.8});
    AddStop(sun, 0.55, palette::BrassLight);
    AddStop(sun, 1.0, palette::BrassDark);
    cairo_arc(cr, sunX, sunY, sunR, 0, 2 * Pi);
    cairo_set_source(cr, sun);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(sun);
    cairo_set_line_width(cr, 1.0);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);
    Waves(cr, cx - inner, cx + inner, cy + 3, 5.5, 1.6, 0.0);
    cairo_restore(cr);
    face();
    cairo_set_line_width(cr, 1.0);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);

    WordLine(cr, bold, "TIDEWATER", 13.5, 82, 0.3, palette::Parchment, palette::SeaGlass);
    WordLine(cr, bold, "GAMES", 10, 96, 4.0, palette::BrassLight, palette::BrassDark);
    cairo_destroy(cr);
    SavePng(context, "no-gfx/LogoPub1033.png", surface);
}

// Saltlark: a lark climbing toward a brass star inside an arched window of night.
void SecondPublisherLogo(TArtContext& context, cairo_font_face_t* bold) {
    cairo_surface_t* surface = NewSurface(LogoSize, LogoSize);
    cairo_t* cr = cairo_create(surface);
    const double left = 24, right = 76, top = 4, bottom = 64;
    const double radius = (right - left) / 2;
    auto arch = [&](double inset) {
        cairo_move_to(cr, left + inset, bottom - inset);
        cairo_line_to(cr, left + inset, top + radius);
        cairo_arc(cr, (left + right) / 2, top + radius, radius - inset, Pi, 2 * Pi);
        cairo_line_to(cr, right - inset, bottom - inset);
        cairo_close_path(cr);
    };
    ShapeShadow(cr, [&]() { arch(0); });
    arch(0);
    cairo_pattern_t* brass = BrassPattern(left, top, right - 10, bottom);
    cairo_set_source(cr, brass);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(brass);
    cairo_set_line_width(cr, 1.3);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);

    arch(4.5);
    cairo_save(cr);
    cairo_clip_preserve(cr);
    cairo_pattern_t* night = cairo_pattern_create_linear(0, top, 0, bottom);
    AddStop(night, 0.0, palette::Night);
    AddStop(night, 1.0, Mix(palette::TealDark, palette::Night, 0.3));
    cairo_set_source(cr, night);
    cairo_fill(cr);
    cairo_pattern_destroy(night);
    // A few fixed stars.
    const double stars[][3] = {{34, 22, 0.8}, {44, 14, 0.6}, {63, 40, 0.7}, {36, 44, 0.6}, {58, 52, 0.5}};
    for (const auto& star : stars) {
        cairo_arc(cr, star[0], star[1], star[2], 0, 2 * Pi);
        SetColor(cr, palette::Parchment, 0.9);
        cairo_fill(cr);
    }
    // The brass star of four long and four short points.
    const double sx = 61, sy = 20;
    cairo_move_to(cr, sx, sy - 9);
    for (int i = 1; i <= 16; ++i) {
        double angle = -Pi / 2 + i * Pi / 8;
        double reach = (i % 4 == 0) ? 9 : (i % 2 == 0 ? 4.5 : 2);
        cairo_line_to(cr, sx + reach * std::cos(angle), sy + reach * std::sin(angle));
    }
    cairo_close_path(cr);
    cairo_pattern_t* starFill = BrassPattern(sx - 6, sy - 6, sx + 5, sy + 6);
    cairo_set_source(cr, starFill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(starFill);
    cairo_set_line_width(cr, 0.8);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);
    // The shore at the foot of the window.
    auto dune = [&]() {
        cairo_move_to(cr, left, bottom - 8);
        cairo_curve_to(cr, left + 18, bottom - 17, right - 18, bottom - 5, right, bottom - 14);
    };
    dune();
    cairo_line_to(cr, right, bottom);
    cairo_line_to(cr, left, bottom);
    cairo_close_path(cr);
    SetColor(cr, Mix(palette::SandDark, palette::Ink, 0.35));
    cairo_fill(cr);
    dune();
    cairo_set_line_width(cr, 1.0);
    SetColor(cr, palette::SandLight, 0.8);
    cairo_stroke(cr);
    cairo_restore(cr);
    arch(4.5);
    cairo_set_line_width(cr, 1.0);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);

    // The lark, wings raised, climbing toward the star.
    cairo_save(cr);
    cairo_translate(cr, 44, 38);
    cairo_rotate(cr, -0.3);
    auto bird = [&]() {
        cairo_move_to(cr, -15, -3);
        cairo_curve_to(cr, -10, -10, -4, -8, -0.5, -1.5);
        cairo_curve_to(cr, 3, -8, 9, -10, 15, -3);
        cairo_curve_to(cr, 9, -6, 4, -4, 1.5, 2.5);
        cairo_line_to(cr, 0, 4.5);
        cairo_line_to(cr, -1.5, 2.5);
        cairo_curve_to(cr, -4, -4, -9, -6, -15, -3);
        cairo_close_path(cr);
    };
    cairo_save(cr);
    cairo_rotate(cr, 0.3);
    cairo_translate(cr, ShadowOffsetX, ShadowOffsetY);
    cairo_rotate(cr, -0.3);
    bird();
    cairo_restore(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.4);
    cairo_fill(cr);
    bird();
    cairo_pattern_t* plumage = cairo_pattern_create_linear(0, -11, 0, 6);
    AddStop(plumage, 0.0, {1, 1, 1});
    AddStop(plumage, 1.0, palette::SandLight);
    cairo_set_source(cr, plumage);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(plumage);
    cairo_set_line_width(cr, 1.1);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);
    cairo_restore(cr);

    WordLine(cr, bold, "SALTLARK", 14, 82, 0.6, palette::Parchment, palette::BrassLight);
    WordLine(cr, bold, "EDITIONS", 9, 96, 2.6, palette::SeaGlass, palette::TealLight);
    cairo_destroy(cr);
    SavePng(context, "no-gfx/LogoPub21033.png", surface);
}

} // namespace

void DrawLogoArt(TArtContext& context) {
    cairo_font_face_t* bold = LoadFace(context, "DejaVuSans-Bold.ttf", "the logos");
    DeveloperLogo(context, bold);
    PublisherLogo(context, bold);
    SecondPublisherLogo(context, bold);
    cairo_font_face_destroy(bold);
}

} // namespace artgen
