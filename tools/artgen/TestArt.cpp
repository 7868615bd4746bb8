// The pictures of the render test scene: a glossy ball and a ring with soft alpha, a keyed
// picture on magenta, a coin animation strip and a panorama wider than one atlas texture.

#include "ArtGenerator.h"
#include "ArtPalette.h"

#include <cmath>

namespace artgen {

namespace {

// The light of the whole art comes from the upper left.
void GlossyBall(cairo_t* cr, double cx, double cy, double r, double red, double green, double blue) {
    cairo_pattern_t* body = cairo_pattern_create_radial(cx - r * 0.35, cy - r * 0.4, r * 0.1, cx, cy, r);
    cairo_pattern_add_color_stop_rgb(body, 0.0, std::fmin(1.0, red + 0.45), std::fmin(1.0, green + 0.45),
                                     std::fmin(1.0, blue + 0.45));
    cairo_pattern_add_color_stop_rgb(body, 0.55, red, green, blue);
    cairo_pattern_add_color_stop_rgb(body, 1.0, red * 0.35, green * 0.35, blue * 0.35);
    cairo_arc(cr, cx, cy, r, 0, 2 * Pi);
    cairo_set_source(cr, body);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
    cairo_pattern_t* gloss = cairo_pattern_create_linear(cx, cy - r, cx, cy);
    cairo_pattern_add_color_stop_rgba(gloss, 0.0, 1, 1, 1, 0.75);
    cairo_pattern_add_color_stop_rgba(gloss, 1.0, 1, 1, 1, 0.0);
    cairo_save(cr);
    cairo_translate(cr, cx, cy - r * 0.45);
    cairo_scale(cr, r * 0.6, r * 0.38);
    cairo_arc(cr, 0, 0, 1, 0, 2 * Pi);
    cairo_restore(cr);
    cairo_set_source(cr, gloss);
    cairo_fill(cr);
    cairo_pattern_destroy(gloss);
}

void Ball(TArtContext& context) {
    cairo_surface_t* surface = NewSurface(64, 64);
    cairo_t* cr = cairo_create(surface);
    GlossyBall(cr, 32, 32, 29, 0.15, 0.45, 0.85);
    cairo_destroy(cr);
    SavePng(context, "gfx/test/ball.png", surface);
}

void Ring(TArtContext& context) {
    cairo_surface_t* surface = NewSurface(64, 64);
    cairo_t* cr = cairo_create(surface);
    cairo_set_line_width(cr, 9);
    cairo_pattern_t* gold = cairo_pattern_create_linear(0, 0, 64, 64);
    cairo_pattern_add_color_stop_rgb(gold, 0.0, 1.0, 0.93, 0.55);
    cairo_pattern_add_color_stop_rgb(gold, 1.0, 0.75, 0.5, 0.1);
    cairo_arc(cr, 32, 32, 24, 0, 2 * Pi);
    cairo_set_source(cr, gold);
    cairo_stroke(cr);
    cairo_pattern_destroy(gold);
    cairo_destroy(cr);
    SavePng(context, "gfx/test/ring.png", surface);
}

// No alpha channel: the magenta around the shape is the colour key.
void Keyed(TArtContext& context) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 64, 64);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 0, 1);
    cairo_paint(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_move_to(cr, 32, 4);
    cairo_line_to(cr, 60, 60);
    cairo_line_to(cr, 4, 60);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.2, 0.7, 0.3);
    cairo_fill(cr);
    cairo_destroy(cr);
    SavePng(context, "gfx/test/keyed.png", surface);
}

// Eight frames of a turning coin side by side; the name gives the frame count.
void Coin(TArtContext& context) {
    const int frame = 32;
    cairo_surface_t* surface = NewSurface(frame * 8, frame);
    cairo_t* cr = cairo_create(surface);
    for (int i = 0; i < 8; ++i) {
        double squeeze = std::fabs(std::cos(i * Pi / 8));
        cairo_save(cr);
        cairo_translate(cr, i * frame + frame / 2.0, frame / 2.0);
        cairo_scale(cr, std::fmax(0.12, squeeze), 1.0);
        cairo_arc(cr, 0, 0, 13, 0, 2 * Pi);
        cairo_restore(cr);
        cairo_set_source_rgb(cr, 0.95, 0.75, 0.2);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.55, 0.35, 0.05);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    SavePng(context, "gfx/test/coin.8.png", surface);
}

// Wider than the largest atlas texture, so it is drawn in several fragments.
void Panorama(TArtContext& context) {
    const int width = 1400;
    const int height = 180;
    cairo_surface_t* surface = NewSurface(width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, height);
    cairo_pattern_add_color_stop_rgb(sky, 0.0, 0.16, 0.3, 0.6);
    cairo_pattern_add_color_stop_rgb(sky, 1.0, 0.95, 0.75, 0.5);
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);
    for (int layer = 0; layer < 3; ++layer) {
        cairo_move_to(cr, 0, height);
        for (int x = 0; x <= width; x += 10) {
            double y =
                height * (0.55 + 0.12 * layer) + 18 * std::sin(x * (0.006 + layer * 0.004) + layer * 1.7);
            cairo_line_to(cr, x, y);
        }
        cairo_line_to(cr, width, height);
        cairo_close_path(cr);
        double shade = 0.45 - layer * 0.12;
        cairo_set_source_rgb(cr, shade * 0.6, shade, shade * 0.55);
        cairo_fill(cr);
    }
    // Markers every 200 pixels show where fragments meet.
    for (int x = 0; x < width; x += 200) {
        cairo_rectangle(cr, x, 8, 4, 20);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    SavePng(context, "gfx/test/panorama.png", surface);
}

} // namespace

void DrawTestArt(TArtContext& context) {
    Ball(context);
    Ring(context);
    Keyed(context);
    Coin(context);
    Panorama(context);
}

} // namespace artgen
