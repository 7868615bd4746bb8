#include "TestHelpers.h"
#include "XmRender.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace qm {
namespace {

using soundgen::MeasureLevels;
using soundgen::RenderOrders;
using soundgen::TStereo;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

const fs::path BuiltData = QM_BINARY_DIR "/data";

test::CommandResult Generate(const fs::path& target) {
    return test::RunCommand(ShellQuote(QM_SOUNDGEN_BINARY) + " " + ShellQuote(QM_SOURCE_DIR "/data") + " " +
                            ShellQuote(target.string()));
}

std::vector<uint8_t> Bytes(const fs::path& path) {
    const std::string text = test::ReadFile(path);
    return {text.begin(), text.end()};
}

// The sound elements of the shipped configuration, a list of elements without a root of its own.
pugi::xml_document SoundConfiguration() {
    pugi::xml_document document;
    const std::string text =
        "<Sounds>" + test::ReadFile(QM_SOURCE_DIR "/data/config/core/Sounds.xml") + "</Sounds>";
    EXPECT_TRUE(document.load_string(text.c_str()));
    return document;
}

TEST(SoundGenerator, TheSameSourcesGiveTheSameBytes) {
    TempDir dir;
    ASSERT_EQ(Generate(dir.Path() / "a").Status, 0);
    ASSERT_EQ(Generate(dir.Path() / "b").Status, 0);
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path() / "a")) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const fs::path twin = dir.Path() / "b" / fs::relative(entry.path(), dir.Path() / "a");
        ASSERT_TRUE(fs::exists(twin)) << twin;
        EXPECT_EQ(test::ReadFile(entry.path()), test::ReadFile(twin)) << entry.path();
        ++files;
    }
    EXPECT_GE(files, 60);
}

uint32_t Word(const std::vector<uint8_t>& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | bytes.at(at + i);
    }
    return value;
}

TEST(SoundGenerator, EverySoundIsAnAudible16BitMonoWaveBelowFullScale) {
    const pugi::xml_document config = SoundConfiguration();
    int sounds = 0;
    for (pugi::xml_node sound : config.document_element().children("Sound")) {
        const std::string src = sound.attribute("Src").value();
        SCOPED_TRACE(src);
        const std::vector<uint8_t> bytes = Bytes(BuiltData / src);
        ASSERT_GE(bytes.size(), 44u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
        EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(Word(bytes, 20, 2), 1u) << "PCM";
        EXPECT_EQ(Word(bytes, 22, 2), 1u) << "mono";
        EXPECT_EQ(Word(bytes, 24, 4), 44100u);
        EXPECT_EQ(Word(bytes, 34, 2), 16u);
        ASSERT_EQ(Word(bytes, 40, 4), bytes.size() - 44);
        std::vector<int16_t> samples((bytes.size() - 44) / 2);
        for (size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<int16_t>(Word(bytes, 44 + 2 * i, 2));
        }
        const auto levels = MeasureLevels(samples);
        EXPECT_LT(levels.Peak, 0.9) << "peaks at -1 dBFS at most, far from clipping";
        EXPECT_GT(levels.Peak, 0.1) << "loud enough to hear";
        // A sound that starts or stops away from zero clicks.
        EXPECT_LT(std::abs(samples.front()), 300);
        EXPECT_LT(std::abs(samples.back()), 300);
        ++sounds;
    }
    EXPECT_GE(sounds, 56);
}

// The largest step between neighbouring frames of either channel where the end of a loop runs
// into its start, in full-scale units.
double JoinStep(const TStereo& loop) {
    const size_t last = loop.Frames() - 1;
    double step = 0;
    for (int channel = 0; channel < 2; ++channel) {
        step = std::max(step, std::abs(loop.Samples[last * 2 + channel] - loop.Samples[channel]) / 32768.0);
    }
    return step;
}

// The peak of the last `seconds` of a loop, in full-scale units.
double TailPeak(const TStereo& loop, double seconds) {
    const size_t count = static_cast<size_t>(seconds * soundgen::RenderRate) * 2;
    const std::vector<int16_t> tail(loop.Samples.end() - static_cast<std::ptrdiff_t>(count),
                                    loop.Samples.end());
    return MeasureLevels(tail).Peak;
}

void ExpectLoopPlaysWell(const std::vector<uint8_t>& module, int from, int to, double seconds) {
    const TStereo loop = RenderOrders(module, from, to);
    ASSERT_GT(loop.Frames(), static_cast<size_t>(seconds * soundgen::RenderRate));
    const auto levels = MeasureLevels(loop.Samples);
    EXPECT_LT(levels.Peak, 0.95) << "clips";
    EXPECT_GT(levels.Rms, 0.005) << "silent";
    // The music breathes out before it starts again: a loop whose end still sounds would be cut
    // off there, whatever the player does at the join.
    EXPECT_LT(TailPeak(loop, 0.01), 0.01) << "the loop still sounds at its end";
    EXPECT_LT(JoinStep(loop), 0.01) << "the loop clicks where it joins";
}

TEST(SoundGenerator, MusicLoopsJoinWithoutAStepAndNeverClips) {
    const pugi::xml_document config = SoundConfiguration();
    int tracks = 0;
    for (pugi::xml_node track : config.document_element().children("Track")) {
        const std::string src = track.attribute("Src").value();
        SCOPED_TRACE(std::string(track.attribute("Name").value()) + " " + src);
        const int from = track.attribute("From").as_int();
        const int to = track.attribute("To").as_int();
        ASSERT_LE(from, to);
        // Ten seconds of music at the least before it repeats.
        ExpectLoopPlaysWell(Bytes(BuiltData / src), from, to, 10);
        ++tracks;
    }
    EXPECT_EQ(tracks, 12);
    for (pugi::xml_node library : config.document_element().children("ModSoundLib")) {
        const std::vector<uint8_t> module = Bytes(BuiltData / library.attribute("Src").value());
        for (pugi::xml_node effect : library.children("ModSound")) {
            SCOPED_TRACE(effect.attribute("Name").value());
            const int pattern = effect.attribute("Pattern").as_int();
            ExpectLoopPlaysWell(module, pattern, pattern, 1);
        }
    }
}

} // namespace
} // namespace qm
