#pragma once

#include "UGAudioOutput.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace qm {

// Reads a RIFF WAVE file held in memory: integer PCM of 8, 16, 24 or 32 bits or 32-bit float,
// one channel or more (the first two are kept), at any rate from 4000 to 192000 Hz, converted
// to the engine's format. Anything else raises EGError naming `name` and what is wrong.
TGPcm ReadWave(std::string_view bytes, const std::string& name);

// The bytes of a WAV file holding the engine's format.
std::string EncodeWave(const TGPcm& pcm);

// Writes the engine's format into a WAV file as it comes; the sizes in the header are filled
// in when the writer is closed, so a file cut short by a crash still plays up to its end.
class TGWaveWriter {
public:
    explicit TGWaveWriter(const std::filesystem::path& file);
    ~TGWaveWriter();
    TGWaveWriter(const TGWaveWriter&) = delete;
    TGWaveWriter& operator=(const TGWaveWriter&) = delete;

    void Append(const int16_t* samples, int64_t frames);
    // Completes the header; raises EGError when the file could not be written.
    void Close();
    int64_t Frames() const { return FFrames; }

private:
    std::filesystem::path FFile;
    std::FILE* FStream;
    int64_t FFrames = 0;
    bool FFailed = false;
};

} // namespace qm
