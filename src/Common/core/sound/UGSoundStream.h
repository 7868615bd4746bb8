#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace qm {

// Sound made while it plays, a little at a time, in the engine's format (see UGAudioOutput.h):
// music is rendered or decoded as the mixer asks for it, so that a track holds a few buffers
// whatever its length. A stream is used by one mixer channel at a time.
class IGSoundStream {
public:
    virtual ~IGSoundStream() = default;

    // Writes up to `frames` frames to `out` and returns how many it wrote: fewer only at the end
    // of the sound, none once it has ended.
    virtual int64_t Read(int16_t* out, int64_t frames) = 0;
    // Moves to `frame` counted from the start of the sound. False, and the stream where it was,
    // when the sound ends before that frame.
    virtual bool Seek(int64_t frame) = 0;
    // The frame that Read writes next.
    virtual int64_t Position() const = 0;
    // The bytes of sound the stream holds in its buffers at the moment.
    virtual size_t BufferedBytes() const = 0;
};

using PGSoundStream = std::shared_ptr<IGSoundStream>;

} // namespace qm
