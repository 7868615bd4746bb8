// Picture files of every kind the game decodes, with the name they are found under: the input is
// a file name, a line feed, and the file's bytes. The name picks the decoder by its ending and
// gives the frame count by the dotted number in it ("gfx/ui/coin.8.png").
#include "FuzzSupport.h"
#include "UGGraphicsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    const std::string input = fuzz::Bytes(data, size);
    const size_t newline = input.find('\n');
    if (newline == std::string::npos || newline > 512) {
        return -1;
    }
    const std::string name = input.substr(0, newline);
    std::string bytes = input.substr(newline + 1);

    const int frames = FramesFromName(name);
    if (frames < 1) {
        __builtin_trap();
    }
    fuzz::ReadsOrFails([&] {
        PGGraphicsFile file = CreateByExtension(name, &bytes, true);
        // The pool takes every frame and its alpha, dithers and masks them; so does the harness.
        TGDitherFilter dithered(*file, true);
        TGMaskFilter mask(*file);
        // A decoded file promises frames of one size with whole pixel rows, and alpha frames
        // that match them one for one.
        PGGraphicsFile alpha = file->GetAlpha();
        if (file->FrameCount() < 1 || (alpha && alpha->FrameCount() != file->FrameCount())) {
            __builtin_trap();
        }
        const TGImage24& first = file->GetFrame(0);
        for (int i = 0; i < file->FrameCount(); ++i) {
            const TGImage24& frame = file->GetFrame(i);
            if (frame.Width != first.Width || frame.Height != first.Height ||
                frame.Pixels.size() != frame.RowBytes() * static_cast<size_t>(frame.Height)) {
                __builtin_trap();
            }
            if (alpha &&
                (alpha->GetFrame(i).Width != frame.Width || alpha->GetFrame(i).Height != frame.Height)) {
                __builtin_trap();
            }
        }
    });
    return 0;
}
