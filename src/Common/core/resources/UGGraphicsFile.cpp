#include "UGGraphicsFile.h"

#include <filesystem>

#include "UGError.h"
#include "UGFileSystem.h"
#include "UGStrings.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include <gif_lib.h>
#include <png.h>

// jpeglib.h needs <cstdio> before it, and jerror.h needs jpeglib.h's configuration before it:
// otherwise its message numbers differ from the library's.
#include <jpeglib.h>

#include <jerror.h>

namespace qm {

namespace {

constexpr uint8_t MagentaBGR[3] = {0xFF, 0x00, 0xFF};

[[noreturn]] void FailDecode(const char* context, const std::string& name, const std::string& reason) {
    throw EGError(context, Format("\"%s\": %s", name.c_str(), reason.c_str()));
}

// The bytes to decode: the stream's own when reading from it, otherwise the file's, kept in
// `holder`.
std::string_view ImageBytes(const char* context, const std::string& name, const std::string* stream,
                            bool fromStream, std::string& holder) {
    if (fromStream) {
        if (!stream) {
            FailDecode(context, name, "no stream to read from");
        }
        return *stream;
    }
    holder = ReadWholeFile(ResolveNoCase(name));
    return holder;
}

// A file read from disk is stored in the ".gfx" stream as it was, once it is known to decode.
void StoreOriginal(std::string* stream, bool fromStream, const std::string& holder) {
    if (stream && !fromStream) {
        stream->append(holder);
    }
}

struct TFreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};
using TMallocBytes = std::unique_ptr<unsigned char, TFreeDeleter>;

// ---------------------------------------------------------------------------------------------
// PNG. libpng reports errors by longjmp. Everything it can jump over or back into (the
// callbacks, RunPngDecoder and the job) is plain C data without destructors, and the C++ caller
// turns a failure into an exception after the decoder has returned.

struct TPngJob {
    const unsigned char* Data;
    size_t Size;
    size_t Position;
    png_uint_32 Width;
    png_uint_32 Height;
    int HasAlpha;
    unsigned char* Rgba; // malloc'ed, Width * Height * 4 bytes
    png_bytep* Rows;     // malloc'ed
    char Message[256];
};

void PngError(png_structp png, png_const_charp message) {
    auto* job = static_cast<TPngJob*>(png_get_error_ptr(png));
    std::snprintf(job->Message, sizeof job->Message, "%s", message);
    png_longjmp(png, 1);
}

// Warnings concern ancillary data the game does not use; the console is not the place for them.
void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep out, size_t count) {
    auto* job = static_cast<TPngJob*>(png_get_io_ptr(png));
    if (count > job->Size - job->Position) {
        png_error(png, "unexpected end of data");
    }
    std::memcpy(out, job->Data + job->Position, count);
    job->Position += count;
}

bool RunPngDecoder(TPngJob* job) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, PngError, PngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::snprintf(job->Message, sizeof job->Message, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::free(job->Rows);
        job->Rows = nullptr;
        std::free(job->Rgba);
        job->Rgba = nullptr;
        return false;
    }
    png_set_read_fn(png, job, PngRead);
    png_read_info(png, info);

    job->Width = png_get_image_width(png, info);
    job->Height = png_get_image_height(png, info);
    if (!IsPictureSizeAllowed(job->Width, job->Height, 1)) {
        std::snprintf(job->Message, sizeof job->Message, "picture of %ux%u pixels is too large",
                      static_cast<unsigned>(job->Width), static_cast<unsigned>(job->Height));
        png_longjmp(png, 1);
    }
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    job->HasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || hasTrns;

    // Everything becomes 8-bit RGBA; gamma and background chunks are ignored on purpose, the art
    // is authored for the raw values.
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0 && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (hasTrns) {
        png_set_tRNS_to_alpha(png);
    }
    if (bitDepth == 16) {
        png_set_strip_16(png);
    }
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0) {
        png_set_gray_to_rgb(png);
    }
    if (!job->HasAlpha) {
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(job->Width) * 4) {
        png_error(png, "unexpected pixel layout after conversion");
    }

    job->Rgba = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(job->Width) * job->Height * 4));
    job->Rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * job->Height));
    if (!job->Rgba || !job->Rows) {
        png_error(png, "out of memory");
    }
    for (png_uint_32 y = 0; y < job->Height; ++y) {
        job->Rows[y] = job->Rgba + static_cast<size_t>(y) * job->Width * 4;
    }
    png_read_image(png, job->Rows);
    // Reading to the end checks the last data chunk's checksum and finds truncated files.
    png_read_end(png, nullptr);

    png_destroy_read_struct(&png, &info, nullptr);
    std::free(job->Rows);
    job->Rows = nullptr;
    return true;
}

// ---------------------------------------------------------------------------------------------
// JPEG. libjpeg's error manager leaves by longjmp as well, under the same rules as above.

struct TJpegError {
    jpeg_error_mgr Manager; // first, so that libjpeg's pointer to it leads back here
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegErrorExit(j_common_ptr info) {
    auto* error = reinterpret_cast<TJpegError*>(info->err);
    (*info->err->format_message)(info, error->Message);
    std::longjmp(error->Jump, 1);
}

// libjpeg patches over missing or damaged data with grey blocks and only warns; such a picture
// is refused instead. Warnings about metadata alone are dropped, like all console output.
void JpegEmitMessage(j_common_ptr info, int level) {
    if (level >= 0) {
        return;
    }
    switch (info->err->msg_code) {
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
        JpegErrorExit(info);
    default:
        info->err->num_warnings++;
    }
}

void JpegOutputMessage(j_common_ptr) {}

void InstallJpegErrors(TJpegError& error) {
    jpeg_std_error(&error.Manager);
    error.Manager.error_exit = JpegErrorExit;
    error.Manager.emit_message = JpegEmitMessage;
    error.Manager.output_message = JpegOutputMessage;
}

struct TJpegDecodeJob {
    const unsigned char* Data;
    size_t Size;
    int Width;
    int Height;
    unsigned char* Bgr; // malloc'ed, Width * Height * 3 bytes
    jpeg_decompress_struct Info;
    TJpegError Error;
};

bool RunJpegDecoder(TJpegDecodeJob* job) {
    InstallJpegErrors(job->Error);
    job->Info.err = &job->Error.Manager;
    if (setjmp(job->Error.Jump)) {
        jpeg_destroy_decompress(&job->Info);
        std::free(job->Bgr);
        job->Bgr = nullptr;
        return false;
    }
    jpeg_create_decompress(&job->Info);
    jpeg_mem_src(&job->Info, job->Data, static_cast<unsigned long>(job->Size));
    jpeg_read_header(&job->Info, TRUE);
    // Checked on the header's figures, before the decoder sets up its buffers for them.
    if (!IsPictureSizeAllowed(job->Info.image_width, job->Info.image_height, 1)) {
        std::snprintf(job->Error.Message, sizeof job->Error.Message, "picture of %ux%u pixels is too large",
                      static_cast<unsigned>(job->Info.image_width),
                      static_cast<unsigned>(job->Info.image_height));
        std::longjmp(job->Error.Jump, 1);
    }
    job->Info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&job->Info);
    job->Width = static_cast<int>(job->Info.output_width);
    job->Height = static_cast<int>(job->Info.output_height);
    const size_t rowBytes = static_cast<size_t>(job->Width) * 3;
    job->Bgr = static_cast<unsigned char*>(std::malloc(rowBytes * static_cast<size_t>(job->Height)));
    if (!job->Bgr) {
        ERREXIT(&job->Info, JERR_OUT_OF_MEMORY);
    }
    while (job->Info.output_scanline < job->Info.output_height) {
        JSAMPROW row = job->Bgr + rowBytes * job->Info.output_scanline;
        jpeg_read_scanlines(&job->Info, &row, 1);
    }
    jpeg_finish_decompress(&job->Info);
    jpeg_destroy_decompress(&job->Info);
    return true;
}

// A growing malloc'ed buffer as libjpeg's destination; libjpeg's own memory destination cannot
// be cleaned up safely after an error in the middle of a picture.
struct TJpegSink {
    jpeg_destination_mgr Manager; // first, see TJpegError
    unsigned char* Data;
    size_t Capacity;
    size_t Size;
};

void JpegSinkInit(j_compress_ptr info) {
    auto* sink = reinterpret_cast<TJpegSink*>(info->dest);
    sink->Capacity = 64 * 1024;
    sink->Data = static_cast<unsigned char*>(std::malloc(sink->Capacity));
    if (!sink->Data) {
        ERREXIT(info, JERR_OUT_OF_MEMORY);
    }
    sink->Manager.next_output_byte = sink->Data;
    sink->Manager.free_in_buffer = sink->Capacity;
}

boolean JpegSinkGrow(j_compress_ptr info) {
    auto* sink = reinterpret_cast<TJpegSink*>(info->dest);
    const size_t capacity = sink->Capacity * 2;
    auto* data = static_cast<unsigned char*>(std::realloc(sink->Data, capacity));
    if (!data) {
        ERREXIT(info, JERR_OUT_OF_MEMORY);
    }
    sink->Data = data;
    sink->Manager.next_output_byte = data + sink->Capacity;
    sink->Manager.free_in_buffer = capacity - sink->Capacity;
    sink->Capacity = capacity;
    return TRUE;
}

void JpegSinkTerm(j_compress_ptr info) {
    auto* sink = reinterpret_cast<TJpegSink*>(info->dest);
    sink->Size = sink->Capacity - sink->Manager.free_in_buffer;
}

struct TJpegEncodeJob {
    const unsigned char* Bgr;
    int Width;
    int Height;
    int Quality;
    TJpegSink Sink;
    jpeg_compress_struct Info;
    TJpegError Error;
};

bool RunJpegEncoder(TJpegEncodeJob* job) {
    InstallJpegErrors(job->Error);
    job->Info.err = &job->Error.Manager;
    if (setjmp(job->Error.Jump)) {
        jpeg_destroy_compress(&job->Info);
        std::free(job->Sink.Data);
        job->Sink.Data = nullptr;
        return false;
    }
    jpeg_create_compress(&job->Info);
    job->Sink.Manager.init_destination = JpegSinkInit;
    job->Sink.Manager.empty_output_buffer = JpegSinkGrow;
    job->Sink.Manager.term_destination = JpegSinkTerm;
    job->Info.dest = &job->Sink.Manager;
    job->Info.image_width = static_cast<JDIMENSION>(job->Width);
    job->Info.image_height = static_cast<JDIMENSION>(job->Height);
    job->Info.input_components = 3;
    job->Info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&job->Info);
    jpeg_set_quality(&job->Info, job->Quality, TRUE);
    jpeg_start_compress(&job->Info, TRUE);
    const size_t rowBytes = static_cast<size_t>(job->Width) * 3;
    while (job->Info.next_scanline < job->Info.image_height) {
        // libjpeg's row type is not const, but the encoder only reads the rows.
        JSAMPROW row = const_cast<unsigned char*>(job->Bgr + rowBytes * job->Info.next_scanline);
        jpeg_write_scanlines(&job->Info, &row, 1);
    }
    jpeg_finish_compress(&job->Info);
    jpeg_destroy_compress(&job->Info);
    return true;
}

std::string EncodeJpeg(const TGImage24& image, const std::string& name) {
    TJpegEncodeJob job{};
    job.Bgr = image.Pixels.data();
    job.Width = image.Width;
    job.Height = image.Height;
    // The quality the art pipeline has always used for generated masks.
    job.Quality = 90;
    if (!RunJpegEncoder(&job)) {
        throw EGError("TGGraphicsFile.SaveToFile", Format("\"%s\": %s", name.c_str(), job.Error.Message));
    }
    TMallocBytes data(job.Sink.Data);
    return std::string(reinterpret_cast<const char*>(data.get()), job.Sink.Size);
}

// ---------------------------------------------------------------------------------------------
// GIF. giflib reports errors by return codes.

struct TGifSource {
    const unsigned char* Data;
    size_t Size;
    size_t Position;
};

int GifRead(GifFileType* gif, GifByteType* out, int count) {
    auto* source = static_cast<TGifSource*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(count < 0 ? 0 : count), source->Size - source->Position);
    std::memcpy(out, source->Data + source->Position, n);
    source->Position += n;
    return static_cast<int>(n);
}

std::string GifReason(int code) {
    const char* text = GifErrorString(code);
    return text ? text : Format("giflib error %d", code);
}

// What DGifSlurp does, except that each sub-image is measured before its buffer is allocated:
// DGifSlurp allocates whatever a descriptor declares, and every sub-image of an animation
// becomes a frame of the whole screen. Returns the reason of a failure, or "".
std::string ReadGifImages(GifFileType* gif) {
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) {
            return GifReason(gif->Error);
        }
        if (type == TERMINATE_RECORD_TYPE) {
            return "";
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* data = nullptr;
            if (DGifGetExtension(gif, &code, &data) == GIF_ERROR) {
                return GifReason(gif->Error);
            }
            // Kept until the next sub-image takes them, as the graphics control block belongs
            // to the sub-image after it.
            while (data) {
                if (GifAddExtensionBlock(&gif->ExtensionBlockCount, &gif->ExtensionBlocks, code, data[0],
                                         &data[1]) == GIF_ERROR) {
                    return "out of memory";
                }
                code = CONTINUE_EXT_FUNC_CODE;
                if (DGifGetExtensionNext(gif, &data) == GIF_ERROR) {
                    return GifReason(gif->Error);
                }
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) {
            continue;
        }
        if (DGifGetImageDesc(gif) == GIF_ERROR) {
            return GifReason(gif->Error);
        }
        SavedImage& image = gif->SavedImages[gif->ImageCount - 1];
        const int width = image.ImageDesc.Width;
        const int height = image.ImageDesc.Height;
        if (width <= 0 || height <= 0) {
            return Format("sub-image %d of %dx%d pixels", gif->ImageCount - 1, width, height);
        }
        if (!IsPictureSizeAllowed(static_cast<uint64_t>(width), static_cast<uint64_t>(height), 1)) {
            return Format("sub-image of %dx%d pixels is too large", width, height);
        }
        if (!IsPictureSizeAllowed(static_cast<uint64_t>(gif->SWidth), static_cast<uint64_t>(gif->SHeight),
                                  static_cast<uint64_t>(gif->ImageCount))) {
            return Format("%d frames of %dx%d pixels are too large", gif->ImageCount, gif->SWidth,
                          gif->SHeight);
        }
        // giflib frees the buffer with free() when the file is closed.
        image.RasterBits = static_cast<GifByteType*>(std::malloc(static_cast<size_t>(width) * height));
        if (!image.RasterBits) {
            return "out of memory";
        }
        if (image.ImageDesc.Interlace) {
            constexpr int Offsets[] = {0, 4, 2, 1};
            constexpr int Jumps[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass) {
                for (int y = Offsets[pass]; y < height; y += Jumps[pass]) {
                    if (DGifGetLine(gif, image.RasterBits + static_cast<size_t>(y) * width, width) ==
                        GIF_ERROR) {
                        return GifReason(gif->Error);
                    }
                }
            }
        } else if (DGifGetLine(gif, image.RasterBits, width * height) == GIF_ERROR) {
            return GifReason(gif->Error);
        }
        if (gif->ExtensionBlocks) {
            image.ExtensionBlocks = gif->ExtensionBlocks;
            image.ExtensionBlockCount = gif->ExtensionBlockCount;
            gif->ExtensionBlocks = nullptr;
            gif->ExtensionBlockCount = 0;
        }
    }
}

struct TGifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

// Draws a sub-image at its position, leaving its transparent pixels and the parts outside the
// canvas alone.
void DrawGifImage(const GifFileType& gif, int index, TGImage24& canvas) {
    const SavedImage& image = gif.SavedImages[index];
    const GifImageDesc& desc = image.ImageDesc;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif.SColorMap;
    GraphicsControlBlock control{};
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(const_cast<GifFileType*>(&gif), index, &control);
    for (int y = 0; y < desc.Height; ++y) {
        const int cy = desc.Top + y;
        if (cy < 0 || cy >= canvas.Height) {
            continue;
        }
        for (int x = 0; x < desc.Width; ++x) {
            const int cx = desc.Left + x;
            if (cx < 0 || cx >= canvas.Width) {
                continue;
            }
            const int colour = image.RasterBits[static_cast<size_t>(y) * desc.Width + x];
            if (colour == control.TransparentColor) {
                continue;
            }
            uint8_t* out = canvas.At(cx, cy);
            if (colour < map->ColorCount) {
                const GifColorType& c = map->Colors[colour];
                out[0] = c.Blue;
                out[1] = c.Green;
                out[2] = c.Red;
            } else {
                out[0] = out[1] = out[2] = 0;
            }
        }
    }
}

TGImage24 MagentaCanvas(int width, int height) {
    TGImage24 canvas(width, height);
    for (size_t i = 0; i < canvas.Pixels.size(); i += 3) {
        SetMagenta(&canvas.Pixels[i]);
    }
    return canvas;
}

// ---------------------------------------------------------------------------------------------
// Dither.

struct TDitherTable {
    std::array<std::array<uint8_t, 4>, 256> Values{};
};

constexpr TDitherTable MakeDitherTable() {
    TDitherTable table;
    for (int v = 0; v < 256; ++v) {
        const int level = (v >> 1) & 3;
        const int base = v & 0xF8;
        for (int p = 0; p < 4; ++p) {
            bool bump = false;
            switch (level) {
            case 1:
                bump = p == 2;
                break;
            case 2:
                bump = p == 1 || p == 2;
                break;
            case 3:
                bump = p != 0;
                break;
            default:
                break;
            }
            table.Values[static_cast<size_t>(v)][static_cast<size_t>(p)] =
                static_cast<uint8_t>(bump && base < 248 ? base + 8 : base);
        }
    }
    return table;
}

constexpr TDitherTable DitherTable = MakeDitherTable();

} // namespace

// ---------------------------------------------------------------------------------------------

TGImage24::TGImage24(int width, int height)
    : Width(width), Height(height), Pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {}

bool IsMagenta(const uint8_t* bgr) {
    return bgr[0] == MagentaBGR[0] && bgr[1] == MagentaBGR[1] && bgr[2] == MagentaBGR[2];
}

void SetMagenta(uint8_t* bgr) {
    std::memcpy(bgr, MagentaBGR, 3);
}

TGGraphicsFile::TGGraphicsFile(std::vector<TGImage24> frames) : FFrames(std::move(frames)) {}

PGGraphicsFile TGGraphicsFile::GetAlpha() const {
    return nullptr;
}

int TGGraphicsFile::FrameCount() const {
    return static_cast<int>(FFrames.size());
}

const TGImage24& TGGraphicsFile::GetFrame(int index) const {
    if (index < 0 || index >= FrameCount()) {
        throw EGError("TGGraphicsFile.GetFrame",
                      Format("frame index %d out of range 0..%d", index, FrameCount() - 1));
    }
    return FFrames[static_cast<size_t>(index)];
}

void TGGraphicsFile::Assign(const IGGraphicsFile& source) {
    std::vector<TGImage24> frames;
    frames.reserve(static_cast<size_t>(source.FrameCount()));
    for (int i = 0; i < source.FrameCount(); ++i) {
        frames.push_back(source.GetFrame(i));
    }
    FFrames = std::move(frames);
}

void TGGraphicsFile::SaveToFile(const std::string& name) const {
    WriteFileAtomic(name, EncodeFramesJpeg(*this, name));
}

std::string EncodeFramesJpeg(const IGGraphicsFile& file, const std::string& name) {
    std::vector<TGImage24> frames;
    for (int i = 0; i < file.FrameCount(); ++i) {
        frames.push_back(file.GetFrame(i));
    }
    TGImage24 glued;
    GlueBitmaps(frames, glued);
    return EncodeJpeg(glued, name);
}

TGFilePNG::TGFilePNG(const std::string& name, std::string* stream, bool fromStream) {
    constexpr const char* context = "TGFilePNG.Create";
    std::string holder;
    const std::string_view bytes = ImageBytes(context, name, stream, fromStream, holder);

    TPngJob job{};
    job.Data = reinterpret_cast<const unsigned char*>(bytes.data());
    job.Size = bytes.size();
    if (!RunPngDecoder(&job)) {
        FailDecode(context, name, job.Message);
    }
    TMallocBytes rgba(job.Rgba);

    const int width = static_cast<int>(job.Width);
    const int height = static_cast<int>(job.Height);
    TGImage24 picture(width, height);
    TGImage24 alpha(job.HasAlpha ? width : 0, job.HasAlpha ? height : 0);
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < pixels; ++i) {
        const unsigned char* in = rgba.get() + i * 4;
        uint8_t* out = &picture.Pixels[i * 3];
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        if (job.HasAlpha) {
            std::memset(&alpha.Pixels[i * 3], in[3], 3);
        }
    }
    rgba.reset();

    const int count = FramesFromName(name);
    FFrames = CutStrip(picture, count, name);
    if (job.HasAlpha) {
        FAlpha = std::make_shared<TGGraphicsFile>(CutStrip(alpha, count, name));
    }
    StoreOriginal(stream, fromStream, holder);
}

PGGraphicsFile TGFilePNG::GetAlpha() const {
    return FAlpha;
}

TGFileJPG::TGFileJPG(const std::string& name, std::string* stream, bool fromStream) {
    constexpr const char* context = "TGFileJPG.Create";
    std::string holder;
    const std::string_view bytes = ImageBytes(context, name, stream, fromStream, holder);

    TJpegDecodeJob job{};
    job.Data = reinterpret_cast<const unsigned char*>(bytes.data());
    job.Size = bytes.size();
    if (!RunJpegDecoder(&job)) {
        FailDecode(context, name, job.Error.Message);
    }
    TMallocBytes bgr(job.Bgr);
    TGImage24 picture(job.Width, job.Height);
    std::memcpy(picture.Pixels.data(), bgr.get(), picture.Pixels.size());
    bgr.reset();

    FFrames = CutStrip(picture, FramesFromName(name), name);
    StoreOriginal(stream, fromStream, holder);
}

TGFileGIF::TGFileGIF(const std::string& name, std::string* stream, bool fromStream) {
    constexpr const char* context = "TGFileGIF.Create";
    std::string holder;
    const std::string_view bytes = ImageBytes(context, name, stream, fromStream, holder);

    TGifSource source{reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), 0};
    int error = 0;
    std::unique_ptr<GifFileType, TGifCloser> gif(DGifOpen(&source, GifRead, &error));
    if (!gif) {
        FailDecode(context, name, GifReason(error));
    }
    // The logical screen is known before any sub-image is read: a tiny file declaring a huge
    // screen is refused here, before the sub-images are decoded.
    if (gif->SWidth <= 0 || gif->SHeight <= 0) {
        FailDecode(context, name, Format("bad picture size %dx%d", gif->SWidth, gif->SHeight));
    }
    if (!IsPictureSizeAllowed(gif->SWidth, gif->SHeight, 1)) {
        FailDecode(context, name, Format("picture of %dx%d pixels is too large", gif->SWidth, gif->SHeight));
    }
    const std::string failure = ReadGifImages(gif.get());
    if (!failure.empty()) {
        FailDecode(context, name, failure);
    }
    if (gif->ImageCount < 1) {
        FailDecode(context, name, "no picture in the file");
    }
    for (int i = 0; i < gif->ImageCount; ++i) {
        if (!gif->SavedImages[i].ImageDesc.ColorMap && !gif->SColorMap) {
            FailDecode(context, name, Format("picture %d has no colour map", i));
        }
    }

    TGImage24 canvas = MagentaCanvas(gif->SWidth, gif->SHeight);
    if (gif->ImageCount == 1) {
        DrawGifImage(*gif, 0, canvas);
        FFrames = CutStrip(canvas, FramesFromName(name), name);
    } else {
        // Each frame shows the animation up to its own sub-image, drawn over the previous ones.
        for (int i = 0; i < gif->ImageCount; ++i) {
            DrawGifImage(*gif, i, canvas);
            FFrames.push_back(canvas);
        }
    }
    gif.reset();
    StoreOriginal(stream, fromStream, holder);
}

TGDitherFilter::TGDitherFilter(const IGGraphicsFile& source, bool apply) {
    Assign(source);
    if (apply) {
        for (TGImage24& frame : FFrames) {
            DitherImage(frame);
        }
    }
    if (PGGraphicsFile alpha = source.GetAlpha()) {
        FAlpha = std::make_shared<TGDitherFilter>(*alpha, apply);
    }
}

PGGraphicsFile TGDitherFilter::GetAlpha() const {
    return FAlpha;
}

TGMaskFilter::TGMaskFilter(const IGGraphicsFile& source) {
    for (int i = 0; i < source.FrameCount(); ++i) {
        FFrames.push_back(MaskImage(source.GetFrame(i)));
    }
}

void DitherImage(TGImage24& image) {
    // The phase walks a 2 x 2 pattern: bit 1 flips with every row, bit 0 with every pixel, and
    // it runs on from row to row, so odd widths shift the pattern as the original filter did.
    unsigned phase = 0;
    for (int y = 0; y < image.Height; ++y) {
        phase ^= 2;
        uint8_t* pixel = image.Row(y);
        for (int x = 0; x < image.Width; ++x, pixel += 3) {
            phase ^= 1;
            if (IsMagenta(pixel)) {
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                pixel[c] = DitherTable.Values[pixel[c]][phase];
            }
        }
    }
}

TGImage24 MaskImage(const TGImage24& image) {
    TGImage24 mask(image.Width, image.Height);
    auto opaque = [&image](int x, int y) {
        return x >= 0 && y >= 0 && x < image.Width && y < image.Height && !IsMagenta(image.At(x, y));
    };
    for (int y = 0; y < image.Height; ++y) {
        for (int x = 0; x < image.Width; ++x) {
            int value = 0;
            if (opaque(x, y)) {
                const int count =
                    1 + opaque(x, y - 1) + opaque(x, y + 1) + opaque(x - 1, y) + opaque(x + 1, y);
                // count / 5 of full opacity; 255 is a multiple of 5, so this is exact.
                value = count * 255 / 5;
            }
            std::memset(mask.At(x, y), value, 3);
        }
    }
    return mask;
}

bool HasImageExtension(const std::string& name) {
    if (name.size() < 3) {
        return false;
    }
    const std::string ending = LowerAscii(std::string_view(name).substr(name.size() - 3));
    return ending == "png" || ending == "jpg" || ending == "gif";
}

bool IsPictureSizeAllowed(uint64_t width, uint64_t height, uint64_t frames) {
    return width <= MaxPictureSide && height <= MaxPictureSide && frames <= MaxPicturePixels &&
           width * height * frames <= MaxPicturePixels;
}

PGGraphicsFile CreateByExtension(const std::string& name, std::string* stream, bool fromStream) {
    const std::string ending =
        name.size() >= 3 ? LowerAscii(std::string_view(name).substr(name.size() - 3)) : "";
    if (ending == "png") {
        return std::make_shared<TGFilePNG>(name, stream, fromStream);
    }
    if (ending == "jpg") {
        return std::make_shared<TGFileJPG>(name, stream, fromStream);
    }
    if (ending == "gif") {
        return std::make_shared<TGFileGIF>(name, stream, fromStream);
    }
    throw EGError("TGGraphicsFile.CreateByExtension",
                  Format("\"%s\": not a .png, .jpg or .gif file", name.c_str()));
}

int FramesFromName(const std::string& path) {
    // Only the file's own name counts: a data folder such as "/opt/quillmark-1.2.3/" or a
    // picture folder with a dot in it says nothing about the frames of the pictures inside.
    const size_t slash = path.find_last_of("/\\");
    const std::string_view name =
        slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
    const size_t first = name.find('.');
    if (first == std::string::npos) {
        return 1;
    }
    const size_t second = name.find('.', first + 1);
    if (second == std::string::npos) {
        return 1;
    }
    const std::string_view text = name.substr(first + 1, second - first - 1);
    // Digits only, and few enough of them to stay far from overflow.
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return 1;
    }
    int count = 0;
    for (char c : text) {
        count = count * 10 + (c - '0');
    }
    return count < 1 ? 1 : count;
}

std::vector<TGImage24> CutStrip(const TGImage24& picture, int count, const std::string& name) {
    if (count < 1 || count > picture.Width) {
        throw EGError("TGGraphicsFile.CutStrip",
                      Format("\"%s\": %d frames do not fit in a picture %d pixels wide", name.c_str(), count,
                             picture.Width));
    }
    const int width = picture.Width / count;
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    std::vector<TGImage24> frames;
    frames.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TGImage24 frame(width, picture.Height);
        for (int y = 0; y < picture.Height; ++y) {
            std::memcpy(frame.Row(y), picture.At(i * width, y), rowBytes);
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

void GlueBitmaps(const std::vector<TGImage24>& frames, TGImage24& target) {
    if (frames.empty()) {
        throw EGError::Failed("GlueBitmaps");
    }
    const int width = frames.front().Width;
    const int height = frames.front().Height;
    for (const TGImage24& frame : frames) {
        if (frame.Width != width || frame.Height != height) {
            throw EGError("GlueBitmaps", "Bitmaps of different sizes");
        }
    }
    TGImage24 glued(width * static_cast<int>(frames.size()), height);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (size_t i = 0; i < frames.size(); ++i) {
        for (int y = 0; y < height; ++y) {
            std::memcpy(glued.At(static_cast<int>(i) * width, y), frames[i].Row(y), rowBytes);
        }
    }
    target = std::move(glued);
}

std::string DescribeImageFile(const std::string& path) {
    // The frame count is read from the file's own name, so that the folders a person types
    // before it ("./gfx/coin.8.png") do not hide it.
    std::string bytes = ReadWholeFile(path);
    const PGGraphicsFile file =
        CreateByExtension(std::filesystem::path(path).filename().string(), &bytes, true);
    const TGImage24& frame = file->GetFrame(0);
    return Format("%dx%d frames=%d alpha=%s", frame.Width, frame.Height, file->FrameCount(),
                  file->GetAlpha() ? "yes" : "no");
}

} // namespace qm
