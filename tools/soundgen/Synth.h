#pragma once

// The synthesis the default sounds are made of: oscillators, envelopes, noise, filters, a plucked
// string, a small room and an echo. Everything is mono floating point at SynthRate, and every
// random choice comes from a seeded generator, so a sound is the same on every run.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace soundgen {

constexpr int SynthRate = 44100;

using TBuffer = std::vector<float>;

inline size_t Frames(double seconds) {
    return static_cast<size_t>(seconds * SynthRate + 0.5);
}

// The frequency of a note counted in semitones from middle C (C-4, 261.63 Hz).
double NoteFrequency(double semitonesFromMiddleC);

// xorshift32: small, fast and the same everywhere.
class TNoise {
public:
    explicit TNoise(uint32_t seed) : FState(seed ? seed : 0x9E3779B9u) {}
    // Uniform in [-1, 1).
    float Next() {
        FState ^= FState << 13;
        FState ^= FState >> 17;
        FState ^= FState << 5;
        return static_cast<float>(FState) / 2147483648.0f - 1.0f;
    }
    // Uniform in [low, high).
    double Range(double low, double high) { return low + (Next() * 0.5 + 0.5) * (high - low); }

private:
    uint32_t FState;
};

enum class TWave { Sine, Triangle, Saw, Square };

// A value that moves over time: from `Start` to `End` in `Seconds`, exponentially when both are
// positive and `Exponential` is set, else in a straight line; it holds `End` afterwards.
struct TSweep {
    double Start = 0;
    double End = 0;
    double Seconds = 1;
    bool Exponential = true;

    double At(double t) const;
};
inline TSweep Fixed(double value) {
    return {value, value, 1, false};
}

// An oscillator with a band-limited saw and square, whose frequency follows a sweep.
TBuffer Oscillator(TWave wave, const TSweep& frequency, double seconds, double phase = 0);

// Attack, hold, then exponential decay to silence by the end (`decay` seconds to -60 dB).
TBuffer Envelope(double attack, double hold, double decay, double seconds);
// Attack, sustain level until `release` before the end, then a straight fade to zero.
TBuffer Adsr(double attack, double decay, double sustain, double release, double seconds);

TBuffer WhiteNoise(TNoise& noise, double seconds);

// Two-pole state-variable filter with a cutoff that may sweep; `resonance` 0.5 is gentle, 5 rings.
enum class TFilter { LowPass, HighPass, BandPass };
TBuffer Filter(const TBuffer& in, TFilter kind, const TSweep& cutoff, double resonance = 0.7);

// Karplus-Strong plucked string: bright at first, mellowing as it rings.
TBuffer Pluck(double frequency, double seconds, double brightness, TNoise& noise);

// A bell or electric piano: a sine carrier with a decaying sine modulator at `ratio` × its
// frequency; `index` is the modulation depth at the start.
TBuffer FmTone(double frequency, double ratio, double index, double indexDecay, double seconds);

// Room reverberation (parallel combs into all-passes), returned wet only, `tail` seconds longer.
TBuffer Room(const TBuffer& in, double size, double damping, double tail);
// A repeating echo with feedback, returned with the dry sound.
TBuffer Echo(const TBuffer& in, double delay, double feedback, int repeats);

// Operations on buffers.
TBuffer operator*(const TBuffer& a, const TBuffer& b);
TBuffer Scaled(TBuffer a, double gain);
// Adds `b` into `a` starting at `at` seconds, growing `a` when needed.
void MixAt(TBuffer& a, const TBuffer& b, double at, double gain = 1.0);
// Short fades at both ends so that a sound never starts or stops with a step.
void Declick(TBuffer& a, double fadeIn = 0.002, double fadeOut = 0.005);
// Gentle saturation that rounds peaks above about 0.8 instead of clipping them.
void SoftClip(TBuffer& a);

double Peak(const TBuffer& a);
// The RMS of the loudest 50 ms window, which is what a player hears as the sound's loudness.
double LoudestRms(const TBuffer& a);
// Scales the sound so that its loudest window has the given RMS, with its peak at most `peak`.
void Normalize(TBuffer& a, double loudness, double peak);

// 16-bit samples with the values rounded and limited to the 16-bit range.
std::vector<int16_t> ToPcm(const TBuffer& a, double gain = 1.0);
// A RIFF WAVE file: PCM, 16-bit, mono, SynthRate.
std::vector<uint8_t> WavBytes(const std::vector<int16_t>& samples);

} // namespace soundgen
