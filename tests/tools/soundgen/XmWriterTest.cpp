#include "XmWriter.h"
#include "XmRender.h"

#include <gtest/gtest.h>
#include <xmp.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <stdexcept>
#include <string>

namespace soundgen {
namespace {

// One period of a sine, `frames` long, looped; tuned so that C-4 sounds at `pitch` Hz.
TXmInstrument SineInstrument(const std::string& name, int frames, double pitch) {
    TXmInstrument instrument;
    instrument.Name = name;
    for (int i = 0; i < frames; ++i) {
        instrument.Sample.Data.push_back(
            static_cast<int16_t>(std::lround(12000 * std::sin(2 * std::numbers::pi * i / frames))));
    }
    instrument.Sample.LoopStart = 0;
    instrument.Sample.LoopLength = static_cast<uint32_t>(frames);
    TuneSample(instrument.Sample, pitch * frames);
    instrument.VolumeEnvelope.Points = {{0, 0}, {2, 64}, {10, 40}, {30, 0}};
    instrument.VolumeEnvelope.Sustain = 2;
    instrument.Fadeout = 512;
    return instrument;
}

TXmModule SmallModule() {
    TXmModule module;
    module.Name = "small";
    module.Channels = 3;
    module.Tempo = 5;
    module.Bpm = 140;
    module.Restart = 1;
    module.Order = {1, 0, 1};
    module.Patterns = {TXmPattern(16, 3), TXmPattern(32, 3)};
    module.Instruments = {SineInstrument("low", 200, 110), SineInstrument("high", 50, 440)};
    module.Instruments[1].Sample.LoopLength = 0;
    return module;
}

xmp_context LoadIntoLibxmp(const std::vector<uint8_t>& bytes) {
    xmp_context context = xmp_create_context();
    EXPECT_EQ(xmp_load_module_from_memory(context, bytes.data(), static_cast<long>(bytes.size())), 0);
    return context;
}

TEST(XmWriter, LibxmpReadsBackWhatWasWritten) {
    TXmModule module = SmallModule();
    // A full cell, cells with one field each, a key-off, and the highest note.
    module.Patterns[0].At(0, 0, 3) = {XmNoteC4, 2, 0x30, 0x0C, 0x20};
    module.Patterns[0].At(3, 1, 3) = {0, 1, 0, 0, 0};
    module.Patterns[0].At(5, 2, 3) = {0, 0, 0x50, 0, 0};
    module.Patterns[1].At(31, 2, 3) = {XmKeyOff, 0, 0, 0, 0};
    module.Patterns[1].At(7, 1, 3) = {XmLastNote, 1, 0, 0x0F, 0x03};
    const std::vector<uint8_t> bytes = WriteXm(module);

    xmp_context context = LoadIntoLibxmp(bytes);
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    const xmp_module& read = *info.mod;
    EXPECT_STREQ(read.name, "small");
    EXPECT_EQ(read.chn, 3);
    EXPECT_EQ(read.spd, 5);
    EXPECT_EQ(read.bpm, 140);
    EXPECT_EQ(read.rst, 1);
    ASSERT_EQ(read.len, 3);
    EXPECT_EQ(read.xxo[0], 1);
    EXPECT_EQ(read.xxo[1], 0);
    EXPECT_EQ(read.xxo[2], 1);
    // libxmp adds an empty pattern of its own after the written ones.
    ASSERT_GE(read.pat, 2);
    EXPECT_EQ(read.xxp[0]->rows, 16);
    EXPECT_EQ(read.xxp[1]->rows, 32);

    auto event = [&](int pattern, int row, int channel) -> const xmp_event& {
        return read.xxt[read.xxp[pattern]->index[channel]]->event[row];
    };
    // libxmp counts notes from C-0 = 13 and stores the volume column as volume + 1.
    EXPECT_EQ(event(0, 0, 0).note, XmNoteC4 + 12);
    EXPECT_EQ(event(0, 0, 0).ins, 2);
    EXPECT_EQ(event(0, 0, 0).vol, 0x30 - 0x10 + 1);
    EXPECT_EQ(event(0, 0, 0).fxt, 0x0C);
    EXPECT_EQ(event(0, 0, 0).fxp, 0x20);
    EXPECT_EQ(event(0, 3, 1).note, 0);
    EXPECT_EQ(event(0, 3, 1).ins, 1);
    EXPECT_EQ(event(0, 5, 2).vol, 65);
    EXPECT_EQ(event(0, 1, 0).note, 0);
    EXPECT_EQ(event(1, 31, 2).note, XMP_KEY_OFF);
    EXPECT_EQ(event(1, 7, 1).note, XmLastNote + 12);
    EXPECT_EQ(event(1, 7, 1).fxt, 0x0F);
    EXPECT_EQ(event(1, 7, 1).fxp, 0x03);

    ASSERT_EQ(read.ins, 2);
    for (int i = 0; i < 2; ++i) {
        const TXmInstrument& written = module.Instruments[i];
        const xmp_instrument& instrument = read.xxi[i];
        EXPECT_STREQ(instrument.name, written.Name.c_str());
        ASSERT_EQ(instrument.nsm, 1);
        const xmp_sample& sample = read.xxs[instrument.sub[0].sid];
        EXPECT_TRUE(sample.flg & XMP_SAMPLE_16BIT);
        EXPECT_EQ(sample.len, static_cast<int>(written.Sample.Data.size()));
        EXPECT_EQ((sample.flg & XMP_SAMPLE_LOOP) != 0, written.Sample.LoopLength > 0);
        if (written.Sample.LoopLength > 0) {
            EXPECT_EQ(sample.lps, static_cast<int>(written.Sample.LoopStart));
            EXPECT_EQ(sample.lpe, static_cast<int>(written.Sample.LoopStart + written.Sample.LoopLength));
        }
        const auto* data = reinterpret_cast<const int16_t*>(sample.data);
        for (size_t f = 0; f < written.Sample.Data.size(); ++f) {
            ASSERT_EQ(data[f], written.Sample.Data[f]) << written.Name << " frame " << f;
        }
        EXPECT_EQ(instrument.sub[0].xpo, written.Sample.RelativeNote);
        EXPECT_EQ(instrument.sub[0].fin, written.Sample.Finetune);
        // libxmp keeps the fade-out in its own unit, twice the file's.
        EXPECT_EQ(instrument.rls, written.Fadeout * 2);
        const xmp_envelope& envelope = instrument.aei;
        EXPECT_TRUE(envelope.flg & XMP_ENVELOPE_ON);
        EXPECT_TRUE(envelope.flg & XMP_ENVELOPE_SUS);
        EXPECT_EQ(envelope.sus, 2);
        ASSERT_EQ(envelope.npt, 4);
        for (int p = 0; p < 4; ++p) {
            EXPECT_EQ(envelope.data[p * 2], written.VolumeEnvelope.Points[p].Tick);
            EXPECT_EQ(envelope.data[p * 2 + 1], written.VolumeEnvelope.Points[p].Value);
        }
    }
    xmp_release_module(context);
    xmp_free_context(context);
}

// The pitch of the left channel between two times, from its rising zero crossings.
double PitchBetween(const TStereo& sound, double from, double to) {
    const size_t first = static_cast<size_t>(from * RenderRate);
    const size_t last = static_cast<size_t>(to * RenderRate);
    int crossings = 0;
    double firstCrossing = 0;
    double lastCrossing = 0;
    for (size_t f = first + 1; f < last && f < sound.Frames(); ++f) {
        if (sound.Samples[(f - 1) * 2] < 0 && sound.Samples[f * 2] >= 0) {
            lastCrossing = static_cast<double>(f);
            if (crossings++ == 0) {
                firstCrossing = lastCrossing;
            }
        }
    }
    return crossings < 2 ? 0 : (crossings - 1) * RenderRate / (lastCrossing - firstCrossing);
}

TEST(XmWriter, ATunedSampleSoundsAtItsPitchOnEveryNote) {
    TXmModule module;
    module.Channels = 1;
    module.Tempo = 6;
    module.Bpm = 125; // 0.12 s a row
    module.Order = {0};
    module.Patterns = {TXmPattern(32, 1)};
    // 127 frames a period does not divide the output rate: the tuning has to come from the
    // relative note and the finetune together.
    module.Instruments = {SineInstrument("sine", 127, 261.6256)};
    const struct {
        uint8_t Note;
        double Pitch;
    } notes[] = {
        {XmNoteC4, 261.6256}, {XmNoteC4 + 9, 440.0}, {XmNoteC4 - 12, 130.8128}, {XmNoteC4 + 19, 783.99}};
    for (int n = 0; n < 4; ++n) {
        module.Patterns[0].At(n * 8, 0, 1) = {notes[n].Note, 1, 0, 0, 0};
    }
    const TStereo sound = RenderModule(WriteXm(module));
    ASSERT_GE(sound.Frames(), static_cast<size_t>(3.8 * RenderRate));
    for (int n = 0; n < 4; ++n) {
        const double start = n * 0.96;
        EXPECT_NEAR(PitchBetween(sound, start + 0.2, start + 0.9), notes[n].Pitch, notes[n].Pitch * 0.003)
            << "note " << int(notes[n].Note);
    }
}

TEST(XmWriter, RefusesWhatTheFormatCannotHold) {
    const struct {
        const char* Expected;
        std::function<void(TXmModule&)> Break;
    } cases[] = {
        {"channel count 33", [](TXmModule& m) { m.Channels = 33; }},
        {"order length 0", [](TXmModule& m) { m.Order.clear(); }},
        {"order 2 names pattern 5", [](TXmModule& m) { m.Order[2] = 5; }},
        {"restart position 3", [](TXmModule& m) { m.Restart = 3; }},
        {"pattern 1 holds 95 cells", [](TXmModule& m) { m.Patterns[1].Cells.pop_back(); }},
        {"pattern 0 row 2 channel 1: instrument 3",
         [](TXmModule& m) { m.Patterns[0].At(2, 1, 3).Instrument = 3; }},
        {"pattern 0 row 0 channel 0: note 98", [](TXmModule& m) { m.Patterns[0].At(0, 0, 3).Note = 98; }},
        {"instrument 2 \"high\": the loop", [](TXmModule& m) { m.Instruments[1].Sample.LoopLength = 51; }},
        {"instrument 1 \"low\": envelope point 2",
         [](TXmModule& m) { m.Instruments[0].VolumeEnvelope.Points[2].Tick = 2; }},
        {"instrument 1 \"low\": the sustain point",
         [](TXmModule& m) { m.Instruments[0].VolumeEnvelope.Sustain = 4; }},
        {"BPM 20", [](TXmModule& m) { m.Bpm = 20; }},
    };
    for (const auto& c : cases) {
        TXmModule module = SmallModule();
        c.Break(module);
        try {
            WriteXm(module);
            ADD_FAILURE() << "accepted: " << c.Expected;
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find(c.Expected), std::string::npos) << error.what();
        }
    }
}

} // namespace
} // namespace soundgen
