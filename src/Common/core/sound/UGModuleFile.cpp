#include "UGModuleFile.h"

#include "UGError.h"
#include "UGStrings.h"

#include <xmp.h>

#include <algorithm>

namespace qm {

namespace {

xmp_context ContextOf(void* context) {
    return static_cast<xmp_context>(context);
}

} // namespace

TGModuleFile::TGModuleFile(std::string_view bytes, const std::string& name)
    : FContext(xmp_create_context()), FName(name) {
    if (!FContext) {
        throw EGError("TGModuleFile", Format("\"%s\": no memory for the module player", name.c_str()));
    }
    if (bytes.empty() || xmp_load_module_from_memory(ContextOf(FContext), bytes.data(),
                                                     static_cast<long>(bytes.size())) != 0) {
        xmp_free_context(ContextOf(FContext));
        throw EGError("TGModuleFile", Format("\"%s\": not a module that can be played", name.c_str()));
    }
    xmp_module_info info;
    xmp_get_module_info(ContextOf(FContext), &info);
    FLength = info.mod ? info.mod->len : 0;
}

TGModuleFile::~TGModuleFile() {
    Stop();
    xmp_release_module(ContextOf(FContext));
    xmp_free_context(ContextOf(FContext));
}

void TGModuleFile::Start(int first, int last) {
    Stop();
    FFirst = first;
    FLast = last;
    if (first < 0 || first >= FLength || last < first) {
        return;
    }
    xmp_context context = ContextOf(FContext);
    if (xmp_start_player(context, AudioRate, 0) != 0) {
        throw EGError("TGModuleFile", Format("\"%s\": the module player did not start", FName.c_str()));
    }
    FPlaying = true;
    // Spline interpolation is the player's default; it is named so that a change of default in
    // the library does not change what the game sounds like.
    xmp_set_player(context, XMP_PLAYER_INTERP, XMP_INTERP_SPLINE);
    if (first > 0) {
        xmp_set_position(context, first);
    }
}

void TGModuleFile::Stop() {
    if (FPlaying) {
        xmp_end_player(ContextOf(FContext));
        FPlaying = false;
    }
}

std::span<const int16_t> TGModuleFile::NextFrame() {
    if (!FPlaying) {
        return {};
    }
    xmp_context context = ContextOf(FContext);
    xmp_frame_info frame;
    if (xmp_play_frame(context) != 0) {
        Stop();
        return {};
    }
    xmp_get_frame_info(context, &frame);
    if (frame.loop_count > 0 || frame.pos < FFirst || frame.pos > FLast) {
        Stop();
        return {};
    }
    return {static_cast<const int16_t*>(frame.buffer),
            static_cast<size_t>(frame.buffer_size) / sizeof(int16_t)};
}

// Ten minutes is longer than any piece the game plays; a module that runs on (a broken file, a
// jump that never ends the song) is cut there.
TGPcm TGModuleFile::Render(int first, int last, int64_t maxFrames, bool* cut) {
    TGPcm pcm;
    if (cut) {
        *cut = false;
    }
    Start(first, last);
    for (std::span<const int16_t> frame = NextFrame(); !frame.empty(); frame = NextFrame()) {
        if (pcm.Frames() >= maxFrames) {
            if (cut) {
                *cut = true;
            }
            break;
        }
        pcm.Samples.insert(pcm.Samples.end(), frame.begin(), frame.end());
    }
    Stop();
    // The player hands out whole frames of its own; the sound ends exactly at the limit.
    if (pcm.Frames() > maxFrames) {
        pcm.Samples.resize(static_cast<size_t>(std::max<int64_t>(maxFrames, 0) * AudioChannels));
        if (cut) {
            *cut = true;
        }
    }
    return pcm;
}

} // namespace qm
