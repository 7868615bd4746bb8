// The specials: each kind is a gem in a square brass bezel (marbles are bare glass, so a special
// reads as "not a marble" by its outline alone) with an emblem of its own in parchment white, and
// a gem colour of its own. Every folder gets the normal, selected, grey and charging looks; the
// kinds whose effects fly sprites get those too, and the chameleon its layers.

#include "GemArt.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace artgen {

namespace {

enum class TEmblem {
    None,
    LineArrows,
    CrossArrows,
    Star,
    DiagonalArrows,
    Plus,
    Hourglass,
    SmallBomb,
    Swirl,
    Spiral,
    Bomb,
    DownArrow,
    Quarters,
    TwoBlocks,
    ColourRing,
    Phantom,
};

struct TLook {
    TColor Light;
    TColor Body;
    TColor Deep;
    TEmblem Emblem;
};

// By folder id (the id of each kind, 1..15).
const TLook Looks[16] = {
    {},
    // 1: line freeze, frost blue, arrows along its row.
    {Rgb(236, 250, 255), Rgb(120, 196, 240), Rgb(30, 84, 150), TEmblem::LineArrows},
    // 2: cross fire, ember red, arrows four ways.
    {Rgb(255, 236, 170), Rgb(240, 110, 40), Rgb(120, 20, 10), TEmblem::CrossArrows},
    // 3: super bonus, violet with a star.
    {Rgb(250, 220, 255), Rgb(170, 90, 220), Rgb(60, 20, 100), TEmblem::Star},
    // 4: time freeze, pale ice with an hourglass.
    {Rgb(240, 255, 255), Rgb(150, 220, 230), Rgb(40, 110, 130), TEmblem::Hourglass},
    // 5: double materials, sandstone with two blocks.
    {Rgb(255, 244, 214), Rgb(214, 170, 100), Rgb(110, 70, 30), TEmblem::TwoBlocks},
    // 6: phantom bonuses, misty lilac with three wisps.
    {Rgb(250, 244, 255), Rgb(196, 180, 226), Rgb(90, 76, 130), TEmblem::Phantom},
    // 7: add scores, gold with a plus.
    {Rgb(255, 250, 200), Rgb(242, 193, 78), Rgb(150, 96, 10), TEmblem::Plus},
    // 8: single-cell bomb, slate with a small bomb.
    {Rgb(200, 214, 230), Rgb(96, 112, 136), Rgb(30, 38, 56), TEmblem::SmallBomb},
    // 9: bomb, deep red with a large bomb.
    {Rgb(255, 190, 170), Rgb(176, 40, 36), Rgb(60, 8, 10), TEmblem::Bomb},
    // 10: colour bomb, night with a ring of every colour.
    {Rgb(120, 140, 180), Rgb(40, 52, 80), Rgb(12, 16, 30), TEmblem::ColourRing},
    // 11: colour change, white with four colour quarters.
    {Rgb(255, 255, 255), Rgb(220, 220, 214), Rgb(120, 120, 110), TEmblem::Quarters},
    // 12: stone drop, basalt grey with an arrow down.
    {Rgb(214, 210, 200), Rgb(130, 124, 114), Rgb(50, 46, 42), TEmblem::DownArrow},
    // 13: diagonal, sea green with arrows on the diagonals.
    {Rgb(220, 255, 230), Rgb(70, 190, 130), Rgb(10, 80, 50), TEmblem::DiagonalArrows},
    // 14: wild chameleon, leaf green with a curled tail.
    {Rgb(226, 255, 190), Rgb(110, 180, 60), Rgb(30, 70, 20), TEmblem::Spiral},
    // 15: teleport, harbour teal with two turning arrows.
    {Rgb(200, 255, 250), Rgb(46, 160, 160), Rgb(16, 70, 80), TEmblem::Swirl},
};

std::string Folder(int id) {
    return "gfx/specials/" + std::to_string(id) + "/";
}

void Arrow(cairo_t* cr, double angle, double reach, double size) {
    const double tx = Centre + reach * std::cos(angle);
    const double ty = Centre + reach * std::sin(angle);
    const double bx = Centre + (reach - size) * std::cos(angle);
    const double by = Centre + (reach - size) * std::sin(angle);
    const double px = -std::sin(angle) * size * 0.7;
    const double py = std::cos(angle) * size * 0.7;
    cairo_move_to(cr, tx, ty);
    cairo_line_to(cr, bx + px, by + py);
    cairo_line_to(cr, bx - px, by - py);
    cairo_close_path(cr);
}

// Parchment white with an ink edge, for every emblem.
void InkEmblem(cairo_t* cr) {
    SetColor(cr, palette::Parchment, 0.95);
    cairo_fill_preserve(cr);
    SetColor(cr, palette::Ink, 0.85);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
}

// Shafts from the centre with a head on each, along `count` directions from `first`.
void Arrows(cairo_t* cr, double first, int count) {
    for (int i = 0; i < count; ++i) {
        const double angle = first + i * 2 * Pi / count;
        cairo_save(cr);
        cairo_translate(cr, Centre, Centre);
        cairo_rotate(cr, angle);
        cairo_rectangle(cr, 0, -1.5, 7, 3);
        cairo_restore(cr);
        Arrow(cr, angle, 12, 6);
    }
    InkEmblem(cr);
}

void BombShape(cairo_t* cr, double r) {
    cairo_arc(cr, Centre - 1, Centre + 2, r, 0, 2 * Pi);
    SetColor(cr, palette::Ink, 0.95);
    cairo_fill(cr);
    cairo_arc(cr, Centre - 1 - r / 3, Centre + 2 - r / 3, r / 3, 0, 2 * Pi);
    SetColor(cr, White, 0.6);
    cairo_fill(cr);
    cairo_move_to(cr, Centre - 1 + r * 0.6, Centre + 2 - r * 0.6);
    cairo_curve_to(cr, Centre + r, Centre - r, Centre + r + 2, Centre - r - 3, Centre + r + 4,
                   Centre - r - 2);
    SetColor(cr, palette::Parchment, 0.95);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_arc(cr, Centre + r + 4, Centre - r - 2, 2.2, 0, 2 * Pi);
    SetColor(cr, palette::BrassLight, 1);
    cairo_fill(cr);
}

void DrawEmblem(cairo_t* cr, TEmblem emblem) {
    const double c = Centre;
    switch (emblem) {
    case TEmblem::None:
        break;
    case TEmblem::LineArrows:
        Arrows(cr, 0, 2);
        break;
    case TEmblem::CrossArrows:
        Arrows(cr, 0, 4);
        break;
    case TEmblem::DiagonalArrows:
        Arrows(cr, Pi / 4, 4);
        break;
    case TEmblem::Star:
        for (int i = 0; i < 16; ++i) {
            const double a = -Pi / 2 + i * Pi / 8;
            const double r = i % 2 == 0 ? 10.0 : 4.0;
            (i == 0 ? cairo_move_to : cairo_line_to)(cr, c + r * std::cos(a), c + r * std::sin(a));
        }
        cairo_close_path(cr);
        InkEmblem(cr);
        break;
    case TEmblem::Plus:
        cairo_rectangle(cr, c - 2.5, c - 8, 5, 16);
        cairo_rectangle(cr, c - 8, c - 2.5, 16, 5);
        InkEmblem(cr);
        break;
    case TEmblem::Hourglass:
        cairo_move_to(cr, c - 7, c - 9);
        cairo_line_to(cr, c + 7, c - 9);
        cairo_line_to(cr, c, c);
        cairo_line_to(cr, c + 7, c + 9);
        cairo_line_to(cr, c - 7, c + 9);
        cairo_line_to(cr, c, c);
        cairo_close_path(cr);
        InkEmblem(cr);
        break;
    case TEmblem::SmallBomb:
        BombShape(cr, 5.5);
        break;
    case TEmblem::Bomb:
        BombShape(cr, 8.5);
        break;
    case TEmblem::Swirl:
        for (int half = 0; half < 2; ++half) {
            const double base = half * Pi;
            cairo_new_sub_path(cr);
            cairo_arc(cr, c, c, 8, base + 0.3, base + Pi - 0.5);
            cairo_set_line_width(cr, 3);
            SetColor(cr, palette::Parchment, 0.95);
            cairo_stroke(cr);
            const double a = base + Pi - 0.5;
            cairo_save(cr);
            cairo_translate(cr, c + 8 * std::cos(a) - c, c + 8 * std::sin(a) - c);
            Arrow(cr, a + Pi / 2, 4, 5);
            cairo_restore(cr);
            InkEmblem(cr);
        }
        break;
    case TEmblem::Spiral:
        cairo_new_path(cr);
        for (int i = 0; i <= 40; ++i) {
            const double t = i / 40.0;
            const double a = t * 3.4 * Pi;
            const double r = 10 * (1 - t) + 1.5;
            (i == 0 ? cairo_move_to : cairo_line_to)(cr, c + r * std::cos(a), c + r * std::sin(a));
        }
        SetColor(cr, palette::Parchment, 0.95);
        cairo_set_line_width(cr, 2.5);
        cairo_stroke(cr);
        break;
    case TEmblem::DownArrow:
        cairo_rectangle(cr, c - 2.5, c - 9, 5, 9);
        InkEmblem(cr);
        Arrow(cr, Pi / 2, 6, 7);
        InkEmblem(cr);
        cairo_rectangle(cr, c - 8, c + 7, 16, 3);
        InkEmblem(cr);
        break;
    case TEmblem::Quarters:
        for (int q = 0; q < 4; ++q) {
            cairo_move_to(cr, c, c);
            cairo_arc(cr, c, c, 9, q * Pi / 2, (q + 1) * Pi / 2);
            cairo_close_path(cr);
            SetColor(cr, Glass[q * 2 + (q > 1 ? 1 : 0)], 1);
            cairo_fill_preserve(cr);
            SetColor(cr, palette::Ink, 0.7);
            cairo_set_line_width(cr, 0.8);
            cairo_stroke(cr);
        }
        break;
    case TEmblem::TwoBlocks:
        RoundedRect(cr, c - 8, c + 1, 10, 7, 1.5);
        InkEmblem(cr);
        RoundedRect(cr, c - 2, c - 7, 10, 7, 1.5);
        InkEmblem(cr);
        break;
    case TEmblem::ColourRing:
        for (int i = 0; i < 8; ++i) {
            const double a = -Pi / 2 + i * Pi / 4;
            cairo_arc(cr, c + 8 * std::cos(a), c + 8 * std::sin(a), 2.6, 0, 2 * Pi);
            SetColor(cr, Glass[i], 1);
            cairo_fill(cr);
        }
        cairo_arc(cr, c, c, 3, 0, 2 * Pi);
        SetColor(cr, White, 0.9);
        cairo_fill(cr);
        break;
    case TEmblem::Phantom:
        for (int i = 0; i < 3; ++i) {
            const double a = -Pi / 2 + i * 2 * Pi / 3;
            cairo_arc(cr, c + 6 * std::cos(a), c + 6 * std::sin(a), 3.5, 0, 2 * Pi);
            SetColor(cr, White, 0.75);
            cairo_fill(cr);
        }
        break;
    }
}

// The bezel, the gem and the emblem; `glow` lights a halo round it (selected, fired).
void DrawSpecial(cairo_t* cr, const TLook& look, const TColor* glow, bool withEmblem = true) {
    const double c = Centre;
    const double r = 14.0;
    if (glow) {
        cairo_pattern_t* halo = cairo_pattern_create_radial(c, c, r, c, c, Cell / 2.0);
        AddStop(halo, 0, *glow, 0.95);
        AddStop(halo, 1, *glow, 0.0);
        cairo_rectangle(cr, 0, 0, Cell, Cell);
        cairo_set_source(cr, halo);
        cairo_fill(cr);
        cairo_pattern_destroy(halo);
    }
    // The square brass bezel with its shadow.
    RoundedRect(cr, 6 + ShadowOffsetX, 6 + ShadowOffsetY, Cell - 12, Cell - 12, 7);
    SetColor(cr, palette::Ink, ShadowAlpha);
    cairo_fill(cr);
    RoundedRect(cr, 6, 6, Cell - 12, Cell - 12, 7);
    cairo_pattern_t* brass = BrassPattern(6, 6, Cell - 6, Cell - 6);
    cairo_set_source(cr, brass);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(brass);
    SetColor(cr, palette::Ink, 0.8);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // Four rivets in the corners.
    for (int i = 0; i < 4; ++i) {
        const double x = i % 2 == 0 ? 10.5 : Cell - 10.5;
        const double y = i < 2 ? 10.5 : Cell - 10.5;
        cairo_arc(cr, x, y, 1.4, 0, 2 * Pi);
        SetColor(cr, palette::Ink, 0.6);
        cairo_fill(cr);
    }
    cairo_arc(cr, c, c, r, 0, 2 * Pi);
    cairo_pattern_t* gem = cairo_pattern_create_radial(c - 4, c - 5, 1, c, c, r);
    AddStop(gem, 0, look.Light);
    AddStop(gem, 0.6, look.Body);
    AddStop(gem, 1, look.Deep);
    cairo_set_source(cr, gem);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(gem);
    SetColor(cr, palette::Ink, 0.7);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    if (withEmblem) {
        DrawEmblem(cr, look.Emblem);
    }
    cairo_arc(cr, c - 6, c - 7, 2.5, 0, 2 * Pi);
    SetColor(cr, White, 0.75);
    cairo_fill(cr);
}

// Greys a picture in place, a little darker: the look of a bonus not yet charged.
void Desaturate(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < cairo_image_surface_get_height(surface); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
        for (int x = 0; x < cairo_image_surface_get_width(surface); ++x) {
            const uint32_t p = row[x];
            const uint32_t a = p >> 24;
            const double l = (0.3 * ((p >> 16) & 0xFF) + 0.59 * ((p >> 8) & 0xFF) + 0.11 * (p & 0xFF)) * 0.8;
            const auto g = static_cast<uint32_t>(std::lround(l));
            row[x] = (a << 24) | (g << 16) | (g << 8) | g;
        }
    }
    cairo_surface_mark_dirty(surface);
}

void SaveLook(const TArtContext& context, int id, const std::string& name, const TColor* glow, bool grey) {
    cairo_surface_t* surface = NewSurface(Cell, Cell);
    cairo_t* cr = cairo_create(surface);
    DrawSpecial(cr, Looks[id], glow);
    cairo_destroy(cr);
    if (grey) {
        Desaturate(surface);
    }
    SavePng(context, Folder(id) + name + ".png", surface);
}

// The charge's edge on the bonus button: the outline of the bezel lit bright.
void SaveFill(const TArtContext& context, int id) {
    cairo_surface_t* surface = NewSurface(Cell, Cell);
    cairo_t* cr = cairo_create(surface);
    RoundedRect(cr, 6, 6, Cell - 12, Cell - 12, 7);
    cairo_pattern_t* light = cairo_pattern_create_radial(Centre, Centre, 4, Centre, Centre, Cell / 2.0);
    AddStop(light, 0, White, 0.95);
    AddStop(light, 1, Looks[id].Light, 0.8);
    cairo_set_source(cr, light);
    cairo_fill(cr);
    cairo_pattern_destroy(light);
    cairo_destroy(cr);
    SavePng(context, Folder(id) + "SpecialFill.png", surface);
}

// A bright head flying along `angle` with a tail behind it.
void SaveComet(const TArtContext& context, const std::string& relative, double angle, const TColor& tone) {
    const int size = 40;
    cairo_surface_t* surface = NewSurface(size, size);
    cairo_t* cr = cairo_create(surface);
    cairo_translate(cr, size / 2.0, size / 2.0);
    cairo_rotate(cr, angle);
    cairo_pattern_t* tail = cairo_pattern_create_linear(-18, 0, 8, 0);
    AddStop(tail, 0, tone, 0);
    AddStop(tail, 1, tone, 0.9);
    cairo_move_to(cr, -18, 0);
    cairo_curve_to(cr, -8, -7, 4, -7, 8, 0);
    cairo_curve_to(cr, 4, 7, -8, 7, -18, 0);
    cairo_set_source(cr, tail);
    cairo_fill(cr);
    cairo_pattern_destroy(tail);
    cairo_pattern_t* head = cairo_pattern_create_radial(6, 0, 0, 6, 0, 8);
    AddStop(head, 0, White, 1);
    AddStop(head, 0.5, Mix(tone, White, 0.5), 0.9);
    AddStop(head, 1, tone, 0);
    cairo_arc(cr, 6, 0, 8, 0, 2 * Pi);
    cairo_set_source(cr, head);
    cairo_fill(cr);
    cairo_pattern_destroy(head);
    cairo_destroy(cr);
    SavePngForAdding(context, relative, surface);
}

void ChameleonArt(const TArtContext& context) {
    const std::string folder = Folder(14);
    // The colour it has taken: a glass core, one frame per marble colour.
    SaveStrip(context, folder + "SpecialAdd1", 8, [](cairo_t* cr, int f) {
        cairo_arc(cr, Centre, Centre, 7.5, 0, 2 * Pi);
        cairo_pattern_t* core = cairo_pattern_create_radial(Centre - 2, Centre - 3, 1, Centre, Centre, 7.5);
        AddStop(core, 0, Mix(Glass[f], White, 0.6), 0.95);
        AddStop(core, 1, Glass[f], 0.9);
        cairo_set_source(cr, core);
        cairo_fill(cr);
        cairo_pattern_destroy(core);
    });
    // A slow sheen round the gem.
    SaveStrip(context, folder + "SpecialAdd2", 6, [](cairo_t* cr, int f) {
        const double a = f * 2 * Pi / 6;
        cairo_arc(cr, Centre, Centre, 12, a, a + 1.2);
        SetColor(cr, White, 0.55);
        cairo_set_line_width(cr, 2.5);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_stroke(cr);
    });
    // Quick glints on the bezel.
    SaveStrip(context, folder + "SpecialAdd3", 8, [](cairo_t* cr, int f) {
        const double a = f * 2.4;
        const double x = Centre + 17 * std::cos(a);
        const double y = Centre + 17 * std::sin(a);
        for (int ray = 0; ray < 4; ++ray) {
            const double r = ray * Pi / 2;
            cairo_move_to(cr, x, y);
            cairo_line_to(cr, x + 4 * std::cos(r), y + 4 * std::sin(r));
        }
        SetColor(cr, White, 0.9);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    });
    // The flash of a colour change, spreading and fading.
    SaveStrip(context, folder + "SpecialAdd4", 6, [](cairo_t* cr, int f) {
        const double t = (f + 1) / 6.0;
        cairo_pattern_t* flash = cairo_pattern_create_radial(Centre, Centre, 0, Centre, Centre, 8 + 16 * t);
        AddStop(flash, 0, White, 0.9 * (1 - t) + 0.1);
        AddStop(flash, 1, White, 0);
        cairo_arc(cr, Centre, Centre, 8 + 16 * t, 0, 2 * Pi);
        cairo_set_source(cr, flash);
        cairo_fill(cr);
        cairo_pattern_destroy(flash);
    });
}

void TeleportArt(const TArtContext& context) {
    const std::string folder = Folder(15);
    // The stone turning on its axis.
    SaveStrip(context, folder + "SpecialTurn", 8, [](cairo_t* cr, int f) {
        const double squeeze = std::max(0.08, std::abs(std::cos(f * Pi / 8)));
        cairo_translate(cr, Centre, 0);
        cairo_scale(cr, squeeze, 1);
        cairo_translate(cr, -Centre, 0);
        DrawSpecial(cr, Looks[15], nullptr);
    });
    cairo_surface_t* surface = NewSurface(Cell, Cell);
    cairo_t* cr = cairo_create(surface);
    cairo_pattern_t* glow = cairo_pattern_create_radial(Centre, Centre, 6, Centre, Centre, Centre);
    AddStop(glow, 0, Looks[15].Light, 0.9);
    AddStop(glow, 1, Looks[15].Body, 0);
    cairo_arc(cr, Centre, Centre, Centre, 0, 2 * Pi);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    cairo_destroy(cr);
    SavePng(context, folder + "Special15Add.png", surface);
}

} // namespace

void DrawSpecialArt(TArtContext& context) {
    const TColor selected = palette::SeaGlass;
    const TColor fired = palette::BrassLight;
    for (int id = 1; id <= 15; ++id) {
        SaveLook(context, id, "Special", nullptr, false);
        SaveLook(context, id, "SpecialSel", &selected, false);
        SaveLook(context, id, "SpecialGray", nullptr, true);
        SaveFill(context, id);
    }
    // The cross fire's fireballs: left, right, up, down.
    const double directions[4] = {Pi, 0, -Pi / 2, Pi / 2};
    for (int i = 0; i < 4; ++i) {
        SaveComet(context, Folder(2) + "SpecialAct" + std::to_string(i + 1) + ".png", directions[i],
                  Rgb(255, 160, 60));
    }
    // The line freeze's runners toward the left and right ends of the row.
    SaveComet(context, Folder(1) + "SpecialAct1.png", Pi, Rgb(190, 236, 255));
    SaveComet(context, Folder(1) + "SpecialAct2.png", 0, Rgb(190, 236, 255));
    // The diagonal: its fired look, its first frame for the bonus button, and its four rays
    // (up-left, up-right, down-right, down-left).
    SaveLook(context, 13, "SpecialAct0", &fired, false);
    SaveLook(context, 13, "Special1stFrame", nullptr, false);
    const double rays[4] = {-3 * Pi / 4, -Pi / 4, Pi / 4, 3 * Pi / 4};
    for (int i = 0; i < 4; ++i) {
        SaveComet(context, Folder(13) + "SpecialAct" + std::to_string(i + 1) + ".png", rays[i],
                  Rgb(170, 255, 200));
    }
    ChameleonArt(context);
    TeleportArt(context);
}

} // namespace artgen
