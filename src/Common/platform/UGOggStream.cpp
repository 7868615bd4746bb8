#include "UGOggStream.h"

#include "UGAudioOutput.h"
#include "UGError.h"
#include "UGStrings.h"

#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qm {

namespace {

constexpr int BytesPerSample = static_cast<int>(sizeof(int16_t));
constexpr int OutputFrameBytes = AudioChannels * BytesPerSample;
// Frames decoded in one window, as many as the mixer decodes at a time when it decodes a file
// whole, so that both hand the converter the same pieces.
constexpr int WindowFrames = 1024;
// A file slower than this decodes smaller windows, so that a window never converts to more than
// about WindowFrames * AudioRate / SlowRate frames, however slow the file claims to be.
constexpr long SlowRate = 8000;
// SDL converts rates up to this one; a file that claims more is damaged.
constexpr long MaxRate = 384000;

size_t ReadFile(void* into, size_t size, size_t count, void* file) {
    return std::fread(into, size, count, static_cast<std::FILE*>(file));
}

int SeekFile(void* file, ogg_int64_t offset, int whence) {
    return std::fseek(static_cast<std::FILE*>(file), static_cast<long>(offset), whence);
}

long TellFile(void* file) {
    return std::ftell(static_cast<std::FILE*>(file));
}

// The file is closed by the stream, not by the decoder.
constexpr ov_callbacks FileCallbacks = {ReadFile, SeekFile, nullptr, TellFile};

int FramesAWindow(long rate) {
    return static_cast<int>(std::clamp<long>(WindowFrames * rate / SlowRate, 1, WindowFrames));
}

} // namespace

void TGOggStream::TGFreeConverter::operator()(_SDL_AudioStream* converter) const {
    SDL_FreeAudioStream(converter);
}

TGOggStream::TGOggStream(const std::filesystem::path& file, const std::string& name)
    : FName(name), FFile(std::fopen(file.c_str(), "rb")) {
    if (!FFile) {
        throw EGError("TGOggStream", Format("\"%s\": cannot open: %s", name.c_str(), std::strerror(errno)));
    }
    const int opened = ov_open_callbacks(FFile.get(), &FVorbis, nullptr, 0, FileCallbacks);
    if (opened != 0) {
        throw EGError("TGOggStream",
                      Format("\"%s\": not an Ogg Vorbis file (error %d)", name.c_str(), opened));
    }
    try {
        if (!StartSection()) {
            throw EGError("TGOggStream", Format("\"%s\": %s", name.c_str(), FWhyNot.c_str()));
        }
        const ogg_int64_t total = ov_pcm_total(&FVorbis, -1);
        FInputFrames = total > 0 ? total : 0;
        FFirstRate = FRate;
    } catch (...) {
        ov_clear(&FVorbis);
        throw;
    }
}

TGOggStream::~TGOggStream() {
    ov_clear(&FVorbis);
}

bool TGOggStream::StartSection() {
    const vorbis_info* info = ov_info(&FVorbis, -1);
    if (!info || info->channels < 1 || info->rate < 1 || info->rate > MaxRate) {
        FWhyNot = "a section has no channels or a rate out of range";
        return false;
    }
    FChannels = info->channels;
    FRate = info->rate;
    // The converter of the mixer: signed 16-bit samples of the file's layout to the engine's.
    FConverter.reset(SDL_NewAudioStream(AUDIO_S16LSB, static_cast<Uint8>(std::min(FChannels, 255)),
                                        static_cast<int>(FRate), AUDIO_S16SYS, AudioChannels, AudioRate));
    if (!FConverter) {
        FWhyNot = Format("%d channels at %ld Hz cannot be converted: %s", FChannels, FRate, SDL_GetError());
        return false;
    }
    return true;
}

size_t TGOggStream::BufferedBytes() const {
    const int converted = FConverter ? SDL_AudioStreamAvailable(FConverter.get()) : 0;
    return FWindow.capacity() + static_cast<size_t>(std::max(converted, 0));
}

bool TGOggStream::DecodeWindow() {
    FWindow.resize(static_cast<size_t>(FramesAWindow(FRate)) * FChannels * BytesPerSample);
    int section = FSection;
    const long bytes =
        ov_read(&FVorbis, FWindow.data(), static_cast<int>(FWindow.size()), 0, BytesPerSample, 1, &section);
    if (bytes < 0) {
        // Damage in the middle of the file: the sound ends here, as it does for the mixer.
        return false;
    }
    if (section != FSection) {
        FSection = section;
        // A chained file may change its layout from one section to the next.
        const vorbis_info* info = ov_info(&FVorbis, -1);
        if (!info || info->channels != FChannels || info->rate != FRate) {
            SDL_AudioStreamFlush(FConverter.get());
            if (!StartSection()) {
                return false;
            }
        }
    }
    if (bytes == 0) {
        SDL_AudioStreamFlush(FConverter.get());
        return false;
    }
    return SDL_AudioStreamPut(FConverter.get(), FWindow.data(), static_cast<int>(bytes)) == 0;
}

int64_t TGOggStream::Read(int16_t* out, int64_t frames) {
    int64_t done = 0;
    while (done < frames) {
        const int available = SDL_AudioStreamAvailable(FConverter.get()) / OutputFrameBytes;
        if (available > 0) {
            const int64_t count = std::min<int64_t>(available, frames - done);
            const int got = SDL_AudioStreamGet(FConverter.get(), out + done * AudioChannels,
                                               static_cast<int>(count * OutputFrameBytes));
            if (got <= 0) {
                break;
            }
            done += got / OutputFrameBytes;
            continue;
        }
        if (FDecoded || !DecodeWindow()) {
            FDecoded = true;
            if (SDL_AudioStreamAvailable(FConverter.get()) < OutputFrameBytes) {
                break;
            }
        }
    }
    FPosition += done;
    return done;
}

int64_t TGOggStream::OutputFrames(int64_t inputFrames) const {
    return static_cast<int64_t>(static_cast<long double>(inputFrames) * AudioRate / FFirstRate);
}

bool TGOggStream::Seek(int64_t frame) {
    if (frame < 0 || frame > OutputFrames(FInputFrames)) {
        return false;
    }
    const auto input = static_cast<ogg_int64_t>(static_cast<long double>(frame) * FFirstRate / AudioRate);
    if (ov_pcm_seek(&FVorbis, input) != 0) {
        return false;
    }
    SDL_AudioStreamClear(FConverter.get());
    // The next window tells the section it comes from, which may have another layout.
    FSection = -1;
    FDecoded = false;
    FPosition = frame;
    return true;
}

PGSoundStream OpenOggStream(const std::filesystem::path& file) {
    return std::make_shared<TGOggStream>(file, file.filename().string());
}

} // namespace qm
