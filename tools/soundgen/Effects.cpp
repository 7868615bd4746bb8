#include "Effects.h"

#include <cmath>
#include <numbers>

namespace soundgen {

namespace {

constexpr double Pi = std::numbers::pi;

// Loudness classes: the interface whispers, play sounds speak, specials and jingles call out.
constexpr double Whisper = 0.045;
constexpr double Quiet = 0.075;
constexpr double Normal = 0.13;
constexpr double Loud = 0.19;

// Semitones from middle C of C major pentatonic, degree 0 = C5, going up.
double Pentatonic(int degree) {
    const int steps[] = {0, 2, 4, 7, 9};
    return 12 + 12 * (degree / 5) + steps[degree % 5];
}

// A struck wooden bar: warm fundamental, a quick bright partial.
TBuffer Mallet(double semi, double seconds) {
    const double f = NoteFrequency(semi);
    TBuffer tone = Oscillator(TWave::Sine, Fixed(f), seconds) * Envelope(0.002, 0, seconds * 0.9, seconds);
    MixAt(tone, Oscillator(TWave::Sine, Fixed(f * 3.93), seconds) * Envelope(0.001, 0, 0.1, seconds), 0, 0.3);
    MixAt(tone, Oscillator(TWave::Sine, Fixed(f * 9.2), seconds) * Envelope(0.0005, 0, 0.02, seconds), 0,
          0.1);
    return tone;
}

// A small glassy bell.
TBuffer Chime(double semi, double seconds, double brightness = 1.0) {
    const double f = NoteFrequency(semi);
    TBuffer tone =
        FmTone(f, 3.5, 1.2 * brightness, 0.15, seconds) * Envelope(0.001, 0, seconds * 0.95, seconds);
    MixAt(tone, Oscillator(TWave::Sine, Fixed(f * 2), seconds) * Envelope(0.002, 0, seconds * 0.6, seconds),
          0, 0.25);
    return tone;
}

// A soft electric-piano note.
TBuffer Keys(double semi, double seconds) {
    const double f = NoteFrequency(semi);
    return FmTone(f, 1.0, 1.4, 0.3, seconds) * Envelope(0.003, 0.02, seconds * 0.9, seconds);
}

// A held chord tone of three detuned saws through a soft low-pass.
TBuffer PadNote(double semi, double seconds, double attack = 0.15, double release = 0.4) {
    const double f = NoteFrequency(semi);
    TBuffer tone;
    for (double detune : {-0.08, 0.0, 0.07}) {
        MixAt(tone, Oscillator(TWave::Saw, Fixed(f * std::pow(2.0, detune / 12)), seconds, 0.3 + detune), 0,
              0.33);
    }
    tone = Filter(tone, TFilter::LowPass, Fixed(f * 4), 0.6);
    return tone * Adsr(attack, 0.2, 0.8, release, seconds);
}

// Air rushing past: noise through a band-pass that sweeps, swelling in and out.
TBuffer Whoosh(double fromHz, double toHz, double seconds, uint32_t seed, double resonance = 1.5) {
    TNoise noise(seed);
    TBuffer air =
        Filter(WhiteNoise(noise, seconds), TFilter::BandPass, {fromHz, toHz, seconds, true}, resonance);
    TBuffer swell(air.size());
    for (size_t i = 0; i < swell.size(); ++i) {
        swell[i] =
            static_cast<float>(std::sin(Pi * static_cast<double>(i) / static_cast<double>(swell.size())));
    }
    return air * swell;
}

// A low body blow: a sine falling in pitch.
TBuffer Thump(double fromHz, double toHz, double seconds) {
    return Oscillator(TWave::Sine, {fromHz, toHz, seconds * 0.4, true}, seconds) *
           Envelope(0.001, 0.01, seconds * 0.8, seconds);
}

TBuffer NoiseBurst(uint32_t seed, TFilter kind, const TSweep& cutoff, double decay, double seconds) {
    TNoise noise(seed);
    return Filter(WhiteNoise(noise, seconds), kind, cutoff, 0.8) * Envelope(0.001, 0, decay, seconds);
}

// Notes one after another, each `gap` seconds after the last.
TBuffer Arpeggio(const std::vector<double>& semis, double gap, double length, TBuffer (*note)(double, double),
                 double gain = 1.0) {
    TBuffer out;
    for (size_t i = 0; i < semis.size(); ++i) {
        MixAt(out, note(semis[i], length), gap * static_cast<double>(i), gain);
    }
    return out;
}

TBuffer ChimeNote(double semi, double seconds) {
    return Chime(semi, seconds);
}

// A sprinkle of high chimes, like light on glass.
TBuffer Sparkles(uint32_t seed, int count, double spread, double low, double high) {
    TNoise noise(seed);
    TBuffer out;
    for (int i = 0; i < count; ++i) {
        const double semi = std::round(noise.Range(low, high));
        MixAt(out, Chime(semi, 0.35, 0.6), noise.Range(0, spread), 0.35);
    }
    return out;
}

// The room every sound is played in, so that they belong together.
TBuffer WithRoom(const TBuffer& dry, double wet = 0.18, double size = 0.5, double tail = 0.4) {
    TBuffer out = Scaled(Room(dry, size, 0.45, tail), wet);
    MixAt(out, dry, 0);
    return out;
}

// Interface.

TBuffer Click() {
    TBuffer tick = Oscillator(TWave::Sine, {1500, 1100, 0.03, true}, 0.07) * Envelope(0.0005, 0, 0.04, 0.07);
    MixAt(tick, NoiseBurst(101, TFilter::BandPass, Fixed(4000), 0.008, 0.07), 0, 0.3);
    return WithRoom(tick, 0.1, 0.3, 0.15);
}

TBuffer Hover() {
    return Oscillator(TWave::Sine, Fixed(2100), 0.05) * Envelope(0.003, 0, 0.035, 0.05);
}

TBuffer ShowWindow() {
    TBuffer swish = Whoosh(500, 2500, 0.28, 102);
    MixAt(swish, Chime(19, 0.35, 0.5), 0.2, 0.35);
    return WithRoom(swish, 0.2, 0.4, 0.3);
}

TBuffer HideWindow() {
    TBuffer swish = Whoosh(2200, 450, 0.25, 103);
    MixAt(swish, Mallet(7, 0.2), 0.17, 0.25);
    return WithRoom(swish, 0.2, 0.4, 0.3);
}

// Play.

TBuffer ClickElement() {
    TBuffer tap = FmTone(1760, 3.5, 1.5, 0.01, 0.09) * Envelope(0.0005, 0, 0.06, 0.09);
    MixAt(tap, Oscillator(TWave::Sine, Fixed(880), 0.09) * Envelope(0.001, 0, 0.05, 0.09), 0, 0.5);
    return WithRoom(tap, 0.12, 0.3, 0.2);
}

TBuffer DropNewElements() {
    TNoise noise(104);
    TBuffer out;
    double at = 0;
    for (int i = 0; i < 7; ++i) {
        const double f = noise.Range(1300, 2200);
        TBuffer clack = FmTone(f, 2.9, 1.0, 0.01, 0.07) * Envelope(0.0005, 0, 0.05, 0.07);
        MixAt(out, clack, at, 0.9 - 0.08 * i);
        at += 0.06 - 0.004 * i;
    }
    return WithRoom(out, 0.15, 0.35, 0.25);
}

TBuffer Shuffle() {
    TBuffer out = Whoosh(400, 3000, 0.45, 105);
    MixAt(out, Whoosh(3000, 500, 0.45, 106), 0.4);
    TNoise noise(107);
    for (int i = 0; i < 14; ++i) {
        TBuffer clack =
            FmTone(noise.Range(1200, 2600), 3.1, 0.8, 0.01, 0.05) * Envelope(0.0005, 0, 0.03, 0.05);
        MixAt(out, clack, 0.1 + 0.045 * i + noise.Range(0, 0.02), 0.35);
    }
    return WithRoom(out, 0.2, 0.4, 0.3);
}

TBuffer ShuffleComplete() {
    TBuffer out = Arpeggio({19, 24, 28}, 0.07, 0.6, ChimeNote, 0.6);
    MixAt(out, Sparkles(108, 6, 0.4, 19, 28), 0.1);
    return WithRoom(out, 0.25, 0.5, 0.5);
}

TBuffer Match() {
    TBuffer out = Mallet(Pentatonic(0), 0.45);
    MixAt(out, Mallet(Pentatonic(0) + 7, 0.4), 0.012, 0.35);
    return WithRoom(out, 0.15, 0.4, 0.3);
}

// Each combo one step higher on the scale, and a little brighter.
TBuffer Combo(int n) {
    const double semi = Pentatonic(n);
    TBuffer out = Mallet(semi, 0.45);
    MixAt(out, Chime(semi + 12, 0.5, 0.4 + 0.06 * n), 0.01, 0.25 + 0.02 * n);
    if (n >= 4) {
        MixAt(out, Mallet(semi - 5, 0.4), 0.05, 0.35);
    }
    if (n >= 7) {
        MixAt(out, Sparkles(200 + n, n - 4, 0.3, semi, semi + 12), 0.04);
    }
    return WithRoom(out, 0.18, 0.45, 0.4);
}

// Specials.

// Line freeze: ice cracks along the row, crystals ring.
TBuffer ExplosionIce() {
    TBuffer out = NoiseBurst(301, TFilter::HighPass, {2000, 6000, 0.2, true}, 0.12, 0.3);
    MixAt(out, Arpeggio({40, 36, 33, 28, 24}, 0.05, 0.6, ChimeNote, 0.5), 0.02);
    MixAt(out, Thump(180, 90, 0.25), 0, 0.5);
    return WithRoom(out, 0.3, 0.6, 0.6);
}

// Cross fire: a burst of flame in four directions.
TBuffer ExplosionFire() {
    TBuffer out = Whoosh(300, 1800, 0.5, 302, 0.8);
    TBuffer crackle = NoiseBurst(303, TFilter::BandPass, {1500, 4000, 0.4, true}, 0.3, 0.5);
    MixAt(out, crackle, 0.02, 0.6);
    MixAt(out, Thump(120, 45, 0.5), 0, 0.9);
    return WithRoom(out, 0.2, 0.5, 0.5);
}

// Super bonus: a magic sweep up the scale.
TBuffer ExplosionMagic() {
    std::vector<double> notes;
    for (int d = 0; d < 9; ++d) {
        notes.push_back(Pentatonic(d));
    }
    TBuffer out = Arpeggio(notes, 0.04, 0.5, ChimeNote, 0.45);
    MixAt(out, Whoosh(600, 5000, 0.5, 304), 0, 0.5);
    MixAt(out, Thump(150, 60, 0.4), 0, 0.6);
    MixAt(out, Sparkles(305, 10, 0.5, 24, 34), 0.3);
    return WithRoom(out, 0.3, 0.6, 0.6);
}

// Time freeze: the clock ticks and the air turns to glass.
TBuffer ExplosionTimeFreeze() {
    TBuffer out;
    MixAt(out, Oscillator(TWave::Sine, Fixed(1900), 0.05) * Envelope(0.0005, 0, 0.03, 0.05), 0, 0.7);
    MixAt(out, Oscillator(TWave::Sine, Fixed(1400), 0.05) * Envelope(0.0005, 0, 0.03, 0.05), 0.18, 0.7);
    TBuffer glass = FmTone(NoteFrequency(28), 1.41, 2.0, 0.6, 1.0) * Envelope(0.05, 0.1, 0.8, 1.0);
    MixAt(out, glass, 0.3, 0.4);
    MixAt(out, Whoosh(4000, 1200, 0.8, 306, 3.0), 0.3, 0.4);
    return WithRoom(out, 0.35, 0.7, 0.7);
}

// Double building materials: two stones knocked together, and a chime for "twice".
TBuffer ExplosionDouble() {
    TBuffer out;
    for (int i = 0; i < 2; ++i) {
        MixAt(out, Thump(300, 160, 0.15), 0.14 * i, 0.8);
        MixAt(out, NoiseBurst(307 + i, TFilter::BandPass, Fixed(1800), 0.04, 0.15), 0.14 * i, 0.5);
    }
    MixAt(out, Arpeggio({Pentatonic(2), Pentatonic(5)}, 0.14, 0.6, ChimeNote, 0.5), 0.3);
    return WithRoom(out, 0.2, 0.4, 0.4);
}

// Phantom bonuses: a ghostly wavering sigh.
TBuffer ExplosionPhantom() {
    const double seconds = 1.1;
    TBuffer out(Frames(seconds));
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / SynthRate;
        const double f = 520 * std::pow(2.0, (0.6 * std::sin(2 * Pi * 5.5 * t) + 4 * t) / 12);
        phase += f / SynthRate;
        out[i] = static_cast<float>(std::sin(2 * Pi * phase) + 0.3 * std::sin(6 * Pi * phase));
    }
    out = out * Adsr(0.2, 0.2, 0.7, 0.5, seconds);
    MixAt(out, Whoosh(800, 300, seconds, 309, 2.0), 0, 0.6);
    return WithRoom(out, 0.45, 0.8, 0.8);
}

// Add scores: coins tumbling into a purse.
TBuffer ExplosionCoins() {
    TNoise noise(310);
    TBuffer out;
    for (int i = 0; i < 10; ++i) {
        const double f = noise.Range(2600, 4200);
        TBuffer coin = FmTone(f, 1.47, 1.2, 0.05, 0.25) * Envelope(0.0005, 0, 0.2, 0.25);
        MixAt(out, coin, 0.05 * i + noise.Range(0, 0.02), 0.4);
    }
    MixAt(out, Arpeggio({Pentatonic(5), Pentatonic(7), Pentatonic(10)}, 0.08, 0.5, ChimeNote, 0.4), 0);
    return WithRoom(out, 0.2, 0.4, 0.4);
}

// Single-cell bomb: a short round pop.
TBuffer ExplosionPop() {
    TBuffer out = Thump(260, 70, 0.35);
    MixAt(out, NoiseBurst(311, TFilter::LowPass, {5000, 400, 0.2, true}, 0.12, 0.35), 0, 0.7);
    return WithRoom(out, 0.2, 0.4, 0.4);
}

// Bomb: a full boom with a rumble.
TBuffer ExplosionBoom() {
    TBuffer out = Thump(160, 38, 0.9);
    MixAt(out, NoiseBurst(312, TFilter::LowPass, {4000, 150, 0.6, true}, 0.45, 0.9), 0, 0.9);
    MixAt(out, NoiseBurst(313, TFilter::BandPass, Fixed(2500), 0.05, 0.9), 0, 0.4);
    return WithRoom(out, 0.25, 0.6, 0.6);
}

// Colour bomb: a boom that scatters into colours.
TBuffer ExplosionColourBomb() {
    TBuffer out = Thump(180, 45, 0.7);
    MixAt(out, NoiseBurst(314, TFilter::LowPass, {4000, 200, 0.5, true}, 0.35, 0.7), 0, 0.7);
    std::vector<double> notes;
    for (int d = 10; d >= 2; --d) {
        notes.push_back(Pentatonic(d));
    }
    MixAt(out, Arpeggio(notes, 0.035, 0.4, ChimeNote, 0.35), 0.08);
    return WithRoom(out, 0.3, 0.6, 0.6);
}

// Colour change: a bubbly bend upwards.
TBuffer ExplosionColourChange() {
    TBuffer out = Oscillator(TWave::Sine, {300, 1200, 0.25, true}, 0.35) * Envelope(0.005, 0.1, 0.2, 0.35);
    MixAt(out, Oscillator(TWave::Sine, {450, 1800, 0.25, true}, 0.35) * Envelope(0.005, 0.1, 0.2, 0.35), 0.1,
          0.6);
    MixAt(out, Chime(Pentatonic(7), 0.5), 0.25, 0.5);
    return WithRoom(out, 0.3, 0.5, 0.5);
}

// Cornerstone down: a column of plants shoots up out of the ground.
TBuffer ExplosionGrowth() {
    TBuffer out = Thump(110, 60, 0.4);
    TNoise noise(315);
    for (int i = 0; i < 6; ++i) {
        MixAt(out, NoiseBurst(316 + i, TFilter::BandPass, Fixed(noise.Range(2500, 4500)), 0.05, 0.12),
              0.06 * i, 0.3);
        MixAt(out, Mallet(Pentatonic(i), 0.3), 0.08 * i + 0.1, 0.45);
    }
    return WithRoom(out, 0.2, 0.5, 0.4);
}

// Diagonal: a lightning zap across the board.
TBuffer ExplosionZap() {
    TBuffer out = Oscillator(TWave::Saw, {3000, 200, 0.35, true}, 0.4) * Envelope(0.001, 0.05, 0.3, 0.4);
    out = Filter(out, TFilter::LowPass, Fixed(5000), 0.8);
    MixAt(out, NoiseBurst(322, TFilter::HighPass, Fixed(3000), 0.2, 0.4), 0, 0.6);
    MixAt(out, Thump(140, 50, 0.4), 0.02, 0.6);
    return WithRoom(out, 0.25, 0.5, 0.5);
}

// Wild chameleon: a playful warble.
TBuffer ExplosionChameleon() {
    const double seconds = 0.7;
    TBuffer out(Frames(seconds));
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / SynthRate;
        const double f = 700 + 250 * std::sin(2 * Pi * 9 * t) + 500 * t;
        phase += f / SynthRate;
        out[i] = static_cast<float>(std::sin(2 * Pi * phase));
    }
    out = out * Envelope(0.01, 0.3, 0.35, seconds);
    MixAt(out, Mallet(Pentatonic(4), 0.3), 0.45, 0.5);
    return WithRoom(out, 0.2, 0.4, 0.4);
}

// Teleport: the stone fades out of one place and into another.
TBuffer ExplosionTeleport() {
    TBuffer out = Oscillator(TWave::Sine, {400, 2400, 0.35, true}, 0.4) * Adsr(0.02, 0.1, 0.7, 0.15, 0.4);
    MixAt(out, Oscillator(TWave::Sine, {2400, 400, 0.35, true}, 0.4) * Adsr(0.15, 0.1, 0.7, 0.05, 0.4), 0.35,
          0.8);
    MixAt(out, Whoosh(1000, 6000, 0.4, 323, 2.5), 0, 0.4);
    MixAt(out, Whoosh(6000, 1000, 0.4, 324, 2.5), 0.35, 0.4);
    return WithRoom(out, 0.35, 0.6, 0.5);
}

TBuffer SpecialAppear(int tier) {
    std::vector<double> notes;
    for (int i = 0; i <= tier; ++i) {
        notes.push_back(Pentatonic(2 + 2 * i));
    }
    TBuffer out = Arpeggio(notes, 0.06, 0.6, ChimeNote, 0.55);
    MixAt(out, Whoosh(1500, 4500, 0.2 + 0.08 * tier, 400 + tier, 2.0), 0, 0.3);
    if (tier >= 2) {
        MixAt(out, Sparkles(410 + tier, 3 * tier, 0.4, 21, 33), 0.1);
    }
    return WithRoom(out, 0.25, 0.5, 0.5);
}

TBuffer SpecialExtraAppear() {
    TBuffer out = FmTone(NoteFrequency(24), 2.0, 3.0, 0.1, 0.8) * Envelope(0.002, 0, 0.7, 0.8);
    MixAt(out, Sparkles(420, 8, 0.4, 24, 36), 0.05);
    MixAt(out, Whoosh(800, 5000, 0.35, 421, 1.5), 0, 0.4);
    return WithRoom(out, 0.3, 0.5, 0.5);
}

// A counter running: quick soft ticks, a second long, played again while the count goes on.
TBuffer TimeToScore() {
    TBuffer out(Frames(1.0));
    for (int i = 0; i < 16; ++i) {
        const double f = i % 2 ? 2350 : 2650;
        TBuffer tick = FmTone(f, 2.0, 0.6, 0.01, 0.04) * Envelope(0.0005, 0, 0.03, 0.04);
        MixAt(out, tick, 0.0625 * i, 0.8);
    }
    out.resize(Frames(1.0));
    return out;
}

TBuffer AddLife() {
    TBuffer out = Arpeggio({12, 16, 19, 24}, 0.09, 0.9, ChimeNote, 0.5);
    MixAt(out, PadNote(0, 1.2, 0.05, 0.6), 0, 0.18);
    MixAt(out, PadNote(7, 1.2, 0.05, 0.6), 0, 0.12);
    MixAt(out, Sparkles(430, 8, 0.6, 19, 31), 0.27);
    return WithRoom(out, 0.3, 0.6, 0.6);
}

// A chord of keys and pad on the given notes.
void Chord(TBuffer& out, const std::vector<double>& semis, double at, double seconds, double gain) {
    for (double semi : semis) {
        MixAt(out, Keys(semi, seconds), at, gain);
        MixAt(out, PadNote(semi - 12, seconds, 0.05, seconds * 0.5), at, gain * 0.35);
    }
}

TBuffer JingleWin() {
    TBuffer out;
    // Melody G4 C5 E5 G5, then a held C6 over a bright C major chord.
    const double melody[] = {7, 12, 16, 19};
    for (int i = 0; i < 4; ++i) {
        MixAt(out, Mallet(melody[i], 0.5), 0.16 * i, 0.7);
        MixAt(out, Chime(melody[i] + 12, 0.5, 0.5), 0.16 * i, 0.2);
    }
    Chord(out, {0, 4, 7}, 0, 0.64, 0.18);
    Chord(out, {5, 9, 12}, 0.64, 0.32, 0.18);
    Chord(out, {7, 11, 14}, 0.96, 0.32, 0.18);
    Chord(out, {12, 16, 19}, 1.28, 2.4, 0.2);
    MixAt(out, Chime(24, 2.2), 1.28, 0.5);
    MixAt(out, Thump(90, 55, 0.8), 1.28, 0.5);
    MixAt(out, Sparkles(440, 16, 1.4, 24, 36), 1.35);
    return WithRoom(out, 0.3, 0.7, 0.9);
}

TBuffer JingleSublevelWin() {
    TBuffer out;
    const double melody[] = {12, 16, 19, 24};
    for (int i = 0; i < 4; ++i) {
        MixAt(out, Mallet(melody[i], 0.45), 0.11 * i, 0.7);
    }
    Chord(out, {7, 11, 14}, 0, 0.44, 0.15);
    Chord(out, {12, 16, 19}, 0.44, 1.5, 0.18);
    MixAt(out, Chime(28, 1.4, 0.7), 0.44, 0.35);
    MixAt(out, Sparkles(441, 10, 0.9, 24, 34), 0.5);
    return WithRoom(out, 0.3, 0.6, 0.8);
}

TBuffer JingleLost() {
    TBuffer out;
    // A gentle fall, G4 F4 Eb4 D4, resting on a soft C minor chord.
    const double melody[] = {7, 5, 3, 2};
    for (int i = 0; i < 4; ++i) {
        MixAt(out, Keys(melody[i], 0.7), 0.3 * i, 0.6);
    }
    Chord(out, {-5, -1, 2}, 0, 1.2, 0.12);
    Chord(out, {-12, -9, -5, 0}, 1.2, 2.0, 0.14);
    MixAt(out, Keys(0, 2.0), 1.2, 0.55);
    return WithRoom(out, 0.35, 0.7, 0.9);
}

TBuffer FieldTransformation() {
    const double seconds = 2.6;
    TBuffer out = Whoosh(300, 3000, seconds, 450, 2.5);
    MixAt(out, Whoosh(2500, 600, seconds, 451, 2.5), 0, 0.7);
    std::vector<double> notes;
    for (int i = 0; i < 12; ++i) {
        notes.push_back(Pentatonic((i * 3) % 11));
    }
    MixAt(out, Arpeggio(notes, 0.18, 0.5, ChimeNote, 0.3), 0.1);
    MixAt(out, PadNote(0, seconds, 0.6, 0.8), 0, 0.15);
    MixAt(out, PadNote(7, seconds, 0.6, 0.8), 0, 0.12);
    return WithRoom(out, 0.35, 0.7, 0.6);
}

TBuffer SclSound() {
    TBuffer out = FmTone(NoteFrequency(-12), 2.76, 2.0, 0.6, 2.2) * Envelope(0.002, 0, 2.0, 2.2);
    for (double semi : {-12.0, -9.0, -5.0, 0.0}) {
        MixAt(out, PadNote(semi, 2.0, 0.5, 0.8), 0.1, 0.15);
    }
    MixAt(out, Whoosh(200, 1200, 2.0, 452, 2.0), 0, 0.5);
    return WithRoom(out, 0.45, 0.8, 1.0);
}

TBuffer SclStart() {
    TBuffer out = Whoosh(6000, 500, 0.6, 453, 0.9);
    MixAt(out, NoiseBurst(454, TFilter::HighPass, Fixed(2500), 0.15, 0.3), 0, 0.7);
    MixAt(out, Thump(120, 50, 0.5), 0.02, 0.7);
    return WithRoom(out, 0.3, 0.6, 0.5);
}

TBuffer SecretChallengeLevel() {
    TBuffer out;
    const double melody[] = {9, 12, 16, 21, 24, 28};
    for (int i = 0; i < 6; ++i) {
        MixAt(out, Chime(melody[i], 0.9, 0.9), 0.12 * i, 0.5);
    }
    for (double semi : {-3.0, 0.0, 4.0}) {
        MixAt(out, PadNote(semi, 2.2, 0.4, 1.0), 0, 0.14);
    }
    MixAt(out, Sparkles(455, 14, 1.2, 24, 38), 0.7);
    return WithRoom(out, 0.4, 0.8, 1.0);
}

TBuffer CountDown() {
    TBuffer out = Mallet(19, 0.3);
    MixAt(out, Chime(31, 0.3, 0.4), 0, 0.3);
    return WithRoom(out, 0.2, 0.4, 0.3);
}

TBuffer ColoredCell() {
    TBuffer out = Arpeggio({16, 19, 23, 26}, 0.05, 0.7, ChimeNote, 0.35);
    MixAt(out, PadNote(4, 0.8, 0.05, 0.4), 0, 0.15);
    return WithRoom(out, 0.3, 0.5, 0.5);
}

TBuffer Plus3000() {
    TBuffer out = ExplosionCoins();
    MixAt(out, Chime(31, 0.8), 0.45, 0.45);
    return out;
}

TBuffer PlusBonus() {
    TBuffer out = Arpeggio({Pentatonic(3), Pentatonic(5), Pentatonic(8)}, 0.1, 0.8, ChimeNote, 0.5);
    MixAt(out, Sparkles(456, 8, 0.5, 24, 34), 0.2);
    return WithRoom(out, 0.3, 0.6, 0.6);
}

TBuffer CameraFlying(bool in) {
    TBuffer out = in ? Whoosh(250, 1800, 1.5, 457, 1.0) : Whoosh(1800, 250, 1.5, 458, 1.0);
    MixAt(out, in ? Whoosh(600, 3500, 1.5, 459, 2.0) : Whoosh(3500, 600, 1.5, 460, 2.0), 0, 0.4);
    return WithRoom(out, 0.25, 0.6, 0.5);
}

TBuffer BonusReceiveOnConstruction() {
    TBuffer out =
        Arpeggio({Pentatonic(5), Pentatonic(7), Pentatonic(9), Pentatonic(10)}, 0.08, 0.8, ChimeNote, 0.5);
    MixAt(out, Thump(200, 100, 0.3), 0, 0.5);
    MixAt(out, Sparkles(461, 12, 0.8, 24, 36), 0.2);
    return WithRoom(out, 0.3, 0.6, 0.6);
}

// A stone block landing on the platform.
TBuffer Thug() {
    TBuffer out = Thump(110, 45, 0.5);
    MixAt(out, NoiseBurst(462, TFilter::LowPass, {2500, 300, 0.2, true}, 0.15, 0.5), 0, 0.6);
    TNoise noise(463);
    for (int i = 0; i < 5; ++i) {
        MixAt(out, NoiseBurst(464 + i, TFilter::BandPass, Fixed(noise.Range(1500, 3500)), 0.02, 0.06),
              0.05 + noise.Range(0, 0.2), 0.25);
    }
    return WithRoom(out, 0.2, 0.5, 0.4);
}

// The monument stands complete.
TBuffer MarvaneBuild() {
    TBuffer out = NoiseBurst(470, TFilter::LowPass, {150, 600, 1.2, true}, 1.2, 1.5);
    MixAt(out, Thump(70, 40, 1.2), 0, 0.6);
    Chord(out, {0, 7, 12, 16}, 1.1, 2.2, 0.18);
    MixAt(out, Chime(24, 2.0), 1.1, 0.45);
    MixAt(out, Chime(31, 1.8, 0.6), 1.25, 0.3);
    MixAt(out, Sparkles(471, 18, 1.5, 24, 38), 1.15);
    return WithRoom(out, 0.35, 0.8, 1.0);
}

std::vector<TEffect> MakeCatalogue() {
    std::vector<TEffect> list = {
        {"Click", "Click.wav", Click, Quiet},
        {"Hover", "Hover.wav", Hover, Whisper},
        {"ShowWindow", "ShowWindow.wav", ShowWindow, Quiet},
        {"HideWindow", "HideWindow.wav", HideWindow, Quiet},
        {"ClickElement", "ClickElement.wav", ClickElement, Quiet},
        {"DropNewElements", "DropNewElements.wav", DropNewElements, Quiet},
        {"Shuffle", "Shuffle.wav", Shuffle, Normal},
        {"ShuffleComplete", "ShuffleComplete.wav", ShuffleComplete, Normal},
        {"Match", "Match.wav", Match, Normal},
    };
    for (int n = 1; n <= 10; ++n) {
        list.push_back({"Combo" + std::to_string(n), "Combo" + std::to_string(n) + ".wav",
                        [n] { return Combo(n); }, Normal});
    }
    // By the id of the special or bonus that fires.
    TBuffer (*const explosions[15])() = {
        ExplosionIce,          ExplosionFire,   ExplosionMagic, ExplosionTimeFreeze, ExplosionDouble,
        ExplosionPhantom,      ExplosionCoins,  ExplosionPop,   ExplosionBoom,       ExplosionColourBomb,
        ExplosionColourChange, ExplosionGrowth, ExplosionZap,   ExplosionChameleon,  ExplosionTeleport,
    };
    for (int id = 1; id <= 15; ++id) {
        list.push_back({"Explosion" + std::to_string(id), "Explosion" + std::to_string(id) + ".wav",
                        explosions[id - 1], Loud});
    }
    for (int tier = 1; tier <= 3; ++tier) {
        list.push_back({"Special" + std::to_string(tier) + "Appear",
                        "Special" + std::to_string(tier) + "Appear.wav",
                        [tier] { return SpecialAppear(tier); }, Normal});
    }
    const std::vector<TEffect> rest = {
        {"SpecialExtraAppear", "SpecialExtraAppear.wav", SpecialExtraAppear, Normal},
        {"TimeToScore", "TimeToScore.wav", TimeToScore, Quiet},
        {"AddLife", "AddLife.wav", AddLife, Normal},
        {"JingleWin", "JingleWin.wav", JingleWin, Loud},
        {"JingleSublevelWin", "JingleSublevelWin.wav", JingleSublevelWin, Loud},
        {"JingleLost", "JingleLost.wav", JingleLost, Normal},
        {"FieldTransformation", "FieldTransformation.wav", FieldTransformation, Normal},
        {"SCL Sound", "SclSound.wav", SclSound, Normal},
        {"SCL start", "SclStart.wav", SclStart, Normal},
        {"Secret Challenge Level", "SecretChallengeLevel.wav", SecretChallengeLevel, Normal},
        {"CountDown", "CountDown.wav", CountDown, Normal},
        {"Colored Cell", "ColoredCell.wav", ColoredCell, Normal},
        {"+3000", "Plus3000.wav", Plus3000, Normal},
        {"+bonus", "PlusBonus.wav", PlusBonus, Normal},
        {"CameraFlyingVisitIn", "CameraFlyingVisitIn.wav", [] { return CameraFlying(true); }, Normal},
        {"CameraFlyingVisitOut", "CameraFlyingVisitOut.wav", [] { return CameraFlying(false); }, Normal},
        {"BonusReceiveOnConstruction", "BonusReceiveOnConstruction.wav", BonusReceiveOnConstruction, Normal},
        {"Thug", "Thug.wav", Thug, Normal},
        {"MarvaneBuild", "MarvaneBuild.wav", MarvaneBuild, Loud},
    };
    list.insert(list.end(), rest.begin(), rest.end());
    return list;
}

} // namespace

const std::vector<TEffect>& Effects() {
    static const std::vector<TEffect> list = MakeCatalogue();
    return list;
}

TBuffer RenderEffect(const TEffect& effect) {
    TBuffer sound = effect.Make();
    Declick(sound, 0.001, 0.02);
    Normalize(sound, effect.Loudness, EffectPeak);
    return sound;
}

} // namespace soundgen
