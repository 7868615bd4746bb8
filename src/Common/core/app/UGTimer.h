#pragma once

#include <cstdint>

namespace qm {

// Where the clocks read the time: the platform's millisecond tick counter in a normal run, a
// hand-driven counter under --fixed-step and in tests.
class IGTickSource {
public:
    virtual ~IGTickSource() = default;
    virtual uint64_t NowMs() = 0;
};

// A tick source that moves only when told to.
class TGManualTickSource : public IGTickSource {
public:
    explicit TGManualTickSource(uint64_t start = 0) : FNow(start) {}
    uint64_t NowMs() override { return FNow; }
    void Advance(uint64_t ms) { FNow += ms; }
    void Set(uint64_t ms) { FNow = ms; }

private:
    uint64_t FNow;
};

// A clock advanced once per frame. Step is the time of the current frame in game seconds: the
// real time since the last update, capped at MaxStep so that a stall (loading, dragging the
// window) never throws animation and physics off, times Speed; 0 while paused or inactive.
class TGTimer {
public:
    static constexpr double MaxStep = 0.03;

    TGTimer(IGTickSource& ticks, double speed);

    void UpdateStep(bool active);

    void SubStep(double& value) const { value -= Step; }
    void AddStep(double& value) const { value += Step; }
    void AddStepScaled(double& value, double rate) const { value += rate * Step; }

    bool Paused = false;
    // The millisecond tick of the previous update. It is kept in 32 bits, as the system tick
    // counter once was; the difference is taken modulo 2^32 and a step that would be negative
    // (the source went backwards) counts as 0, so a wrap never yields a negative or huge step.
    uint32_t LastTick = 0;
    double Step = 0.0;
    double Speed = 1.0;

private:
    IGTickSource& FTicks;
};

} // namespace qm
