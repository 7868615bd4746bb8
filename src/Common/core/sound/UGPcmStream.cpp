#include "UGPcmStream.h"

#include <algorithm>
#include <cstring>

namespace qm {

int64_t TGPcmStream::Read(int16_t* out, int64_t frames) {
    const int64_t count = std::clamp<int64_t>(FPcm->Frames() - FPosition, 0, frames);
    if (count > 0) {
        std::memcpy(out, FPcm->Samples.data() + FPosition * AudioChannels,
                    static_cast<size_t>(count * AudioChannels) * sizeof(int16_t));
    }
    FPosition += count;
    return count;
}

bool TGPcmStream::Seek(int64_t frame) {
    if (frame < 0 || frame > FPcm->Frames()) {
        return false;
    }
    FPosition = frame;
    return true;
}

} // namespace qm
