#pragma once

#include "UGFontRasterizer.h"

#include <memory>

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

    std::unique_ptr<IGFontFace> OpenFace(const TGRasterRequest& request) override;

private:
    // Shared with every open face: a face must be closed before its library, and fonts may
    // outlive the rasteriser that opened them.
    std::shared_ptr<FT_LibraryRec_> FLibrary;
};

} // namespace qm
