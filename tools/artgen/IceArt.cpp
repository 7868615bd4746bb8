// Frost: the texture of the metaball ice and the burst of shards it leaves when it shatters.
// The texture is read as a sphere map (its centre faces the viewer, its rim is the outline of a
// frost lump), so the light of docs/art.md becomes a glint up-left and a bluer shade down-right;
// outside the rim it is the plain frosted ice, whose grain repeats across the edges so that the
// picture also tiles.

#include "ArtGenerator.h"
#include "ArtPalette.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace artgen {

namespace {

constexpr int IceSize = 128;
constexpr int BlastSize = 64;
constexpr int BlastFrames = 8;
constexpr int ShardCount = 11;

// A repeatable number in [0, 1) for a lattice point and a seed.
double Hash(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 static_cast<uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / static_cast<double>(0x1000000);
}

// Smooth noise on a lattice of `cells` x `cells` that wraps round at 1: the same at u and u + 1.
double WrappingNoise(double u, double v, int cells, int seed) {
    const double x = u * cells;
    const double y = v * cells;
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    auto at = [&](int i, int j) {
        return Hash(((i % cells) + cells) % cells, ((j % cells) + cells) % cells, seed);
    };
    auto smooth = [](double t) { return t * t * (3 - 2 * t); };
    const double fx = smooth(x - x0);
    const double fy = smooth(y - y0);
    const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * fx;
    const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * fx;
    return top + (bottom - top) * fy;
}

double SmoothStep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

struct TPixel {
    double R, G, B, A;
};

// One texel of the frost texture at (u, v) in [0, 1).
TPixel IceTexel(double u, double v) {
    const double grain = 0.6 * WrappingNoise(u, v, 8, 1) + 0.4 * WrappingNoise(u, v, 16, 2);
    // Plain frosted ice: pale blue-white, half see-through, its grain in brightness and opacity.
    TPixel p{0.78 + 0.12 * grain, 0.89 + 0.08 * grain, 0.98, 0.50 + 0.16 * grain};

    const double nx = 2 * u - 1;
    const double ny = 2 * v - 1;
    const double r = std::sqrt(nx * nx + ny * ny);
    // Inside the rim: the lump's own light, which fades out before the rim so that the edges of
    // the picture stay plain ice.
    const double inside = SmoothStep(1.0, 0.75, r);
    if (inside > 0) {
        const double nz = std::sqrt(std::max(0.0, 1 - std::min(r, 1.0) * std::min(r, 1.0)));
        // Light from the upper left, somewhat towards the viewer.
        const double lit = std::clamp((-nx * 0.5 - ny * 0.5 + nz * 0.7) / 1.0, -1.0, 1.0);
        const double shade = 0.5 - 0.5 * lit;
        p.R -= inside * 0.30 * shade;
        p.G -= inside * 0.16 * shade;
        p.B -= inside * 0.04 * shade;
        // Thicker towards the outline, as ice seen edge-on.
        p.A += inside * 0.22 * SmoothStep(0.35, 0.95, r);
        const double dx = nx + 0.45;
        const double dy = ny + 0.45;
        const double glint = std::exp(-(dx * dx + dy * dy) / (2 * 0.11 * 0.11));
        p.R += (1 - p.R) * glint * inside;
        p.G += (1 - p.G) * glint * inside;
        p.B += (1 - p.B) * glint * inside;
        p.A += (0.95 - p.A) * glint * inside;
    }
    return p;
}

// Streaks of rime and a few sparkles, drawn at the offsets that wrap them round the edges.
void Rime(cairo_t* cr, int size) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            cairo_save(cr);
            cairo_translate(cr, dx * size, dy * size);
            for (int i = 0; i < 26; ++i) {
                const double x = Hash(i, 0, 5) * size;
                const double y = Hash(i, 1, 5) * size;
                const double angle = Hash(i, 2, 5) * Pi;
                const double length = (0.05 + 0.12 * Hash(i, 3, 5)) * size;
                cairo_set_line_width(cr, 0.6 + 0.8 * Hash(i, 4, 5));
                cairo_set_source_rgba(cr, 1, 1, 1, 0.18 + 0.2 * Hash(i, 5, 5));
                cairo_move_to(cr, x, y);
                cairo_line_to(cr, x + length * std::cos(angle), y + length * std::sin(angle));
                // A short branch, as frost grows.
                cairo_move_to(cr, x + 0.5 * length * std::cos(angle), y + 0.5 * length * std::sin(angle));
                cairo_line_to(cr, x + 0.5 * length * std::cos(angle) + 0.3 * length * std::cos(angle + 1.0),
                              y + 0.5 * length * std::sin(angle) + 0.3 * length * std::sin(angle + 1.0));
                cairo_stroke(cr);
            }
            for (int i = 0; i < 14; ++i) {
                cairo_set_source_rgba(cr, 1, 1, 1, 0.55 + 0.4 * Hash(i, 7, 6));
                cairo_arc(cr, Hash(i, 8, 6) * size, Hash(i, 9, 6) * size, 0.6 + 0.7 * Hash(i, 10, 6), 0,
                          2 * Pi);
                cairo_fill(cr);
            }
            cairo_restore(cr);
        }
    }
}

void DrawIceTexture(TArtContext& context) {
    cairo_surface_t* surface = NewSurface(IceSize, IceSize);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < IceSize; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < IceSize; ++x) {
            TPixel p = IceTexel((x + 0.5) / IceSize, (y + 0.5) / IceSize);
            const double a = std::clamp(p.A, 0.0, 1.0);
            auto channel = [a](double c) {
                return static_cast<uint32_t>(std::lround(std::clamp(c, 0.0, 1.0) * a * 255));
            };
            row[x] = static_cast<uint32_t>(std::lround(a * 255)) << 24 | channel(p.R) << 16 |
                     channel(p.G) << 8 | channel(p.B);
        }
    }
    cairo_surface_mark_dirty(surface);
    cairo_t* cr = cairo_create(surface);
    Rime(cr, IceSize);
    cairo_destroy(cr);
    SavePng(context, "gfx/liquid/ice.png", surface);
}

// One frame of the shatter: shards fly out from the centre, turning and fading, after a brief
// white flash; t runs from 0 (the first frame) to 1 (the last).
void BlastFrame(cairo_t* cr, double t) {
    const double c = BlastSize / 2.0;
    if (t < 0.4) {
        const double flash = 1 - t / 0.4;
        cairo_pattern_t* glow = cairo_pattern_create_radial(c, c, 0, c, c, 10 + 10 * t);
        cairo_pattern_add_color_stop_rgba(glow, 0.0, 1, 1, 1, 0.9 * flash);
        cairo_pattern_add_color_stop_rgba(glow, 0.5, 0.8, 0.93, 1, 0.5 * flash);
        cairo_pattern_add_color_stop_rgba(glow, 1.0, 0.7, 0.88, 1, 0);
        cairo_set_source(cr, glow);
        cairo_paint(cr);
        cairo_pattern_destroy(glow);
    }
    const double fade = std::pow(1 - t, 1.3);
    for (int i = 0; i < ShardCount; ++i) {
        const double angle = 2 * Pi * (i + 0.6 * Hash(i, 0, 9)) / ShardCount;
        const double distance = 3 + (20 + 7 * Hash(i, 1, 9)) * std::pow(t, 0.7);
        const double length = (7 + 6 * Hash(i, 2, 9)) * (1 - 0.4 * t);
        const double width = 2 + 2.5 * Hash(i, 3, 9);
        const double spin = (Hash(i, 4, 9) - 0.5) * 3 * t;
        cairo_save(cr);
        cairo_translate(cr, c + distance * std::cos(angle), c + distance * std::sin(angle));
        cairo_rotate(cr, angle + spin);
        // A sliver of ice, pointed at both ends, lit on its upper-left side.
        cairo_move_to(cr, -length * 0.35, 0);
        cairo_line_to(cr, 0, -width / 2);
        cairo_line_to(cr, length * 0.65, 0);
        cairo_line_to(cr, 0, width / 2);
        cairo_close_path(cr);
        cairo_pattern_t* body = cairo_pattern_create_linear(0, -width / 2, 0, width / 2);
        cairo_pattern_add_color_stop_rgba(body, 0.0, 1, 1, 1, 0.95 * fade);
        cairo_pattern_add_color_stop_rgba(body, 1.0, 0.55, 0.78, 0.95, 0.8 * fade);
        cairo_set_source(cr, body);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(body);
        cairo_set_line_width(cr, 0.7);
        cairo_set_source_rgba(cr, 0.2, 0.42, 0.6, 0.6 * fade);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
    // Glittering dust left behind.
    for (int i = 0; i < 9; ++i) {
        const double angle = 2 * Pi * Hash(i, 5, 9);
        const double distance = (6 + 18 * Hash(i, 6, 9)) * t;
        cairo_set_source_rgba(cr, 0.9, 0.97, 1, 0.8 * fade);
        cairo_arc(cr, c + distance * std::cos(angle), c + distance * std::sin(angle),
                  0.8 + 0.6 * Hash(i, 7, 9), 0, 2 * Pi);
        cairo_fill(cr);
    }
}

void DrawIceBlast(TArtContext& context) {
    cairo_surface_t* surface = NewSurface(BlastSize * BlastFrames, BlastSize);
    cairo_t* cr = cairo_create(surface);
    for (int frame = 0; frame < BlastFrames; ++frame) {
        cairo_save(cr);
        cairo_rectangle(cr, frame * BlastSize, 0, BlastSize, BlastSize);
        cairo_clip(cr);
        cairo_translate(cr, frame * BlastSize, 0);
        BlastFrame(cr, frame / (BlastFrames - 1.0));
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    SavePng(context, "gfx/stuff/iceblast." + std::to_string(BlastFrames) + ".png", surface);
}

} // namespace

void DrawIceArt(TArtContext& context) {
    DrawIceTexture(context);
    DrawIceBlast(context);
}

} // namespace artgen
