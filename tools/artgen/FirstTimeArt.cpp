// The window shown while the graphics cache is built on the first run: its background, the
// greeting (a gull in a porthole waving its wing) and the two progress bars. The window pastes
// the greeting and the bars over the background, opaque, so all of them are cut from one scene
// drawn several times (once per greeting frame, once with a full bar); their edges then match
// the background pixel for pixel, and the four GIF files share one palette so that they also
// match after quantisation.

#include "ArtGenerator.h"
#include "ArtPalette.h"
#include "ImageWriters.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace artgen {

namespace {

constexpr int WindowWidth = 492;
constexpr int WindowHeight = 66;
// Where the window puts the greeting and the bars, and how large they are.
constexpr int HelloX = 436;
constexpr int HelloY = 11;
constexpr int HelloWidth = 48;
constexpr int HelloHeight = 44;
constexpr int HelloFrames = 10;
constexpr int BarX = 158;
constexpr int BarY = 15;
constexpr int BarWidth = 176;
constexpr int BarHeight = 22;
// The window writes its progress line from (30, 44) down, on this blue and in a lighter one, so
// everything below the line's top stays this flat colour.
constexpr TColor TextBack{0x00 / 255.0, 0x34 / 255.0, 0x5C / 255.0};
constexpr TColor TextLight{0x5F / 255.0, 0xB9 / 255.0, 0xFE / 255.0};
constexpr double TextTop = 43;

void Stroke(cairo_t* cr, const TColor& c, double width, double alpha = 1.0) {
    cairo_set_line_width(cr, width);
    SetColor(cr, c, alpha);
    cairo_stroke(cr);
}

// The sky: the window's blue, lit softly from the upper left above the progress line.
void Backdrop(cairo_t* cr) {
    SetColor(cr, TextBack);
    cairo_paint(cr);
    cairo_pattern_t* glow = cairo_pattern_create_radial(40, -30, 10, 40, -30, 420);
    AddStop(glow, 0.0, Mix(TextBack, palette::SeaGlass, 0.35), 1.0);
    AddStop(glow, 1.0, TextBack, 0.0);
    cairo_pattern_t* fade = cairo_pattern_create_linear(0, 0, 0, TextTop);
    cairo_pattern_add_color_stop_rgba(fade, 0.0, 0, 0, 0, 1.0);
    cairo_pattern_add_color_stop_rgba(fade, 1.0, 0, 0, 0, 0.0);
    cairo_set_source(cr, glow);
    cairo_mask(cr, fade);
    cairo_pattern_destroy(fade);
    cairo_pattern_destroy(glow);
    const double stars[][3] = {{348, 9, 0.7}, {366, 22, 0.5}, {416, 8, 0.6}, {424, 27, 0.5},
                               {140, 8, 0.5}, {344, 31, 0.4}, {410, 19, 0.4}};
    for (const auto& star : stars) {
        cairo_arc(cr, star[0], star[1], star[2], 0, 2 * Pi);
        SetColor(cr, TextLight, 0.9);
        cairo_fill(cr);
    }
}

// A brass rim around the borderless window, so it does not melt into whatever lies behind.
void WindowRim(cairo_t* cr) {
    cairo_rectangle(cr, 0.5, 0.5, WindowWidth - 1, WindowHeight - 1);
    Stroke(cr, palette::Ink, 1.0);
    cairo_rectangle(cr, 2, 2, WindowWidth - 4, WindowHeight - 4);
    cairo_pattern_t* brass = BrassPattern(0, 0, WindowWidth * 0.2, WindowHeight * 3);
    cairo_set_source(cr, brass);
    cairo_set_line_width(cr, 2.0);
    cairo_stroke(cr);
    cairo_pattern_destroy(brass);
    cairo_rectangle(cr, 3.5, 3.5, WindowWidth - 7, WindowHeight - 7);
    Stroke(cr, palette::Ink, 1.0, 0.8);
}

// A quill in a brass roundel, then the game's name as a title.
void WordMark(cairo_t* cr, cairo_font_face_t* bold) {
    const double cx = 22, cy = 24, r = 12;
    cairo_arc(cr, cx + ShadowOffsetX, cy + ShadowOffsetY, r, 0, 2 * Pi);
    SetColor(cr, palette::Ink, 0.5);
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * Pi);
    cairo_pattern_t* brass = BrassPattern(cx - r, cy - r, cx + r * 0.6, cy + r);
    cairo_set_source(cr, brass);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(brass);
    Stroke(cr, palette::Ink, 1.2);
    cairo_arc(cr, cx, cy, r - 3, 0, 2 * Pi);
    SetColor(cr, Mix(TextBack, palette::Night, 0.5));
    cairo_fill_preserve(cr);
    Stroke(cr, palette::Ink, 1.0);
    // The feather, tip up to the right, nib down to the left.
    cairo_save(cr);
    cairo_translate(cr, cx - 7, cy + 7);
    cairo_rotate(cr, -Pi / 4);
    const double length = 21;
    cairo_move_to(cr, length * 0.25, 0);
    cairo_curve_to(cr, length * 0.45, -5, length * 0.85, -4.5, length, 0);
    cairo_curve_to(cr, length * 0.8, 3.2, length * 0.45, 3.8, length * 0.25, 0);
    cairo_close_path(cr);
    cairo_pattern_t* vane = cairo_pattern_create_linear(0, -5, 0, 4);
    AddStop(vane, 0.0, {1, 1, 1});
    AddStop(vane, 1.0, palette::SandLight);
    cairo_set_source(cr, vane);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(vane);
    Stroke(cr, palette::Ink, 0.9);
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, length * 0.95, 0);
    Stroke(cr, palette::Ink, 0.9);
    cairo_restore(cr);

    cairo_save(cr);
    cairo_set_font_face(cr, bold);
    cairo_set_font_size(cr, 19);
    const char* title = "Quillmark";
    cairo_text_extents_t extents;
    cairo_text_extents(cr, title, &extents);
    // The title must end before the bar's bezel.
    const double x = 40, baseline = 31, room = 150 - x;
    if (extents.x_advance > room) {
        cairo_translate(cr, x, 0);
        cairo_scale(cr, room / extents.x_advance, 1);
        cairo_translate(cr, -x, 0);
    }
    cairo_move_to(cr, x + ShadowOffsetX, baseline + ShadowOffsetY);
    cairo_text_path(cr, title);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 3.0);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.3);
    cairo_stroke_preserve(cr);
    cairo_fill(cr);
    cairo_move_to(cr, x, baseline);
    cairo_text_path(cr, title);
    cairo_set_line_width(cr, 2.6);
    SetColor(cr, palette::Ink);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, baseline - 14, 0, baseline);
    AddStop(fill, 0.0, {1.0, 0.95, 0.75});
    AddStop(fill, 0.5, palette::BrassLight);
    AddStop(fill, 1.0, palette::BrassDark);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
    cairo_restore(cr);
}

// The bar's brass bezel and its channel, empty (sunk and dark) or full (brass).
void ProgressBar(cairo_t* cr, bool full) {
    RoundedRect(cr, BarX - 3 + ShadowOffsetX, BarY - 3 + ShadowOffsetY, BarWidth + 6, BarHeight + 6, 8);
    SetColor(cr, palette::Ink, 0.5);
    cairo_fill(cr);
    RoundedRect(cr, BarX - 3, BarY - 3, BarWidth + 6, BarHeight + 6, 8);
    cairo_pattern_t* brass = BrassPattern(BarX, BarY - 3, BarX + 40, BarY + BarHeight + 3);
    cairo_set_source(cr, brass);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(brass);
    Stroke(cr, palette::Ink, 1.0);

    const double x = BarX, y = BarY, w = BarWidth, h = BarHeight;
    auto channel = [&]() { RoundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, 6); };
    channel();
    SetColor(cr, palette::Ink);
    cairo_fill(cr);
    channel();
    cairo_save(cr);
    cairo_clip(cr);
    if (full) {
        cairo_pattern_t* fill = cairo_pattern_create_linear(0, y, 0, y + h);
        AddStop(fill, 0.0, {1.0, 0.9, 0.6});
        AddStop(fill, 0.45, palette::BrassLight);
        AddStop(fill, 1.0, palette::BrassDark);
        cairo_set_source(cr, fill);
        cairo_paint(cr);
        cairo_pattern_destroy(fill);
        SlantedBands(cr, x, y, w, h);
        cairo_pattern_t* gloss = cairo_pattern_create_linear(0, y + 2, 0, y + h * 0.5);
        cairo_pattern_add_color_stop_rgba(gloss, 0.0, 1, 1, 1, 0.55);
        cairo_pattern_add_color_stop_rgba(gloss, 1.0, 1, 1, 1, 0.05);
        RoundedRect(cr, x + 3, y + 2, w - 6, h * 0.42, 4);
        cairo_set_source(cr, gloss);
        cairo_fill(cr);
        cairo_pattern_destroy(gloss);
    } else {
        cairo_pattern_t* fill = cairo_pattern_create_linear(0, y, 0, y + h);
        AddStop(fill, 0.0, Mix(palette::Night, palette::Ink, 0.5));
        AddStop(fill, 1.0, Mix(TextBack, palette::TealDark, 0.5));
        cairo_set_source(cr, fill);
        cairo_paint(cr);
        cairo_pattern_destroy(fill);
    }
    // The bezel's shadow inside the channel, along its upper and left edges.
    RoundedRect(cr, x + 2, y + 2, w - 1, h - 1, 6);
    cairo_rectangle(cr, x - 10, y - 10, w + 20, h + 20);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_set_source_rgba(cr, 0, 0, 0, full ? 0.3 : 0.6);
    cairo_fill(cr);
    cairo_restore(cr);
    channel();
    Stroke(cr, palette::Ink, 1.0);
}

// The Lantern Spire on its rock, its lamp lit.
void Spire(cairo_t* cr) {
    const double cx = 388;
    cairo_pattern_t* glow = cairo_pattern_create_radial(cx, 13, 1, cx, 13, 22);
    AddStop(glow, 0.0, palette::BrassLight, 0.7);
    AddStop(glow, 1.0, palette::BrassLight, 0.0);
    cairo_set_source(cr, glow);
    cairo_arc(cr, cx, 13, 22, 0, 2 * Pi);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    for (int side = -1; side <= 1; side += 2) {
        cairo_pattern_t* beam = cairo_pattern_create_linear(cx, 0, cx + side * 44, 0);
        AddStop(beam, 0.0, palette::BrassLight, 0.45);
        AddStop(beam, 1.0, palette::BrassLight, 0.0);
        cairo_move_to(cr, cx, 13);
        cairo_line_to(cr, cx + side * 44, 8);
        cairo_line_to(cr, cx + side * 44, 17);
        cairo_close_path(cr);
        cairo_set_source(cr, beam);
        cairo_fill(cr);
        cairo_pattern_destroy(beam);
    }

    // The rock, dark against the sky, lit along its upper-left edge.
    auto rock = [&]() {
        cairo_move_to(cr, 350, TextTop);
        cairo_curve_to(cr, 358, 38, 366, 36, 374, 35);
        cairo_line_to(cr, 404, 35);
        cairo_curve_to(cr, 412, 36, 420, 39, 428, TextTop);
    };
    rock();
    cairo_close_path(cr);
    SetColor(cr, Mix(palette::Night, palette::Ink, 0.3));
    cairo_fill(cr);
    rock();
    Stroke(cr, Mix(TextLight, palette::SeaGlass, 0.5), 1.0, 0.55);

    // Three stepped tiers of pale stone.
    const double tiers[][4] = {{374, 27, 28, 8}, {378, 20, 20, 7}, {382, 15, 12, 5}};
    for (const auto& tier : tiers) {
        cairo_rectangle(cr, tier[0] + ShadowOffsetX, tier[1] + ShadowOffsetY, tier[2], tier[3]);
        SetColor(cr, palette::Ink, 0.35);
        cairo_fill(cr);
    }
    for (const auto& tier : tiers) {
        cairo_rectangle(cr, tier[0], tier[1], tier[2], tier[3]);
        cairo_pattern_t* stone = cairo_pattern_create_linear(tier[0], 0, tier[0] + tier[2], 0);
        AddStop(stone, 0.0, palette::Parchment);
        AddStop(stone, 0.4, palette::SandLight);
        AddStop(stone, 1.0, palette::SandDark);
        cairo_set_source(cr, stone);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(stone);
        Stroke(cr, palette::Ink, 1.0);
    }
    // The lamp and its cap.
    cairo_rectangle(cr, cx - 3.5, 9.5, 7, 5.5);
    SetColor(cr, {1.0, 0.96, 0.78});
    cairo_fill_preserve(cr);
    Stroke(cr, palette::Ink, 1.0);
    cairo_move_to(cr, cx - 5, 9.5);
    cairo_line_to(cr, cx, 5);
    cairo_line_to(cr, cx + 5, 9.5);
    cairo_close_path(cr);
    cairo_pattern_t* cap = BrassPattern(cx - 5, 5, cx + 5, 9.5);
    cairo_set_source(cr, cap);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(cap);
    Stroke(cr, palette::Ink, 1.0);
    // Windows in the tiers.
    const double windows[][2] = {{386.5, 30}, {386.5, 22.5}};
    for (const auto& window : windows) {
        cairo_rectangle(cr, window[0], window[1], 3, 3.5);
        SetColor(cr, palette::BrassLight);
        cairo_fill_preserve(cr);
        Stroke(cr, palette::Ink, 0.8);
    }
}

// The porthole's centre and the radius of its glass.
constexpr double PortX = HelloX + 24;
constexpr double PortY = HelloY + 22;
constexpr double PortGlass = 17;

// The gull on its post, its near wing raised to `wing` radians (straight up is -pi/2).
void Gull(cairo_t* cr, double wing) {
    const TColor white{0.99, 0.98, 0.95};
    const TColor grey = Mix(palette::Parchment, palette::Night, 0.45);
    const TColor beak = palette::BrassLight;
    // The post, rising out of the water.
    cairo_rectangle(cr, PortX - 0.5, PortY + 9, 7, 12);
    cairo_pattern_t* wood = cairo_pattern_create_linear(PortX - 0.5, 0, PortX + 6.5, 0);
    AddStop(wood, 0.0, Mix(palette::SandDark, palette::Parchment, 0.2));
    AddStop(wood, 1.0, Mix(palette::SandDark, palette::Ink, 0.55));
    cairo_set_source(cr, wood);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(wood);
    Stroke(cr, palette::Ink, 1.0);

    // Legs.
    cairo_move_to(cr, PortX + 1.5, PortY + 6);
    cairo_line_to(cr, PortX + 1.5, PortY + 9);
    cairo_move_to(cr, PortX + 4, PortY + 6);
    cairo_line_to(cr, PortX + 4.5, PortY + 9);
    Stroke(cr, palette::Coral, 1.2);

    auto body = [&]() {
        cairo_move_to(cr, PortX - 10, PortY + 1);
        cairo_curve_to(cr, PortX - 6, PortY - 3, PortX + 2, PortY - 4, PortX + 6, PortY - 3);
        cairo_curve_to(cr, PortX + 9, PortY - 2, PortX + 9, PortY + 5, PortX + 4, PortY + 6.5);
        cairo_curve_to(cr, PortX, PortY + 7.5, PortX - 5, PortY + 5, PortX - 10, PortY + 1);
        cairo_close_path(cr);
    };
    body();
    cairo_pattern_t* plumage = cairo_pattern_create_linear(0, PortY - 4, 0, PortY + 7);
    AddStop(plumage, 0.0, white);
    AddStop(plumage, 1.0, Mix(white, palette::SandDark, 0.35));
    cairo_set_source(cr, plumage);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(plumage);
    Stroke(cr, palette::Ink, 1.0);
    // The folded far wing along the back, dark-tipped at the tail.
    cairo_move_to(cr, PortX - 11, PortY);
    cairo_curve_to(cr, PortX - 6, PortY - 2.5, PortX, PortY - 2.5, PortX + 4, PortY - 1);
    cairo_curve_to(cr, PortX, PortY + 2, PortX - 5, PortY + 2.5, PortX - 11, PortY);
    cairo_close_path(cr);
    SetColor(cr, grey);
    cairo_fill_preserve(cr);
    Stroke(cr, palette::Ink, 0.8);
    cairo_move_to(cr, PortX - 11, PortY);
    cairo_line_to(cr, PortX - 7, PortY - 1.2);
    cairo_line_to(cr, PortX - 7.5, PortY + 1.4);
    cairo_close_path(cr);
    SetColor(cr, palette::Ink);
    cairo_fill(cr);

    // Head and beak.
    const double hx = PortX + 6.5, hy = PortY - 6.5;
    cairo_move_to(cr, hx + 2.8, hy + 0.2);
    cairo_line_to(cr, hx + 7.5, hy + 1.4);
    cairo_line_to(cr, hx + 2.6, hy + 2.6);
    cairo_close_path(cr);
    SetColor(cr, beak);
    cairo_fill_preserve(cr);
    Stroke(cr, palette::Ink, 0.8);
    cairo_arc(cr, hx + 5.6, hy + 1.9, 0.6, 0, 2 * Pi);
    SetColor(cr, palette::Coral);
    cairo_fill(cr);
    cairo_arc(cr, hx, hy, 4, 0, 2 * Pi);
    cairo_pattern_t* head = cairo_pattern_create_radial(hx - 1.5, hy - 1.5, 0.5, hx, hy, 4);
    AddStop(head, 0.0, {1, 1, 1});
    AddStop(head, 1.0, Mix(white, palette::SandDark, 0.25));
    cairo_set_source(cr, head);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(head);
    Stroke(cr, palette::Ink, 1.0);
    cairo_arc(cr, hx + 1.4, hy - 0.6, 0.8, 0, 2 * Pi);
    SetColor(cr, palette::Ink);
    cairo_fill(cr);

    // The waving wing, hinged at the shoulder.
    cairo_save(cr);
    cairo_translate(cr, PortX - 1, PortY - 1.5);
    cairo_rotate(cr, wing);
    auto blade = [&]() {
        cairo_move_to(cr, 0, -2.2);
        cairo_curve_to(cr, 5, -3.6, 10, -2.6, 14, 0.3);
        cairo_curve_to(cr, 10, 1.6, 5, 2.8, 0, 2.4);
        cairo_close_path(cr);
    };
    blade();
    cairo_pattern_t* feathers = cairo_pattern_create_linear(0, -3, 0, 3);
    AddStop(feathers, 0.0, Mix(grey, white, 0.45));
    AddStop(feathers, 1.0, grey);
    cairo_set_source(cr, feathers);
    cairo_fill(cr);
    cairo_pattern_destroy(feathers);
    cairo_save(cr);
    blade();
    cairo_clip(cr);
    cairo_rectangle(cr, 10, -5, 6, 10);
    SetColor(cr, palette::Ink);
    cairo_fill(cr);
    cairo_restore(cr);
    blade();
    Stroke(cr, palette::Ink, 0.9);
    cairo_restore(cr);
}

// The porthole: a brass ring around a round view of sea and sky with the gull. `phase` runs
// once round (0 .. 1) over the greeting's frames.
void Porthole(cairo_t* cr, double phase) {
    const double ring = 3.5;
    cairo_arc(cr, PortX + ShadowOffsetX, PortY + ShadowOffsetY, PortGlass + ring + 0.5, 0, 2 * Pi);
    SetColor(cr, palette::Ink, 0.5);
    cairo_fill(cr);
    cairo_arc(cr, PortX, PortY, PortGlass + ring, 0, 2 * Pi);
    cairo_pattern_t* brass = BrassPattern(PortX - 20, PortY - 20, PortX + 12, PortY + 21);
    cairo_set_source(cr, brass);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(brass);
    Stroke(cr, palette::Ink, 1.0);
    for (int i = 0; i < 8; ++i) {
        double angle = Pi / 8 + i * Pi / 4;
        double bx = PortX + (PortGlass + ring / 2) * std::cos(angle);
        double by = PortY + (PortGlass + ring / 2) * std::sin(angle);
        cairo_arc(cr, bx, by, 0.7, 0, 2 * Pi);
        SetColor(cr, palette::BrassDark);
        cairo_fill(cr);
    }

    cairo_save(cr);
    cairo_arc(cr, PortX, PortY, PortGlass, 0, 2 * Pi);
    cairo_clip(cr);
    const double horizon = PortY + 9;
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, PortY - PortGlass, 0, horizon);
    AddStop(sky, 0.0, Mix(palette::TealLight, palette::Night, 0.25));
    AddStop(sky, 0.7, palette::SeaGlass);
    AddStop(sky, 1.0, Mix(palette::Parchment, palette::BrassLight, 0.3));
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);
    // A still cloud: anything crossing the glass would have to cross it in one second.
    const double puffs[][3] = {{-9, -10, 2.6}, {-6, -11.2, 3.2}, {-2.8, -10, 2.4}};
    for (const auto& puff : puffs) {
        cairo_arc(cr, PortX + puff[0], PortY + puff[1], puff[2], 0, 2 * Pi);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.6);
        cairo_fill(cr);
    }
    // The sea, its crests moving one wavelength per loop so that the loop has no seam.
    const TColor bands[] = {palette::TealLight, Mix(palette::TealLight, palette::TealDark, 0.5),
                            palette::TealDark};
    for (int band = 0; band < 3; ++band) {
        const double y = horizon + band * 3.5;
        const double wavelength = 12;
        auto crest = [&]() {
            cairo_move_to(cr, PortX - PortGlass, y);
            for (double x = PortX - PortGlass; x <= PortX + PortGlass + 0.01; x += 1.0) {
                double t = (x - PortX) / wavelength + phase * (band % 2 == 0 ? 1 : -1) + band * 0.3;
                cairo_line_to(cr, x, y + 0.9 * std::sin(2 * Pi * t));
            }
        };
        crest();
        cairo_line_to(cr, PortX + PortGlass, PortY + PortGlass);
        cairo_line_to(cr, PortX - PortGlass, PortY + PortGlass);
        cairo_close_path(cr);
        SetColor(cr, bands[band]);
        cairo_fill(cr);
        crest();
        Stroke(cr, palette::Parchment, 0.9, 0.8 - band * 0.2);
    }
    // Two waves of the wing per loop, from high over the head to out at the side.
    Gull(cr, -1.8 + 0.55 * std::sin(2 * Pi * 2 * phase));
    // The ring's shadow on the glass, and a glint of light on it.
    cairo_arc(cr, PortX + 2, PortY + 2, PortGlass + 1.5, 0, 2 * Pi);
    cairo_new_sub_path(cr);
    cairo_rectangle(cr, PortX - 30, PortY - 30, 60, 60);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    SetColor(cr, palette::Ink, 0.4);
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_arc(cr, PortX, PortY, PortGlass - 3, Pi * 1.05, Pi * 1.45);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.55);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    cairo_restore(cr);
    cairo_arc(cr, PortX, PortY, PortGlass, 0, 2 * Pi);
    Stroke(cr, palette::Ink, 1.0);
}

TRgbImage Scene(cairo_font_face_t* bold, int frame, bool fullBar) {
    cairo_surface_t* surface = NewSurface(WindowWidth, WindowHeight);
    cairo_t* cr = cairo_create(surface);
    Backdrop(cr);
    WordMark(cr, bold);
    Spire(cr);
    ProgressBar(cr, fullBar);
    Porthole(cr, static_cast<double>(frame) / HelloFrames);
    WindowRim(cr);
    cairo_destroy(cr);
    TRgbImage image = ImageFromSurface(surface, TextBack);
    cairo_surface_destroy(surface);
    return image;
}

} // namespace

void DrawFirstTimeArt(TArtContext& context) {
    cairo_font_face_t* bold = LoadFace(context, "DejaVuSans-Bold.ttf", "the first-run window");
    std::vector<TRgbImage> scenes;
    for (int frame = 0; frame < HelloFrames; ++frame) {
        scenes.push_back(Scene(bold, frame, false));
    }
    TRgbImage full = Scene(bold, 0, true);
    cairo_font_face_destroy(bold);

    // The palette comes from the whole scenes, which are then dithered whole, before the parts
    // are cut out: the dither pattern then runs on across every edge where the window joins
    // them.
    std::vector<const TRgbImage*> all{&full};
    for (const TRgbImage& scene : scenes) {
        all.push_back(&scene);
    }
    const TGifPalette colours = BuildGifPalette(all);
    DitherToPalette(full, colours);
    std::vector<TRgbImage> hello;
    for (TRgbImage& scene : scenes) {
        DitherToPalette(scene, colours);
        hello.push_back(CropImage(scene, HelloX, HelloY, HelloWidth, HelloHeight));
    }
    const TRgbImage& back = scenes[0];
    TRgbImage emptyBar = CropImage(back, BarX, BarY, BarWidth, BarHeight);
    TRgbImage fullBar = CropImage(full, BarX, BarY, BarWidth, BarHeight);
    WriteGif(context, "gfx/1stTimeInit/back.gif", {back}, colours);
    WriteGif(context, "gfx/1stTimeInit/hello.gif", hello, colours, 10);
    WriteGif(context, "gfx/1stTimeInit/ProgressEmpty1033.gif", {emptyBar}, colours);
    WriteGif(context, "gfx/1stTimeInit/ProgressFill1033.gif", {fullBar}, colours);
}

} // namespace artgen
