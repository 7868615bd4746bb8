#include "Synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace soundgen {

namespace {

constexpr double Pi = std::numbers::pi;

// The correction that takes the step out of a naive saw or square at a wrap of the phase.
double PolyBlep(double phase, double step) {
    if (phase < step) {
        const double t = phase / step;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - step) {
        const double t = (phase - 1.0) / step;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

} // namespace

double NoteFrequency(double semitonesFromMiddleC) {
    return 261.6255653 * std::pow(2.0, semitonesFromMiddleC / 12.0);
}

double TSweep::At(double t) const {
    if (t >= Seconds || Seconds <= 0) {
        return End;
    }
    const double f = std::max(0.0, t / Seconds);
    if (Exponential && Start > 0 && End > 0) {
        return Start * std::pow(End / Start, f);
    }
    return Start + (End - Start) * f;
}

TBuffer Oscillator(TWave wave, const TSweep& frequency, double seconds, double phase) {
    TBuffer out(Frames(seconds));
    for (size_t i = 0; i < out.size(); ++i) {
        const double step = std::min(0.49, frequency.At(static_cast<double>(i) / SynthRate) / SynthRate);
        double value = 0;
        switch (wave) {
        case TWave::Sine:
            value = std::sin(2 * Pi * phase);
            break;
        case TWave::Triangle:
            value = 4.0 * std::fabs(phase - 0.5) - 1.0;
            break;
        case TWave::Saw:
            value = 2.0 * phase - 1.0 - PolyBlep(phase, step);
            break;
        case TWave::Square: {
            value = phase < 0.5 ? 1.0 : -1.0;
            value += PolyBlep(phase, step);
            value -= PolyBlep(std::fmod(phase + 0.5, 1.0), step);
            break;
        }
        }
        out[i] = static_cast<float>(value);
        phase += step;
        phase -= std::floor(phase);
    }
    return out;
}

TBuffer Envelope(double attack, double hold, double decay, double seconds) {
    TBuffer out(Frames(seconds));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / SynthRate;
        double value;
        if (t < attack) {
            value = t / attack;
        } else if (t < attack + hold) {
            value = 1.0;
        } else {
            value = std::exp(-6.9 * (t - attack - hold) / decay);
        }
        out[i] = static_cast<float>(value);
    }
    return out;
}

TBuffer Adsr(double attack, double decay, double sustain, double release, double seconds) {
    TBuffer out(Frames(seconds));
    const double releaseAt = seconds - release;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / SynthRate;
        double value;
        if (t < attack) {
            value = t / attack;
        } else if (t < attack + decay) {
            value = 1.0 - (1.0 - sustain) * (t - attack) / decay;
        } else {
            value = sustain;
        }
        if (t > releaseAt) {
            value *= std::max(0.0, (seconds - t) / release);
        }
        out[i] = static_cast<float>(value);
    }
    return out;
}

TBuffer WhiteNoise(TNoise& noise, double seconds) {
    TBuffer out(Frames(seconds));
    for (float& value : out) {
        value = noise.Next();
    }
    return out;
}

TBuffer Filter(const TBuffer& in, TFilter kind, const TSweep& cutoff, double resonance) {
    TBuffer out(in.size());
    const double k = 1.0 / std::max(0.05, resonance);
    double ic1 = 0;
    double ic2 = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        const double fc = std::clamp(cutoff.At(static_cast<double>(i) / SynthRate), 10.0, 0.45 * SynthRate);
        const double g = std::tan(Pi * fc / SynthRate);
        const double a1 = 1.0 / (1.0 + g * (g + k));
        const double a2 = g * a1;
        const double a3 = g * a2;
        const double v0 = in[i];
        const double v3 = v0 - ic2;
        const double v1 = a1 * ic1 + a2 * v3;
        const double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        const double value = kind == TFilter::LowPass    ? v2
                             : kind == TFilter::BandPass ? v1
                                                         : v0 - k * v1 - v2;
        out[i] = static_cast<float>(value);
    }
    return out;
}

TBuffer Pluck(double frequency, double seconds, double brightness, TNoise& noise) {
    // The averaging filter in the loop delays by half a frame, which the delay leaves out.
    const double delay = std::max(2.0, SynthRate / frequency - 0.5);
    const size_t length = static_cast<size_t>(delay) + 2;
    std::vector<double> ring(length);
    double smooth = 0;
    for (double& value : ring) {
        smooth += brightness * (noise.Next() - smooth);
        value = smooth;
    }
    TBuffer out(Frames(seconds));
    size_t write = 0;
    double previous = 0;
    const double fraction = delay - std::floor(delay);
    for (size_t i = 0; i < out.size(); ++i) {
        const size_t back = static_cast<size_t>(delay);
        const double a = ring[(write + length - back) % length];
        const double b = ring[(write + length - back - 1) % length];
        const double delayed = a + (b - a) * fraction;
        const double value = 0.996 * 0.5 * (delayed + previous);
        previous = delayed;
        ring[write] = value;
        write = (write + 1) % length;
        out[i] = static_cast<float>(value);
    }
    return out;
}

TBuffer FmTone(double frequency, double ratio, double index, double indexDecay, double seconds) {
    TBuffer out(Frames(seconds));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / SynthRate;
        const double depth = index * std::exp(-t / indexDecay);
        const double modulator = depth * std::sin(2 * Pi * frequency * ratio * t);
        out[i] = static_cast<float>(std::sin(2 * Pi * frequency * t + modulator));
    }
    return out;
}

TBuffer Room(const TBuffer& in, double size, double damping, double tail) {
    const int combDelays[] = {1116, 1188, 1277, 1356, 1422, 1491};
    const int allpassDelays[] = {556, 441, 341};
    TBuffer out(in.size() + Frames(tail));
    TBuffer wet(out.size());
    const double feedback = 0.7 + 0.28 * size;
    for (int delay : combDelays) {
        const size_t length = static_cast<size_t>(delay * (0.6 + 0.6 * size));
        std::vector<double> ring(length);
        size_t at = 0;
        double filtered = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            const double input = i < in.size() ? in[i] : 0.0;
            const double delayed = ring[at];
            filtered = delayed * (1 - damping) + filtered * damping;
            ring[at] = input + filtered * feedback;
            at = (at + 1) % length;
            wet[i] += static_cast<float>(delayed / 6);
        }
    }
    for (int delay : allpassDelays) {
        std::vector<double> ring(static_cast<size_t>(delay));
        size_t at = 0;
        for (float& value : wet) {
            const double delayed = ring[at];
            const double input = value;
            ring[at] = input + delayed * 0.5;
            value = static_cast<float>(delayed - input * 0.5);
            at = (at + 1) % ring.size();
        }
    }
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = wet[i];
    }
    return out;
}

TBuffer Echo(const TBuffer& in, double delay, double feedback, int repeats) {
    TBuffer out = in;
    double gain = 1;
    TBuffer tap = in;
    for (int r = 1; r <= repeats; ++r) {
        gain *= feedback;
        // Every repeat is a little darker than the one before.
        tap = Filter(tap, TFilter::LowPass, Fixed(6000), 0.6);
        MixAt(out, tap, delay * r, gain);
    }
    return out;
}

TBuffer operator*(const TBuffer& a, const TBuffer& b) {
    TBuffer out(std::min(a.size(), b.size()));
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = a[i] * b[i];
    }
    return out;
}

TBuffer Scaled(TBuffer a, double gain) {
    for (float& value : a) {
        value = static_cast<float>(value * gain);
    }
    return a;
}

void MixAt(TBuffer& a, const TBuffer& b, double at, double gain) {
    const size_t start = Frames(at);
    if (a.size() < start + b.size()) {
        a.resize(start + b.size());
    }
    for (size_t i = 0; i < b.size(); ++i) {
        a[start + i] += static_cast<float>(b[i] * gain);
    }
}

void Declick(TBuffer& a, double fadeIn, double fadeOut) {
    const size_t in = std::min(a.size(), Frames(fadeIn));
    for (size_t i = 0; i < in; ++i) {
        a[i] *= static_cast<float>(static_cast<double>(i) / in);
    }
    const size_t out = std::min(a.size(), Frames(fadeOut));
    for (size_t i = 0; i < out; ++i) {
        a[a.size() - 1 - i] *= static_cast<float>(static_cast<double>(i) / out);
    }
}

void SoftClip(TBuffer& a) {
    for (float& value : a) {
        value = static_cast<float>(std::tanh(value * 1.1) / std::tanh(1.1));
    }
}

double Peak(const TBuffer& a) {
    double peak = 0;
    for (float value : a) {
        peak = std::max(peak, static_cast<double>(std::fabs(value)));
    }
    return peak;
}

double LoudestRms(const TBuffer& a) {
    const size_t window = Frames(0.05);
    const size_t hop = window / 5;
    double loudest = 0;
    for (size_t start = 0; start == 0 || start + window <= a.size(); start += hop) {
        const size_t end = std::min(a.size(), start + window);
        double sum = 0;
        for (size_t i = start; i < end; ++i) {
            sum += static_cast<double>(a[i]) * a[i];
        }
        loudest = std::max(loudest, end > start ? std::sqrt(sum / static_cast<double>(end - start)) : 0.0);
    }
    return loudest;
}

void Normalize(TBuffer& a, double loudness, double peak) {
    const double rms = LoudestRms(a);
    const double top = Peak(a);
    if (rms <= 0 || top <= 0) {
        return;
    }
    const double gain = std::min(loudness / rms, peak / top);
    a = Scaled(std::move(a), gain);
}

std::vector<int16_t> ToPcm(const TBuffer& a, double gain) {
    std::vector<int16_t> out(a.size());
    for (size_t i = 0; i < a.size(); ++i) {
        const double value = std::round(a[i] * gain * 32768.0);
        out[i] = static_cast<int16_t>(std::clamp(value, -32768.0, 32767.0));
    }
    return out;
}

std::vector<uint8_t> WavBytes(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> out;
    out.reserve(44 + samples.size() * 2);
    auto u16 = [&](unsigned v) {
        out.push_back(static_cast<uint8_t>(v & 0xFF));
        out.push_back(static_cast<uint8_t>(v >> 8 & 0xFF));
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    auto tag = [&](const char* text) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<uint8_t>(text[i]));
        }
    };
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    tag("RIFF");
    u32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(SynthRate);
    u32(SynthRate * 2);
    u16(2);
    u16(16);
    tag("data");
    u32(dataBytes);
    for (int16_t value : samples) {
        u16(static_cast<uint16_t>(value));
    }
    return out;
}

} // namespace soundgen
