#pragma once

#include "UGAudioOutput.h"

#include <span>
#include <string>
#include <string_view>

namespace qm {

// A tracker module (XM, MOD, S3M, IT and the other formats libxmp reads) held in memory and
// rendered into the engine's format one stretch of its order list at a time. Positions are
// order positions, what the configuration calls patterns.
class TGModuleFile {
public:
    // Raises EGError naming `name` when the bytes are no module libxmp can play.
    TGModuleFile(std::string_view bytes, const std::string& name);
    ~TGModuleFile();
    TGModuleFile(const TGModuleFile&) = delete;
    TGModuleFile& operator=(const TGModuleFile&) = delete;

    // The number of positions in the order list.
    int Length() const { return FLength; }
    // Plays positions first..last (inclusive) and returns the sound, ending where the player
    // leaves that stretch, ends the song or comes back to a position already played, and at
    // most `maxFrames` long (ten minutes unless asked otherwise); `cut`, when given, tells
    // whether the stretch went on beyond that. A stretch outside the order list gives no sound.
    static constexpr int64_t MaxRenderFrames = int64_t(AudioRate) * 60 * 10;
    TGPcm Render(int first, int last, int64_t maxFrames = MaxRenderFrames, bool* cut = nullptr);
    // The whole song from its first position to its end.
    TGPcm RenderAll() { return Render(0, FLength - 1); }

    // The same stretch a frame of the player at a time, for sound made while it plays: Start
    // puts the player at `first` (again), and NextFrame gives the player's next frame of sound
    // until the stretch ends as Render ends it, then nothing. The frame stays valid until the
    // next call. A stretch outside the order list ends at once.
    void Start(int first, int last);
    std::span<const int16_t> NextFrame();

private:
    void Stop();

    void* FContext;
    std::string FName;
    int FLength = 0;
    int FFirst = 0;
    int FLast = -1;
    bool FPlaying = false;
};

} // namespace qm
