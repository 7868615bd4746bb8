#pragma once

// What the pictures of the specials and of the extra bonuses share: the cell they are drawn in,
// the glass of the marble colours, and strips of frames.

#include "ArtGenerator.h"
#include "ArtPalette.h"

#include <string>

namespace artgen {

constexpr int Cell = 48;
constexpr double Centre = Cell / 2.0;

constexpr TColor Rgb(int r, int g, int b) {
    return TColor{r / 255.0, g / 255.0, b / 255.0};
}

inline constexpr TColor White{1, 1, 1};

// The glass of the marble colours, by colour number less one.
inline constexpr TColor Glass[8] = {Rgb(214, 52, 40),  Rgb(240, 138, 30), Rgb(244, 204, 44),
                                    Rgb(66, 168, 58),  Rgb(30, 172, 168), Rgb(46, 100, 214),
                                    Rgb(140, 74, 202), Rgb(238, 236, 230)};

// Frames side by side, each drawn by `draw(cr, frame)` in its own cell, saved as
// "<relative>.<frames>.png".
template <class F>
void SaveStrip(const TArtContext& context, const std::string& relative, int frames, F draw) {
    cairo_surface_t* surface = NewSurface(Cell * frames, Cell);
    cairo_t* cr = cairo_create(surface);
    for (int f = 0; f < frames; ++f) {
        cairo_save(cr);
        cairo_translate(cr, f * Cell, 0);
        cairo_rectangle(cr, 0, 0, Cell, Cell);
        cairo_clip(cr);
        draw(cr, f);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    SavePng(context, relative + "." + std::to_string(frames) + ".png", surface);
}

} // namespace artgen
