#include "UGWaveFile.h"

#include "UGError.h"
#include "UGStrings.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qm {

namespace {

constexpr uint16_t FormatPcm = 1;
constexpr uint16_t FormatFloat = 3;
constexpr uint16_t FormatExtensible = 0xFFFE;
constexpr uint32_t MinRate = 4000;
constexpr uint32_t MaxRate = 192000;
// Half an hour of sound is far beyond anything the game plays; more is a broken file.
constexpr int64_t MaxFrames = int64_t(AudioRate) * 60 * 30;

uint16_t Le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutLe16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void PutLe32(std::string& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
}

// One sample as a value in -1 .. 1.
double SampleAt(const unsigned char* p, const TGWaveFormat& format) {
    if (format.Tag == FormatFloat) {
        float value;
        uint32_t raw = Le32(p);
        std::memcpy(&value, &raw, sizeof value);
        return std::isfinite(value) ? std::clamp<double>(value, -1.0, 1.0) : 0.0;
    }
    switch (format.Bits) {
    case 8:
        return (p[0] - 128) / 128.0;
    case 16:
        return static_cast<int16_t>(Le16(p)) / 32768.0;
    case 24: {
        int32_t v = static_cast<int32_t>((p[0] << 8) | (p[1] << 16) | (static_cast<uint32_t>(p[2]) << 24));
        return (v >> 8) / 8388608.0;
    }
    default:
        return static_cast<int32_t>(Le32(p)) / 2147483648.0;
    }
}

TGWaveFormat ParseFormat(const unsigned char* p, uint32_t size, const std::string& name) {
    if (size < 16) {
        throw EGError("ReadWave", Format("\"%s\": format chunk of %u bytes", name.c_str(), size));
    }
    TGWaveFormat format;
    format.Tag = Le16(p);
    format.Channels = Le16(p + 2);
    format.Rate = Le32(p + 4);
    format.BlockAlign = Le16(p + 12);
    format.Bits = Le16(p + 14);
    if (format.Tag == FormatExtensible && size >= 26) {
        format.Tag = Le16(p + 24);
    }
    bool integer = format.Tag == FormatPcm &&
                   (format.Bits == 8 || format.Bits == 16 || format.Bits == 24 || format.Bits == 32);
    bool floating = format.Tag == FormatFloat && format.Bits == 32;
    if (!integer && !floating) {
        throw EGError("ReadWave", Format("\"%s\": unsupported encoding %u with %u bits", name.c_str(),
                                         format.Tag, format.Bits));
    }
    if (format.Channels == 0 || format.Rate < MinRate || format.Rate > MaxRate ||
        format.BlockAlign < format.Channels * (format.Bits / 8)) {
        throw EGError("ReadWave", Format("\"%s\": %u channels at %u Hz, %u bytes a frame", name.c_str(),
                                         format.Channels, format.Rate, format.BlockAlign));
    }
    return format;
}

} // namespace

int64_t TGWaveData::InputFrames() const {
    return static_cast<int64_t>(Size / Format.BlockAlign);
}

int64_t TGWaveData::Frames() const {
    return InputFrames() * AudioRate / Format.Rate;
}

// Other rates than the engine's are resampled linearly, which is enough for effects recorded at
// 22050 or 48000 Hz: a frame is made of the two input frames around its time.
std::pair<int64_t, int64_t> WaveInputSpan(const TGWaveData& data, int64_t from, int64_t count) {
    auto firstOf = [&](int64_t frame) {
        return static_cast<int64_t>(static_cast<double>(frame) * data.Format.Rate / AudioRate);
    };
    const int64_t last = std::min(firstOf(from + count - 1) + 1, data.InputFrames() - 1);
    return {std::min(firstOf(from), last), last};
}

void ConvertWaveFrames(const TGWaveData& data, const unsigned char* window, int64_t windowFirst, int64_t from,
                       int64_t count, int16_t* out) {
    const TGWaveFormat& format = data.Format;
    const int64_t inFrames = data.InputFrames();
    const int bytesPerSample = format.Bits / 8;
    auto side = [&](int64_t frame, int which) {
        int channel = format.Channels > 1 ? which : 0;
        return SampleAt(window + (frame - windowFirst) * format.BlockAlign + channel * bytesPerSample,
                        format);
    };
    for (int64_t i = from; i < from + count; ++i) {
        double at = static_cast<double>(i) * format.Rate / AudioRate;
        int64_t first = static_cast<int64_t>(at);
        int64_t second = std::min(first + 1, inFrames - 1);
        double weight = at - static_cast<double>(first);
        for (int which = 0; which < AudioChannels; ++which) {
            double value = side(first, which) * (1.0 - weight) + side(second, which) * weight;
            out[(i - from) * AudioChannels + which] =
                static_cast<int16_t>(std::clamp(std::lround(value * 32768.0), -32768L, 32767L));
        }
    }
}

TGWaveData LocateWaveData(uint64_t fileSize, const TGWaveBytes& read, const std::string& name) {
    std::string head = fileSize >= 12 ? read(0, 12) : std::string();
    auto p = reinterpret_cast<const unsigned char*>(head.data());
    if (head.size() < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) {
        throw EGError("ReadWave", Format("\"%s\": not a RIFF WAVE file", name.c_str()));
    }
    // The format chunk is read only as far as ParseFormat looks.
    constexpr size_t FormatBytesRead = 64;
    uint64_t at = 12;
    bool haveFormat = false;
    TGWaveFormat format;
    while (fileSize - at >= 8) {
        const std::string chunk = read(at, 8);
        if (chunk.size() < 8) {
            break;
        }
        auto c = reinterpret_cast<const unsigned char*>(chunk.data());
        const uint32_t size = Le32(c + 4);
        const uint64_t left = fileSize - at - 8;
        const auto body = static_cast<uint32_t>(std::min<uint64_t>(size, left));
        if (std::memcmp(c, "fmt ", 4) == 0) {
            const std::string bytes = read(at + 8, std::min<size_t>(body, FormatBytesRead));
            format = ParseFormat(reinterpret_cast<const unsigned char*>(bytes.data()),
                                 static_cast<uint32_t>(std::min<size_t>(body, bytes.size())), name);
            haveFormat = true;
        } else if (std::memcmp(c, "data", 4) == 0) {
            if (!haveFormat) {
                throw EGError("ReadWave", Format("\"%s\": data before the format", name.c_str()));
            }
            // A writer that never filled in the size leaves it too big: the file's end counts.
            return {format, at + 8, body};
        }
        // An odd chunk is followed by a padding byte, which a file cut at its end may leave out;
        // the step is weighed with it, so that the position never passes the end of the bytes.
        const uint64_t step = uint64_t(size) + (size & 1);
        if (step >= left) {
            break;
        }
        at += 8 + step;
    }
    throw EGError("ReadWave", Format("\"%s\": no sound data", name.c_str()));
}

TGPcm ReadWave(std::string_view bytes, const std::string& name) {
    const TGWaveData data = LocateWaveData(
        bytes.size(), [&](uint64_t at, size_t count) { return std::string(bytes.substr(at, count)); }, name);
    const int64_t frames = data.Frames();
    if (frames > MaxFrames) {
        throw EGError("ReadWave", Format("\"%s\": longer than half an hour", name.c_str()));
    }
    TGPcm pcm;
    pcm.Samples.resize(static_cast<size_t>(frames * AudioChannels));
    if (frames > 0) {
        ConvertWaveFrames(data, reinterpret_cast<const unsigned char*>(bytes.data()) + data.Offset, 0, 0,
                          frames, pcm.Samples.data());
    }
    return pcm;
}

std::string EncodeWave(const TGPcm& pcm) {
    uint32_t dataSize = static_cast<uint32_t>(pcm.Samples.size() * sizeof(int16_t));
    std::string out = "RIFF";
    PutLe32(out, 36 + dataSize);
    out += "WAVEfmt ";
    PutLe32(out, 16);
    PutLe16(out, FormatPcm);
    PutLe16(out, AudioChannels);
    PutLe32(out, AudioRate);
    PutLe32(out, AudioRate * AudioChannels * 2);
    PutLe16(out, AudioChannels * 2);
    PutLe16(out, 16);
    out += "data";
    PutLe32(out, dataSize);
    for (int16_t sample : pcm.Samples) {
        PutLe16(out, static_cast<uint16_t>(sample));
    }
    return out;
}

TGWaveWriter::TGWaveWriter(const std::filesystem::path& file) : FFile(file) {
    FStream = std::fopen(file.c_str(), "wb");
    if (!FStream) {
        throw EGError("TGWaveWriter", Format("cannot create \"%s\": %s", file.c_str(), std::strerror(errno)));
    }
    std::string header = EncodeWave(TGPcm());
    FFailed = std::fwrite(header.data(), 1, header.size(), FStream) != header.size();
}

TGWaveWriter::~TGWaveWriter() {
    if (FStream) {
        std::fclose(FStream);
    }
}

void TGWaveWriter::Append(const int16_t* samples, int64_t frames) {
    TGPcm block;
    block.Samples.assign(samples, samples + frames * AudioChannels);
    std::string bytes = EncodeWave(block).substr(44);
    FFailed |= std::fwrite(bytes.data(), 1, bytes.size(), FStream) != bytes.size();
    FFrames += frames;
}

void TGWaveWriter::Close() {
    if (!FStream) {
        return;
    }
    uint32_t dataSize = static_cast<uint32_t>(FFrames * AudioChannels * 2);
    std::string sizes;
    PutLe32(sizes, 36 + dataSize);
    FFailed |= std::fseek(FStream, 4, SEEK_SET) != 0 || std::fwrite(sizes.data(), 1, 4, FStream) != 4;
    sizes.clear();
    PutLe32(sizes, dataSize);
    FFailed |= std::fseek(FStream, 40, SEEK_SET) != 0 || std::fwrite(sizes.data(), 1, 4, FStream) != 4;
    FFailed |= std::fclose(FStream) != 0;
    FStream = nullptr;
    if (FFailed) {
        throw EGError("TGWaveWriter", Format("cannot write \"%s\"", FFile.c_str()));
    }
}

} // namespace qm
