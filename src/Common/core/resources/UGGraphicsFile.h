#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qm {

// A 24-bit picture: blue, green, red bytes per pixel, rows top first and packed without padding,
// so a row is Width * 3 bytes. Grey pictures (alpha frames and masks) hold one value in all three
// channels, 0 transparent to 255 opaque; the texture builder reads the blue channel.
struct TGImage24 {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels;

    TGImage24() = default;
    // A black picture of the given size.
    TGImage24(int width, int height);

    uint8_t* Row(int y) { return Pixels.data() + static_cast<size_t>(y) * RowBytes(); }
    const uint8_t* Row(int y) const { return Pixels.data() + static_cast<size_t>(y) * RowBytes(); }
    uint8_t* At(int x, int y) { return Row(y) + static_cast<size_t>(x) * 3; }
    const uint8_t* At(int x, int y) const { return Row(y) + static_cast<size_t>(x) * 3; }
    size_t RowBytes() const { return static_cast<size_t>(Width) * 3; }
};

// The colour key of the art: pixels of exactly this colour are transparent where no alpha
// image exists.
bool IsMagenta(const uint8_t* bgr);
void SetMagenta(uint8_t* bgr);

class IGGraphicsFile;
using PGGraphicsFile = std::shared_ptr<IGGraphicsFile>;

// A list of equal-sized frames decoded from one image file or made by a filter.
class IGGraphicsFile {
public:
    virtual ~IGGraphicsFile() = default;
    // The alpha frames belonging to these frames (same count and sizes, grey), or null.
    virtual PGGraphicsFile GetAlpha() const = 0;
    virtual int FrameCount() const = 0;
    // Raises the engine error when the index is outside 0 .. FrameCount() - 1.
    virtual const TGImage24& GetFrame(int index) const = 0;
    // Replaces the frames by copies of the source's frames; the alpha frames stay as they are.
    virtual void Assign(const IGGraphicsFile& source) = 0;
    // Writes the frames glued side by side as one JPEG (the sequence pools keep generated masks
    // next to the images this way).
    virtual void SaveToFile(const std::string& name) const = 0;
};

class TGGraphicsFile : public IGGraphicsFile {
public:
    TGGraphicsFile() = default;
    explicit TGGraphicsFile(std::vector<TGImage24> frames);

    PGGraphicsFile GetAlpha() const override;
    int FrameCount() const override;
    const TGImage24& GetFrame(int index) const override;
    void Assign(const IGGraphicsFile& source) override;
    void SaveToFile(const std::string& name) const override;

protected:
    std::vector<TGImage24> FFrames;
};

// The decoders. Each reads the file `name` (resolved without regard to letter case), or the
// bytes of `*stream` when fromStream is true; the name always gives the frame count. A file read
// from disk while a stream is given has its original bytes appended to the stream, which is what
// a ".gfx" entry stores. Undecodable data raises the engine error naming the file and the
// decoder's reason.
class TGFilePNG : public TGGraphicsFile {
public:
    TGFilePNG(const std::string& name, std::string* stream, bool fromStream);
    // The PNG's alpha channel, or its palette or colour-key transparency expanded to one.
    PGGraphicsFile GetAlpha() const override;

private:
    PGGraphicsFile FAlpha;
};

class TGFileJPG : public TGGraphicsFile {
public:
    TGFileJPG(const std::string& name, std::string* stream, bool fromStream);
};

// A single picture becomes frames cut by the name's count; an animation gives one frame per
// sub-image, each showing sub-images 0 .. i drawn in order. Transparent pixels are magenta.
class TGFileGIF : public TGGraphicsFile {
public:
    TGFileGIF(const std::string& name, std::string* stream, bool fromStream);
};

// Copies of the source's frames, reduced to 5 bits per channel with a 2 x 2 ordered dither when
// apply is true, so that 16-bit textures show no banding. Magenta passes unchanged. The source's
// alpha frames are filtered the same way.
class TGDitherFilter : public TGGraphicsFile {
public:
    TGDitherFilter(const IGGraphicsFile& source, bool apply);
    PGGraphicsFile GetAlpha() const override;

private:
    PGGraphicsFile FAlpha;
};

// A grey mask with a one-pixel soft edge made from the colour key of each source frame.
class TGMaskFilter : public TGGraphicsFile {
public:
    explicit TGMaskFilter(const IGGraphicsFile& source);
};

// The frames glued side by side as one JPEG, the bytes SaveToFile writes; `name` is for errors.
std::string EncodeFramesJpeg(const IGGraphicsFile& file, const std::string& name);

// Dithers one frame in place (see TGDitherFilter).
void DitherImage(TGImage24& image);
// The mask of one frame (see TGMaskFilter).
TGImage24 MaskImage(const TGImage24& image);

// The most a picture file may declare: pixels a side, and pixels over all the frames it
// decodes to. The art stays far below both; a header asking for more is damaged or hostile and
// is refused, naming the file, before anything is allocated for it.
constexpr int MaxPictureSide = 8192;
constexpr uint64_t MaxPicturePixels = uint64_t{32} << 20;
bool IsPictureSizeAllowed(uint64_t width, uint64_t height, uint64_t frames);

// Chooses the decoder by the last three characters of the name in lower case ("png", "jpg",
// "gif"); any other ending raises the engine error naming the file.
PGGraphicsFile CreateByExtension(const std::string& name, std::string* stream, bool fromStream);
bool HasImageExtension(const std::string& name);

// The frame count written between the first two dots of the file name at the end of a path
// ("ui/coin.8.png" has 8; the folders before it are ignored); a missing, unreadable or
// non-positive number means one frame.
int FramesFromName(const std::string& path);

// Cuts `count` frames of width picture.Width div count out of a picture, dropping the columns
// beyond. A count larger than the width would give empty frames and raises the engine error
// naming `name`, the file the picture came from.
std::vector<TGImage24> CutStrip(const TGImage24& picture, int count, const std::string& name);

// Builds one picture from frames of equal size placed side by side.
void GlueBitmaps(const std::vector<TGImage24>& frames, TGImage24& target);

// "WIDTHxHEIGHT frames=N alpha=yes|no" for an image file, WIDTH and HEIGHT being one frame's.
std::string DescribeImageFile(const std::string& path);

} // namespace qm
