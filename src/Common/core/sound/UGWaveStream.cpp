#include "UGWaveStream.h"

#include "UGError.h"
#include "UGStrings.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qm {

namespace {

// A window of the file's samples holds at most this many bytes, however many channels a frame
// of the file has; a window of a single frame may need more, at most a few frames of the largest
// block a WAV file can give (65535 bytes).
constexpr size_t WindowBytes = size_t(256) << 10;
// Frames converted in one pass of Read.
constexpr int64_t FramesAPass = 4096;

} // namespace

TGWaveStream::TGWaveStream(const std::filesystem::path& file, const std::string& name)
    : FName(name), FFile(std::fopen(file.c_str(), "rb")) {
    if (!FFile) {
        throw EGError("TGWaveStream", Format("\"%s\": cannot open: %s", name.c_str(), std::strerror(errno)));
    }
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(file, ec);
    if (ec) {
        throw EGError("TGWaveStream", Format("\"%s\": cannot read: %s", name.c_str(), ec.message().c_str()));
    }
    FData = LocateWaveData(
        size, [this](uint64_t at, size_t count) { return ReadAt(at, count); }, name);
}

std::string TGWaveStream::ReadAt(uint64_t at, size_t count) {
    std::string bytes(count, '\0');
    if (std::fseek(FFile.get(), static_cast<long>(at), SEEK_SET) != 0) {
        return {};
    }
    bytes.resize(std::fread(bytes.data(), 1, count, FFile.get()));
    return bytes;
}

bool TGWaveStream::FillWindow(int64_t count, int64_t& windowFirst) {
    const auto [first, last] = WaveInputSpan(FData, FPosition, count);
    const size_t bytes = static_cast<size_t>(last - first + 1) * FData.Format.BlockAlign;
    FWindow.resize(bytes);
    windowFirst = first;
    return std::fseek(FFile.get(),
                      static_cast<long>(FData.Offset + uint64_t(first) * FData.Format.BlockAlign),
                      SEEK_SET) == 0 &&
           std::fread(FWindow.data(), 1, bytes, FFile.get()) == bytes;
}

int64_t TGWaveStream::Read(int16_t* out, int64_t frames) {
    int64_t done = 0;
    while (done < frames && FPosition < Frames()) {
        int64_t count = std::min({frames - done, Frames() - FPosition, FramesAPass});
        auto spanBytes = [&](int64_t n) {
            const auto [first, last] = WaveInputSpan(FData, FPosition, n);
            return static_cast<size_t>(last - first + 1) * FData.Format.BlockAlign;
        };
        while (count > 1 && spanBytes(count) > WindowBytes) {
            count /= 2;
        }
        int64_t windowFirst = 0;
        if (!FillWindow(count, windowFirst)) {
            // The file no longer holds what its header said: the sound ends here.
            FPosition = Frames();
            break;
        }
        ConvertWaveFrames(FData, FWindow.data(), windowFirst, FPosition, count, out + done * AudioChannels);
        FPosition += count;
        done += count;
    }
    return done;
}

bool TGWaveStream::Seek(int64_t frame) {
    if (frame < 0 || frame > Frames()) {
        return false;
    }
    FPosition = frame;
    return true;
}

} // namespace qm
