#include "TestHelpers.h"
#include "TestSounds.h"
#include "UGWaveFile.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
namespace fs = std::filesystem;

double Rms(const TGPcm& pcm, double from, double to) {
    auto first = static_cast<size_t>(from * AudioRate) * AudioChannels;
    auto last = std::min(pcm.Samples.size(), static_cast<size_t>(to * AudioRate) * AudioChannels);
    double sum = 0;
    for (size_t i = first; i < last; ++i) {
        sum += double(pcm.Samples[i]) * pcm.Samples[i];
    }
    return last > first ? std::sqrt(sum / double(last - first)) : 0.0;
}

// The sound test scene rendered into a WAV file on a data folder with known sounds: a loud
// menu piece that cross-fades, eight seconds in, into a silent one, a click, and a bell from a
// module played once and then as an ambient loop.
TEST(SoundCheck, TheSoundTestSceneRendersItsTimelineIntoAWavFile) {
    test::TempDir dir;
    const fs::path data = dir.Path() / "data";
    fs::copy(QM_BINARY_DIR "/data", data, fs::copy_options::recursive);
    dir.Write("data/config/core/Sounds.xml", R"(
        <Track Name="Menu" Src="sounds/loud.wav"/>
        <Track Name="Level1" Src="sounds/quiet.wav"/>
        <Sound Name="Click" Src="sounds/click.wav"/>
        <ModSoundLib Src="sounds/fx.mod"><ModSound Name="Bell" Pattern="0"/></ModSoundLib>)");
    dir.Write("data/sounds/loud.wav", test::MakeToneWave(20.0, 12000));
    dir.Write("data/sounds/quiet.wav", test::MakeToneWave(20.0, 0));
    dir.Write("data/sounds/click.wav", test::MakeToneWave(0.2, 12000));
    dir.Write("data/sounds/fx.mod", test::MakeTestModule({64}));

    const fs::path wave = dir.Path() / "out.wav";
    CommandResult result = test::RunCommand(
        ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --frames 1200 --scene sound-test --data " +
        ShellQuote(data.string()) + " --user-dir " + ShellQuote((dir.Path() / "user").string()) +
        " --audio-wav " + ShellQuote(wave.string()));
    ASSERT_EQ(result.Status, 0) << result.Err;
    TGPcm pcm = ReadWave(test::ReadFile(wave), "out.wav");
    // Every frame is 10 ms of sound; the first frame only starts the clock.
    EXPECT_EQ(pcm.Frames(), 1199 * AudioRate / 100);
    // The music volume of the scene is 70: 12000 x [70 x 128 / 100] / 128.
    const double menu = 12000.0 * 90 / 128;
    EXPECT_NEAR(Rms(pcm, 2.3, 2.9), menu, 0.03 * menu);
    EXPECT_NEAR(Rms(pcm, 8.9, 9.1), menu / 2, 0.15 * menu);
    EXPECT_EQ(Rms(pcm, 10.3, 11.9), 0.0);
    // The click starts a second in, over the menu piece fading in; the bell's ambient loop
    // sounds from 3 s to 7 s.
    EXPECT_GT(Rms(pcm, 1.0, 1.2), 1.2 * Rms(pcm, 0.7, 0.9));
    EXPECT_GT(Rms(pcm, 4.0, 5.0), 1.1 * menu);
    EXPECT_NEAR(Rms(pcm, 7.2, 7.8), menu, 0.03 * menu);
}

} // namespace
} // namespace qm
