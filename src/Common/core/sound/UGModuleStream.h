#pragma once

#include "UGModuleFile.h"
#include "UGSoundStream.h"

#include <string>
#include <string_view>
#include <vector>

namespace qm {

// A stretch of a tracker module played as a stream: positions first..last, rendered a frame of
// the player at a time as they are read, ending where TGModuleFile::Render would end them (at
// most `maxFrames` long). The stream loads its own player from the file's bytes, so that two
// music slots may play one track at once.
class TGModuleStream : public IGSoundStream {
public:
    // Raises EGError naming `name` when the bytes are no module that can be played.
    TGModuleStream(std::string_view bytes, const std::string& name, int first, int last,
                   int64_t maxFrames = TGModuleFile::MaxRenderFrames);

    int64_t Read(int16_t* out, int64_t frames) override;
    // A module cannot be entered in the middle of a frame of its player: the stream plays from
    // the start again and passes over the frames before `frame`.
    bool Seek(int64_t frame) override;
    int64_t Position() const override { return FPosition; }
    size_t BufferedBytes() const override { return FPending.capacity() * sizeof(int16_t); }

private:
    void Restart();
    // Passes over frames until `frame`; false when the sound ends before it.
    bool SkipTo(int64_t frame);
    // The samples of the player's frame not read yet; refilled from the player when empty.
    bool FillPending();

    TGModuleFile FModule;
    int FFirst;
    int FLast;
    int64_t FMaxFrames;
    int64_t FPosition = 0;
    std::vector<int16_t> FPending;
    size_t FPendingAt = 0;
};

} // namespace qm
