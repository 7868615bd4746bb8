#pragma once

#include "UGSoundStream.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The file is read through callbacks of our own.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

struct _SDL_AudioStream;

namespace qm {

// An Ogg Vorbis file played as a stream: decoded from the disk a window at a time as it is asked
// for, and converted to the engine's format as the mixer converts a file it decodes whole, so
// the two give the same samples and a long file holds no more than a window of them.
class TGOggStream : public IGSoundStream {
public:
    // Reads the file's headers; raises EGError naming `name` when it is no Ogg Vorbis file or
    // holds a format the mixer cannot convert.
    TGOggStream(const std::filesystem::path& file, const std::string& name);
    ~TGOggStream() override;
    TGOggStream(const TGOggStream&) = delete;
    TGOggStream& operator=(const TGOggStream&) = delete;

    int64_t Read(int16_t* out, int64_t frames) override;
    bool Seek(int64_t frame) override;
    int64_t Position() const override { return FPosition; }
    size_t BufferedBytes() const override;

private:
    struct TGClose {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    struct TGFreeConverter {
        void operator()(_SDL_AudioStream* converter) const;
    };
    // Takes the layout of the section being decoded and makes its converter; false, and the
    // reason in FWhyNot, for a layout the mixer cannot convert.
    bool StartSection();
    // Decodes the next window into the converter; false at the end of the sound or at damage.
    bool DecodeWindow();
    // The frames of the engine's format that `inputFrames` frames of the file make.
    int64_t OutputFrames(int64_t inputFrames) const;

    std::string FName;
    std::unique_ptr<std::FILE, TGClose> FFile;
    OggVorbis_File FVorbis{};
    std::unique_ptr<_SDL_AudioStream, TGFreeConverter> FConverter;
    int FChannels = 0;
    long FRate = 0;
    // Positions are counted at the rate of the first section.
    long FFirstRate = 1;
    int FSection = 0;
    std::string FWhyNot;
    int64_t FInputFrames = 0;
    int64_t FPosition = 0;
    bool FDecoded = false;
    std::vector<char> FWindow;
};

// Opens a compressed music file as a stream: Ogg Vorbis files are decoded as they play.
// Raises EGError naming the file when it cannot be read.
PGSoundStream OpenOggStream(const std::filesystem::path& file);

} // namespace qm
