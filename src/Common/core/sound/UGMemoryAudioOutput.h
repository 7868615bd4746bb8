#pragma once

#include "UGAudioOutput.h"

#include <functional>
#include <optional>
#include <vector>

namespace qm {

// A mixer that needs no sound card: it mixes its channels into memory when asked, so the
// same calls always give the same samples. Tests listen to the engine through it, and the
// game renders its sound into a WAV file with it (a sink receives what each frame played).
class TGMemoryAudioOutput : public IGAudioOutput {
public:
    using TGSink = std::function<void(const int16_t* samples, int64_t frames)>;
    // Opens a compressed music file as a stream; the decoders belong to the platform.
    using TGStreamOpener = std::function<PGSoundStream(const std::filesystem::path& file)>;

    explicit TGMemoryAudioOutput(int channelCount = 0);

    // Mixes the next `frames` frames of every channel; the result has two samples a frame.
    std::vector<int16_t> Render(int64_t frames);
    // With a sink, Advance renders the frames that the main thread's time has covered since
    // the first Advance and hands them over.
    void SetSink(TGSink sink) { FSink = std::move(sink); }
    // Without an opener, compressed music cannot be played here.
    void SetStreamOpener(TGStreamOpener opener) { FOpener = std::move(opener); }

    // Only WAV files and modules, which the engine reads itself, are known here.
    PGPcm DecodeStream(const std::filesystem::path& file) override;
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

    // The volume last set on a channel, for tests.
    int Volume(int channel) const { return At(channel).Volume; }

private:
    struct TGChannel {
        PGPcm Pcm;
        PGSoundStream Stream;
        int64_t Cursor = 0;
        bool Loop = false;
        bool Paused = false;
        int Volume = MixMaxVolume;
    };
    TGChannel& At(int channel);
    const TGChannel& At(int channel) const;
    static void MixInto(TGChannel& channel, std::vector<int32_t>& sum, int64_t frames);
    static void MixStreamInto(TGChannel& channel, std::vector<int32_t>& sum, int64_t frames);
    static bool Sounds(const TGChannel& channel) { return channel.Pcm || channel.Stream; }

    std::vector<TGChannel> FChannels;
    TGSink FSink;
    TGStreamOpener FOpener;
    std::optional<uint64_t> FStartMs;
    int64_t FFramesRendered = 0;
};

} // namespace qm
