#pragma once

#include "UGSoundStream.h"
#include "UGWaveFile.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qm {

// A WAV file played as a stream: its samples are read from the disk and converted a window at a
// time as they are asked for, so that a long file holds no more than one window of them.
class TGWaveStream : public IGSoundStream {
public:
    // Reads the file's chunk headers; raises EGError naming `name` as ReadWave does.
    TGWaveStream(const std::filesystem::path& file, const std::string& name);

    int64_t Read(int16_t* out, int64_t frames) override;
    bool Seek(int64_t frame) override;
    int64_t Position() const override { return FPosition; }
    size_t BufferedBytes() const override { return FWindow.capacity(); }
    // The frames of the engine's format the file makes.
    int64_t Frames() const { return FData.Frames(); }

private:
    struct TGClose {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    // Reads the input frames that `count` frames from the position on are made of into the window;
    // false when the file gives fewer bytes than its header promised (it changed or was cut).
    bool FillWindow(int64_t count, int64_t& windowFirst);
    std::string ReadAt(uint64_t at, size_t count);

    std::string FName;
    std::unique_ptr<std::FILE, TGClose> FFile;
    TGWaveData FData;
    int64_t FPosition = 0;
    std::vector<unsigned char> FWindow;
};

} // namespace qm
