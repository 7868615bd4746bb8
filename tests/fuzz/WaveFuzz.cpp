// WAV files as the sound engine reads its samples and music: any bytes, read and converted.
#include "FuzzSupport.h"
#include "UGWaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    const std::string bytes = fuzz::Bytes(data, size);
    fuzz::ReadsOrFails([&] {
        TGPcm pcm = ReadWave(bytes, "fuzz.wav");
        // Whole stereo frames, and no more than the half hour the reader promises.
        if (pcm.Samples.size() % AudioChannels != 0 || pcm.Frames() > int64_t(AudioRate) * 60 * 30) {
            __builtin_trap();
        }
    });
    return 0;
}
