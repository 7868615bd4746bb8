#include "UGFreeTypeRasterizer.h"

#include "UGError.h"
#include "UGStrings.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace qm {

namespace {

struct TFaceCloser {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using TFacePtr = std::unique_ptr<FT_FaceRec_, TFaceCloser>;

// 26.6 fixed point to whole pixels, rounding up so that ink is never cut off.
int CeilPixels(FT_Pos value) {
    return static_cast<int>((value + 63) >> 6);
}

TGGlyphBitmap CopyGlyph(char32_t code, FT_GlyphSlot slot) {
    const FT_Bitmap& bitmap = slot->bitmap;
    TGGlyphBitmap glyph;
    glyph.Code = code;
    glyph.Width = static_cast<int>(bitmap.width);
    glyph.Height = static_cast<int>(bitmap.rows);
    glyph.BearingX = slot->bitmap_left;
    glyph.BearingY = slot->bitmap_top;
    glyph.Advance = static_cast<int>((slot->advance.x + 32) >> 6);
    glyph.Coverage.assign(static_cast<size_t>(glyph.Width) * static_cast<size_t>(glyph.Height), 0);
    // A negative pitch means the rows are stored bottom row first.
    int pitch = std::abs(bitmap.pitch);
    for (int row = 0; row < glyph.Height; ++row) {
        int sourceRow = bitmap.pitch < 0 ? glyph.Height - 1 - row : row;
        const unsigned char* line = bitmap.buffer + static_cast<ptrdiff_t>(sourceRow) * pitch;
        for (int column = 0; column < glyph.Width; ++column) {
            uint8_t value = 0;
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                value = (line[column >> 3] >> (7 - (column & 7))) & 1 ? 255 : 0;
            } else if (bitmap.num_grays > 1) {
                value = static_cast<uint8_t>(line[column] * 255 / (bitmap.num_grays - 1));
            }
            glyph.Coverage[static_cast<size_t>(row) * static_cast<size_t>(glyph.Width) +
                           static_cast<size_t>(column)] = value;
        }
    }
    return glyph;
}

class TGFreeTypeFace : public IGFontFace {
public:
    TGFreeTypeFace(std::shared_ptr<FT_LibraryRec_> library, TFacePtr face, const TGRasterRequest& request)
        : FLibrary(std::move(library)), FFace(std::move(face)), FFile(request.FaceFile.string()),
          FEmbolden(request.Embolden), FOblique(request.Oblique) {}

    TGFaceMetrics Metrics() const override {
        TGFaceMetrics result;
        const FT_Size_Metrics& metrics = FFace->size->metrics;
        result.Ascent = CeilPixels(metrics.ascender);
        result.Descent = CeilPixels(-metrics.descender);
        // Each of the three is rounded on its own, so the sum of two may pass the third.
        result.LineHeight = std::max(CeilPixels(metrics.height), result.Ascent + result.Descent);
        return result;
    }

    bool HasGlyph(char32_t code) const override { return FT_Get_Char_Index(FFace.get(), code) != 0; }

    TGGlyphBitmap RenderGlyph(char32_t code) override {
        // Index 0 is the face's box for characters it lacks.
        FT_UInt index = FT_Get_Char_Index(FFace.get(), code);
        FT_Error error = FT_Load_Glyph(FFace.get(), index, FT_LOAD_DEFAULT);
        FT_GlyphSlot slot = FFace->glyph;
        if (!error && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            // The synthesis works on the outline, so it must come before rendering.
            if (FOblique) {
                FT_GlyphSlot_Oblique(slot);
            }
            if (FEmbolden) {
                FT_GlyphSlot_Embolden(slot);
            }
        }
        if (!error) {
            error = FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL);
        }
        if (error) {
            throw EGError("TGFreeTypeRasterizer.RenderGlyph",
                          Format("Face file \"%s\": code %u cannot be rendered (FreeType error %d)",
                                 FFile.c_str(), static_cast<unsigned>(code), error));
        }
        return CopyGlyph(code, slot);
    }

private:
    // Declared first so that it is released after the face.
    std::shared_ptr<FT_LibraryRec_> FLibrary;
    TFacePtr FFace;
    std::string FFile;
    bool FEmbolden;
    bool FOblique;
};

} // namespace

TGFreeTypeRasterizer::TGFreeTypeRasterizer() {
    FT_Library library = nullptr;
    if (FT_Error error = FT_Init_FreeType(&library)) {
        throw EGError("TGFreeTypeRasterizer.Create", Format("FreeType error %d", error));
    }
    FLibrary = std::shared_ptr<FT_LibraryRec_>(library, [](FT_Library handle) { FT_Done_FreeType(handle); });
}

TGFreeTypeRasterizer::~TGFreeTypeRasterizer() = default;

std::unique_ptr<IGFontFace> TGFreeTypeRasterizer::OpenFace(const TGRasterRequest& request) {
    const std::string file = request.FaceFile.string();
    if (request.PixelHeight <= 0) {
        throw EGError("TGFreeTypeRasterizer.OpenFace",
                      Format("Face \"%s\": pixel height %d", file.c_str(), request.PixelHeight));
    }
    FT_Face rawFace = nullptr;
    if (FT_Error error = FT_New_Face(FLibrary.get(), file.c_str(), 0, &rawFace)) {
        throw EGError("TGFreeTypeRasterizer.OpenFace",
                      Format("Face file \"%s\" cannot be read (FreeType error %d)", file.c_str(), error));
    }
    TFacePtr face(rawFace);
    if (FT_Error error = FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(request.PixelHeight))) {
        throw EGError("TGFreeTypeRasterizer.OpenFace",
                      Format("Face file \"%s\" has no size of %d pixels (FreeType error %d)", file.c_str(),
                             request.PixelHeight, error));
    }
    return std::make_unique<TGFreeTypeFace>(FLibrary, std::move(face), request);
}

} // namespace qm
