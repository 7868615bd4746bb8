#include "UGSDLAudioOutput.h"
#include "Common/core/sound/TestSounds.h"
#include "TestHelpers.h"
#include "UGWaveFile.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace qm {
namespace {

// The mixer calls on SDL's dummy driver, which mixes to no one at the pace of a sound card:
// what the main thread sets and asks is checked, not what is heard.
class SDLAudioOutput : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::string whyNot;
        Output = TGSDLAudioOutput::Open(whyNot, true);
        ASSERT_TRUE(Output) << whyNot;
        Output->SetChannelCount(4);
    }
    std::unique_ptr<TGSDLAudioOutput> Output;
};

TEST_F(SDLAudioOutput, TheDummyDriverCountsAsNoDevice) {
    Output.reset();
    std::string whyNot;
    EXPECT_FALSE(TGSDLAudioOutput::Open(whyNot));
    EXPECT_EQ(whyNot, "the audio driver \"dummy\" plays to no one");
}

TEST_F(SDLAudioOutput, ChannelsPlayPauseAndStop) {
    auto pcm = std::make_shared<TGPcm>(ReadWave(test::MakeToneWave(5.0, 1000), "tone.wav"));
    Output->SetVolume(2, 64);
    Output->Play(2, pcm, AudioRate, true);
    EXPECT_TRUE(Output->IsPlaying(2));
    EXPECT_FALSE(Output->IsPlaying(1));
    EXPECT_GE(Output->Position(2), AudioRate);
    EXPECT_LT(Output->Position(2), 2 * AudioRate);
    Output->Pause(2);
    EXPECT_TRUE(Output->IsPaused(2));
    Output->Resume(2);
    EXPECT_FALSE(Output->IsPaused(2));
    Output->SetPosition(2, 3 * AudioRate);
    EXPECT_GE(Output->Position(2), 3 * AudioRate);
    Output->Halt(2);
    EXPECT_FALSE(Output->IsPlaying(2));
    test::ExpectError([&] { Output->Play(4, pcm, 0, false); },
                      "TGSDLAudioOutput: Range check error: channel 4, 4 channels");
}

TEST_F(SDLAudioOutput, DecodesStreamsIntoTheEnginesFormat) {
    test::TempDir folder;
    const std::string bytes = test::MakeToneWave(0.1, 1000);
    TGPcm expected = ReadWave(bytes, "tone.wav");
    PGPcm decoded = Output->DecodeStream(folder.Write("tone.wav", bytes));
    EXPECT_EQ(decoded->Samples, expected.Samples);
    test::ExpectErrorContaining([&] { Output->DecodeStream(folder.Write("bad.ogg", "nothing")); },
                                "TGSDLAudioOutput.DecodeStream: \"");
}

} // namespace
} // namespace qm
