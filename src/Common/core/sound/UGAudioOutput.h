#pragma once

#include "UGSoundStream.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace qm {

// Every sound the engine plays is decoded into this one format before it reaches a mixer:
// signed 16-bit stereo at 44100 frames a second, the two sides of a frame next to each other.
constexpr int AudioRate = 44100;
constexpr int AudioChannels = 2;
// The mixer's full volume; the engine's volumes 0..100 are scaled onto 0..MixMaxVolume.
constexpr int MixMaxVolume = 128;

struct TGPcm {
    std::vector<int16_t> Samples;
    int64_t Frames() const { return static_cast<int64_t>(Samples.size() / AudioChannels); }
};
// Decoded sound is shared between the engine's lists and the channels playing it, so a
// channel never outlives the samples it reads.
using PGPcm = std::shared_ptr<const TGPcm>;

// The mixer the sound engine drives: a fixed number of numbered channels, each playing one
// piece of decoded sound once or in a loop at its own volume. Every call comes from the main
// thread; an implementation whose mixing runs on another thread keeps that thread to itself.
class IGAudioOutput {
public:
    virtual ~IGAudioOutput() = default;

    // Decodes a compressed stream file (Ogg Vorbis, MP3, ...) that the engine does not read
    // itself; raises EGError when it cannot. Called from the loading thread and the main thread.
    virtual PGPcm DecodeStream(const std::filesystem::path& file) = 0;
    // Opens such a file as music, decoded as it plays where the mixer can; raises EGError naming
    // the file when it cannot be read. Called from the loading thread and the main thread.
    virtual PGSoundStream OpenStream(const std::filesystem::path& file) = 0;

    // Channels 0 .. count-1 exist afterwards; what played on channels beyond count stops.
    virtual void SetChannelCount(int count) = 0;
    virtual int ChannelCount() const = 0;

    // Starts `pcm` on the channel at frame `startFrame`, replacing whatever played there. A
    // looping channel goes back to frame 0 at the end, whatever frame it started from.
    virtual void Play(int channel, PGPcm pcm, int64_t startFrame, bool loop) = 0;
    // Starts `stream` on the channel from where the stream stands, replacing whatever played
    // there. The channel reads the stream as it plays (on the mixer's own thread, for a mixer
    // that has one), so nothing else touches the stream until the channel is halted or plays
    // something else. A looping channel seeks the stream back to frame 0 at its end. Position
    // and SetPosition of the channel are the stream's.
    virtual void PlayStream(int channel, PGSoundStream stream, bool loop) = 0;
    virtual void Halt(int channel) = 0;
    virtual void Pause(int channel) = 0;
    virtual void Resume(int channel) = 0;
    // True while the channel has sound to play, paused or not.
    virtual bool IsPlaying(int channel) = 0;
    virtual bool IsPaused(int channel) = 0;
    // 0 .. MixMaxVolume.
    virtual void SetVolume(int channel, int volume) = 0;
    // The frame of the channel's sound that plays next; 0 for an idle channel.
    virtual int64_t Position(int channel) = 0;
    // Moves a playing channel to another frame of its sound, keeping its loop and volume.
    virtual void SetPosition(int channel, int64_t frame) = 0;

    // Main-thread time has reached `nowMs`: an output that needs the main thread's help (to
    // restart a loop, or to render what was played into a file) does it here, once per frame.
    virtual void Advance(uint64_t nowMs) { (void)nowMs; }
};

} // namespace qm
