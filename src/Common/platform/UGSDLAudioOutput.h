#pragma once

#include "UGAudioOutput.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

struct Mix_Chunk;

namespace qm {

// The mixer of a real sound card, through SDL2_mixer: each engine channel is a mixer channel
// and each piece of decoded sound is handed over as a chunk that points into it. SDL_mixer
// mixes on its own thread; the only things that thread does for us are to count the frames a
// channel has played, into an atomic, and to read the streams of the channels that play one.
// Every Mix_* call is made on the main thread.
//
// A stream plays on its channel as an endless chunk of silence whose every buffer an effect
// replaces with what it reads from the stream, before SDL_mixer applies the channel's volume;
// so pause, volume and halting work as for any chunk, and halting (which waits for the mixer)
// hands the stream back to the main thread.
class TGSDLAudioOutput : public IGAudioOutput {
public:
    // Opens the default output (44100 Hz, signed 16-bit, stereo, 1024-frame buffers). Returns
    // null and the reason when there is none: no device, or SDL's "dummy" or "disk" driver,
    // which play to no one. `anyDriver` accepts those too (tests of the mixer calls).
    static std::unique_ptr<TGSDLAudioOutput> Open(std::string& whyNot, bool anyDriver = false);
    ~TGSDLAudioOutput() override;

    // Compressed music other than Ogg Vorbis that plays longer than this is refused: SDL_mixer
    // decodes it whole, and ten minutes are 106 MB.
    static constexpr int MaxWholeMusicSeconds = 600;

    PGPcm DecodeStream(const std::filesystem::path& file) override;
    // Ogg Vorbis files are decoded as they play; other compressed files are decoded whole.
    PGSoundStream OpenStream(const std::filesystem::path& file) override;
    void SetChannelCount(int count) override;
    int ChannelCount() const override { return static_cast<int>(FChannels.size()); }
    void Play(int channel, PGPcm pcm, int64_t startFrame, bool loop) override;
    void PlayStream(int channel, PGSoundStream stream, bool loop) override;
    void Halt(int channel) override;
    void Pause(int channel) override;
    void Resume(int channel) override;
    bool IsPlaying(int channel) override;
    bool IsPaused(int channel) override;
    void SetVolume(int channel, int volume) override;
    int64_t Position(int channel) override;
    void SetPosition(int channel, int64_t frame) override;
    void Advance(uint64_t nowMs) override;

private:
    struct TGChannel {
        PGPcm Pcm;
        Mix_Chunk* Chunk = nullptr;
        int64_t StartFrame = 0;
        bool Loop = false;
        // A loop that started past its beginning plays that part once; the main thread then
        // starts the whole sound looping.
        bool LoopPending = false;
        std::atomic<int64_t> BytesPlayed{0};
        PGSoundStream Stream;
        // Written by the mixer's thread while the stream plays: where it is, and that it ended.
        std::atomic<int64_t> StreamPosition{0};
        std::atomic<bool> StreamEnded{false};
    };
    TGSDLAudioOutput() = default;
    TGChannel& At(int channel);
    static void CheckWholeMusicLength(const std::filesystem::path& file);
    void Start(int channel, int64_t startFrame, bool loop);
    void StartStream(int channel);
    // Runs on SDL_mixer's thread.
    static void FillFromStream(int channel, void* buffer, int length, void* user);
    void FreeChunk(TGChannel& channel);

    std::vector<std::unique_ptr<TGChannel>> FChannels;
};

} // namespace qm
