// The pieces of the interface: buttons in their four states, dialog frame and panel, bars,
// check boxes, scroll bar parts, the edit box and the software cursor. Every piece is raised or
// sunk under the one light from the upper left and carries its own soft shadow inside its
// picture, so widgets can place them without adding anything.

#include "ArtGenerator.h"
#include "ArtPalette.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace artgen {

namespace {

using TPath = std::function<void(cairo_t*)>;

// Disabled pieces keep their lightness but lose their colour.
TColor Greyed(const TColor& c) {
    double grey = 0.3 * c.R + 0.59 * c.G + 0.11 * c.B;
    return Mix(c, {grey, grey, grey}, 0.85);
}

void SetVertical(cairo_t* cr, double y0, double y1, const TColor& top, const TColor& bottom) {
    cairo_pattern_t* pattern = VerticalGradient(y0, y1, top, bottom);
    cairo_set_source(cr, pattern);
    cairo_pattern_destroy(pattern);
}

// Three box passes come close enough to a Gaussian for shadows a few pixels wide.
void BlurMask(cairo_surface_t* mask, int radius) {
    if (radius <= 0) {
        return;
    }
    cairo_surface_flush(mask);
    const int width = cairo_image_surface_get_width(mask);
    const int height = cairo_image_surface_get_height(mask);
    const int stride = cairo_image_surface_get_stride(mask);
    unsigned char* data = cairo_image_surface_get_data(mask);
    std::vector<double> values(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            values[static_cast<size_t>(y) * width + x] = data[y * stride + x];
        }
    }
    std::vector<double> scratch(values.size());
    const double span = 2.0 * radius + 1.0;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                double sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    int xx = x + k;
                    if (xx >= 0 && xx < width) {
                        sum += values[static_cast<size_t>(y) * width + xx];
                    }
                }
                scratch[static_cast<size_t>(y) * width + x] = sum / span;
            }
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                double sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    int yy = y + k;
                    if (yy >= 0 && yy < height) {
                        sum += scratch[static_cast<size_t>(yy) * width + x];
                    }
                }
                values[static_cast<size_t>(y) * width + x] = sum / span;
            }
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            data[y * stride + x] = static_cast<unsigned char>(
                std::lround(std::clamp(values[static_cast<size_t>(y) * width + x], 0.0, 255.0)));
        }
    }
    cairo_surface_mark_dirty(mask);
}

cairo_surface_t* ShapeMask(cairo_t* cr, const TPath& path, bool inverted) {
    cairo_surface_t* target = cairo_get_target(cr);
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, cairo_image_surface_get_width(target),
                                                       cairo_image_surface_get_height(target));
    cairo_t* m = cairo_create(mask);
    if (inverted) {
        cairo_paint(m);
        cairo_set_operator(m, CAIRO_OPERATOR_CLEAR);
    }
    path(m);
    cairo_fill(m);
    cairo_destroy(m);
    return mask;
}

// The shape's shadow on what lies below it, cast down and to the right.
void DropShadow(cairo_t* cr, const TPath& path, double dx, double dy, int blur, double alpha) {
    cairo_surface_t* mask = ShapeMask(cr, path, false);
    BlurMask(mask, blur);
    SetColor(cr, palette::Ink, alpha);
    cairo_mask_surface(cr, mask, dx, dy);
    cairo_surface_destroy(mask);
}

// The shadow that the rim of a hollow casts into it: dark along the upper and left edges.
void InnerShadow(cairo_t* cr, const TPath& path, double dx, double dy, int blur, double alpha) {
    cairo_surface_t* mask = ShapeMask(cr, path, true);
    BlurMask(mask, blur);
    cairo_save(cr);
    path(cr);
    cairo_clip(cr);
    SetColor(cr, palette::Ink, alpha);
    cairo_mask_surface(cr, mask, dx, dy);
    cairo_restore(cr);
    cairo_surface_destroy(mask);
}

// A bevel along the inside of a shape: light on its upper-left edges, dark on its lower-right.
void Bevel(cairo_t* cr, const TPath& path, double x, double y, double w, double h, double width, double light,
           double dark) {
    cairo_save(cr);
    path(cr);
    cairo_clip(cr);
    cairo_pattern_t* pattern = cairo_pattern_create_linear(x, y, x + w * 0.35, y + h);
    cairo_pattern_add_color_stop_rgba(pattern, 0.0, 1, 1, 1, light);
    cairo_pattern_add_color_stop_rgba(pattern, 0.5, 1, 1, 1, 0);
    cairo_pattern_add_color_stop_rgba(pattern, 0.5, palette::Ink.R, palette::Ink.G, palette::Ink.B, 0);
    cairo_pattern_add_color_stop_rgba(pattern, 1.0, palette::Ink.R, palette::Ink.G, palette::Ink.B, dark);
    path(cr);
    cairo_set_line_width(cr, width * 2);
    cairo_set_source(cr, pattern);
    cairo_stroke(cr);
    cairo_pattern_destroy(pattern);
    cairo_restore(cr);
}

void Outline(cairo_t* cr, const TPath& path, double width, double alpha) {
    path(cr);
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetColor(cr, palette::Ink, alpha);
    cairo_stroke(cr);
}

TPath Rounded(double x, double y, double w, double h, double r) {
    return [=](cairo_t* cr) { RoundedRect(cr, x, y, w, h, r); };
}

// A soft sheen over the upper part of a raised face.
void Gloss(cairo_t* cr, double x, double y, double w, double h, double r, double alpha) {
    cairo_pattern_t* sheen = cairo_pattern_create_linear(0, y, 0, y + h);
    cairo_pattern_add_color_stop_rgba(sheen, 0.0, 1, 1, 1, alpha);
    cairo_pattern_add_color_stop_rgba(sheen, 1.0, 1, 1, 1, alpha * 0.1);
    RoundedRect(cr, x, y, w, h, r);
    cairo_set_source(cr, sheen);
    cairo_fill(cr);
    cairo_pattern_destroy(sheen);
}

// A grain of specks so that stone and paper do not look like flat plastic; the sequence is
// fixed, so the grain is the same on every run.
void Grain(cairo_t* cr, const TPath& area, double x, double y, double w, double h, int count, double alpha,
           unsigned seed) {
    cairo_save(cr);
    area(cr);
    cairo_clip(cr);
    unsigned state = seed;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / static_cast<double>(1u << 24);
    };
    for (int i = 0; i < count; ++i) {
        double px = x + next() * w;
        double py = y + next() * h;
        double size = 0.5 + next() * 1.1;
        bool dark = next() < 0.6;
        cairo_arc(cr, px, py, size, 0, 2 * Pi);
        if (dark) {
            SetColor(cr, palette::Ink, alpha * (0.5 + next()));
        } else {
            cairo_set_source_rgba(cr, 1, 1, 1, alpha * (0.5 + next()));
        }
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void Rivet(cairo_t* cr, double cx, double cy, double r) {
    cairo_arc(cr, cx + 0.6, cy + 0.6, r + 0.4, 0, 2 * Pi);
    SetColor(cr, palette::Ink, 0.45);
    cairo_fill(cr);
    cairo_pattern_t* body = cairo_pattern_create_radial(cx - r * 0.4, cy - r * 0.4, r * 0.1, cx, cy, r);
    cairo_pattern_add_color_stop_rgb(body, 0.0, 1.0, 0.95, 0.75);
    cairo_pattern_add_color_stop_rgb(body, 0.5, palette::BrassLight.R, palette::BrassLight.G,
                                     palette::BrassLight.B);
    cairo_pattern_add_color_stop_rgb(body, 1.0, palette::BrassDark.R, palette::BrassDark.G,
                                     palette::BrassDark.B);
    cairo_arc(cr, cx, cy, r, 0, 2 * Pi);
    cairo_set_source(cr, body);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
}

enum class EState { Normal, Hover, Pressed, Disabled };

// A teal button in a brass rim. Pressed, it sinks: one pixel down and right, a darker face lit
// from below and the rim's shadow on its upper edge.
void DrawButton(cairo_t* cr, double x, double y, double w, double h, EState state) {
    const double r = 6;
    const bool pressed = state == EState::Pressed;
    const bool disabled = state == EState::Disabled;
    if (pressed) {
        x += 1;
        y += 1;
    }
    TColor rimTop = palette::BrassLight;
    TColor rimBottom = palette::BrassDark;
    TColor faceTop = palette::TealLight;
    TColor faceBottom = palette::TealDark;
    if (state == EState::Hover) {
        rimTop = Mix(palette::BrassLight, palette::Parchment, 0.35);
        faceTop = Mix(palette::TealLight, palette::SeaGlass, 0.35);
        faceBottom = Mix(palette::TealDark, palette::TealLight, 0.45);
    } else if (pressed) {
        rimTop = Mix(palette::BrassDark, palette::BrassLight, 0.4);
        rimBottom = Mix(palette::BrassDark, palette::Ink, 0.2);
        faceTop = Mix(palette::TealDark, palette::Night, 0.45);
        faceBottom = Mix(palette::TealDark, palette::TealLight, 0.25);
    } else if (disabled) {
        rimTop = Greyed(Mix(palette::BrassLight, palette::Parchment, 0.2));
        rimBottom = Greyed(palette::BrassDark);
        faceTop = Greyed(Mix(palette::TealLight, palette::Parchment, 0.25));
        faceBottom = Greyed(palette::TealDark);
    }
    TPath body = Rounded(x, y, w, h, r);
    if (pressed) {
        DropShadow(cr, body, 0.5, 0.5, 1, 0.3);
    } else {
        DropShadow(cr, body, ShadowOffsetX, ShadowOffsetY, 1, disabled ? 0.2 : ShadowAlpha + 0.1);
    }
    body(cr);
    SetVertical(cr, y, y + h, rimTop, rimBottom);
    cairo_fill(cr);
    Bevel(cr, body, x, y, w, h, 1.2, pressed ? 0.15 : 0.55, 0.3);

    const double inset = 3;
    TPath face = Rounded(x + inset, y + inset, w - 2 * inset, h - 2 * inset, r - 2);
    face(cr);
    SetVertical(cr, y + inset, y + h - inset, faceTop, faceBottom);
    cairo_fill(cr);
    if (pressed) {
        InnerShadow(cr, face, 1.5, 1.5, 1, 0.65);
    } else {
        Gloss(cr, x + inset + 1.5, y + inset + 1, w - 2 * inset - 3, (h - 2 * inset) * 0.45, r - 3,
              disabled ? 0.18 : 0.38);
        Bevel(cr, face, x + inset, y + inset, w - 2 * inset, h - 2 * inset, 1.0, 0.0, disabled ? 0.15 : 0.3);
    }
    if (state == EState::Hover) {
        TPath glow = Rounded(x + inset + 1, y + inset + 1, w - 2 * inset - 2, h - 2 * inset - 2, r - 3);
        glow(cr);
        cairo_set_line_width(cr, 1.2);
        SetColor(cr, palette::SeaGlass, 0.8);
        cairo_stroke(cr);
    }
    Outline(cr, face, 1.0, disabled ? 0.35 : 0.6);
    Outline(cr, Rounded(x + 0.5, y + 0.5, w - 1, h - 1, r - 0.5), 1.0, disabled ? 0.55 : 0.9);
}

void Buttons(TArtContext& context, const std::string& prefix, int width, int height) {
    const struct {
        EState State;
        const char* Name;
    } states[] = {{EState::Normal, "Normal"},
                  {EState::Hover, "Hover"},
                  {EState::Pressed, "Pressed"},
                  {EState::Disabled, "Disabled"}};
    for (const auto& entry : states) {
        cairo_surface_t* surface = NewSurface(width, height);
        cairo_t* cr = cairo_create(surface);
        // Three pixels at the right and bottom hold the shadow and the pressed shift.
        DrawButton(cr, 0, 0, width - 3, height - 3, entry.State);
        cairo_destroy(cr);
        SavePng(context, "gfx/interface/" + prefix + entry.Name + ".png", surface);
    }
}

// A sandstone frame around a parchment field: the frame's inner edge is cut at a slant down to
// the field, so its upper and left faces turn away from the light and its lower and right faces
// catch it. Dialogs add a brass inlay; panels, laid over the scene, let it show through a little.
struct TFrameLook {
    double Border;
    double Chamfer;
    bool Inlay;
    double FieldAlpha;
    unsigned Seed;
};

void DrawFrame(cairo_t* cr, double x, double y, double w, double h, const TFrameLook& look) {
    const double r = 12;
    const double border = look.Border;
    TPath outer = Rounded(x, y, w, h, r);
    DropShadow(cr, outer, ShadowOffsetX + 0.5, ShadowOffsetY + 0.5, 2, ShadowAlpha + 0.15);
    outer(cr);
    SetVertical(cr, y, y + h, palette::SandLight, palette::SandDark);
    cairo_fill(cr);
    Grain(cr, outer, x, y, w, h, static_cast<int>((w + h) * 3), 0.07, look.Seed);
    Bevel(cr, outer, x, y, w, h, 2.0, 0.7, 0.35);

    if (look.Inlay) {
        // A brass inlay in a dark cut, halfway between the outer edge and the slant.
        const double groove = (border - look.Chamfer) * 0.5;
        TPath inlay = Rounded(x + groove, y + groove, w - 2 * groove, h - 2 * groove, r - groove * 0.6);
        inlay(cr);
        cairo_set_line_width(cr, 3.0);
        SetColor(cr, palette::Ink, 0.55);
        cairo_stroke(cr);
        inlay(cr);
        cairo_set_line_width(cr, 1.6);
        cairo_pattern_t* brass = cairo_pattern_create_linear(x, y, x + w * 0.3, y + h);
        cairo_pattern_add_color_stop_rgb(brass, 0.0, 1.0, 0.9, 0.6);
        cairo_pattern_add_color_stop_rgb(brass, 0.5, palette::BrassLight.R, palette::BrassLight.G,
                                         palette::BrassLight.B);
        cairo_pattern_add_color_stop_rgb(brass, 1.0, palette::BrassDark.R, palette::BrassDark.G,
                                         palette::BrassDark.B);
        cairo_set_source(cr, brass);
        cairo_stroke(cr);
        cairo_pattern_destroy(brass);
    }

    const double ir = std::max(4.0, r - border * 0.6);
    const double cut = border - look.Chamfer;
    TPath slant = Rounded(x + cut, y + cut, w - 2 * cut, h - 2 * cut, ir + look.Chamfer * 0.6);
    slant(cr);
    SetColor(cr, Mix(palette::SandDark, palette::Ink, 0.3));
    cairo_fill(cr);
    // The lit half: below the diagonals through the lower-left and upper-right corners.
    cairo_save(cr);
    slant(cr);
    cairo_clip(cr);
    cairo_move_to(cr, x + w, y);
    cairo_line_to(cr, x + w - border - 8, y + border + 8);
    cairo_line_to(cr, x + border + 8, y + h - border - 8);
    cairo_line_to(cr, x, y + h);
    cairo_line_to(cr, x + w, y + h);
    cairo_close_path(cr);
    SetColor(cr, Mix(palette::SandLight, palette::Parchment, 0.4));
    cairo_fill(cr);
    cairo_restore(cr);
    Outline(cr, slant, 1.0, 0.45);

    TPath field = Rounded(x + border, y + border, w - 2 * border, h - 2 * border, ir);
    // One even tone: the middle of the frame is repeated to fill larger panels and dialogs, and
    // a gradient there would show a step at every repeat.
    TColor paper = Mix(palette::Parchment, palette::SandLight, 0.3);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    field(cr);
    cairo_set_source_rgba(cr, paper.R, paper.G, paper.B, look.FieldAlpha);
    cairo_fill(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    Grain(cr, field, x + border, y + border, w - 2 * border, h - 2 * border, static_cast<int>((w + h) * 1.5),
          0.025, look.Seed + 7);
    InnerShadow(cr, field, 2.0, 2.0, 2, 0.5);
    field(cr);
    cairo_set_line_width(cr, 1.0);
    SetColor(cr, palette::Ink, 0.6);
    cairo_stroke(cr);
    Outline(cr, Rounded(x + 0.5, y + 0.5, w - 1, h - 1, r - 0.5), 1.2, 0.9);
}

void DialogFrame(TArtContext& context) {
    const int width = 400;
    const int height = 300;
    cairo_surface_t* surface = NewSurface(width, height);
    cairo_t* cr = cairo_create(surface);
    const TFrameLook look{18, 5, true, 1.0, 11};
    DrawFrame(cr, 1, 1, width - 5, height - 5, look);
    const double inset = (look.Border - look.Chamfer) * 0.5;
    // The rivets sit on the inlay where it turns the corners.
    const double corner = inset + (12 - inset * 0.6) * (1 - std::sqrt(0.5));
    Rivet(cr, 1 + corner, 1 + corner, 3.0);
    Rivet(cr, width - 4 - corner, 1 + corner, 3.0);
    Rivet(cr, 1 + corner, height - 4 - corner, 3.0);
    Rivet(cr, width - 4 - corner, height - 4 - corner, 3.0);
    cairo_destroy(cr);
    SavePng(context, "gfx/interface/DialogFrame.png", surface);
}

void PanelBack(TArtContext& context) {
    const int width = 320;
    const int height = 220;
    cairo_surface_t* surface = NewSurface(width, height);
    cairo_t* cr = cairo_create(surface);
    DrawFrame(cr, 1, 1, width - 5, height - 5, {9, 3, false, 0.9, 23});
    cairo_destroy(cr);
    SavePng(context, "gfx/interface/PanelBack.png", surface);
}

// Both bars share one outline, so the full bar can be cut to any length over the empty one.
void Bar(TArtContext& context, bool full) {
    const int width = 300;
    const int height = 24;
    cairo_surface_t* surface = NewSurface(width, height);
    cairo_t* cr = cairo_create(surface);
    const double x = 1, y = 1, w = width - 4, h = height - 4, r = 8;
    TPath body = Rounded(x, y, w, h, r);
    DropShadow(cr, body, ShadowOffsetX, ShadowOffsetY, 1, ShadowAlpha);
    body(cr);
    SetVertical(cr, y, y + h, palette::BrassLight, palette::BrassDark);
    cairo_fill(cr);
    Bevel(cr, body, x, y, w, h, 1.0, 0.5, 0.3);

    const double inset = 3;
    TPath channel = Rounded(x + inset, y + inset, w - 2 * inset, h - 2 * inset, r - 2.5);
    channel(cr);
    if (full) {
        cairo_pattern_t* fill = cairo_pattern_create_linear(0, y + inset, 0, y + h - inset);
        cairo_pattern_add_color_stop_rgb(fill, 0.0, 1.0, 0.88, 0.55);
        cairo_pattern_add_color_stop_rgb(fill, 0.45, palette::BrassLight.R, palette::BrassLight.G,
                                         palette::BrassLight.B);
        cairo_pattern_add_color_stop_rgb(fill, 1.0, palette::BrassDark.R, palette::BrassDark.G,
                                         palette::BrassDark.B);
        cairo_set_source(cr, fill);
        cairo_fill(cr);
        cairo_pattern_destroy(fill);
        // Slanted bands give the fill a sense of movement along the bar.
        cairo_save(cr);
        channel(cr);
        cairo_clip(cr);
        SlantedBands(cr, x, y, w, h);
        cairo_restore(cr);
        Gloss(cr, x + inset + 2, y + inset + 1, w - 2 * inset - 4, (h - 2 * inset) * 0.4, 3, 0.55);
        InnerShadow(cr, channel, 1.0, 1.0, 1, 0.35);
    } else {
        SetVertical(cr, y + inset, y + h - inset, Mix(palette::Night, palette::Ink, 0.4),
                    Mix(palette::TealDark, palette::Night, 0.45));
        cairo_fill(cr);
        InnerShadow(cr, channel, 1.5, 1.5, 1, 0.8);
    }
    Outline(cr, channel, 1.0, 0.7);
    Outline(cr, Rounded(x + 0.5, y + 0.5, w - 1, h - 1, r - 0.5), 1.0, 0.9);
    cairo_destroy(cr);
    SavePng(context, full ? "gfx/interface/BarFull.png" : "gfx/interface/BarEmpty.png", surface);
}

void DrawCheckMark(cairo_t* cr, double x, double y, double s) {
    auto path = [&]() {
        cairo_move_to(cr, x + s * 0.22, y + s * 0.52);
        cairo_line_to(cr, x + s * 0.42, y + s * 0.74);
        cairo_line_to(cr, x + s * 0.80, y + s * 0.22);
    };
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_save(cr);
    cairo_translate(cr, ShadowOffsetX * 0.7, ShadowOffsetY * 0.7);
    path();
    cairo_restore(cr);
    cairo_set_line_width(cr, s * 0.2);
    SetColor(cr, palette::Ink, 0.3);
    cairo_stroke(cr);
    path();
    cairo_set_line_width(cr, s * 0.2);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);
    path();
    cairo_set_line_width(cr, s * 0.12);
    SetVertical(cr, y + s * 0.2, y + s * 0.75, palette::SeaGlass, palette::TealLight);
    cairo_stroke(cr);
}

// A sunk parchment well in a sandstone rim; hovered, the rim glows sea glass.
void CheckBox(TArtContext& context, bool on, bool hover) {
    const int size = 28;
    cairo_surface_t* surface = NewSurface(size, size);
    cairo_t* cr = cairo_create(surface);
    const double x = 1, y = 1, s = size - 4, r = 5;
    TPath body = Rounded(x, y, s, s, r);
    DropShadow(cr, body, ShadowOffsetX, ShadowOffsetY, 1, ShadowAlpha);
    body(cr);
    SetVertical(cr, y, y + s, hover ? Mix(palette::SandLight, palette::SeaGlass, 0.5) : palette::SandLight,
                hover ? Mix(palette::SandDark, palette::SeaGlass, 0.4) : palette::SandDark);
    cairo_fill(cr);
    Bevel(cr, body, x, y, s, s, 1.0, 0.6, 0.3);
    const double inset = 3.5;
    TPath well = Rounded(x + inset, y + inset, s - 2 * inset, s - 2 * inset, 3);
    well(cr);
    SetVertical(cr, y + inset, y + s - inset, Mix(palette::Parchment, palette::SandLight, 0.6),
                hover ? Mix(palette::Parchment, palette::SeaGlass, 0.25) : palette::Parchment);
    cairo_fill(cr);
    InnerShadow(cr, well, 1.5, 1.5, 1, 0.55);
    Outline(cr, well, 1.0, 0.6);
    if (hover) {
        RoundedRect(cr, x + 1.5, y + 1.5, s - 3, s - 3, r - 1.2);
        cairo_set_line_width(cr, 1.2);
        SetColor(cr, palette::SeaGlass, 0.9);
        cairo_stroke(cr);
    }
    Outline(cr, Rounded(x + 0.5, y + 0.5, s - 1, s - 1, r - 0.5), 1.0, 0.9);
    if (on) {
        DrawCheckMark(cr, x + 1, y, s - 1);
    }
    cairo_destroy(cr);
    std::string name =
        std::string("gfx/interface/CheckBox") + (on ? "On" : "Off") + (hover ? "Hover" : "") + ".png";
    SavePng(context, name, surface);
}

// The channel the thumb runs in, lit like the empty bar.
void ScrollTrack(TArtContext& context) {
    const int width = 24;
    const int height = 200;
    cairo_surface_t* surface = NewSurface(width, height);
    cairo_t* cr = cairo_create(surface);
    const double x = 4, y = 1, w = 15, h = height - 4, r = 7.5;
    // The rim is lit across, from the left: along its length there is nothing to shade.
    TPath body = Rounded(x - 2.5, y, w + 5, h, r + 2.5);
    DropShadow(cr, body, ShadowOffsetX, ShadowOffsetY, 1, ShadowAlpha);
    body(cr);
    cairo_pattern_t* rim = cairo_pattern_create_linear(x - 2.5, 0, x + w + 2.5, 0);
    cairo_pattern_add_color_stop_rgb(rim, 0.0, palette::BrassLight.R, palette::BrassLight.G,
                                     palette::BrassLight.B);
    cairo_pattern_add_color_stop_rgb(rim, 1.0, palette::BrassDark.R, palette::BrassDark.G,
                                     palette::BrassDark.B);
    cairo_set_source(cr, rim);
    cairo_fill(cr);
    cairo_pattern_destroy(rim);
    TPath channel = Rounded(x, y + 2.5, w, h - 5, r);
    channel(cr);
    cairo_pattern_t* fill = cairo_pattern_create_linear(x, 0, x + w, 0);
    TColor deep = Mix(palette::Night, palette::Ink, 0.4);
    TColor lit = Mix(palette::TealDark, palette::Night, 0.4);
    cairo_pattern_add_color_stop_rgb(fill, 0.0, deep.R, deep.G, deep.B);
    cairo_pattern_add_color_stop_rgb(fill, 1.0, lit.R, lit.G, lit.B);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
    InnerShadow(cr, channel, 1.5, 1.5, 1, 0.8);
    Outline(cr, channel, 1.0, 0.7);
    Outline(cr, Rounded(x - 2, y + 0.5, w + 4, h - 1, r + 2), 1.0, 0.9);
    cairo_destroy(cr);
    SavePng(context, "gfx/interface/ScrollTrack.png", surface);
}

// The names of the pieces drawn in each state of a scroll bar's parts.
const char* StateSuffix(EState state) {
    switch (state) {
    case EState::Hover:
        return "Hover";
    case EState::Pressed:
        return "Pressed";
    case EState::Disabled:
        return "Disabled";
    default:
        return "";
    }
}

// Under the pointer the thumb's face brightens towards sea glass; held, it sinks a pixel and
// darkens like a pressed button.
void ScrollThumb(TArtContext& context, EState state) {
    const int width = 24;
    const int height = 48;
    cairo_surface_t* surface = NewSurface(width, height);
    cairo_t* cr = cairo_create(surface);
    const bool pressed = state == EState::Pressed;
    const double x = pressed ? 3.5 : 2.5, y = pressed ? 2 : 1, w = 18, h = height - 4, r = 7;
    TColor faceTop = palette::TealLight;
    TColor faceBottom = palette::TealDark;
    if (state == EState::Hover) {
        faceTop = Mix(palette::TealLight, palette::SeaGlass, 0.45);
        faceBottom = Mix(palette::TealDark, palette::TealLight, 0.45);
    } else if (pressed) {
        faceTop = Mix(palette::TealDark, palette::Night, 0.4);
        faceBottom = Mix(palette::TealDark, palette::TealLight, 0.2);
    }
    TPath body = Rounded(x, y, w, h, r);
    if (pressed) {
        DropShadow(cr, body, 0.5, 0.5, 1, 0.3);
    } else {
        DropShadow(cr, body, ShadowOffsetX, ShadowOffsetY, 1, ShadowAlpha + 0.1);
    }
    body(cr);
    SetVertical(cr, y, y + h, palette::BrassLight, palette::BrassDark);
    cairo_fill(cr);
    Bevel(cr, body, x, y, w, h, 1.0, 0.55, 0.3);
    const double inset = 2.5;
    TPath face = Rounded(x + inset, y + inset, w - 2 * inset, h - 2 * inset, r - 2);
    face(cr);
    cairo_pattern_t* fill = cairo_pattern_create_linear(x, y, x + w, y + h * 0.4);
    cairo_pattern_add_color_stop_rgb(fill, 0.0, faceTop.R, faceTop.G, faceTop.B);
    cairo_pattern_add_color_stop_rgb(fill, 1.0, faceBottom.R, faceBottom.G, faceBottom.B);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
    Gloss(cr, x + inset + 1, y + inset + 1, (w - 2 * inset) * 0.45, h - 2 * inset - 2, 3, 0.3);
    // Grip ridges: a cut line with a lit line under it.
    for (int i = -1; i <= 1; ++i) {
        double gy = std::round(y + h / 2 + i * 5) + 0.5;
        cairo_move_to(cr, x + 6, gy);
        cairo_line_to(cr, x + w - 6, gy);
        SetColor(cr, palette::Ink, 0.7);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        cairo_move_to(cr, x + 6, gy + 1);
        cairo_line_to(cr, x + w - 6, gy + 1);
        SetColor(cr, palette::SeaGlass, 0.7);
        cairo_stroke(cr);
    }
    Outline(cr, face, 1.0, 0.55);
    Outline(cr, Rounded(x + 0.5, y + 0.5, w - 1, h - 1, r - 0.5), 1.0, 0.9);
    cairo_destroy(cr);
    SavePng(context, std::string("gfx/interface/ScrollThumb") + StateSuffix(state) + ".png", surface);
}

void ScrollArrow(TArtContext& context, bool up, EState state) {
    const int size = 24;
    cairo_surface_t* surface = NewSurface(size, size);
    cairo_t* cr = cairo_create(surface);
    DrawButton(cr, 0, 0, size - 3, size - 3, state);
    // The arrow sinks with the button's face.
    const double shift = state == EState::Pressed ? 1.0 : 0.0;
    const double cx = (size - 3) / 2.0 + shift;
    const double cy = (size - 3) / 2.0 + (up ? -0.5 : 0.5) + shift;
    const double s = 5.0;
    auto arrow = [&](double dx, double dy) {
        double dir = up ? -1 : 1;
        cairo_move_to(cr, cx + dx, cy + dy + dir * s * 0.8);
        cairo_line_to(cr, cx + dx + s, cy + dy - dir * s * 0.55);
        cairo_line_to(cr, cx + dx - s, cy + dy - dir * s * 0.55);
        cairo_close_path(cr);
    };
    arrow(ShadowOffsetX * 0.6, ShadowOffsetY * 0.6);
    SetColor(cr, palette::Ink, 0.35);
    cairo_fill(cr);
    arrow(0, 0);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 2.0);
    SetColor(cr, palette::Ink);
    cairo_stroke_preserve(cr);
    SetVertical(cr, cy - s, cy + s, palette::Parchment, palette::SandLight);
    cairo_fill(cr);
    cairo_destroy(cr);
    SavePng(context, std::string("gfx/interface/Scroll") + (up ? "Up" : "Down") + StateSuffix(state) + ".png",
            surface);
}

void EditBox(TArtContext& context) {
    const int width = 240;
    const int height = 32;
    cairo_surface_t* surface = NewSurface(width, height);
    cairo_t* cr = cairo_create(surface);
    const double x = 1, y = 1, w = width - 4, h = height - 4, r = 6;
    TPath body = Rounded(x, y, w, h, r);
    DropShadow(cr, body, ShadowOffsetX, ShadowOffsetY, 1, ShadowAlpha);
    body(cr);
    SetVertical(cr, y, y + h, palette::SandLight, palette::SandDark);
    cairo_fill(cr);
    Bevel(cr, body, x, y, w, h, 1.0, 0.6, 0.3);
    const double inset = 3;
    TPath field = Rounded(x + inset, y + inset, w - 2 * inset, h - 2 * inset, r - 2);
    field(cr);
    SetVertical(cr, y + inset, y + h - inset, Mix(palette::Parchment, palette::SandLight, 0.45),
                palette::Parchment);
    cairo_fill(cr);
    InnerShadow(cr, field, 1.5, 1.5, 1, 0.5);
    Outline(cr, field, 1.0, 0.6);
    Outline(cr, Rounded(x + 0.5, y + 0.5, w - 1, h - 1, r - 0.5), 1.0, 0.9);
    cairo_destroy(cr);
    SavePng(context, "gfx/interface/EditBox.png", surface);
}

// A brass pen nib for an arrow: its point is the hot spot at the top-left corner and its left
// edge runs straight down like the usual arrow's; behind it sits the teal end of the pen holder.
void Cursor(TArtContext& context) {
    const int size = 32;
    cairo_surface_t* surface = NewSurface(size, size);
    cairo_t* cr = cairo_create(surface);
    // The nib is drawn along +y from its point and turned so that its left edge is upright.
    const double slant = std::atan2(7.0, 15.0);
    auto place = [&](cairo_t* target) {
        cairo_translate(target, 1.2, 1.2);
        cairo_rotate(target, -slant);
        cairo_scale(target, 1.2, 1.2);
    };
    auto nib = [&](cairo_t* target) {
        cairo_move_to(target, 0, 0);
        cairo_curve_to(target, 2.5, 5, 6.5, 10, 7, 15);
        cairo_curve_to(target, 7.2, 17, 6.0, 18.5, 5.2, 19.5);
        cairo_line_to(target, 5.4, 22.5);
        cairo_curve_to(target, 3, 23.4, -3, 23.4, -5.4, 22.5);
        cairo_line_to(target, -5.2, 19.5);
        cairo_curve_to(target, -6.0, 18.5, -7.2, 17, -7, 15);
        cairo_curve_to(target, -6.5, 10, -2.5, 5, 0, 0);
        cairo_close_path(target);
    };
    TPath whole = [&](cairo_t* target) {
        cairo_save(target);
        place(target);
        nib(target);
        cairo_restore(target);
    };
    DropShadow(cr, whole, ShadowOffsetX + 0.5, ShadowOffsetY + 0.5, 1, 0.55);

    cairo_save(cr);
    place(cr);
    nib(cr);
    cairo_pattern_t* metal = cairo_pattern_create_linear(-7, 4, 7, 12);
    cairo_pattern_add_color_stop_rgb(metal, 0.0, 1.0, 0.95, 0.72);
    cairo_pattern_add_color_stop_rgb(metal, 0.4, palette::BrassLight.R, palette::BrassLight.G,
                                     palette::BrassLight.B);
    cairo_pattern_add_color_stop_rgb(metal, 1.0, palette::BrassDark.R, palette::BrassDark.G,
                                     palette::BrassDark.B);
    cairo_set_source(cr, metal);
    cairo_fill(cr);
    cairo_pattern_destroy(metal);
    // The holder: the part behind the collar, lacquered teal.
    cairo_save(cr);
    nib(cr);
    cairo_clip(cr);
    cairo_rectangle(cr, -8, 19.6, 16, 5);
    cairo_pattern_t* lacquer = cairo_pattern_create_linear(-6, 0, 6, 0);
    cairo_pattern_add_color_stop_rgb(lacquer, 0.0, palette::SeaGlass.R, palette::SeaGlass.G,
                                     palette::SeaGlass.B);
    cairo_pattern_add_color_stop_rgb(lacquer, 0.45, palette::TealLight.R, palette::TealLight.G,
                                     palette::TealLight.B);
    cairo_pattern_add_color_stop_rgb(lacquer, 1.0, palette::TealDark.R, palette::TealDark.G,
                                     palette::TealDark.B);
    cairo_set_source(cr, lacquer);
    cairo_fill(cr);
    cairo_restore(cr);
    nib(cr);
    cairo_set_line_width(cr, 1.2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);
    // The slit, the breather hole and the collar.
    cairo_move_to(cr, 0, 3.5);
    cairo_line_to(cr, 0, 12.5);
    cairo_set_line_width(cr, 0.9);
    SetColor(cr, palette::Ink, 0.9);
    cairo_stroke(cr);
    cairo_arc(cr, 0, 13.8, 1.4, 0, 2 * Pi);
    SetColor(cr, palette::Ink);
    cairo_fill(cr);
    cairo_move_to(cr, -5.3, 19.6);
    cairo_line_to(cr, 5.3, 19.6);
    cairo_set_line_width(cr, 0.9);
    SetColor(cr, palette::Ink, 0.85);
    cairo_stroke(cr);
    // A glint on the lit shoulder.
    cairo_move_to(cr, -1.2, 4);
    cairo_curve_to(cr, -3, 8, -5, 11, -5.3, 15);
    cairo_set_line_width(cr, 0.9);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_source_rgba(cr, 1, 1, 0.92, 0.85);
    cairo_stroke(cr);
    cairo_restore(cr);
    cairo_destroy(cr);
    SavePng(context, "gfx/stuff/Cursor.png", surface);
}

} // namespace

void DrawInterfaceArt(TArtContext& context) {
    Buttons(context, "Button", 160, 40);
    Buttons(context, "SmallButton", 40, 40);
    DialogFrame(context);
    PanelBack(context);
    Bar(context, false);
    Bar(context, true);
    for (bool on : {false, true}) {
        for (bool hover : {false, true}) {
            CheckBox(context, on, hover);
        }
    }
    ScrollTrack(context);
    for (EState state : {EState::Normal, EState::Hover, EState::Pressed}) {
        ScrollThumb(context, state);
        ScrollArrow(context, true, state);
        ScrollArrow(context, false, state);
    }
    EditBox(context);
    Cursor(context);
}

} // namespace artgen
