#pragma once

// Tracker modules in the FastTracker 2 format (".xm"): instruments of one 16-bit sample each with
// a volume envelope, patterns of rows, and an order list. The game's music and its effect library
// are written with it; tests make small modules with it too.

#include <cstdint>
#include <string>
#include <vector>

namespace soundgen {

// Notes count semitones from C-0 = 1; C-4 (49) plays a sample at its own tuned rate.
constexpr uint8_t XmNoteC4 = 49;
constexpr uint8_t XmLastNote = 96;
constexpr uint8_t XmKeyOff = 97;
// The rate at which a sample with neither relative note nor finetune plays at C-4.
constexpr double XmBaseRate = 8363.0;

// One channel of one row. Zero in a field means "nothing": no note, no instrument, no volume, no
// effect. `Volume` is the volume column's byte (0x10..0x50 set 0..64).
struct TXmCell {
    uint8_t Note = 0;
    uint8_t Instrument = 0;
    uint8_t Volume = 0;
    uint8_t Effect = 0;
    uint8_t Param = 0;

    bool operator==(const TXmCell&) const = default;
};

struct TXmPattern {
    int Rows = 64;
    // Rows × channels, row after row.
    std::vector<TXmCell> Cells;

    TXmPattern() = default;
    TXmPattern(int rows, int channels) : Rows(rows), Cells(static_cast<size_t>(rows) * channels) {}
    TXmCell& At(int row, int channel, int channels) {
        return Cells[static_cast<size_t>(row) * channels + channel];
    }
};

// Points are (tick, value 0..64); a sustain point holds the value until the note is released.
struct TXmEnvelope {
    struct TPoint {
        uint16_t Tick = 0;
        uint16_t Value = 0;
    };
    std::vector<TPoint> Points;
    int Sustain = -1;
};

struct TXmSample {
    std::vector<int16_t> Data;
    // In sample frames; a loop length of 0 plays the sample once.
    uint32_t LoopStart = 0;
    uint32_t LoopLength = 0;
    uint8_t Volume = 64;
    uint8_t Panning = 128;
    int8_t RelativeNote = 0;
    int8_t Finetune = 0;
};

struct TXmInstrument {
    std::string Name;
    TXmSample Sample;
    // Without points the note sounds at full volume and a key-off cuts it at once.
    TXmEnvelope VolumeEnvelope;
    // Fade after key-off, in 1/32768 of the volume per tick.
    uint16_t Fadeout = 0;
};

struct TXmModule {
    std::string Name;
    int Channels = 4;
    // Ticks per row and beats per minute (a tick lasts 2.5 / BPM seconds).
    int Tempo = 6;
    int Bpm = 125;
    int Restart = 0;
    // Pattern numbers in playing order.
    std::vector<int> Order;
    std::vector<TXmPattern> Patterns;
    std::vector<TXmInstrument> Instruments;
};

// Sets the sample's relative note and finetune so that at C-4 it plays `rate` frames a second
// (within a 128th of a semitone). Throws std::invalid_argument outside what the format can tune.
void TuneSample(TXmSample& sample, double rate);

// The module's bytes. Throws std::invalid_argument, naming the item, when the module cannot be
// written as it stands: counts beyond the format's limits, an order naming a missing pattern, a
// cell naming a missing instrument or an impossible note, a pattern of the wrong size, a loop
// outside its sample, an envelope that is too long or goes back in time.
std::vector<uint8_t> WriteXm(const TXmModule& module);

} // namespace soundgen
