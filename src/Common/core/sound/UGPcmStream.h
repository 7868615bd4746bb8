#pragma once

#include "UGAudioOutput.h"
#include "UGSoundStream.h"

namespace qm {

// Sound decoded whole, read as a stream: for the compressed files that only the mixer decodes.
class TGPcmStream : public IGSoundStream {
public:
    explicit TGPcmStream(PGPcm pcm) : FPcm(std::move(pcm)) {}

    int64_t Read(int16_t* out, int64_t frames) override;
    bool Seek(int64_t frame) override;
    int64_t Position() const override { return FPosition; }
    size_t BufferedBytes() const override { return FPcm->Samples.size() * sizeof(int16_t); }

private:
    PGPcm FPcm;
    int64_t FPosition = 0;
};

} // namespace qm
