#include "UGModuleStream.h"

#include <algorithm>
#include <cstring>

namespace qm {

TGModuleStream::TGModuleStream(std::string_view bytes, const std::string& name, int first, int last,
                               int64_t maxFrames)
    : FModule(bytes, name), FFirst(first), FLast(last), FMaxFrames(maxFrames) {
    Restart();
}

void TGModuleStream::Restart() {
    FModule.Start(FFirst, FLast);
    FPosition = 0;
    FPending.clear();
    FPendingAt = 0;
}

bool TGModuleStream::FillPending() {
    if (FPendingAt < FPending.size()) {
        return true;
    }
    std::span<const int16_t> frame = FModule.NextFrame();
    // The vector keeps its capacity: it grows to the player's largest frame and stays there.
    FPending.assign(frame.begin(), frame.end());
    FPendingAt = 0;
    return !FPending.empty();
}

int64_t TGModuleStream::Read(int16_t* out, int64_t frames) {
    int64_t done = 0;
    while (done < frames && FPosition < FMaxFrames && FillPending()) {
        const int64_t pendingFrames = static_cast<int64_t>(FPending.size() - FPendingAt) / AudioChannels;
        const int64_t count = std::min({frames - done, pendingFrames, FMaxFrames - FPosition});
        const auto samples = static_cast<size_t>(count * AudioChannels);
        if (out) {
            std::memcpy(out + done * AudioChannels, FPending.data() + FPendingAt, samples * sizeof(int16_t));
        }
        FPendingAt += samples;
        FPosition += count;
        done += count;
    }
    return done;
}

bool TGModuleStream::SkipTo(int64_t frame) {
    while (FPosition < frame) {
        if (Read(nullptr, frame - FPosition) == 0) {
            return false;
        }
    }
    return true;
}

bool TGModuleStream::Seek(int64_t frame) {
    if (frame < 0) {
        return false;
    }
    const int64_t old = FPosition;
    Restart();
    if (SkipTo(frame)) {
        return true;
    }
    Restart();
    SkipTo(old);
    return false;
}

} // namespace qm
