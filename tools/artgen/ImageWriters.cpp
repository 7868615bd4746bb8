#include "ImageWriters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gif_lib.h>
#include <jpeglib.h>
#include <unordered_map>

namespace artgen {

namespace {

uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) {
    return (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b;
}

int Channel(uint32_t rgb, int channel) {
    return static_cast<int>((rgb >> (16 - 8 * channel)) & 0xFF);
}

uint8_t ToByte(double value) {
    return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

fs::path PrepareOutput(const TArtContext& context, const std::string& relative) {
    fs::path path = context.DataFolder / relative;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    return path;
}

struct TColourCount {
    uint32_t Rgb;
    uint64_t Count;
};

// A box of the median cut: a run of the colour list.
struct TBox {
    size_t Begin;
    size_t End;
};

int WidestChannel(const std::vector<TColourCount>& colours, const TBox& box, int& range) {
    int low[3] = {255, 255, 255};
    int high[3] = {0, 0, 0};
    for (size_t i = box.Begin; i < box.End; ++i) {
        for (int c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], Channel(colours[i].Rgb, c));
            high[c] = std::max(high[c], Channel(colours[i].Rgb, c));
        }
    }
    int widest = 0;
    for (int c = 1; c < 3; ++c) {
        if (high[c] - low[c] > high[widest] - low[widest]) {
            widest = c;
        }
    }
    range = high[widest] - low[widest];
    return widest;
}

// Green weighs most and blue least, roughly as the eye tells colours apart.
int Distance(uint32_t rgb, const TRgb8& entry) {
    int dr = Channel(rgb, 0) - entry.R;
    int dg = Channel(rgb, 1) - entry.G;
    int db = Channel(rgb, 2) - entry.B;
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

// The palette entry closest to the colour; ties go to the lower index.
size_t Nearest(std::unordered_map<uint32_t, size_t>& cache, uint32_t rgb, const TGifPalette& colours) {
    auto found = cache.find(rgb);
    if (found != cache.end()) {
        return found->second;
    }
    size_t best = 0;
    for (size_t i = 1; i < colours.size(); ++i) {
        if (Distance(rgb, colours[i]) < Distance(rgb, colours[best])) {
            best = i;
        }
    }
    cache.emplace(rgb, best);
    return best;
}

void FailGif(const fs::path& path, int code) {
    const char* reason = GifErrorString(code);
    Fail("cannot write " + path.string() + ": " + (reason ? reason : "unknown GIF error"));
}

// libjpeg's own handler would end the program without naming the file.
[[noreturn]] void JpegFailure(j_common_ptr info) {
    char message[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, message);
    Fail("cannot write " + *static_cast<const std::string*>(info->client_data) + ": " + message);
}

} // namespace

TRgbImage ImageFromSurface(cairo_surface_t* surface, const TColor& background) {
    cairo_surface_flush(surface);
    TRgbImage image;
    image.Width = cairo_image_surface_get_width(surface);
    image.Height = cairo_image_surface_get_height(surface);
    image.Pixels.resize(static_cast<size_t>(image.Width) * image.Height * 3);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const bool hasAlpha = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
    const double back[3] = {background.R * 255.0, background.G * 255.0, background.B * 255.0};
    for (int y = 0; y < image.Height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        uint8_t* out = image.Pixels.data() + static_cast<size_t>(y) * image.Width * 3;
        for (int x = 0; x < image.Width; ++x) {
            const uint32_t pixel = row[x];
            const double alpha = hasAlpha ? ((pixel >> 24) & 0xFF) / 255.0 : 1.0;
            // Cairo's colours are premultiplied, so laying over the background only adds it.
            for (int c = 0; c < 3; ++c) {
                double value = static_cast<double>((pixel >> (16 - 8 * c)) & 0xFF) + back[c] * (1.0 - alpha);
                out[x * 3 + c] = static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
            }
        }
    }
    return image;
}

TRgbImage CropImage(const TRgbImage& image, int x, int y, int width, int height) {
    if (x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > image.Width || y + height > image.Height) {
        Fail("a crop of " + std::to_string(width) + "x" + std::to_string(height) + " at " +
             std::to_string(x) + "," + std::to_string(y) + " leaves the picture");
    }
    TRgbImage crop;
    crop.Width = width;
    crop.Height = height;
    crop.Pixels.resize(static_cast<size_t>(width) * height * 3);
    for (int row = 0; row < height; ++row) {
        const uint8_t* from = image.Pixels.data() + (static_cast<size_t>(y + row) * image.Width + x) * 3;
        std::copy(from, from + static_cast<size_t>(width) * 3,
                  crop.Pixels.data() + static_cast<size_t>(row) * width * 3);
    }
    return crop;
}

// A median cut over the colours of all pictures: the box to split next is the one whose widest
// channel spans most, weighted by the square root of its pixel count so that large smooth areas
// (the gradients) get their share of colours before a few stray edge pixels do; each box is
// split where half its pixels lie on either side, and gives the pixel-weighted mean of its
// colours. Every step is ordered by colour value alone, so the palette depends on nothing but the
// pixels. Pictures with 256 colours or fewer keep them exactly.
TGifPalette BuildGifPalette(const std::vector<const TRgbImage*>& images) {
    std::vector<uint32_t> all;
    for (const TRgbImage* image : images) {
        for (size_t i = 0; i + 2 < image->Pixels.size(); i += 3) {
            all.push_back(Pack(image->Pixels[i], image->Pixels[i + 1], image->Pixels[i + 2]));
        }
    }
    std::sort(all.begin(), all.end());
    std::vector<TColourCount> colours;
    for (uint32_t rgb : all) {
        if (colours.empty() || colours.back().Rgb != rgb) {
            colours.push_back({rgb, 0});
        }
        ++colours.back().Count;
    }
    if (colours.empty()) {
        Fail("a GIF palette needs at least one pixel");
    }

    std::vector<TBox> boxes{{0, colours.size()}};
    while (boxes.size() < 256) {
        size_t chosen = boxes.size();
        double bestScore = 0.0;
        int chosenChannel = 0;
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].End - boxes[b].Begin < 2) {
                continue;
            }
            int range = 0;
            int channel = WidestChannel(colours, boxes[b], range);
            uint64_t count = 0;
            for (size_t i = boxes[b].Begin; i < boxes[b].End; ++i) {
                count += colours[i].Count;
            }
            double score = range * std::sqrt(static_cast<double>(count));
            if (score > bestScore) {
                bestScore = score;
                chosen = b;
                chosenChannel = channel;
            }
        }
        if (chosen == boxes.size()) {
            break;
        }
        TBox box = boxes[chosen];
        std::sort(colours.begin() + static_cast<std::ptrdiff_t>(box.Begin),
                  colours.begin() + static_cast<std::ptrdiff_t>(box.End),
                  [chosenChannel](const TColourCount& a, const TColourCount& b) {
                      int ca = Channel(a.Rgb, chosenChannel);
                      int cb = Channel(b.Rgb, chosenChannel);
                      return ca != cb ? ca < cb : a.Rgb < b.Rgb;
                  });
        uint64_t total = 0;
        for (size_t i = box.Begin; i < box.End; ++i) {
            total += colours[i].Count;
        }
        uint64_t running = 0;
        size_t split = box.Begin + 1;
        for (size_t i = box.Begin; i < box.End - 1; ++i) {
            running += colours[i].Count;
            split = i + 1;
            if (running * 2 >= total) {
                break;
            }
        }
        boxes[chosen] = {box.Begin, split};
        boxes.push_back({split, box.End});
    }

    TGifPalette result;
    for (const TBox& box : boxes) {
        double sum[3] = {0, 0, 0};
        uint64_t count = 0;
        size_t commonest = box.Begin;
        for (size_t i = box.Begin; i < box.End; ++i) {
            for (int c = 0; c < 3; ++c) {
                sum[c] += static_cast<double>(Channel(colours[i].Rgb, c)) * colours[i].Count;
            }
            count += colours[i].Count;
            if (colours[i].Count > colours[commonest].Count) {
                commonest = i;
            }
        }
        // A colour covering most of its box is a flat area that must keep its exact colour (a
        // window may draw its own fill next to it).
        if (colours[commonest].Count * 2 > count) {
            const uint32_t rgb = colours[commonest].Rgb;
            result.push_back({static_cast<uint8_t>(Channel(rgb, 0)), static_cast<uint8_t>(Channel(rgb, 1)),
                              static_cast<uint8_t>(Channel(rgb, 2))});
            continue;
        }
        const double total = static_cast<double>(count) * 255.0;
        result.push_back({ToByte(sum[0] / total), ToByte(sum[1] / total), ToByte(sum[2] / total)});
    }
    return result;
}

void DitherToPalette(TRgbImage& image, const TGifPalette& colours) {
    // The 4 x 4 Bayer matrix: each threshold once, spread evenly over the block.
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    // About the gap between neighbouring palette colours in a smooth gradient.
    constexpr double amplitude = 10.0;
    std::unordered_map<uint32_t, bool> exact;
    for (const TRgb8& entry : colours) {
        exact[Pack(entry.R, entry.G, entry.B)] = true;
    }
    std::unordered_map<uint32_t, size_t> nearest;
    for (int y = 0; y < image.Height; ++y) {
        for (int x = 0; x < image.Width; ++x) {
            uint8_t* pixel = image.Pixels.data() + (static_cast<size_t>(y) * image.Width + x) * 3;
            if (exact.count(Pack(pixel[0], pixel[1], pixel[2])) != 0) {
                continue;
            }
            const double offset = ((bayer[y & 3][x & 3] + 0.5) / 16.0 - 0.5) * amplitude;
            uint8_t shifted[3];
            for (int c = 0; c < 3; ++c) {
                shifted[c] = static_cast<uint8_t>(std::lround(std::clamp(pixel[c] + offset, 0.0, 255.0)));
            }
            const TRgb8& entry = colours[Nearest(nearest, Pack(shifted[0], shifted[1], shifted[2]), colours)];
            pixel[0] = entry.R;
            pixel[1] = entry.G;
            pixel[2] = entry.B;
        }
    }
}

void WriteGif(const TArtContext& context, const std::string& relative, const std::vector<TRgbImage>& frames,
              const TGifPalette& colours, int delay) {
    fs::path path = PrepareOutput(context, relative);
    if (frames.empty() || colours.empty() || colours.size() > 256) {
        Fail("cannot write " + path.string() + ": it needs frames and 1 to 256 colours");
    }
    const int width = frames[0].Width;
    const int height = frames[0].Height;
    for (const TRgbImage& frame : frames) {
        if (frame.Width != width || frame.Height != height) {
            Fail("cannot write " + path.string() + ": its frames differ in size");
        }
    }

    // The colour map's size must be a power of two; the entries beyond the palette stay black.
    int mapSize = 2;
    while (mapSize < static_cast<int>(colours.size())) {
        mapSize *= 2;
    }
    std::vector<GifColorType> entries(static_cast<size_t>(mapSize), GifColorType{0, 0, 0});
    for (size_t i = 0; i < colours.size(); ++i) {
        entries[i] = {colours[i].R, colours[i].G, colours[i].B};
    }
    ColorMapObject* map = GifMakeMapObject(mapSize, entries.data());
    if (!map) {
        Fail("cannot write " + path.string() + ": no memory for its colour map");
    }

    int error = 0;
    std::error_code ec;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif) {
        GifFreeMapObject(map);
        FailGif(path, error);
    }
    const bool animated = frames.size() > 1;
    EGifSetGifVersion(gif, animated);
    if (EGifPutScreenDesc(gif, width, height, GifBitSize(mapSize), 0, map) == GIF_ERROR) {
        FailGif(path, gif->Error);
    }
    GifFreeMapObject(map);

    if (animated) {
        // The application block that makes viewers loop the animation for ever (count 0).
        static const unsigned char application[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        static const unsigned char loop[] = {1, 0, 0};
        if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
            EGifPutExtensionBlock(gif, sizeof application, application) == GIF_ERROR ||
            EGifPutExtensionBlock(gif, sizeof loop, loop) == GIF_ERROR ||
            EGifPutExtensionTrailer(gif) == GIF_ERROR) {
            FailGif(path, gif->Error);
        }
    }

    std::unordered_map<uint32_t, size_t> nearest;
    std::vector<GifPixelType> line(static_cast<size_t>(width));
    for (const TRgbImage& frame : frames) {
        if (animated) {
            // Every frame covers the whole picture, so it is simply left in place for the next.
            GraphicsControlBlock control{};
            control.DisposalMode = DISPOSE_DO_NOT;
            control.UserInputFlag = false;
            control.DelayTime = delay;
            control.TransparentColor = NO_TRANSPARENT_COLOR;
            GifByteType extension[4];
            size_t length = EGifGCBToExtension(&control, extension);
            if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) ==
                GIF_ERROR) {
                FailGif(path, gif->Error);
            }
        }
        if (EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_ERROR) {
            FailGif(path, gif->Error);
        }
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = frame.Pixels.data() + static_cast<size_t>(y) * width * 3;
            for (int x = 0; x < width; ++x) {
                const uint32_t rgb = Pack(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]);
                line[static_cast<size_t>(x)] = static_cast<GifPixelType>(Nearest(nearest, rgb, colours));
            }
            if (EGifPutLine(gif, line.data(), width) == GIF_ERROR) {
                FailGif(path, gif->Error);
            }
        }
    }
    if (EGifCloseFile(gif, &error) == GIF_ERROR) {
        FailGif(path, error);
    }
    // giflib creates its files readable by their owner only; the data folder is read by all.
    fs::permissions(
        path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read,
        ec);
}

void WriteJpeg(const TArtContext& context, const std::string& relative, cairo_surface_t* surface, int quality,
               const TColor& background) {
    fs::path path = PrepareOutput(context, relative);
    TRgbImage image = ImageFromSurface(surface, background);
    cairo_surface_destroy(surface);

    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        Fail("cannot write " + path.string());
    }
    const std::string name = path.string();
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    error.error_exit = JpegFailure;
    info.client_data = const_cast<std::string*>(&name);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(image.Width);
    info.image_height = static_cast<JDIMENSION>(image.Height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = image.Pixels.data() + static_cast<size_t>(info.next_scanline) * image.Width * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    if (std::fclose(file) != 0) {
        Fail("cannot write " + path.string());
    }
}

} // namespace artgen
