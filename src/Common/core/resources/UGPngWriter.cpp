#include "UGPngWriter.h"

#include "UGError.h"
#include "UGStrings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <png.h>

namespace qm {

namespace {

struct TPngFile {
    FILE* File = nullptr;
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    ~TPngFile() {
        if (Png) {
            png_destroy_write_struct(&Png, Info ? &Info : nullptr);
        }
        if (File) {
            std::fclose(File);
        }
    }
};

} // namespace

void WritePng(const std::filesystem::path& path, int width, int height, const std::vector<uint32_t>& argb) {
    const std::string context = "WritePng";
    if (width <= 0 || height <= 0 ||
        argb.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
        throw EGError(context, Format("\"%s\": the picture has no pixels or the wrong number", path.c_str()));
    }
    std::vector<png_byte> rows(argb.size() * 4);
    for (size_t i = 0; i < argb.size(); ++i) {
        rows[i * 4 + 0] = static_cast<png_byte>(argb[i] >> 16);
        rows[i * 4 + 1] = static_cast<png_byte>(argb[i] >> 8);
        rows[i * 4 + 2] = static_cast<png_byte>(argb[i]);
        rows[i * 4 + 3] = static_cast<png_byte>(argb[i] >> 24);
    }
    std::vector<png_bytep> rowPointers(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        rowPointers[static_cast<size_t>(y)] =
            rows.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4;
    }

    TPngFile out;
    out.File = std::fopen(path.c_str(), "wb");
    if (!out.File) {
        throw EGError(context, Format("cannot create \"%s\": %s", path.c_str(), std::strerror(errno)));
    }
    out.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    out.Info = out.Png ? png_create_info_struct(out.Png) : nullptr;
    if (!out.Info) {
        throw EGError::Failed(context);
    }
    if (setjmp(png_jmpbuf(out.Png))) {
        throw EGError(context, Format("cannot write \"%s\"", path.c_str()));
    }
    png_init_io(out.Png, out.File);
    png_set_IHDR(out.Png, out.Info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(out.Png, out.Info);
    png_write_image(out.Png, rowPointers.data());
    png_write_end(out.Png, nullptr);
}

} // namespace qm
