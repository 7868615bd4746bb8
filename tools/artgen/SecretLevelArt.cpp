// The announcement of a secret challenge: the soft glow that bursts from the middle of the
// screen and the banner that sweeps in over the board. The banner is a brass title on a night
// ribbon with swallow-tailed ends, lit from the upper left like every title of the game.

#include "ArtGenerator.h"
#include "ArtPalette.h"

#include <string>

namespace artgen {

namespace {

constexpr int BannerWidth = 520;
constexpr int BannerHeight = 96;

// A warm white dot that fades to nothing; tinted by the effect that throws it. Dozens of glows
// are laid over each other, so the falloff is long and soft: a flat disc would add up to a white
// blot.
void GlowDot(cairo_t* cr, int size) {
    const double c = size / 2.0;
    cairo_pattern_t* glow = cairo_pattern_create_radial(c, c, 0, c, c, c);
    const double stops[][2] = {{0.0, 1.0}, {0.12, 0.7}, {0.4, 0.22}, {0.7, 0.06}, {1.0, 0.0}};
    for (const auto& [offset, alpha] : stops) {
        cairo_pattern_add_color_stop_rgba(glow, offset, 1.0, 0.93, 0.75, alpha);
    }
    cairo_set_source(cr, glow);
    cairo_paint(cr);
    cairo_pattern_destroy(glow);
}

// The ribbon: a band with notched ends, a brass rim and a lighter upper half.
void RibbonPath(cairo_t* cr, double x, double y, double w, double h, double notch) {
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x + w, y);
    cairo_line_to(cr, x + w - notch, y + h / 2);
    cairo_line_to(cr, x + w, y + h);
    cairo_line_to(cr, x, y + h);
    cairo_line_to(cr, x + notch, y + h / 2);
    cairo_close_path(cr);
}

void Ribbon(cairo_t* cr) {
    const double x = 6;
    const double y = 14;
    const double w = BannerWidth - 12;
    const double h = BannerHeight - 28;
    RibbonPath(cr, x + ShadowOffsetX * 2, y + ShadowOffsetY * 2, w, h, 26);
    cairo_set_source_rgba(cr, 0, 0, 0, ShadowAlpha);
    cairo_fill(cr);
    RibbonPath(cr, x, y, w, h, 26);
    cairo_pattern_t* band =
        VerticalGradient(y, y + h, Mix(palette::Night, palette::TealDark, 0.7), palette::Night);
    cairo_set_source(cr, band);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(band);
    cairo_pattern_t* rim = BrassPattern(x, y, x + w * 0.3, y + h);
    cairo_set_source(cr, rim);
    cairo_set_line_width(cr, 3.0);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_stroke(cr);
    cairo_pattern_destroy(rim);
}

// The words, centred and narrowed to the ribbon when too wide.
void Title(cairo_t* cr, cairo_font_face_t* face, const std::string& text) {
    cairo_set_font_face(cr, face);
    cairo_set_font_size(cr, 34);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    const double room = BannerWidth - 90;
    const double squeeze = extents.x_advance > room ? room / extents.x_advance : 1.0;
    cairo_save(cr);
    cairo_translate(cr, BannerWidth / 2.0, BannerHeight / 2.0);
    cairo_scale(cr, squeeze, 1.0);
    const double x = -extents.x_advance / 2;
    const double baseline = -(extents.y_bearing + extents.height / 2);
    cairo_move_to(cr, x + ShadowOffsetX / squeeze, baseline + ShadowOffsetY);
    cairo_text_path(cr, text.c_str());
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_fill(cr);
    cairo_move_to(cr, x, baseline);
    cairo_text_path(cr, text.c_str());
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 3.0);
    SetColor(cr, palette::Ink);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* fill = BrassPattern(0, baseline - 26, 0, baseline + 2);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
    cairo_restore(cr);
}

} // namespace

void DrawSecretLevelArt(TArtContext& context) {
    cairo_surface_t* glow = NewSurface(48, 48);
    cairo_t* cr = cairo_create(glow);
    GlowDot(cr, 48);
    cairo_destroy(cr);
    SavePngForAdding(context, "gfx/stuff/Glow.png", glow);

    cairo_font_face_t* bold = LoadFace(context, "DejaVuSans-Bold.ttf", "the secret challenge banner");
    cairo_surface_t* banner = NewSurface(BannerWidth, BannerHeight);
    cr = cairo_create(banner);
    Ribbon(cr);
    Title(cr, bold, "Secret Challenge!");
    cairo_destroy(cr);
    SavePng(context, "gfx/stuff/SecretChallenge.png", banner);
}

} // namespace artgen
