// Tracker modules as the sound engine loads its music and effect libraries: any bytes, loaded,
// then a stretch of the order list and a single pattern rendered (kept short so that runs stay
// quick).
#include "FuzzSupport.h"
#include "UGModuleFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    const std::string bytes = fuzz::Bytes(data, size);
    constexpr int64_t MaxFrames = AudioRate / 2;
    fuzz::ReadsOrFails([&] {
        TGModuleFile module(bytes, "fuzz.mod");
        for (const auto& [first, last] :
             {std::pair{0, module.Length() - 1}, std::pair{module.Length() / 2, module.Length() / 2}}) {
            TGPcm pcm = module.Render(first, last, MaxFrames);
            // A frame of the player may run past the limit, by far less than a second.
            if (pcm.Samples.size() % AudioChannels != 0 || pcm.Frames() > MaxFrames + AudioRate) {
                __builtin_trap();
            }
        }
    });
    return 0;
}
