#include "XmWriter.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace soundgen {

namespace {

constexpr int MaxChannels = 32;
constexpr int MaxPatterns = 256;
constexpr int MaxOrders = 256;
constexpr int MaxInstruments = 128;
constexpr int MaxRows = 256;
constexpr size_t MaxEnvelopePoints = 12;
// The instrument header as FastTracker 2 writes it: 243 bytes of fields and reserved space.
constexpr uint32_t InstrumentHeaderSize = 263;
constexpr uint32_t EmptyInstrumentHeaderSize = 29;
constexpr uint32_t SampleHeaderSize = 40;

class TBytes {
public:
    void U8(unsigned value) { FBytes.push_back(static_cast<uint8_t>(value)); }
    void U16(unsigned value) {
        U8(value & 0xFF);
        U8(value >> 8 & 0xFF);
    }
    void U32(uint32_t value) {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    // The text cut or padded with zeros to `size` bytes.
    void Text(const std::string& text, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            U8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
        }
    }
    void Zeros(size_t count) { FBytes.insert(FBytes.end(), count, 0); }
    size_t Size() const { return FBytes.size(); }
    void PatchU16(size_t at, unsigned value) {
        FBytes[at] = static_cast<uint8_t>(value & 0xFF);
        FBytes[at + 1] = static_cast<uint8_t>(value >> 8 & 0xFF);
    }
    std::vector<uint8_t> Take() { return std::move(FBytes); }

private:
    std::vector<uint8_t> FBytes;
};

[[noreturn]] void Invalid(const std::string& what) {
    throw std::invalid_argument("XM module: " + what);
}

void CheckRange(const char* what, long value, long low, long high) {
    if (value < low || value > high) {
        Invalid(std::string(what) + " " + std::to_string(value) + " is outside " + std::to_string(low) +
                ".." + std::to_string(high));
    }
}

void CheckModule(const TXmModule& module) {
    CheckRange("channel count", module.Channels, 1, MaxChannels);
    CheckRange("tempo", module.Tempo, 1, 31);
    CheckRange("BPM", module.Bpm, 32, 255);
    CheckRange("order length", static_cast<long>(module.Order.size()), 1, MaxOrders);
    CheckRange("restart position", module.Restart, 0, static_cast<long>(module.Order.size()) - 1);
    CheckRange("pattern count", static_cast<long>(module.Patterns.size()), 1, MaxPatterns);
    CheckRange("instrument count", static_cast<long>(module.Instruments.size()), 0, MaxInstruments);
    for (size_t i = 0; i < module.Order.size(); ++i) {
        if (module.Order[i] < 0 || module.Order[i] >= static_cast<int>(module.Patterns.size())) {
            Invalid("order " + std::to_string(i) + " names pattern " + std::to_string(module.Order[i]) +
                    ", which does not exist");
        }
    }
    for (size_t p = 0; p < module.Patterns.size(); ++p) {
        const TXmPattern& pattern = module.Patterns[p];
        const std::string where = "pattern " + std::to_string(p);
        CheckRange((where + " row count").c_str(), pattern.Rows, 1, MaxRows);
        if (pattern.Cells.size() != static_cast<size_t>(pattern.Rows) * module.Channels) {
            Invalid(where + " holds " + std::to_string(pattern.Cells.size()) +
                    " cells instead of rows × channels");
        }
        for (size_t c = 0; c < pattern.Cells.size(); ++c) {
            const TXmCell& cell = pattern.Cells[c];
            const std::string at = where + " row " + std::to_string(c / module.Channels) + " channel " +
                                   std::to_string(c % module.Channels);
            if (cell.Note > XmKeyOff) {
                Invalid(at + ": note " + std::to_string(cell.Note) + " does not exist");
            }
            if (cell.Instrument > module.Instruments.size()) {
                Invalid(at + ": instrument " + std::to_string(cell.Instrument) + " does not exist");
            }
        }
    }
    for (size_t i = 0; i < module.Instruments.size(); ++i) {
        const TXmInstrument& instrument = module.Instruments[i];
        const std::string where = "instrument " + std::to_string(i + 1) + " \"" + instrument.Name + "\"";
        const TXmSample& sample = instrument.Sample;
        if (sample.Data.size() > 0x7FFFFFFF / 2) {
            Invalid(where + ": sample too long");
        }
        if (sample.LoopLength > 0 && (sample.LoopStart >= sample.Data.size() ||
                                      sample.LoopLength > sample.Data.size() - sample.LoopStart)) {
            Invalid(where + ": the loop lies outside the sample");
        }
        CheckRange((where + " sample volume").c_str(), sample.Volume, 0, 64);
        const TXmEnvelope& envelope = instrument.VolumeEnvelope;
        if (envelope.Points.size() > MaxEnvelopePoints) {
            Invalid(where + ": more than 12 envelope points");
        }
        for (size_t e = 0; e < envelope.Points.size(); ++e) {
            if (envelope.Points[e].Value > 64 ||
                (e > 0 && envelope.Points[e].Tick <= envelope.Points[e - 1].Tick)) {
                Invalid(where + ": envelope point " + std::to_string(e) + " is out of order or above 64");
            }
        }
        if (envelope.Sustain >= static_cast<int>(envelope.Points.size())) {
            Invalid(where + ": the sustain point does not exist");
        }
    }
}

void WriteHeader(TBytes& out, const TXmModule& module) {
    out.Text("Extended Module: ", 17);
    out.Text(module.Name, 20);
    out.U8(0x1A);
    out.Text("Quillmark soundgen", 20);
    out.U16(0x0104);
    out.U32(276);
    out.U16(static_cast<unsigned>(module.Order.size()));
    out.U16(static_cast<unsigned>(module.Restart));
    out.U16(static_cast<unsigned>(module.Channels));
    out.U16(static_cast<unsigned>(module.Patterns.size()));
    out.U16(static_cast<unsigned>(module.Instruments.size()));
    // Linear frequencies: every semitone is the same step, whatever the octave.
    out.U16(1);
    out.U16(static_cast<unsigned>(module.Tempo));
    out.U16(static_cast<unsigned>(module.Bpm));
    for (int i = 0; i < MaxOrders; ++i) {
        out.U8(i < static_cast<int>(module.Order.size()) ? module.Order[i] : 0);
    }
}

void WritePattern(TBytes& out, const TXmPattern& pattern) {
    out.U32(9);
    out.U8(0);
    out.U16(static_cast<unsigned>(pattern.Rows));
    const size_t sizeAt = out.Size();
    out.U16(0);
    const size_t start = out.Size();
    for (const TXmCell& cell : pattern.Cells) {
        const uint8_t fields[5] = {cell.Note, cell.Instrument, cell.Volume, cell.Effect, cell.Param};
        unsigned mask = 0;
        for (int f = 0; f < 5; ++f) {
            mask |= fields[f] ? 1u << f : 0u;
        }
        // A full cell is stored as it stands; any other gets a byte that says which fields follow.
        if (mask != 0x1F) {
            out.U8(0x80 | mask);
        }
        for (int f = 0; f < 5; ++f) {
            if (mask & 1u << f) {
                out.U8(fields[f]);
            }
        }
    }
    const size_t packed = out.Size() - start;
    if (packed > 0xFFFF) {
        Invalid("a pattern packs into more than 65535 bytes");
    }
    out.PatchU16(sizeAt, static_cast<unsigned>(packed));
}

void WriteInstrument(TBytes& out, const TXmInstrument& instrument) {
    const TXmSample& sample = instrument.Sample;
    const bool hasSample = !sample.Data.empty();
    const size_t start = out.Size();
    out.U32(hasSample ? InstrumentHeaderSize : EmptyInstrumentHeaderSize);
    out.Text(instrument.Name, 22);
    out.U8(0);
    out.U16(hasSample ? 1 : 0);
    if (!hasSample) {
        return;
    }
    out.U32(SampleHeaderSize);
    // Every note plays the one sample.
    out.Zeros(96);
    const TXmEnvelope& envelope = instrument.VolumeEnvelope;
    for (size_t e = 0; e < MaxEnvelopePoints; ++e) {
        out.U16(e < envelope.Points.size() ? envelope.Points[e].Tick : 0);
        out.U16(e < envelope.Points.size() ? envelope.Points[e].Value : 0);
    }
    out.Zeros(MaxEnvelopePoints * 4);
    out.U8(static_cast<unsigned>(envelope.Points.size()));
    out.U8(0);
    out.U8(envelope.Sustain >= 0 ? envelope.Sustain : 0);
    out.Zeros(2 + 3);
    unsigned volumeType = envelope.Points.empty() ? 0 : 1;
    volumeType |= envelope.Sustain >= 0 && !envelope.Points.empty() ? 2 : 0;
    out.U8(volumeType);
    out.U8(0);
    out.Zeros(4);
    out.U16(instrument.Fadeout);
    out.Zeros(InstrumentHeaderSize - (out.Size() - start));

    const bool loops = sample.LoopLength > 0;
    out.U32(static_cast<uint32_t>(sample.Data.size() * 2));
    out.U32(loops ? sample.LoopStart * 2 : 0);
    out.U32(loops ? sample.LoopLength * 2 : 0);
    out.U8(sample.Volume);
    out.U8(static_cast<uint8_t>(sample.Finetune));
    // 16-bit, forward loop or none.
    out.U8(0x10 | (loops ? 1 : 0));
    out.U8(sample.Panning);
    out.U8(static_cast<uint8_t>(sample.RelativeNote));
    out.U8(0);
    out.Text(instrument.Name, 22);
}

// Samples are stored as differences from the previous value, which packs better.
void WriteSampleData(TBytes& out, const TXmSample& sample) {
    int16_t previous = 0;
    for (int16_t value : sample.Data) {
        out.U16(static_cast<uint16_t>(static_cast<uint16_t>(value) - static_cast<uint16_t>(previous)));
        previous = value;
    }
}

} // namespace

void TuneSample(TXmSample& sample, double rate) {
    if (!(rate > 0)) {
        Invalid("a sample rate must be positive");
    }
    const double semitones = 12.0 * std::log2(rate / XmBaseRate);
    const double note = std::round(semitones);
    const long finetune = std::lround((semitones - note) * 128.0);
    if (note < -96 || note > 95) {
        Invalid("a sample rate of " + std::to_string(rate) + " cannot be tuned");
    }
    sample.RelativeNote = static_cast<int8_t>(note);
    sample.Finetune = static_cast<int8_t>(std::clamp(finetune, -128L, 127L));
}

std::vector<uint8_t> WriteXm(const TXmModule& module) {
    CheckModule(module);
    TBytes out;
    WriteHeader(out, module);
    for (const TXmPattern& pattern : module.Patterns) {
        WritePattern(out, pattern);
    }
    for (const TXmInstrument& instrument : module.Instruments) {
        WriteInstrument(out, instrument);
        WriteSampleData(out, instrument.Sample);
    }
    return out.Take();
}

} // namespace soundgen
