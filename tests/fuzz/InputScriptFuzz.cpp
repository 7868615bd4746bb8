// Input scripts drive headless runs; a script is a text file anybody can hand the game.
#include "FuzzSupport.h"
#include "UGInputScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    fuzz::ReadsOrFails([&] {
        const TGInputScript script = TGInputScript::Parse(fuzz::Bytes(data, size), "fuzz.txt");
        // Walking the frames touches every event the parser stored.
        size_t events = 0;
        for (uint64_t frame = 0; frame <= script.LastFrame() && frame < 4096; ++frame) {
            events += script.EventsAt(frame).size();
        }
        (void)events;
    });
    return 0;
}
