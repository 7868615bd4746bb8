// WAV files as the sound engine reads its samples and music: any bytes, read and converted whole
// from memory, and streamed from a file as music is, which must give the same sound.
#include "FuzzSupport.h"
#include "UGWaveFile.h"
#include "UGWaveStream.h"

#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    const std::string bytes = fuzz::Bytes(data, size);
    TGPcm pcm;
    const bool read = fuzz::ReadsOrFails([&] {
        pcm = ReadWave(bytes, "fuzz.wav");
        // Whole stereo frames, and no more than the half hour the reader promises.
        if (pcm.Samples.size() % AudioChannels != 0 || pcm.Frames() > int64_t(AudioRate) * 60 * 30) {
            __builtin_trap();
        }
    });
    fuzz::TScratch& scratch = fuzz::TScratch::Instance();
    scratch.Fresh();
    scratch.Write("fuzz.wav", bytes);
    fuzz::ReadsOrFails([&] {
        TGWaveStream stream(scratch.Path() / "fuzz.wav", "fuzz.wav");
        // The stream plays what the whole read makes; a file too long for the whole read is
        // streamed a minute's worth, which must still come in whole frames.
        constexpr size_t Cap = size_t(AudioRate) * AudioChannels * 60;
        std::vector<int16_t> streamed;
        std::vector<int16_t> buffer(size_t(5000) * AudioChannels);
        for (int64_t count = stream.Read(buffer.data(), 5000); count > 0 && streamed.size() < Cap;
             count = stream.Read(buffer.data(), 5000)) {
            streamed.insert(streamed.end(), buffer.begin(), buffer.begin() + count * AudioChannels);
        }
        const bool whole = streamed.size() < Cap;
        if (read &&
            (streamed.size() > pcm.Samples.size() || (whole && streamed.size() != pcm.Samples.size()) ||
             !std::equal(streamed.begin(), streamed.end(), pcm.Samples.begin()))) {
            __builtin_trap();
        }
    });
    return 0;
}
