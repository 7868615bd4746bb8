// Song files are text anybody may edit; the generator reads them at every build. A song the reader
// accepts must make a module the writer takes: the reader checks everything the format limits.
#include "Song.h"
#include "XmWriter.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace soundgen;
    TSong song;
    try {
        song = ParseSong(std::string(reinterpret_cast<const char*>(data), size), "fuzz.song");
    } catch (const std::runtime_error&) {
        return 0;
    }
    const TXmModule module = BuildModule(song, [](const TSongInstrument&) {
        TXmInstrument instrument;
        instrument.Sample.Data = {0, 100, 0};
        return instrument;
    });
    WriteXm(module);
    return 0;
}
