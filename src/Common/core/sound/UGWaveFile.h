#pragma once

#include "UGAudioOutput.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace qm {

// The encoding of a WAV file's samples.
struct TGWaveFormat {
    uint16_t Tag = 0;
    uint16_t Channels = 0;
    uint32_t Rate = 0;
    uint16_t BlockAlign = 0;
    uint16_t Bits = 0;
};

// Where the sound of a WAV file lies: its encoding and the bytes of its samples (the data chunk,
// cut at the end of the file).
struct TGWaveData {
    TGWaveFormat Format;
    uint64_t Offset = 0;
    uint64_t Size = 0;
    // The sample frames of the file.
    int64_t InputFrames() const;
    // The frames of the engine's format they make.
    int64_t Frames() const;
};

// Gives up to `count` bytes of a file from byte `at` on; fewer at its end.
using TGWaveBytes = std::function<std::string(uint64_t at, size_t count)>;

// Finds the sound of a WAV file of `fileSize` bytes, read through `read` a chunk header at a
// time, so that a file on disk need not be read whole. Raises EGError naming `name` as ReadWave.
TGWaveData LocateWaveData(uint64_t fileSize, const TGWaveBytes& read, const std::string& name);

// The input frames, first and last, that `count` frames of the engine's format from frame
// `from` on are made of.
std::pair<int64_t, int64_t> WaveInputSpan(const TGWaveData& data, int64_t from, int64_t count);

// Converts `count` frames of the engine's format from frame `from` on into `out`; `window`
// holds the file's sample frames from input frame `windowFirst` on, all of WaveInputSpan.
void ConvertWaveFrames(const TGWaveData& data, const unsigned char* window, int64_t windowFirst, int64_t from,
                       int64_t count, int16_t* out);

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
