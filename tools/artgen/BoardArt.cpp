// The pictures of the board around the marbles: the cell tile with the frames of its flip, the
// building blocks that ride the board down, the colour cells, the brick layers laid over cells,
// the score pop-ups, the overlays of marbles with an effect, and
// the flash of a marble that a chameleon takes with it.

#include "ArtGenerator.h"
#include "ArtPalette.h"

#include <cmath>
#include <string>
#include <vector>

namespace artgen {

namespace {

constexpr int Cell = 48;
// The tile reaches 10 pixels beyond the cell on both ends of its long side: the field draws it
// from 10 pixels left of the cell, turned a quarter about its own centre.
constexpr int TileWidth = Cell + 20;
constexpr int TileFlipFrames = 8;

constexpr TColor Rgb(int r, int g, int b) {
    return TColor{r / 255.0, g / 255.0, b / 255.0};
}

// The glass colours of the marbles "1" to "8", so that a colour cell and its marble agree.
const TColor MarbleColors[8] = {Rgb(214, 52, 40),  Rgb(240, 138, 30), Rgb(244, 204, 44), Rgb(66, 168, 58),
                                Rgb(30, 172, 168), Rgb(46, 100, 214), Rgb(140, 74, 202), Rgb(238, 236, 230)};

const TColor White{1, 1, 1};

// ---- the cell tile ----

// A slate tile of the harbour's quays, lit from the upper left, its width squeezed by `squeeze`
// (1 flat, towards 0 edge-on) about the middle of the picture.
void DrawTile(cairo_t* cr, double originX, double squeeze) {
    const double w = (Cell - 2) * squeeze;
    const double x = originX + TileWidth / 2.0 - w / 2;
    const double y = 1;
    const double h = Cell - 2;
    if (w < 1) {
        return;
    }
    const TColor top = Mix(palette::TealDark, palette::Night, 0.35);
    const TColor bottom = Mix(palette::TealDark, palette::Night, 0.75);
    RoundedRect(cr, x, y, w, h, std::min(5.0, w / 2));
    cairo_pattern_t* body = VerticalGradient(y, y + h, top, bottom);
    cairo_set_source(cr, body);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
    // The bevel: bright on the lit edges, dark on the far ones.
    cairo_set_line_width(cr, 1.5);
    cairo_move_to(cr, x + 1, y + h - 2);
    cairo_line_to(cr, x + 1, y + 1);
    cairo_line_to(cr, x + w - 2, y + 1);
    SetColor(cr, Mix(top, White, 0.35), 0.9 * squeeze);
    cairo_stroke(cr);
    cairo_move_to(cr, x + w - 1, y + 2);
    cairo_line_to(cr, x + w - 1, y + h - 1);
    cairo_line_to(cr, x + 2, y + h - 1);
    SetColor(cr, palette::Ink, 0.8);
    cairo_stroke(cr);
    // A faint inner panel where the marble rests.
    if (w > 12) {
        RoundedRect(cr, x + 6, y + 6, w - 12, h - 12, 3);
        SetColor(cr, palette::Night, 0.25);
        cairo_fill(cr);
    }
}

void TileArt(TArtContext& context) {
    cairo_surface_t* surface = NewSurface(TileWidth * TileFlipFrames, Cell);
    cairo_t* cr = cairo_create(surface);
    for (int frame = 0; frame < TileFlipFrames; ++frame) {
        const double turn = frame / static_cast<double>(TileFlipFrames - 1) * Pi / 2;
        DrawTile(cr, frame * TileWidth, std::cos(turn));
    }
    cairo_destroy(cr);
    SavePng(context, "gfx/elements/Block." + std::to_string(TileFlipFrames) + ".png", surface);
}

// ---- building blocks ----

struct TBlockLook {
    TColor Light;
    TColor Dark;
    TColor Band;
    bool Star;
};

// A dressed stone block bound with two bands, as the workers carry them to the monument.
void DrawBlock(cairo_t* cr, const TBlockLook& look) {
    const double x = 5;
    const double y = 6;
    const double w = Cell - 10;
    const double h = Cell - 11;
    RoundedRect(cr, x + ShadowOffsetX + 1, y + ShadowOffsetY + 1, w, h, 4);
    SetColor(cr, palette::Ink, ShadowAlpha);
    cairo_fill(cr);
    RoundedRect(cr, x, y, w, h, 4);
    cairo_pattern_t* body = VerticalGradient(y, y + h, look.Light, look.Dark);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    SetColor(cr, palette::Ink, 0.85);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    // The top face, lighter, seen from above.
    cairo_move_to(cr, x + 2, y + 8);
    cairo_line_to(cr, x + w - 2, y + 8);
    SetColor(cr, palette::Ink, 0.35);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    RoundedRect(cr, x + 1.5, y + 1.5, w - 3, 6, 2);
    SetColor(cr, White, 0.3);
    cairo_fill(cr);
    // Two bands.
    for (double bx : {x + w * 0.28, x + w * 0.66}) {
        cairo_rectangle(cr, bx, y + 8, 5, h - 9);
        cairo_pattern_t* band = cairo_pattern_create_linear(bx, 0, bx + 5, 0);
        AddStop(band, 0, Mix(look.Band, White, 0.45));
        AddStop(band, 1, Mix(look.Band, palette::Ink, 0.3));
        cairo_set_source(cr, band);
        cairo_fill(cr);
        cairo_pattern_destroy(band);
    }
    if (look.Star) {
        const double cx = Cell / 2.0;
        const double cy = y + 8 + (h - 8) / 2;
        for (int i = 0; i < 10; ++i) {
            const double a = -Pi / 2 + i * Pi / 5;
            const double r = i % 2 == 0 ? 9.0 : 4.0;
            if (i == 0) {
                cairo_move_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
            } else {
                cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
            }
        }
        cairo_close_path(cr);
        cairo_pattern_t* brass = BrassPattern(cx - 9, cy - 9, cx + 9, cy + 9);
        cairo_set_source(cr, brass);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(brass);
        SetColor(cr, palette::Ink, 0.7);
        cairo_set_line_width(cr, 0.8);
        cairo_stroke(cr);
    }
}

void BlockArt(TArtContext& context) {
    const struct {
        const char* Name;
        TBlockLook Look;
    } blocks[] = {
        {"gfx/elements/box01.png", {palette::SandLight, palette::SandDark, palette::BrassDark, false}},
        {"gfx/elements/box02.png", {Rgb(150, 176, 214), Rgb(70, 96, 150), palette::BrassLight, false}},
        {"gfx/elements/SecretBox.png", {Rgb(90, 84, 110), Rgb(40, 34, 56), palette::BrassDark, true}},
    };
    for (const auto& block : blocks) {
        cairo_surface_t* surface = NewSurface(Cell, Cell);
        cairo_t* cr = cairo_create(surface);
        DrawBlock(cr, block.Look);
        cairo_destroy(cr);
        SavePng(context, block.Name, surface);
    }
}

// ---- colour cells and brick layers ----

// A cell inlaid with coloured glass: only a marble of that colour clears it.
void ColorCellArt(TArtContext& context) {
    for (int i = 0; i < 8; ++i) {
        cairo_surface_t* surface = NewSurface(Cell, Cell);
        cairo_t* cr = cairo_create(surface);
        const TColor& c = MarbleColors[i];
        RoundedRect(cr, 2, 2, Cell - 4, Cell - 4, 5);
        cairo_pattern_t* glow =
            cairo_pattern_create_radial(Cell / 2.0, Cell / 2.0, 8, Cell / 2.0, Cell / 2.0, Cell * 0.72);
        AddStop(glow, 0, c, 0.15);
        AddStop(glow, 1, c, 0.75);
        cairo_set_source(cr, glow);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(glow);
        SetColor(cr, Mix(c, White, 0.5), 0.95);
        cairo_set_line_width(cr, 2.0);
        cairo_stroke(cr);
        // Corner studs of the inlay.
        for (double sx : {7.0, Cell - 7.0}) {
            for (double sy : {7.0, Cell - 7.0}) {
                cairo_arc(cr, sx, sy, 2.2, 0, 2 * Pi);
                SetColor(cr, Mix(c, White, 0.65));
                cairo_fill(cr);
            }
        }
        cairo_destroy(cr);
        SavePng(context, "gfx/elements/ColorCells/m" + std::to_string(i + 1) + ".png", surface);
    }
}

// Courses of small bricks over the cell; the second layer is darker and set more densely, so
// that a cell of two layers reads as heavier at a glance.
void DrawBricks(cairo_t* cr, int layers) {
    const TColor light = layers == 1 ? Rgb(214, 120, 82) : Rgb(168, 78, 54);
    const TColor dark = layers == 1 ? Rgb(150, 70, 46) : Rgb(104, 42, 30);
    const double courseHeight = layers == 1 ? 11.5 : 9.0;
    const double brickWidth = layers == 1 ? 22.0 : 15.0;
    const double alpha = layers == 1 ? 0.72 : 0.9;
    cairo_save(cr);
    RoundedRect(cr, 1, 1, Cell - 2, Cell - 2, 4);
    cairo_clip(cr);
    int course = 0;
    for (double y = 1; y < Cell - 1; y += courseHeight, ++course) {
        const double shift = course % 2 == 0 ? 0 : -brickWidth / 2;
        for (double x = shift + 1; x < Cell - 1; x += brickWidth) {
            cairo_pattern_t* fill = VerticalGradient(y, y + courseHeight, light, dark);
            cairo_save(cr);
            cairo_rectangle(cr, x + 0.8, y + 0.8, brickWidth - 1.6, courseHeight - 1.6);
            cairo_clip(cr);
            cairo_set_source(cr, fill);
            cairo_paint_with_alpha(cr, alpha);
            cairo_restore(cr);
            cairo_pattern_destroy(fill);
            // The lit upper edge of each brick.
            cairo_move_to(cr, x + 1, y + 1.3);
            cairo_line_to(cr, x + brickWidth - 1, y + 1.3);
            SetColor(cr, White, 0.35);
            cairo_set_line_width(cr, 0.8);
            cairo_stroke(cr);
        }
    }
    cairo_restore(cr);
    RoundedRect(cr, 1, 1, Cell - 2, Cell - 2, 4);
    SetColor(cr, palette::Ink, 0.7);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
}

void BrickLayerArt(TArtContext& context) {
    for (int layers = 1; layers <= 2; ++layers) {
        cairo_surface_t* surface = NewSurface(Cell, Cell);
        cairo_t* cr = cairo_create(surface);
        DrawBricks(cr, layers);
        cairo_destroy(cr);
        SavePng(context, std::string("gfx/ui/gamescreen/Field") + (layers == 1 ? "B" : "C") + ".png",
                surface);
    }
}

// ---- score pop-ups ----

void PointsArt(TArtContext& context) {
    cairo_font_face_t* bold = LoadFace(context, "DejaVuSans-Bold.ttf", "the score pop-ups");
    const int points[8] = {50, 100, 200, 300, 500, 700, 1000, 3000};
    for (int i = 0; i < 8; ++i) {
        const int width = 72;
        const int height = 32;
        cairo_surface_t* surface = NewSurface(width, height);
        cairo_t* cr = cairo_create(surface);
        // Larger scores are larger and warmer.
        const double size = 15 + i * 1.2;
        cairo_pattern_t* fill = cairo_pattern_create_linear(0, 4, 0, height - 4);
        AddStop(fill, 0, Mix(palette::BrassLight, White, 0.6));
        AddStop(fill, 0.5, palette::BrassLight);
        AddStop(fill, 1, i >= 6 ? palette::Coral : palette::BrassDark);
        DrawOutlinedText(cr, bold, std::to_string(points[i]), size, width / 2.0, height / 2.0, fill);
        cairo_pattern_destroy(fill);
        cairo_destroy(cr);
        SavePng(context, "gfx/stuff/points/" + std::to_string(i + 1) + ".png", surface);
    }
    // The badge that rides with a pop-up while scores count double.
    cairo_surface_t* surface = NewSurface(36, 24);
    cairo_t* cr = cairo_create(surface);
    RoundedRect(cr, 1, 1, 34, 22, 8);
    SetColor(cr, palette::Coral, 0.9);
    cairo_fill_preserve(cr);
    SetColor(cr, palette::Ink);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, 4, 0, 20);
    AddStop(fill, 0, White);
    AddStop(fill, 1, palette::Parchment);
    DrawOutlinedText(cr, bold, "x2", 14, 18, 12, fill);
    cairo_pattern_destroy(fill);
    cairo_destroy(cr);
    SavePng(context, "gfx/stuff/specialact07.png", surface);
}

// ---- overlays ----

// The overlays of marbles that carry an effect, 8 frames each, looped over the marble: frost
// streaks along the row, embers four ways, glints on the diagonals.
void MarbleEffectArt(TArtContext& context) {
    constexpr int Frames = 8;
    for (int type = 1; type <= 3; ++type) {
        cairo_surface_t* surface = NewSurface(Cell * Frames, Cell);
        cairo_t* cr = cairo_create(surface);
        for (int f = 0; f < Frames; ++f) {
            const double phase = f / static_cast<double>(Frames);
            const double c = Cell / 2.0;
            cairo_save(cr);
            cairo_translate(cr, f * Cell + c, c);
            const TColor tone = type == 1   ? Rgb(200, 240, 255)
                                : type == 2 ? Rgb(255, 170, 70)
                                            : Rgb(255, 250, 200);
            const int rays = type == 1 ? 2 : 4;
            const double offset = type == 3 ? Pi / 4 : 0;
            for (int ray = 0; ray < rays; ++ray) {
                const double a = offset + ray * 2 * Pi / rays;
                const double reach = 14 + 8 * std::sin(phase * 2 * Pi + ray);
                cairo_pattern_t* streak =
                    cairo_pattern_create_linear(0, 0, reach * std::cos(a), reach * std::sin(a));
                AddStop(streak, 0, tone, 0.0);
                AddStop(streak, 0.5, tone, 0.85);
                AddStop(streak, 1, tone, 0.0);
                cairo_set_source(cr, streak);
                cairo_set_line_width(cr, 3.0);
                cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
                cairo_move_to(cr, 4 * std::cos(a), 4 * std::sin(a));
                cairo_line_to(cr, reach * std::cos(a), reach * std::sin(a));
                cairo_stroke(cr);
                cairo_pattern_destroy(streak);
            }
            const double ring = 17 + 2 * std::sin(phase * 2 * Pi);
            cairo_arc(cr, 0, 0, ring, 0, 2 * Pi);
            SetColor(cr, tone, 0.55);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
            cairo_restore(cr);
        }
        cairo_destroy(cr);
        SavePng(context,
                "gfx/specials/6/SpecialAct" + std::to_string(type) + "." + std::to_string(Frames) + ".png",
                surface);
    }
}

// The flash of a marble taken by a chameleon, one frame per marble colour.
void ChameleonFlashArt(TArtContext& context) {
    cairo_surface_t* surface = NewSurface(Cell * 8, Cell);
    cairo_t* cr = cairo_create(surface);
    for (int i = 0; i < 8; ++i) {
        const double cx = i * Cell + Cell / 2.0;
        const double cy = Cell / 2.0;
        cairo_pattern_t* flash = cairo_pattern_create_radial(cx, cy, 0, cx, cy, Cell / 2.0);
        AddStop(flash, 0, White, 1);
        AddStop(flash, 0.35, Mix(MarbleColors[i], White, 0.4), 0.85);
        AddStop(flash, 1, MarbleColors[i], 0);
        cairo_set_source(cr, flash);
        for (int ray = 0; ray < 8; ++ray) {
            const double a = ray * Pi / 4;
            const double reach = ray % 2 == 0 ? Cell / 2.0 : Cell / 3.0;
            cairo_move_to(cr, cx + 3 * std::cos(a + Pi / 2), cy + 3 * std::sin(a + Pi / 2));
            cairo_line_to(cr, cx + reach * std::cos(a), cy + reach * std::sin(a));
            cairo_line_to(cr, cx + 3 * std::cos(a - Pi / 2), cy + 3 * std::sin(a - Pi / 2));
            cairo_close_path(cr);
        }
        cairo_arc(cr, cx, cy, 10, 0, 2 * Pi);
        cairo_fill(cr);
        cairo_pattern_destroy(flash);
    }
    cairo_destroy(cr);
    SavePngForAdding(context, "gfx/specials/14/SpecialFX.8.png", surface);
}

} // namespace

void DrawBoardArt(TArtContext& context) {
    TileArt(context);
    BlockArt(context);
    ColorCellArt(context);
    BrickLayerArt(context);
    PointsArt(context);
    MarbleEffectArt(context);
    ChameleonFlashArt(context);
}

} // namespace artgen
