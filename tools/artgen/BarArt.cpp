// The gauges of the play screen and the bricks that matches throw out of the board: the time bar
// (a teal tube under the lives medallion), the brick bar (a brass tube), the shuffle button's
// gauge, the bonus button's base, the frost and double-materials icons, and the pale stone bricks
// that roll, land in a puff of dust, or crack apart. Frames of gauges and their fills share one
// size, so that a fill cut at any row lines up with its frame; the game draws them at fixed
// places of the 800 x 600 screen.

#include "ArtGenerator.h"
#include "ArtPalette.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace artgen {

namespace {

const TColor White{1, 1, 1};
// The pale stone of the bricks, lighter and cooler than the sandstone of the frames.
const TColor StoneLight{0.95, 0.92, 0.84};
const TColor StoneDark{0.72, 0.66, 0.56};

// ---- shared pieces ----

// Draws one picture of the given size and saves it under `name`.
template <typename TDraw>
void Picture(TArtContext& context, const std::string& name, int width, int height, TDraw draw) {
    cairo_surface_t* surface = NewSurface(width, height);
    cairo_t* cr = cairo_create(surface);
    draw(cr);
    cairo_destroy(cr);
    SavePng(context, name, surface);
}

// A sandstone frame with a dark trough inside: the empty gauge.
void Frame(cairo_t* cr, double x, double y, double w, double h, double r, double inset) {
    RoundedRect(cr, x + ShadowOffsetX, y + ShadowOffsetY, w, h, r);
    SetColor(cr, palette::Ink, ShadowAlpha);
    cairo_fill(cr);
    RoundedRect(cr, x, y, w, h, r);
    cairo_pattern_t* stone = VerticalGradient(y, y + h, palette::SandLight, palette::SandDark);
    cairo_set_source(cr, stone);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(stone);
    SetColor(cr, palette::Ink, 0.85);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    // The lit upper-left rim.
    RoundedRect(cr, x + 1.5, y + 1.5, w - 3, h - 3, std::max(1.0, r - 1.5));
    SetColor(cr, White, 0.35);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // The trough, in shade at its upper left where the rim hides the light.
    const double tx = x + inset;
    const double ty = y + inset;
    const double tw = w - 2 * inset;
    const double th = h - 2 * inset;
    RoundedRect(cr, tx, ty, tw, th, std::max(1.0, r - inset));
    cairo_pattern_t* trough =
        VerticalGradient(ty, ty + th, Mix(palette::Night, palette::Ink, 0.5), palette::Night);
    cairo_set_source(cr, trough);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(trough);
    SetColor(cr, palette::Ink, 0.9);
    cairo_stroke(cr);
}

// A liquid fill lit from the left like a glass tube: pale at the left, deep at the right.
void TubeFill(cairo_t* cr, double x, double y, double w, double h, double r, const TColor& light,
              const TColor& dark, bool bands) {
    RoundedRect(cr, x, y, w, h, r);
    cairo_pattern_t* body = cairo_pattern_create_linear(x, 0, x + w, 0);
    AddStop(body, 0.0, Mix(light, White, 0.3));
    AddStop(body, 0.35, light);
    AddStop(body, 1.0, dark);
    cairo_set_source(cr, body);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
    cairo_save(cr);
    RoundedRect(cr, x, y, w, h, r);
    cairo_clip(cr);
    if (bands) {
        SlantedBands(cr, x, y, w, h);
    }
    // The glint along the tube.
    cairo_rectangle(cr, x + w * 0.18, y, std::max(1.5, w * 0.14), h);
    SetColor(cr, White, 0.35);
    cairo_fill(cr);
    cairo_restore(cr);
}

void Snowflake(cairo_t* cr, double cx, double cy, double radius) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int pass = 0; pass < 2; ++pass) {
        for (int arm = 0; arm < 6; ++arm) {
            cairo_save(cr);
            cairo_rotate(cr, arm * Pi / 3);
            cairo_move_to(cr, 0, 0);
            cairo_line_to(cr, 0, -radius);
            for (double at : {0.45, 0.7}) {
                const double twig = radius * (at < 0.5 ? 0.32 : 0.22);
                cairo_move_to(cr, 0, -radius * at);
                cairo_line_to(cr, -twig, -radius * at - twig);
                cairo_move_to(cr, 0, -radius * at);
                cairo_line_to(cr, twig, -radius * at - twig);
            }
            cairo_restore(cr);
        }
        if (pass == 0) {
            // A dark outline under the ice so that it reads over the pale tube.
            SetColor(cr, palette::TealDark, 0.8);
            cairo_set_line_width(cr, radius * 0.22);
        } else {
            cairo_set_source_rgb(cr, 0.9, 0.97, 1.0);
            cairo_set_line_width(cr, radius * 0.1);
        }
        cairo_stroke(cr);
    }
    cairo_arc(cr, 0, 0, radius * 0.16, 0, 2 * Pi);
    SetColor(cr, White);
    cairo_fill(cr);
    cairo_restore(cr);
}

// A dressed stone block centred on (cx, cy), turned by `angle`, with `alpha` opacity.
void Stone(cairo_t* cr, double cx, double cy, double w, double h, double angle, double alpha = 1.0) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, angle);
    RoundedRect(cr, -w / 2 + 1, -h / 2 + 1, w, h, 1.5);
    SetColor(cr, palette::Ink, ShadowAlpha * alpha);
    cairo_fill(cr);
    RoundedRect(cr, -w / 2, -h / 2, w, h, 1.5);
    cairo_pattern_t* body = cairo_pattern_create_linear(-w / 2, -h / 2, w / 2, h / 2);
    AddStop(body, 0.0, StoneLight, alpha);
    AddStop(body, 1.0, StoneDark, alpha);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    SetColor(cr, palette::Ink, 0.8 * alpha);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // The lit top edge and a chisel mark.
    cairo_move_to(cr, -w / 2 + 1.5, -h / 2 + 1.2);
    cairo_line_to(cr, w / 2 - 1.5, -h / 2 + 1.2);
    SetColor(cr, White, 0.7 * alpha);
    cairo_stroke(cr);
    cairo_move_to(cr, -w * 0.1, -h / 2 + 2.5);
    cairo_line_to(cr, w * 0.05, h / 2 - 2);
    SetColor(cr, StoneDark, 0.8 * alpha);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// A soft cloud of dust at (cx, cy).
void Dust(cairo_t* cr, double cx, double cy, double radius, double alpha) {
    if (alpha <= 0.0 || radius <= 0.0) {
        return;
    }
    cairo_pattern_t* puff = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius);
    AddStop(puff, 0.0, palette::SandLight, alpha);
    AddStop(puff, 1.0, palette::SandDark, 0.0);
    cairo_set_source(cr, puff);
    cairo_arc(cr, cx, cy, radius, 0, 2 * Pi);
    cairo_fill(cr);
    cairo_pattern_destroy(puff);
}

// ---- the time bar ----

// The bar is drawn from 3 pixels left of its place; the fill goes 25 pixels into the picture and
// 71 down, under the medallion that shows the lives.
constexpr int TimeWidth = 62;
constexpr int TimeFillX = 25;
constexpr int TimeFillY = 71;
constexpr int TimeFillWidth = 18;
constexpr int TimeFillHeight = 380;
constexpr int TimeHeight = TimeFillY + TimeFillHeight + 10;

void TimeBarArt(TArtContext& context) {
    Picture(context, "gfx/stuff/TimeLineEmpty.png", TimeWidth, TimeHeight, [&](cairo_t* cr) {
        const double cx = TimeFillX + TimeFillWidth / 2.0;
        Frame(cr, cx - 15, TimeFillY - 8, 30, TimeFillHeight + 15, 10, 6);
        // Hour marks beside the tube.
        for (int mark = 1; mark < 8; ++mark) {
            const double y = TimeFillY + TimeFillHeight * mark / 8.0;
            cairo_move_to(cr, cx - 14, y);
            cairo_line_to(cr, cx - 10, y);
            cairo_move_to(cr, cx + 10, y);
            cairo_line_to(cr, cx + 14, y);
        }
        SetColor(cr, palette::Ink, 0.6);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
        // The lives medallion: brass rim, teal face for the number.
        const double my = 36;
        cairo_arc(cr, cx + ShadowOffsetX, my + ShadowOffsetY, 26, 0, 2 * Pi);
        SetColor(cr, palette::Ink, ShadowAlpha);
        cairo_fill(cr);
        cairo_arc(cr, cx, my, 26, 0, 2 * Pi);
        cairo_pattern_t* rim = BrassPattern(cx - 26, my - 26, cx + 26, my + 26);
        cairo_set_source(cr, rim);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(rim);
        SetColor(cr, palette::Ink, 0.85);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
        cairo_arc(cr, cx, my, 20, 0, 2 * Pi);
        cairo_pattern_t* face = VerticalGradient(my - 20, my + 20, palette::TealLight, palette::TealDark);
        cairo_set_source(cr, face);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(face);
        SetColor(cr, palette::Ink, 0.8);
        cairo_stroke(cr);
    });

    Picture(context, "gfx/stuff/TimeLineFill.png", TimeFillWidth, TimeFillHeight, [&](cairo_t* cr) {
        TubeFill(cr, 0, 0, TimeFillWidth, TimeFillHeight, 5, palette::SeaGlass, palette::TealDark, true);
    });
}

// ---- the brick bar ----

constexpr int BrickBarWidth = 26;
constexpr int BrickBarHeight = 140;
constexpr int BrickBarInset = 5;

void BrickBarArt(TArtContext& context) {
    Picture(context, "gfx/stuff/BrickLineEmpty.png", BrickBarWidth + 2, BrickBarHeight + 2,
            [&](cairo_t* cr) { Frame(cr, 0, 0, BrickBarWidth, BrickBarHeight, 7, BrickBarInset); });

    // The fill and its lit edge cover the trough only, so the frame shows around them.
    const double x = BrickBarInset + 1;
    const double y = BrickBarInset + 1;
    const double w = BrickBarWidth - 2 * BrickBarInset - 2;
    const double h = BrickBarHeight - 2 * BrickBarInset - 2;
    Picture(context, "gfx/stuff/BrickLineFilll.png", BrickBarWidth, BrickBarHeight,
            [&](cairo_t* cr) { TubeFill(cr, x, y, w, h, 3, palette::BrassLight, palette::BrassDark, true); });

    Picture(context, "gfx/stuff/BrickLineFilllLine.png", BrickBarWidth, BrickBarHeight, [&](cairo_t* cr) {
        RoundedRect(cr, x, y, w, h, 3);
        SetColor(cr, Mix(palette::BrassLight, White, 0.7));
        cairo_fill(cr);
    });
}

// ---- the shuffle gauge ----

// The gauge fills left to right inside the button; the full picture goes 8 pixels in and 9 down.
constexpr int ShuffleWidth = 84;
constexpr int ShuffleHeight = 42;
constexpr int ShuffleFillWidth = 68;
constexpr int ShuffleFillHeight = 24;

// Two arrows chasing each other round: the board is stirred.
void ShuffleArrows(cairo_t* cr, double cx, double cy, const TColor& color, double alpha) {
    cairo_save(cr);
    cairo_set_line_width(cr, 2.2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColor(cr, color, alpha);
    for (int half = 0; half < 2; ++half) {
        const double start = half * Pi + 0.35;
        const double end = start + Pi - 0.7;
        cairo_new_sub_path(cr);
        cairo_arc(cr, cx, cy, 7, start, end);
        cairo_stroke(cr);
        const double hx = cx + 7 * std::cos(end);
        const double hy = cy + 7 * std::sin(end);
        const double tx = -std::sin(end);
        const double ty = std::cos(end);
        cairo_move_to(cr, hx + 4 * tx, hy + 4 * ty);
        cairo_line_to(cr, hx - 3 * std::cos(end) - 1 * tx, hy - 3 * std::sin(end) - 1 * ty);
        cairo_line_to(cr, hx + 3 * std::cos(end) - 1 * tx, hy + 3 * std::sin(end) - 1 * ty);
        cairo_close_path(cr);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void ShuffleArt(TArtContext& context) {
    Picture(context, "gfx/ui/gamescreen/ShuffleBtnEmpty.png", ShuffleWidth + 2, ShuffleHeight + 2,
            [&](cairo_t* cr) {
                Frame(cr, 0, 0, ShuffleWidth, ShuffleHeight, 8, 7);
                ShuffleArrows(cr, 8 + ShuffleFillWidth / 2.0, 9 + ShuffleFillHeight / 2.0, palette::SeaGlass,
                              0.25);
            });

    Picture(context, "gfx/ui/gamescreen/ShuffleBtnFull.png", ShuffleFillWidth, ShuffleFillHeight,
            [&](cairo_t* cr) {
                RoundedRect(cr, 0, 0, ShuffleFillWidth, ShuffleFillHeight, 4);
                cairo_pattern_t* body =
                    VerticalGradient(0, ShuffleFillHeight, palette::SeaGlass, palette::TealDark);
                cairo_set_source(cr, body);
                cairo_fill(cr);
                cairo_pattern_destroy(body);
                cairo_save(cr);
                RoundedRect(cr, 0, 0, ShuffleFillWidth, ShuffleFillHeight, 4);
                cairo_clip(cr);
                SlantedBands(cr, 0, 0, ShuffleFillWidth, ShuffleFillHeight);
                cairo_rectangle(cr, 0, 2, ShuffleFillWidth, 3);
                SetColor(cr, White, 0.3);
                cairo_fill(cr);
                cairo_restore(cr);
                ShuffleArrows(cr, ShuffleFillWidth / 2.0, ShuffleFillHeight / 2.0, palette::Parchment, 1.0);
            });
}

// ---- the bonus button's base ----

void BonusBaseArt(TArtContext& context) {
    constexpr int Size = 92;
    const double c = Size / 2.0;
    Picture(context, "gfx/ui/gamescreen/BonusBase.png", Size, Size, [&](cairo_t* cr) {
        cairo_arc(cr, c + ShadowOffsetX, c + ShadowOffsetY, c - 2, 0, 2 * Pi);
        SetColor(cr, palette::Ink, ShadowAlpha);
        cairo_fill(cr);
        cairo_arc(cr, c, c, c - 2, 0, 2 * Pi);
        cairo_pattern_t* stone = VerticalGradient(0, Size, palette::SandLight, palette::SandDark);
        cairo_set_source(cr, stone);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(stone);
        SetColor(cr, palette::Ink, 0.85);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
        cairo_arc(cr, c, c, c - 8, 0, 2 * Pi);
        cairo_pattern_t* rim = BrassPattern(8, 8, Size - 8, Size - 8);
        cairo_set_source(cr, rim);
        cairo_set_line_width(cr, 4);
        cairo_stroke(cr);
        cairo_pattern_destroy(rim);
        cairo_arc(cr, c, c, c - 11, 0, 2 * Pi);
        cairo_pattern_t* well =
            VerticalGradient(11, Size - 11, Mix(palette::Night, palette::Ink, 0.4), palette::TealDark);
        cairo_set_source(cr, well);
        cairo_fill(cr);
        cairo_pattern_destroy(well);
    });
}

// ---- icons over the bars ----

void IconArt(TArtContext& context) {
    // The frost on a frozen time bar, and the flake that bursts off it when the freeze ends.
    Picture(context, "gfx/stuff/SpecialAct04.png", 50, 50, [&](cairo_t* cr) {
        cairo_arc(cr, 25, 25, 23, 0, 2 * Pi);
        cairo_pattern_t* halo = cairo_pattern_create_radial(25, 25, 4, 25, 25, 23);
        AddStop(halo, 0.0, palette::SeaGlass, 0.6);
        AddStop(halo, 1.0, palette::SeaGlass, 0.0);
        cairo_set_source(cr, halo);
        cairo_fill(cr);
        cairo_pattern_destroy(halo);
        Snowflake(cr, 25, 25, 20);
    });

    // Double building materials: two stones stacked under a brass star.
    Picture(context, "gfx/stuff/SpecialAct05.png", 40, 40, [&](cairo_t* cr) {
        Stone(cr, 16, 30, 22, 11, 0.0);
        Stone(cr, 22, 19, 22, 11, -0.12);
        cairo_arc(cr, 31, 9, 7, 0, 2 * Pi);
        cairo_pattern_t* medal = BrassPattern(24, 2, 38, 16);
        cairo_set_source(cr, medal);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(medal);
        SetColor(cr, palette::Ink, 0.85);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
        cairo_move_to(cr, 31, 5);
        cairo_line_to(cr, 31, 13);
        cairo_move_to(cr, 27, 9);
        cairo_line_to(cr, 35, 9);
        cairo_set_line_width(cr, 1.8);
        cairo_stroke(cr);
    });
}

// ---- bricks ----

// Every brick picture stands on its bottom middle: the ground is the bottom row.
constexpr int RollSize = 24;
constexpr int RollFrames = 8;
constexpr int LandWidth = 44;
constexpr int LandHeight = 24;
constexpr int LandFrames = 6;
constexpr double BrickW = 16;
constexpr double BrickH = 10;

void BrickRollArt(TArtContext& context) {
    Picture(context, "gfx/bricks/brickroll." + std::to_string(RollFrames) + ".png", RollSize * RollFrames,
            RollSize, [&](cairo_t* cr) {
                for (int frame = 0; frame < RollFrames; ++frame) {
                    // An eighth of a half turn per frame: a block looks the same after half a turn.
                    Stone(cr, frame * RollSize + RollSize / 2.0, RollSize / 2.0, BrickW, BrickH,
                          frame * Pi / RollFrames);
                }
            });
}

// The brick drops the last pixels, settles, and the dust it raised drifts away; the last frame is
// the brick at rest.
void BrickFallArt(TArtContext& context) {
    Picture(context, "gfx/bricks/brickfall." + std::to_string(LandFrames) + ".png", LandWidth * LandFrames,
            LandHeight, [&](cairo_t* cr) {
                for (int frame = 0; frame < LandFrames; ++frame) {
                    const double x0 = frame * LandWidth;
                    const double cx = x0 + LandWidth / 2.0;
                    const double t = frame / static_cast<double>(LandFrames - 1);
                    const double drop = frame == 0 ? 3.0 : 0.0;
                    const double squash = frame == 1 ? 0.8 : 1.0;
                    cairo_save(cr);
                    cairo_rectangle(cr, x0, 0, LandWidth, LandHeight);
                    cairo_clip(cr);
                    const double h = BrickH * squash;
                    Stone(cr, cx, LandHeight - 1 - h / 2 - drop, BrickW * (2 - squash), h, 0.0);
                    if (frame > 0 && frame < LandFrames - 1) {
                        const double spread = 6 + 12 * t;
                        const double fade = 0.8 * (1 - t);
                        for (int side : {-1, 1}) {
                            Dust(cr, cx + side * spread, LandHeight - 4 - 3 * t, 4 + 4 * t, fade);
                            Dust(cr, cx + side * spread * 0.6, LandHeight - 6 - 5 * t, 3 + 3 * t, fade * 0.7);
                        }
                    }
                    cairo_restore(cr);
                }
            });
}

// A false brick splits on landing and its halves and chips tumble apart and fade.
void BrickCrackArt(TArtContext& context) {
    Picture(context, "gfx/bricks/brickcrack." + std::to_string(LandFrames) + ".png", LandWidth * LandFrames,
            LandHeight, [&](cairo_t* cr) {
                for (int frame = 0; frame < LandFrames; ++frame) {
                    const double x0 = frame * LandWidth;
                    const double cx = x0 + LandWidth / 2.0;
                    const double ground = LandHeight - 1;
                    cairo_save(cr);
                    cairo_rectangle(cr, x0, 0, LandWidth, LandHeight);
                    cairo_clip(cr);
                    if (frame < 2) {
                        Stone(cr, cx, ground - BrickH / 2, BrickW, BrickH, 0.0);
                        if (frame == 1) {
                            cairo_move_to(cr, cx + 1, ground - BrickH);
                            cairo_line_to(cr, cx - 1, ground - BrickH * 0.6);
                            cairo_line_to(cr, cx + 1.5, ground - BrickH * 0.3);
                            cairo_line_to(cr, cx, ground);
                            SetColor(cr, palette::Ink, 0.9);
                            cairo_set_line_width(cr, 1.2);
                            cairo_stroke(cr);
                        }
                    } else {
                        const double t = (frame - 1) / static_cast<double>(LandFrames - 2);
                        const double alpha = frame == LandFrames - 1 ? 0.35 : 1.0 - 0.4 * t;
                        for (int side : {-1, 1}) {
                            const double shift = side * (2 + 10 * t);
                            const double turn = side * 0.5 * t;
                            Stone(cr, cx + shift - side * BrickW / 4, ground - BrickH / 2 + 1.5 * t,
                                  BrickW / 2 - 1, BrickH, turn, alpha);
                            // Chips thrown up and out.
                            const double chipX = cx + side * (4 + 14 * t);
                            const double chipY = ground - BrickH - 4 * std::sin(Pi * t) + 6 * t;
                            RoundedRect(cr, chipX - 1.5, chipY - 1.5, 3, 3, 0.8);
                            SetColor(cr, StoneDark, alpha);
                            cairo_fill(cr);
                        }
                        Dust(cr, cx, ground - 3, 6 + 6 * t, 0.7 * (1 - t));
                    }
                    cairo_restore(cr);
                }
            });
}

} // namespace

void DrawBarArt(TArtContext& context) {
    TimeBarArt(context);
    BrickBarArt(context);
    ShuffleArt(context);
    BonusBaseArt(context);
    IconArt(context);
    BrickRollArt(context);
    BrickFallArt(context);
    BrickCrackArt(context);
}

} // namespace artgen
