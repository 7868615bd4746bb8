// Ogg Vorbis music as the sound card's mixer streams it: any bytes as a file, opened, read a
// window at a time and moved about as the game does. Reading ends in whole frames, never writes
// more than asked, and the stream's position counts what it wrote.
#include "FuzzSupport.h"
#include "UGAudioOutput.h"
#include "UGOggStream.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    fuzz::TScratch& scratch = fuzz::TScratch::Instance();
    scratch.Fresh();
    scratch.Write("fuzz.ogg", fuzz::Bytes(data, size));
    fuzz::ReadsOrFails([&] {
        TGOggStream stream(scratch.Path() / "fuzz.ogg", "fuzz.ogg");
        // A minute's worth at most: a file may claim to play for hours.
        constexpr int64_t Cap = int64_t(AudioRate) * 60;
        constexpr int64_t Ask = 4096;
        std::vector<int16_t> buffer(size_t(Ask) * AudioChannels);
        auto readAll = [&](int64_t limit) {
            int64_t total = 0;
            while (total < limit) {
                const int64_t before = stream.Position();
                const int64_t count = stream.Read(buffer.data(), Ask);
                if (count < 0 || count > Ask || stream.Position() != before + count) {
                    __builtin_trap();
                }
                if (count == 0) {
                    break;
                }
                total += count;
            }
            return total;
        };
        const int64_t played = readAll(Cap);
        if (stream.Seek(played / 2)) {
            if (stream.Position() != played / 2) {
                __builtin_trap();
            }
            readAll(Ask * 4);
        }
        // A damaged file may refuse to move (a looping track then ends); one that moves is there.
        if (stream.Seek(0)) {
            if (stream.Position() != 0) {
                __builtin_trap();
            }
            readAll(Ask * 4);
        }
        // The stream holds a window, not the sound.
        if (stream.BufferedBytes() > (size_t(4) << 20)) {
            __builtin_trap();
        }
    });
    return 0;
}
