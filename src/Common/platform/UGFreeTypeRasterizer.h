#pragma once

#include "UGFontRasterizer.h"

// The library handle of FreeType, declared here so that users of the rasteriser need none of
// FreeType's headers.
struct FT_LibraryRec_;

namespace qm {

// Renders faces with FreeType: hinted, 8-bit anti-aliased coverage. Styles without a face file
// of their own are synthesised with FreeType's emboldening and oblique transform.
class TGFreeTypeRasterizer : public IGFontRasterizer {
public:
    TGFreeTypeRasterizer();
    ~TGFreeTypeRasterizer() override;
    TGFreeTypeRasterizer(const TGFreeTypeRasterizer&) = delete;
    TGFreeTypeRasterizer& operator=(const TGFreeTypeRasterizer&) = delete;

    TGRasterFace RenderAscii(const TGRasterRequest& request) override;

private:
    FT_LibraryRec_* FLibrary = nullptr;
};

} // namespace qm
