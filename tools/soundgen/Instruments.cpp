#include "Instruments.h"

#include "Synth.h"

#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <stdexcept>

namespace soundgen {

namespace {

constexpr double MiddleC = 261.6255653;
constexpr double Pi = std::numbers::pi;

// Released notes fade over a few ticks instead of stopping dead. Every release takes at most ten
// ticks, so a voice that rests for two rows (twelve ticks at speed 6) before a loop starts again
// has fallen silent by then.
TXmEnvelope HeldWithRelease(uint16_t releaseTicks) {
    TXmEnvelope envelope;
    envelope.Points = {{0, 64}, {releaseTicks, 0}};
    envelope.Sustain = 0;
    return envelope;
}

TXmEnvelope SwellWithRelease(uint16_t attackTicks, uint16_t releaseTicks) {
    TXmEnvelope envelope;
    envelope.Points = {{0, 0}, {attackTicks, 64}, {static_cast<uint16_t>(attackTicks + releaseTicks), 0}};
    envelope.Sustain = 1;
    return envelope;
}

// Every `factor`-th frame of the sound after a low-pass below the new rate's limit: long samples
// whose sound lies low need fewer frames, which keeps the modules small.
TBuffer Decimate(const TBuffer& sound, int factor) {
    if (factor <= 1) {
        return sound;
    }
    TBuffer smooth = Filter(Filter(sound, TFilter::LowPass, Fixed(0.4 * SynthRate / factor), 0.7),
                            TFilter::LowPass, Fixed(0.4 * SynthRate / factor), 0.7);
    TBuffer out;
    for (size_t i = 0; i < smooth.size(); i += static_cast<size_t>(factor)) {
        out.push_back(smooth[i]);
    }
    return out;
}

// A sample played once, made at `pitch`, so that C4 plays middle C (or, for unpitched sounds made
// with pitch MiddleC, plays as made).
TXmInstrument OneShot(TBuffer sound, double pitch, uint16_t releaseTicks = 6, int decimation = 1) {
    Declick(sound, 0.001, 0.01);
    sound = Decimate(sound, decimation);
    Normalize(sound, 1.0, 0.9);
    TXmInstrument instrument;
    instrument.Sample.Data = ToPcm(sound);
    TuneSample(instrument.Sample, SynthRate / static_cast<double>(decimation) * MiddleC / pitch);
    instrument.VolumeEnvelope = HeldWithRelease(releaseTicks);
    return instrument;
}

// A loop of `cycles` whole periods, `frames` long: every partial has a whole number of periods in
// the loop, so the loop joins without a step. `partial(h)` gives the level of harmonic h;
// `detune` spreads three copies by one period in `cycles` either way, a slow chorus.
TXmInstrument LoopedTone(const std::function<double(int)>& partial, int harmonics, int framesPerCycle,
                         int cycles, bool detune, const TXmEnvelope& envelope) {
    const int frames = framesPerCycle * cycles;
    TBuffer sound(static_cast<size_t>(frames));
    const int spreads[] = {0, -1, 1};
    for (int copy = 0; copy < (detune ? 3 : 1); ++copy) {
        const int periods = cycles + spreads[copy];
        for (int h = 1; h <= harmonics; ++h) {
            const double level = partial(h);
            if (level == 0 || h * periods * 2 >= frames) {
                continue;
            }
            // A fixed phase per copy and harmonic keeps the copies from starting in step.
            const double phase = 0.37 * copy + 0.11 * h;
            for (int i = 0; i < frames; ++i) {
                sound[i] += static_cast<float>(
                    level * std::sin(2 * Pi * (static_cast<double>(h) * periods * i / frames + phase)));
            }
        }
    }
    Normalize(sound, 1.0, 0.9);
    TXmInstrument instrument;
    instrument.Sample.Data = ToPcm(sound);
    instrument.Sample.LoopStart = 0;
    instrument.Sample.LoopLength = static_cast<uint32_t>(frames);
    TuneSample(instrument.Sample, MiddleC * framesPerCycle);
    instrument.VolumeEnvelope = envelope;
    return instrument;
}

TXmInstrument ElectricPiano() {
    TBuffer tone = FmTone(MiddleC, 1.0, 1.6, 0.35, 2.0);
    TBuffer upper = FmTone(MiddleC * 2, 7.0, 0.5, 0.05, 2.0);
    MixAt(tone, upper, 0, 0.12);
    return OneShot(tone * Envelope(0.003, 0.02, 1.9, 2.0), MiddleC, 8, 2);
}

TXmInstrument Celesta() {
    TBuffer tone = FmTone(MiddleC, 4.0, 1.1, 0.12, 1.4);
    TBuffer octave = Oscillator(TWave::Sine, Fixed(MiddleC * 2), 1.4);
    MixAt(tone, octave, 0, 0.3);
    return OneShot(tone * Envelope(0.002, 0.0, 1.3, 1.4), MiddleC, 8, 2);
}

TXmInstrument Bell() {
    TBuffer tone = FmTone(MiddleC, 2.76, 2.2, 0.5, 3.0);
    return OneShot(tone * Envelope(0.002, 0.0, 2.9, 3.0), MiddleC, 10, 2);
}

TXmInstrument PluckedString() {
    TNoise noise(17);
    TBuffer string = Pluck(MiddleC, 1.8, 0.55, noise);
    string = Filter(string, TFilter::LowPass, Fixed(5000), 0.6);
    return OneShot(string * Envelope(0.001, 0.1, 1.7, 1.8), MiddleC, 6, 2);
}

TXmInstrument Marimba() {
    TBuffer tone = Oscillator(TWave::Sine, Fixed(MiddleC), 1.0);
    tone = tone * Envelope(0.002, 0, 0.9, 1.0);
    TBuffer partial = Oscillator(TWave::Sine, Fixed(MiddleC * 3.93), 1.0) * Envelope(0.001, 0, 0.12, 1.0);
    MixAt(tone, partial, 0, 0.35);
    TBuffer mallet = Oscillator(TWave::Sine, Fixed(MiddleC * 9.2), 1.0) * Envelope(0.0005, 0, 0.02, 1.0);
    MixAt(tone, mallet, 0, 0.15);
    return OneShot(tone, MiddleC, 5, 2);
}

TXmInstrument Bass() {
    TXmEnvelope envelope;
    envelope.Points = {{0, 64}, {6, 44}, {14, 0}};
    envelope.Sustain = 1;
    return LoopedTone([](int h) { return h == 1   ? 1.0
                                         : h == 2 ? 0.35
                                         : h == 3 ? 0.12
                                                  : 0.05 / h; }, 8, 256,
                      1, false, envelope);
}

TXmInstrument Pad() {
    return LoopedTone([](int h) { return 1.0 / (h * h * 0.6 + 0.4); }, 10, 64, 100, true,
                      SwellWithRelease(16, 10));
}

TXmInstrument Strings() {
    return LoopedTone([](int h) { return 1.0 / h; }, 14, 64, 100, true, SwellWithRelease(6, 8));
}

TXmInstrument Choir() {
    // Strong second to fourth harmonics sound like a sung "oo".
    return LoopedTone([](int h) { return h == 1   ? 0.6
                                         : h <= 4 ? 0.5 / (h - 1)
                                                  : 0.06 / h; }, 8, 64, 100,
                      true, SwellWithRelease(20, 10));
}

TXmInstrument Flute() {
    return LoopedTone([](int h) { return h == 1   ? 1.0
                                         : h == 2 ? 0.18
                                         : h == 3 ? 0.08
                                                  : 0.0; }, 3, 128, 1,
                      false, SwellWithRelease(3, 8));
}

TXmInstrument Kick() {
    TBuffer body = Oscillator(TWave::Sine, {140, 48, 0.12, true}, 0.4) * Envelope(0.001, 0.03, 0.35, 0.4);
    TNoise noise(3);
    TBuffer click =
        Filter(WhiteNoise(noise, 0.4), TFilter::LowPass, Fixed(3000)) * Envelope(0.0005, 0, 0.015, 0.4);
    MixAt(body, click, 0, 0.3);
    return OneShot(body, MiddleC);
}

TXmInstrument Snare() {
    TNoise noise(5);
    TBuffer rattle =
        Filter(WhiteNoise(noise, 0.3), TFilter::BandPass, Fixed(3500), 0.8) * Envelope(0.001, 0, 0.2, 0.3);
    TBuffer body = Oscillator(TWave::Triangle, {220, 160, 0.05, true}, 0.3) * Envelope(0.001, 0, 0.09, 0.3);
    MixAt(rattle, body, 0, 0.8);
    return OneShot(rattle, MiddleC);
}

TXmInstrument HiHat() {
    TNoise noise(7);
    TBuffer hat = Filter(WhiteNoise(noise, 0.12), TFilter::HighPass, Fixed(7000), 0.7) *
                  Envelope(0.0005, 0, 0.06, 0.12);
    return OneShot(hat, MiddleC, 2);
}

TXmInstrument Shaker() {
    TNoise noise(11);
    TBuffer shake =
        Filter(WhiteNoise(noise, 0.14), TFilter::BandPass, Fixed(6000), 0.9) * Envelope(0.03, 0, 0.1, 0.14);
    return OneShot(shake, MiddleC, 2);
}

TXmInstrument WoodBlock() {
    TBuffer knock = Oscillator(TWave::Sine, Fixed(820), 0.15) * Envelope(0.0005, 0, 0.06, 0.15);
    TBuffer upper = Oscillator(TWave::Sine, Fixed(2300), 0.15) * Envelope(0.0005, 0, 0.02, 0.15);
    MixAt(knock, upper, 0, 0.4);
    return OneShot(knock, MiddleC, 2);
}

TXmInstrument Timpani() {
    TBuffer drum = Oscillator(TWave::Sine, {MiddleC * 1.05, MiddleC, 0.08, true}, 2.0);
    TBuffer partial = Oscillator(TWave::Sine, Fixed(MiddleC * 1.5), 2.0) * Envelope(0.002, 0, 0.5, 2.0);
    MixAt(drum, partial, 0, 0.3);
    TNoise noise(13);
    TBuffer hit =
        Filter(WhiteNoise(noise, 2.0), TFilter::LowPass, Fixed(900)) * Envelope(0.001, 0, 0.08, 2.0);
    MixAt(drum, hit, 0, 0.5);
    return OneShot(drum * Envelope(0.003, 0.05, 1.8, 2.0), MiddleC, 10, 4);
}

// Noises for the ambient loops.

TXmInstrument Wind() {
    TNoise noise(21);
    const double seconds = 7.6;
    TBuffer air = Filter(WhiteNoise(noise, seconds), TFilter::BandPass, {300, 900, seconds / 2, true}, 1.2);
    TBuffer back = Filter(WhiteNoise(noise, seconds), TFilter::BandPass, {700, 350, seconds, true}, 1.5);
    MixAt(air, back, 0, 0.7);
    // A gust rises and dies away within the sample, so the loop of the pattern joins in silence.
    TBuffer swell(air.size());
    for (size_t i = 0; i < swell.size(); ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(swell.size());
        swell[i] = static_cast<float>(std::pow(std::sin(Pi * t), 2) * (0.8 + 0.2 * std::sin(2 * Pi * 3 * t)));
    }
    return OneShot(air * swell, MiddleC, 4, 4);
}

TXmInstrument Bird() {
    TBuffer chirp;
    for (int i = 0; i < 3; ++i) {
        TBuffer note = Oscillator(TWave::Sine, {2600.0 + 300 * i, 3900.0 + 200 * i, 0.07, true}, 0.09) *
                       Envelope(0.008, 0.02, 0.05, 0.09);
        MixAt(chirp, note, 0.11 * i);
    }
    return OneShot(chirp, MiddleC, 2);
}

TXmInstrument Cricket() {
    TBuffer trill;
    for (int i = 0; i < 5; ++i) {
        TBuffer pulse = Oscillator(TWave::Sine, Fixed(4400), 0.025) * Envelope(0.004, 0.008, 0.012, 0.025);
        MixAt(trill, pulse, 0.035 * i);
    }
    return OneShot(trill, MiddleC, 2);
}

TXmInstrument Hammer() {
    TBuffer hit = Oscillator(TWave::Sine, {900, 600, 0.05, true}, 0.3) * Envelope(0.0005, 0, 0.12, 0.3);
    TNoise noise(23);
    TBuffer crack =
        Filter(WhiteNoise(noise, 0.3), TFilter::BandPass, Fixed(2500), 1.5) * Envelope(0.0005, 0, 0.04, 0.3);
    MixAt(hit, crack, 0, 0.6);
    TBuffer room = Room(hit, 0.4, 0.4, 0.3);
    MixAt(hit, room, 0, 0.35);
    return OneShot(hit, MiddleC, 3);
}

TXmInstrument Sparkle() {
    TBuffer shimmer;
    for (int i = 0; i < 8; ++i) {
        const double pitch = NoteFrequency(24 + (i * 5) % 12 + (i > 3 ? 12 : 0));
        TBuffer ping = FmTone(pitch, 3.0, 0.8, 0.05, 0.5) * Envelope(0.001, 0, 0.45, 0.5);
        MixAt(shimmer, ping, 0.045 * i, 0.6);
    }
    return OneShot(shimmer, MiddleC, 4);
}

const std::map<std::string, std::function<TXmInstrument()>>& Makers() {
    static const std::map<std::string, std::function<TXmInstrument()>> makers = {
        {"epiano", ElectricPiano},
        {"celesta", Celesta},
        {"bell", Bell},
        {"pluck", PluckedString},
        {"marimba", Marimba},
        {"bass", Bass},
        {"pad", Pad},
        {"strings", Strings},
        {"choir", Choir},
        {"flute", Flute},
        {"kick", Kick},
        {"snare", Snare},
        {"hat", HiHat},
        {"shaker", Shaker},
        {"wood", WoodBlock},
        {"timpani", Timpani},
        {"wind", Wind},
        {"bird", Bird},
        {"cricket", Cricket},
        {"hammer", Hammer},
        {"sparkle", Sparkle},
    };
    return makers;
}

} // namespace

TXmInstrument MakeInstrument(const TSongInstrument& instrument) {
    const auto found = Makers().find(instrument.Synth);
    if (found == Makers().end()) {
        throw std::runtime_error("instrument \"" + instrument.Name + "\": no synthesis \"" +
                                 instrument.Synth + "\"");
    }
    return found->second();
}

std::vector<std::string> InstrumentSynths() {
    std::vector<std::string> names;
    for (const auto& entry : Makers()) {
        names.push_back(entry.first);
    }
    return names;
}

} // namespace soundgen
