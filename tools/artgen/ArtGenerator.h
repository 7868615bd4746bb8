#pragma once

// The generator of the default art: it draws every picture of the data folder with Cairo, from
// code, the same bytes on every run. Each art family writes its pictures in one function.

#include <cairo.h>
#include <filesystem>
#include <string>
#include <vector>

namespace artgen {

namespace fs = std::filesystem;

// Where pictures go and what the families share.
struct TArtContext {
    fs::path DataFolder; // the build tree's data folder
    fs::path FaceFolder; // where the TrueType faces are (the data folder's fonts/)
    // Resource definitions of generated image fonts, appended to lang/Fonts.xml.
    std::vector<std::string> FontResources;
};

// Fails the build with a message naming what went wrong.
[[noreturn]] void Fail(const std::string& message);

// A new ARGB surface; the caller owns it.
cairo_surface_t* NewSurface(int width, int height);
// Writes the surface as PNG under the data folder (folders are created) and frees it.
void SavePng(const TArtContext& context, const std::string& relative, cairo_surface_t* surface);
// The same for a sprite the game adds onto the picture ("Add" blending adds a pixel's colour
// whatever its alpha): the colour is stored darkened by its alpha, so that a soft edge fades to
// black instead of ending in a hard rim of full colour.
void SavePngForAdding(const TArtContext& context, const std::string& relative, cairo_surface_t* surface);

// A face of the data folder's fonts/ for Cairo; `user` names who needs it in the failure
// message. The FreeType face stays open to the end of the program: Cairo may keep glyphs of it
// cached.
cairo_font_face_t* LoadFace(const TArtContext& context, const std::string& file, const std::string& user);

// Text centred on (cx, cy): a soft shadow down and right, an ink outline `outline` pixels wide and
// the fill.
void DrawOutlinedText(cairo_t* cr, cairo_font_face_t* face, const std::string& text, double size, double cx,
                      double cy, cairo_pattern_t* fill, double outline = 3.0);

// The families, each in its own file.
void DrawTestArt(TArtContext& context);
void DrawFontArt(TArtContext& context);
void DrawInterfaceArt(TArtContext& context);
void DrawLogoArt(TArtContext& context);
void DrawFirstTimeArt(TArtContext& context);
void DrawMarbleArt(TArtContext& context);
// The board around the marbles: cell tile, blocks, colour cells, brick layers, score pop-ups,
// fireballs and marble overlays.
void DrawBoardArt(TArtContext& context);
// The specials of every kind in their folders "specials/<id>": normal, selected, grey and
// charging looks, the chameleon's layers and the sprites their effects fly.
void DrawSpecialArt(TArtContext& context);
// The extra bonuses' own pictures: the phantom's definitions and sparkle, the colour change's
// swatches and the highlight of a planted column.
void DrawBonusArt(TArtContext& context);
// The gauges of the play screen (time, brick, shuffle, bonus) and the thrown bricks' frames.
void DrawBarArt(TArtContext& context);
// The sprites of the particle effects, mostly white so the effects tint them.
void DrawParticleArt(TArtContext& context);
// Frost: the texture of the metaball ice (a sphere map that also tiles) and its shatter.
void DrawIceArt(TArtContext& context);
// The desktop's application icon at 48, 64, 128 and 256 pixels, under icons/ of the data folder:
// outside gfx/ and no-gfx/, so the game never loads it; the install puts it into the icon theme.
void DrawIconArt(TArtContext& context);
// The secret challenge's announcement: the glow of its burst and its banner.
void DrawSecretLevelArt(TArtContext& context);
// The play screen around the board: the coast behind it, side panel, board frame, counter
// plates, round buttons, announcement banners and the sky's passers-by.
void DrawGameScreenArt(TArtContext& context);
// The board's changes between sublevels and the flight to the monument: the stars of a burst
// colour cell and the streaks of the camera's flight.
void DrawTransformationArt(TArtContext& context);

} // namespace artgen
