#include "XmRender.h"

#include <xmp.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace soundgen {

namespace {

// A libxmp context with a loaded module and a started player, undone in reverse order.
class TPlayer {
public:
    explicit TPlayer(const std::vector<uint8_t>& module) : FContext(xmp_create_context()) {
        if (!FContext) {
            throw std::runtime_error("libxmp: no context");
        }
        if (xmp_load_module_from_memory(FContext, module.data(), static_cast<long>(module.size())) != 0) {
            xmp_free_context(FContext);
            throw std::runtime_error("libxmp refuses the module");
        }
        if (xmp_start_player(FContext, RenderRate, 0) != 0) {
            xmp_release_module(FContext);
            xmp_free_context(FContext);
            throw std::runtime_error("libxmp cannot start playing");
        }
    }
    ~TPlayer() {
        xmp_end_player(FContext);
        xmp_release_module(FContext);
        xmp_free_context(FContext);
    }
    TPlayer(const TPlayer&) = delete;
    TPlayer& operator=(const TPlayer&) = delete;

    xmp_context Get() const { return FContext; }
    int OrderCount() const {
        xmp_module_info info;
        xmp_get_module_info(FContext, &info);
        return info.mod->len;
    }

private:
    xmp_context FContext;
};

} // namespace

TStereo RenderOrders(const std::vector<uint8_t>& module, int first, int last) {
    TPlayer player(module);
    if (first < 0 || last < first || last >= player.OrderCount()) {
        throw std::runtime_error("orders " + std::to_string(first) + ".." + std::to_string(last) +
                                 " are not in the module");
    }
    if (first > 0 && xmp_set_position(player.Get(), first) < 0) {
        throw std::runtime_error("libxmp cannot jump to order " + std::to_string(first));
    }
    TStereo out;
    xmp_frame_info frame;
    // A frame reports the position it played; the first frame of the order after the range, or
    // of a jump back to the start, is not part of the range.
    bool started = false;
    int previousPos = first;
    while (xmp_play_frame(player.Get()) == 0) {
        xmp_get_frame_info(player.Get(), &frame);
        if (frame.loop_count > 0 || frame.pos < first || frame.pos > last ||
            (started && frame.pos < previousPos)) {
            break;
        }
        started = true;
        previousPos = frame.pos;
        const auto* samples = static_cast<const int16_t*>(frame.buffer);
        out.Samples.insert(out.Samples.end(), samples, samples + frame.buffer_size / 2);
    }
    return out;
}

TStereo RenderModule(const std::vector<uint8_t>& module) {
    return RenderOrders(module, 0, TPlayer(module).OrderCount() - 1);
}

TLevels MeasureLevels(const std::vector<int16_t>& samples) {
    TLevels levels;
    double sum = 0;
    for (int16_t value : samples) {
        const double v = value / 32768.0;
        levels.Peak = std::max(levels.Peak, std::fabs(v));
        sum += v * v;
    }
    levels.Rms = samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
    return levels;
}

} // namespace soundgen
