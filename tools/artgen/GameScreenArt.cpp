// The play screen around the board: the coast behind it, the carved side panel, the brass frame
// of the board, the plates under the score and brick counters, the round buttons of the panel,
// the banners of its short announcements and the gull and sail that cross the sky.

#include "ArtGenerator.h"
#include "ArtPalette.h"

#include <cmath>
#include <string>

namespace artgen {

namespace {

constexpr TColor White{1.0, 1.0, 1.0};

void Save(TArtContext& context, const std::string& name, cairo_surface_t* surface, cairo_t* cr) {
    cairo_destroy(cr);
    SavePng(context, "gfx/gamescreen/" + name + ".png", surface);
}

// A soft shadow under the light from the upper left: a few widening passes of the shape.
void SoftShadow(cairo_t* cr, double x, double y, double w, double h, double r, double alpha) {
    for (int pass = 0; pass < 4; ++pass) {
        const double grow = pass * 1.5;
        RoundedRect(cr, x + ShadowOffsetX * 2 - grow, y + ShadowOffsetY * 2 - grow, w + 2 * grow,
                    h + 2 * grow, r + grow);
        SetColor(cr, palette::Ink, alpha / (pass + 1.5));
        cairo_fill(cr);
    }
}

// Text with an ink outline and a gradient fill, centred on (cx, cy).
void OutlinedText(cairo_t* cr, cairo_font_face_t* face, const std::string& text, double size, double cx,
                  double cy, const TColor& top, const TColor& bottom) {
    cairo_set_font_face(cr, face);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    const double x = cx - extents.width / 2 - extents.x_bearing;
    const double y = cy - extents.height / 2 - extents.y_bearing;
    cairo_move_to(cr, x + ShadowOffsetX * 1.5, y + ShadowOffsetY * 1.5);
    cairo_text_path(cr, text.c_str());
    SetColor(cr, palette::Ink, 0.45);
    cairo_fill(cr);
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, text.c_str());
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, size / 7);
    SetColor(cr, palette::Ink);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* fill = VerticalGradient(y + extents.y_bearing, y, top, bottom);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
}

// Sandstone blocks: a warm gradient, courses of mortar and a little grain.
void Stonework(cairo_t* cr, double x, double y, double w, double h, unsigned seed) {
    cairo_pattern_t* stone = VerticalGradient(y, y + h, palette::SandLight, palette::SandDark);
    cairo_rectangle(cr, x, y, w, h);
    cairo_set_source(cr, stone);
    cairo_fill(cr);
    cairo_pattern_destroy(stone);
    const double course = 46;
    for (int row = 0; y + row * course < y + h; ++row) {
        const double top = y + row * course;
        cairo_move_to(cr, x, top + 0.5);
        cairo_line_to(cr, x + w, top + 0.5);
        const double shift = (row % 2) ? 38 : 0;
        for (double joint = x + shift; joint < x + w; joint += 76) {
            cairo_move_to(cr, joint + 0.5, top);
            cairo_line_to(cr, joint + 0.5, std::min(top + course, y + h));
        }
    }
    cairo_set_line_width(cr, 1.0);
    SetColor(cr, palette::BrassDark, 0.45);
    cairo_stroke(cr);
    unsigned state = seed;
    for (int i = 0; i < static_cast<int>(w * h / 60); ++i) {
        state = state * 1103515245u + 12345u;
        const double gx = x + (state >> 8) % static_cast<unsigned>(w);
        state = state * 1103515245u + 12345u;
        const double gy = y + (state >> 8) % static_cast<unsigned>(h);
        cairo_rectangle(cr, gx, gy, 1, 1);
    }
    SetColor(cr, palette::Ink, 0.08);
    cairo_fill(cr);
}

// A recess cut into the stone: dark inside, shaded along its upper and left edges.
void Recess(cairo_t* cr, double x, double y, double w, double h, double r, double alpha) {
    RoundedRect(cr, x, y, w, h, r);
    SetColor(cr, palette::Night, alpha);
    cairo_fill(cr);
    RoundedRect(cr, x + 1, y + 1, w - 2, h - 2, r);
    cairo_set_line_width(cr, 2.0);
    SetColor(cr, palette::Ink, 0.5);
    cairo_stroke(cr);
    RoundedRect(cr, x - 0.5, y - 0.5, w + 1, h + 1, r + 0.5);
    cairo_set_line_width(cr, 1.0);
    SetColor(cr, White, 0.35);
    cairo_stroke(cr);
}

void Background(TArtContext& context) {
    const int width = 800;
    const int height = 600;
    cairo_surface_t* surface = NewSurface(width, height);
    cairo_t* cr = cairo_create(surface);
    // A wide evening sky over the Quill Coast.
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, 380);
    AddStop(sky, 0.0, {0.23, 0.42, 0.62});
    AddStop(sky, 0.6, {0.62, 0.76, 0.84});
    AddStop(sky, 1.0, {0.98, 0.86, 0.66});
    cairo_rectangle(cr, 0, 0, width, 380);
    cairo_set_source(cr, sky);
    cairo_fill(cr);
    cairo_pattern_destroy(sky);
    // The sun low over the sea, with its glow.
    cairo_pattern_t* glow = cairo_pattern_create_radial(620, 330, 10, 620, 330, 220);
    AddStop(glow, 0.0, {1.0, 0.95, 0.75}, 0.9);
    AddStop(glow, 1.0, {1.0, 0.85, 0.6}, 0.0);
    cairo_rectangle(cr, 0, 0, width, 380);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    // Soft clouds in layers.
    const double clouds[][3] = {{120, 90, 60},  {190, 80, 45},  {520, 60, 55}, {600, 70, 40},
                                {360, 150, 35}, {420, 145, 45}, {700, 170, 30}};
    for (const auto& c : clouds) {
        cairo_save(cr);
        cairo_translate(cr, c[0], c[1]);
        cairo_scale(cr, 2.2, 0.7);
        cairo_arc(cr, 0, 0, c[2] / 2, 0, 2 * Pi);
        cairo_restore(cr);
        SetColor(cr, White, 0.35);
        cairo_fill(cr);
    }
    // The sea, darker towards the shore, with the sun's path on it.
    cairo_pattern_t* sea = VerticalGradient(380, 470, {0.36, 0.62, 0.66}, palette::TealDark);
    cairo_rectangle(cr, 0, 380, width, 120);
    cairo_set_source(cr, sea);
    cairo_fill(cr);
    cairo_pattern_destroy(sea);
    for (int i = 0; i < 14; ++i) {
        const double y = 384 + i * 6.5;
        const double half = 60 - i * 2.5;
        cairo_rectangle(cr, 620 - half, y, 2 * half, 1.5);
    }
    SetColor(cr, {1.0, 0.93, 0.72}, 0.55);
    cairo_fill(cr);
    // Terraced cliffs on the left, a far headland on the right.
    cairo_move_to(cr, 0, 250);
    cairo_line_to(cr, 70, 250);
    cairo_line_to(cr, 80, 290);
    cairo_line_to(cr, 150, 290);
    cairo_line_to(cr, 165, 330);
    cairo_line_to(cr, 240, 335);
    cairo_line_to(cr, 270, 390);
    cairo_line_to(cr, 320, 420);
    cairo_line_to(cr, 0, 420);
    cairo_close_path(cr);
    cairo_pattern_t* cliff = VerticalGradient(250, 420, palette::SandDark, {0.48, 0.36, 0.24});
    cairo_set_source(cr, cliff);
    cairo_fill(cr);
    cairo_pattern_destroy(cliff);
    cairo_move_to(cr, 640, 380);
    cairo_curve_to(cr, 700, 350, 760, 345, 800, 350);
    cairo_line_to(cr, 800, 380);
    cairo_close_path(cr);
    SetColor(cr, {0.42, 0.52, 0.6}, 0.8);
    cairo_fill(cr);
    // The shore and the ground the bricks land on.
    cairo_pattern_t* ground = VerticalGradient(470, 600, {0.78, 0.66, 0.46}, {0.45, 0.34, 0.22});
    cairo_move_to(cr, 0, 480);
    cairo_curve_to(cr, 200, 462, 520, 470, 800, 458);
    cairo_line_to(cr, 800, 600);
    cairo_line_to(cr, 0, 600);
    cairo_close_path(cr);
    cairo_set_source(cr, ground);
    cairo_fill(cr);
    cairo_pattern_destroy(ground);
    unsigned state = 91;
    for (int i = 0; i < 900; ++i) {
        state = state * 1103515245u + 12345u;
        const double px = (state >> 8) % 800;
        state = state * 1103515245u + 12345u;
        const double py = 475 + (state >> 8) % 125;
        cairo_rectangle(cr, px, py, 1.5, 1.5);
    }
    SetColor(cr, palette::Ink, 0.12);
    cairo_fill(cr);
    Save(context, "Background", surface, cr);
}

void SidePanel(TArtContext& context) {
    const int width = 226;
    const int height = 350;
    cairo_surface_t* surface = NewSurface(width, height);
    cairo_t* cr = cairo_create(surface);
    SoftShadow(cr, -20, -20, width - 10 + 20, height + 10, 16, 0.5);
    cairo_save(cr);
    RoundedRect(cr, -20, -20, width - 10 + 20, height + 10, 16);
    cairo_clip(cr);
    Stonework(cr, 0, 0, width - 10, height, 17);
    cairo_restore(cr);
    // The brass edge towards the board.
    cairo_pattern_t* brass = BrassPattern(width - 16, 0, width - 6, 0);
    cairo_rectangle(cr, width - 17, 0, 7, height - 16);
    cairo_set_source(cr, brass);
    cairo_fill(cr);
    cairo_pattern_destroy(brass);
    // The hollows the gauges stand in: the marbles beside the brick gauge, and the shuffle gauge.
    Recess(cr, 10, 48, 78, 178, 10, 0.55);
    Recess(cr, 12, 228, 100, 54, 10, 0.55);
    Save(context, "SidePanel", surface, cr);
}

void FieldFrame(TArtContext& context) {
    const int size = 120;
    cairo_surface_t* surface = NewSurface(size, size);
    cairo_t* cr = cairo_create(surface);
    SoftShadow(cr, 2, 2, size - 8, size - 8, 14, 0.6);
    // The board's bed: a dark translucent well the cells sit in.
    RoundedRect(cr, 14, 14, size - 30, size - 30, 6);
    SetColor(cr, palette::Night, 0.72);
    cairo_fill(cr);
    // The brass rim with a bevel under the light.
    RoundedRect(cr, 3, 3, size - 8, size - 8, 14);
    RoundedRect(cr, 13, 13, size - 28, size - 28, 6);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_pattern_t* brass = BrassPattern(0, 0, size, size);
    cairo_set_source(cr, brass);
    cairo_fill(cr);
    cairo_pattern_destroy(brass);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    RoundedRect(cr, 3.5, 3.5, size - 9, size - 9, 14);
    cairo_set_line_width(cr, 1.2);
    SetColor(cr, palette::Ink, 0.9);
    cairo_stroke(cr);
    RoundedRect(cr, 12.5, 12.5, size - 27, size - 27, 6);
    SetColor(cr, palette::Ink, 0.8);
    cairo_stroke(cr);
    RoundedRect(cr, 5, 5, size - 12, size - 12, 12);
    SetColor(cr, White, 0.4);
    cairo_stroke(cr);
    Save(context, "FieldFrame", surface, cr);
}

// Exactly the size of the counters it stands under.
void ValuePlate(TArtContext& context) {
    const int width = 116;
    const int height = 36;
    cairo_surface_t* surface = NewSurface(width, height);
    cairo_t* cr = cairo_create(surface);
    SoftShadow(cr, 1, 1, width - 6, height - 6, 9, 0.4);
    cairo_pattern_t* brass = BrassPattern(0, 0, 0, height);
    RoundedRect(cr, 1, 1, width - 5, height - 5, 9);
    cairo_set_source(cr, brass);
    cairo_fill(cr);
    cairo_pattern_destroy(brass);
    RoundedRect(cr, 5, 5, width - 13, height - 13, 6);
    cairo_pattern_t* inset = VerticalGradient(5, height - 8, {0.08, 0.12, 0.19}, palette::Night);
    cairo_set_source(cr, inset);
    cairo_fill(cr);
    cairo_pattern_destroy(inset);
    RoundedRect(cr, 1.5, 1.5, width - 6, height - 6, 9);
    cairo_set_line_width(cr, 1.0);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);
    Save(context, "ValuePlate", surface, cr);
}

// The round buttons of the panel: a teal stone with a symbol, in four states.
void RoundButtons(TArtContext& context) {
    struct TState {
        const char* Suffix;
        double Lift;
        double Grey;
        double Glow;
    };
    const TState states[] = {
        {"Normal", 0, 0, 0}, {"Hover", 0, 0, 0.35}, {"Pressed", 1.5, 0, 0}, {"Disabled", 0, 1, 0}};
    const char* symbols[] = {"Pause", "Exit", "Shuffle"};
    const int size = 52;
    for (const char* symbol : symbols) {
        for (const TState& state : states) {
            cairo_surface_t* surface = NewSurface(size, size);
            cairo_t* cr = cairo_create(surface);
            const double c = size / 2.0 - 2 + state.Lift;
            const double r = size / 2.0 - 5;
            cairo_arc(cr, c + 2, c + 2, r + 1, 0, 2 * Pi);
            SetColor(cr, palette::Ink, 0.35);
            cairo_fill(cr);
            cairo_arc(cr, c, c, r + 2, 0, 2 * Pi);
            cairo_pattern_t* rim = BrassPattern(0, 0, size, size);
            cairo_set_source(cr, rim);
            cairo_fill(cr);
            cairo_pattern_destroy(rim);
            const TColor top = Mix(palette::TealLight, {0.6, 0.6, 0.6}, state.Grey * 0.8);
            const TColor bottom = Mix(palette::TealDark, {0.4, 0.4, 0.4}, state.Grey * 0.8);
            cairo_arc(cr, c, c, r - 1, 0, 2 * Pi);
            cairo_pattern_t* face = VerticalGradient(c - r, c + r, Mix(top, White, state.Glow), bottom);
            cairo_set_source(cr, face);
            cairo_fill(cr);
            cairo_pattern_destroy(face);
            cairo_arc(cr, c, c, r + 2, 0, 2 * Pi);
            cairo_set_line_width(cr, 1.0);
            SetColor(cr, palette::Ink);
            cairo_stroke(cr);
            // The symbol in parchment with an ink edge.
            cairo_new_path(cr);
            const std::string name = symbol;
            if (name == "Pause") {
                RoundedRect(cr, c - 8, c - 9, 6, 18, 1.5);
                RoundedRect(cr, c + 2, c - 9, 6, 18, 1.5);
            } else if (name == "Exit") {
                cairo_move_to(cr, c - 8, c - 8);
                cairo_line_to(cr, c + 8, c + 8);
                cairo_move_to(cr, c + 8, c - 8);
                cairo_line_to(cr, c - 8, c + 8);
            } else {
                cairo_arc(cr, c, c, 9, -Pi * 0.9, Pi * 0.4);
            }
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            if (name == "Pause") {
                SetColor(cr, palette::Parchment, state.Grey > 0 ? 0.6 : 1.0);
                cairo_fill_preserve(cr);
                cairo_set_line_width(cr, 1.0);
                SetColor(cr, palette::Ink);
                cairo_stroke(cr);
            } else {
                cairo_set_line_width(cr, 6.0);
                SetColor(cr, palette::Ink);
                cairo_stroke_preserve(cr);
                cairo_set_line_width(cr, 3.5);
                SetColor(cr, palette::Parchment, state.Grey > 0 ? 0.6 : 1.0);
                cairo_stroke(cr);
            }
            Save(context, std::string(symbol) + "Btn" + state.Suffix, surface, cr);
        }
    }
}

// A ribbon banner carrying a short call, for the announcements over the board.
void Banner(TArtContext& context, cairo_font_face_t* bold, const std::string& name, const std::string& text,
            int width, const TColor& cloth) {
    const int height = 70;
    cairo_surface_t* surface = NewSurface(width, height);
    cairo_t* cr = cairo_create(surface);
    SoftShadow(cr, 6, 8, width - 16, height - 20, 12, 0.45);
    RoundedRect(cr, 4, 6, width - 14, height - 18, 12);
    cairo_set_source_rgb(cr, cloth.R, cloth.G, cloth.B);
    cairo_pattern_t* fill =
        VerticalGradient(6, height - 12, Mix(cloth, White, 0.3), Mix(cloth, palette::Ink, 0.3));
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    cairo_set_line_width(cr, 2.0);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);
    RoundedRect(cr, 9, 11, width - 24, height - 28, 8);
    cairo_set_line_width(cr, 1.5);
    SetColor(cr, palette::BrassLight, 0.9);
    cairo_stroke(cr);
    OutlinedText(cr, bold, text, 30, (width - 10) / 2.0, (height - 12) / 2.0 + 3, White, palette::BrassLight);
    Save(context, name, surface, cr);
}

// A heart with "+1" for the life won by points.
void ExtraLife(TArtContext& context, cairo_font_face_t* bold) {
    const int size = 64;
    cairo_surface_t* surface = NewSurface(size, size);
    cairo_t* cr = cairo_create(surface);
    auto heart = [&](double dx, double dy) {
        cairo_move_to(cr, 32 + dx, 56 + dy);
        cairo_curve_to(cr, 4 + dx, 36 + dy, 4 + dx, 8 + dy, 32 + dx, 20 + dy);
        cairo_curve_to(cr, 60 + dx, 8 + dy, 60 + dx, 36 + dy, 32 + dx, 56 + dy);
        cairo_close_path(cr);
    };
    heart(2, 2);
    SetColor(cr, palette::Ink, 0.35);
    cairo_fill(cr);
    heart(0, 0);
    cairo_pattern_t* fill = VerticalGradient(10, 56, Mix(palette::Coral, White, 0.35), {0.6, 0.18, 0.14});
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    cairo_set_line_width(cr, 2.0);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);
    OutlinedText(cr, bold, "+1", 20, 32, 32, White, palette::BrassLight);
    Save(context, "ExtraLife", surface, cr);
}

// The down arrow that points at the charged bonus.
void BonusArrow(TArtContext& context) {
    const int width = 40;
    const int height = 48;
    cairo_surface_t* surface = NewSurface(width, height);
    cairo_t* cr = cairo_create(surface);
    auto arrow = [&](double d) {
        cairo_move_to(cr, 12 + d, 2 + d);
        cairo_line_to(cr, 26 + d, 2 + d);
        cairo_line_to(cr, 26 + d, 22 + d);
        cairo_line_to(cr, 36 + d, 22 + d);
        cairo_line_to(cr, 19 + d, 44 + d);
        cairo_line_to(cr, 2 + d, 22 + d);
        cairo_line_to(cr, 12 + d, 22 + d);
        cairo_close_path(cr);
    };
    arrow(1.5);
    SetColor(cr, palette::Ink, 0.4);
    cairo_fill(cr);
    arrow(0);
    cairo_pattern_t* brass = BrassPattern(0, 0, 0, height);
    cairo_set_source(cr, brass);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(brass);
    cairo_set_line_width(cr, 1.5);
    SetColor(cr, palette::Ink);
    cairo_stroke(cr);
    Save(context, "BonusArrow", surface, cr);
}

// The sky's passers-by: a gull in two wing beats and a small sail.
void SkyPassers(TArtContext& context) {
    for (int frame = 0; frame < 2; ++frame) {
        cairo_surface_t* surface = NewSurface(40, 24);
        cairo_t* cr = cairo_create(surface);
        const double lift = frame == 0 ? 2 : 14;
        cairo_move_to(cr, 2, lift);
        cairo_curve_to(cr, 10, lift - 2, 16, 10, 20, 14);
        cairo_curve_to(cr, 24, 10, 30, lift - 2, 38, lift);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_width(cr, 2.6);
        SetColor(cr, {0.2, 0.24, 0.3}, 0.85);
        cairo_stroke(cr);
        Save(context, "Gull" + std::to_string(frame + 1), surface, cr);
    }
    cairo_surface_t* surface = NewSurface(44, 48);
    cairo_t* cr = cairo_create(surface);
    cairo_move_to(cr, 4, 36);
    cairo_line_to(cr, 40, 36);
    cairo_line_to(cr, 34, 44);
    cairo_line_to(cr, 10, 44);
    cairo_close_path(cr);
    SetColor(cr, {0.42, 0.28, 0.18});
    cairo_fill(cr);
    cairo_move_to(cr, 22, 4);
    cairo_line_to(cr, 22, 34);
    cairo_line_to(cr, 38, 34);
    cairo_close_path(cr);
    SetColor(cr, palette::Parchment);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1.0);
    SetColor(cr, palette::Ink, 0.7);
    cairo_stroke(cr);
    cairo_move_to(cr, 20, 8);
    cairo_line_to(cr, 8, 34);
    cairo_line_to(cr, 20, 34);
    cairo_close_path(cr);
    SetColor(cr, palette::Coral);
    cairo_fill(cr);
    Save(context, "Sail", surface, cr);
}

} // namespace

void DrawGameScreenArt(TArtContext& context) {
    cairo_font_face_t* bold = LoadFace(context, "DejaVuSans-Bold.ttf", "the play screen's banners");
    Background(context);
    SidePanel(context);
    FieldFrame(context);
    ValuePlate(context);
    RoundButtons(context);
    Banner(context, bold, "HurryUp", "Hurry up!", 260, palette::Coral);
    Banner(context, bold, "NoMoves", "No moves left", 300, palette::TealDark);
    Banner(context, bold, "BonusReady", "Bonus!", 150, palette::TealLight);
    ExtraLife(context, bold);
    BonusArrow(context);
    SkyPassers(context);
}

} // namespace artgen
