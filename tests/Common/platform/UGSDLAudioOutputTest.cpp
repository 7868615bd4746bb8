#include "UGSDLAudioOutput.h"
#include "Common/core/sound/TestSounds.h"
#include "TestHelpers.h"
#include "UGPcmStream.h"
#include "UGWaveFile.h"

#include <SDL.h>

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

// A stream plays on its channel from where it stands, read by the mixer's thread. One that does
// not loop ends by itself, read to its end; one that loops goes back to its start and plays on.
// The dummy driver mixes at the pace of a sound card, so the test waits for it, at most seconds.
TEST_F(SDLAudioOutput, StreamsPlayOnTheirChannelUntilTheirEnd) {
    auto tone = std::make_shared<TGPcm>(ReadWave(test::MakeToneWave(0.1, 1000), "tone.wav"));
    auto once = std::make_shared<TGPcmStream>(tone);
    auto looping = std::make_shared<TGPcmStream>(tone);
    ASSERT_TRUE(once->Seek(tone->Frames() / 2));
    Output->PlayStream(1, once, false);
    Output->PlayStream(2, looping, true);
    EXPECT_TRUE(Output->IsPlaying(1));
    EXPECT_GE(Output->Position(1), tone->Frames() / 2);
    int64_t loopedFrom = 0;
    bool looped = false;
    for (int wait = 0; wait < 500 && (Output->IsPlaying(1) || !looped); ++wait) {
        SDL_Delay(10);
        Output->Advance(0);
        const int64_t at = Output->Position(2);
        looped = looped || at < loopedFrom;
        loopedFrom = at;
    }
    EXPECT_FALSE(Output->IsPlaying(1));
    EXPECT_EQ(once->Position(), tone->Frames());
    EXPECT_TRUE(looped);
    EXPECT_TRUE(Output->IsPlaying(2));
    // Moved while paused, the stream stands there and stays paused.
    Output->Pause(2);
    Output->SetPosition(2, 100);
    EXPECT_EQ(Output->Position(2), 100);
    EXPECT_TRUE(Output->IsPaused(2));
    Output->Halt(2);
    EXPECT_FALSE(Output->IsPlaying(2));
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
