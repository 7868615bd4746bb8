#include "SoundTestSupport.h"
#include "TestHelpers.h"
#include "UGError.h"
#include "UGModuleFile.h"
#include "UGMusicLoading.h"
#include "UGSilentBassEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace qm {
namespace {

using test::TSoundRig;

constexpr int ToneAmplitude = 16000;
// The mixer scales by volume / 128 with integer steps; levels are compared within 4 %.
constexpr double Tolerance = 0.04 * ToneAmplitude;

std::vector<std::pair<std::string, std::string>> MusicFiles() {
    return {{"loud.wav", test::MakeToneWave(6.0, ToneAmplitude)}, {"quiet.wav", test::MakeToneWave(6.0, 0)}};
}

const char* const MusicXml = R"(<Track Name="Loud" Src="loud.wav"/><Track Name="Quiet" Src="quiet.wav"/>)";

// Fading in, holding, then a cross-fade to another piece: the level follows the volume ramps
// of the two slots, and the old slot is stopped and emptied at the end of its fade.
TEST(TGBassEngine, CrossFadeRampsTheOldSlotDownAndTheNewOneUp) {
    TSoundRig rig(MusicXml, MusicFiles());
    rig.Load();
    rig.Engine->PlayMusic("Loud", true, 1.0, true, -1);
    EXPECT_EQ(rig.Engine->CurrentSlot(), 1);
    rig.Run(2.0);
    rig.Engine->PlayMusic("Quiet", true, 1.0, true, -1);
    EXPECT_EQ(rig.Engine->CurrentSlot(), 0);
    rig.Run(1.5);

    for (double part : {0.25, 0.5, 0.75}) {
        SCOPED_TRACE(part);
        EXPECT_NEAR(rig.RecordedRms(part - 0.05, part + 0.05), part * ToneAmplitude, Tolerance);
        EXPECT_NEAR(rig.RecordedRms(2.0 + part - 0.05, 2.0 + part + 0.05), (1 - part) * ToneAmplitude,
                    Tolerance);
    }
    EXPECT_NEAR(rig.RecordedRms(1.1, 1.9), ToneAmplitude, Tolerance);
    EXPECT_EQ(rig.RecordedRms(3.05, 3.5), 0.0);
    EXPECT_FALSE(rig.Output.IsPlaying(1));
    EXPECT_TRUE(rig.Engine->IsMusicPlaying());
    EXPECT_EQ(rig.Engine->GetMusicName(), "Quiet");

    // The same name while it plays changes nothing; a third piece goes into the first slot again.
    rig.Engine->PlayMusic("Quiet", true, 1.0, true, -1);
    EXPECT_EQ(rig.Engine->CurrentSlot(), 0);
    rig.Engine->PlayMusic("Loud", true, 0.0, false, -1);
    EXPECT_EQ(rig.Engine->CurrentSlot(), 1);
    EXPECT_EQ(rig.Output.Volume(1), 128);
}

TEST(TGBassEngine, FadedOutMusicKeepsItsNameAndStartsAgainInTheOtherSlot) {
    TSoundRig rig(MusicXml, MusicFiles());
    rig.Load();
    rig.Engine->PlayMusic("Loud", false, 0.0, false, -1);
    rig.Engine->FadeOutMusic(0.5);
    rig.Run(0.6);
    EXPECT_FALSE(rig.Engine->IsMusicPlaying());
    EXPECT_EQ(rig.Engine->GetMusicName(), "Loud");
    EXPECT_NEAR(rig.RecordedRms(0.2, 0.3), 0.5 * ToneAmplitude, Tolerance);
    rig.Engine->PlayMusic("Loud", false, 0.0, false, -1);
    EXPECT_TRUE(rig.Engine->IsMusicPlaying());
    EXPECT_EQ(rig.Engine->CurrentSlot(), 0);
}

// A module track with From 1 and To 2 starts at pattern 1 and loops patterns 1 and 2.
TEST(TGBassEngine, ModuleTrackLoopsItsPatternRange) {
    TSoundRig rig(R"(<Track Name="Song" Src="song.mod" From="1" To="2"/>)",
                  {{"song.mod", test::MakeTestModule({64, 16, 48})}});
    rig.Load();
    rig.Engine->PlayMusic("Song", true, 0.0, false, -1);
    rig.Run(4 * test::PatternSeconds);
    double quiet = rig.RecordedRms(0.05, test::PatternSeconds - 0.05);
    double loud = rig.RecordedRms(test::PatternSeconds + 0.05, 2 * test::PatternSeconds - 0.05);
    EXPECT_GT(loud, 2.0 * quiet);
    // The third pattern played is pattern 1 again, not pattern 0 (the loudest).
    EXPECT_NEAR(rig.RecordedRms(2 * test::PatternSeconds + 0.05, 3 * test::PatternSeconds - 0.05), quiet,
                0.05 * quiet);
    EXPECT_TRUE(rig.Engine->IsMusicPlaying());
}

// A module whose patterns last over two minutes each, five of them: as a whole track it is ten
// minutes of sound, over 100 MB. Playing it, the engine holds a few of the player's buffers at a
// time, however long it plays and however far it is moved, and what it plays is the module's
// sound sample for sample.
TEST(TGBassEngine, MusicIsMadeAsItPlaysAndHoldsLittleSound) {
    const std::string slow = test::MakeSlowModule(5);
    TSoundRig rig(R"(<Track Name="Slow" Src="slow.mod"/>)", {{"slow.mod", slow}});
    rig.Load();
    constexpr size_t Bound = 256u << 10;
    rig.Engine->PlayMusic("Slow", true, 0.0, false, -1);
    EXPECT_LE(rig.Engine->HeldMusicBytes(), Bound);
    constexpr double Start = 5.0;
    rig.Run(Start);
    TGModuleFile whole(slow, "slow.mod");
    const TGPcm expected = whole.Render(0, 4, static_cast<int64_t>(Start * AudioRate));
    ASSERT_EQ(rig.Recording.size(), expected.Samples.size());
    EXPECT_TRUE(rig.Recording == expected.Samples);
    EXPECT_GT(rig.RecordedRms(0.0, Start), 1000.0);
    for (int minute = 0; minute < 3; ++minute) {
        rig.Run(60.0);
        EXPECT_LE(rig.Engine->HeldMusicBytes(), Bound) << "minute " << minute;
        EXPECT_EQ(rig.Engine->GetMusicPosition(), static_cast<int64_t>(rig.Now() * AudioRate));
    }
    // Moving back to the start plays the start again.
    rig.Engine->SetMusicPosition(0);
    const size_t before = rig.Recording.size();
    rig.Run(1.0);
    EXPECT_TRUE(std::equal(rig.Recording.begin() + static_cast<std::ptrdiff_t>(before), rig.Recording.end(),
                           expected.Samples.begin()));
    EXPECT_LE(rig.Engine->HeldMusicBytes(), Bound);
}

const char* const LibraryXml = R"(
    <ModSoundLib Src="fx.mod" Polyphony="3">
      <ModSound Name="Loud" Pattern="0"/><ModSound Name="Soft" Pattern="1"/><ModSound Name="Softer" Pattern="2"/>
    </ModSoundLib>)";

std::vector<std::pair<std::string, std::string>> LibraryFiles() {
    return {{"fx.mod", test::MakeTestModule({64, 32, 16})}};
}

// Copies take turns 1, 2, 0, 1: the fourth effect in a row takes the copy of the first. The
// effects start together, so their tones add up in phase.
TEST(TGBassEngine, LibraryEffectTakesTheOldestCopy) {
    TSoundRig rig(LibraryXml, LibraryFiles());
    rig.Load();
    const int first = TGBassEngine::MusicChannels;
    rig.Engine->PlayModSound("Loud");
    EXPECT_TRUE(rig.Output.IsPlaying(first + 1));
    rig.Engine->PlayModSound("Softer");
    rig.Engine->PlayModSound("Softer");
    EXPECT_TRUE(rig.Output.IsPlaying(first + 2));
    EXPECT_TRUE(rig.Output.IsPlaying(first));
    rig.Run(0.1);
    double withLoud = rig.RecordedRms(0.01, 0.1);
    EXPECT_GT(rig.Output.Position(first + 1), 0.09 * AudioRate);

    rig.Engine->PlayModSound("Softer");
    EXPECT_LT(rig.Output.Position(first + 1), 0.01 * AudioRate);
    rig.Run(0.1);
    // Loud is four times Softer: three Softer copies come to half of Loud and two Softer.
    EXPECT_NEAR(rig.RecordedRms(0.11, 0.2), 0.5 * withLoud, 0.05 * withLoud);
}

// An effect is its pattern alone: it sounds for one pattern's time and then stops.
TEST(TGBassEngine, PatternEffectStopsWhereTheNextPatternBegins) {
    TSoundRig rig(LibraryXml, LibraryFiles());
    rig.Load();
    rig.Engine->PlayModSound("Soft");
    rig.Run(1.0);
    double soft = rig.RecordedRms(0.05, test::PatternSeconds - 0.05);
    EXPECT_GT(soft, 500.0);
    EXPECT_EQ(rig.RecordedRms(test::PatternSeconds + 0.02, 1.0), 0.0);
    EXPECT_FALSE(rig.Output.IsPlaying(TGBassEngine::MusicChannels + 1));

    rig.Engine->PlayModSound("Loud");
    rig.Run(0.3);
    EXPECT_GT(rig.RecordedRms(1.05, 1.25), 1.6 * soft);
}

// Fade in over 0.5 s, hold until 1.5 s (the pattern loops meanwhile), fade out over 0.5 s.
TEST(TGBassEngine, AmbientLoopFadesInHoldsAndFadesOutOnTime) {
    TSoundRig rig(LibraryXml, LibraryFiles());
    rig.Load();
    rig.Engine->PlayAmbientSound("Loud", 0.5, 1.0, 0.5);
    rig.Run(2.5);
    double full = rig.RecordedRms(0.6, 1.4);
    EXPECT_GT(full, 1000.0);
    EXPECT_NEAR(rig.RecordedRms(1.0, 1.4), full, 0.05 * full); // past two patterns' time: it loops
    EXPECT_NEAR(rig.RecordedRms(0.2, 0.3), 0.5 * full, 0.06 * full);
    EXPECT_NEAR(rig.RecordedRms(1.45, 1.5), full, 0.06 * full);
    EXPECT_NEAR(rig.RecordedRms(1.7, 1.8), 0.5 * full, 0.06 * full);
    EXPECT_EQ(rig.RecordedRms(2.02, 2.5), 0.0);
    EXPECT_FALSE(rig.Output.IsPlaying(TGBassEngine::MusicChannels));
}

TEST(TGBassEngine, MuteSavesTheVolumesAndUnmuteRestoresThem) {
    TSoundRig rig(std::string(MusicXml) + R"(<Sound Name="Click" Src="click.wav"/>)" + LibraryXml,
                  {{"loud.wav", test::MakeToneWave(6.0, ToneAmplitude)},
                   {"quiet.wav", test::MakeToneWave(1.0, 0)},
                   {"click.wav", test::MakeToneWave(0.2, ToneAmplitude)},
                   {"fx.mod", test::MakeTestModule({64})}},
                  75, 60, 80);
    rig.Load();
    rig.Engine->PlayMusic("Loud", true, 0.0, false, -1);
    EXPECT_EQ(rig.Output.Volume(1), 77); // [60 x 128 / 100]

    rig.Engine->SetMuted(true);
    EXPECT_EQ(rig.Output.Volume(1), 0);
    EXPECT_EQ(rig.Engine->GetMusicVolume(), 60);
    EXPECT_EQ(rig.Engine->GetAmbientVolume(), 80);
    rig.Engine->SetMusicVolume(30);
    EXPECT_EQ(rig.Output.Volume(1), 0);
    EXPECT_EQ(rig.Engine->GetMusicVolume(), 30);
    // While muted, no new effect starts.
    rig.Engine->PlaySound("Click");
    rig.Engine->PlayModSound("Loud");
    EXPECT_FALSE(rig.Engine->IsSoundPlaying("Click"));
    for (int copy = 0; copy < 3; ++copy) {
        EXPECT_FALSE(rig.Output.IsPlaying(TGBassEngine::MusicChannels + copy));
    }

    rig.Engine->SetMuted(false);
    EXPECT_EQ(rig.Output.Volume(1), 38); // [30 x 128 / 100]
    EXPECT_EQ(rig.Engine->GetMusicVolume(), 30);
    EXPECT_EQ(rig.Engine->GetAmbientVolume(), 80);
    EXPECT_EQ(rig.Engine->GetSoundVolume(), 75);
    rig.Engine->PlaySound("Click");
    EXPECT_TRUE(rig.Engine->IsSoundPlaying("Click"));
}

// Pausing the game pauses every channel and holds the fades; resuming plays on only what the
// pause stopped, so music the game paused itself stays paused.
TEST(TGBassEngine, PauseHoldsEverythingAndResumeLeavesTheGamesOwnPauses) {
    TSoundRig rig(std::string(MusicXml) + R"(<Sound Name="Click" Src="click.wav" Polyphony="2"/>)",
                  {{"loud.wav", test::MakeToneWave(6.0, ToneAmplitude)},
                   {"quiet.wav", test::MakeToneWave(1.0, 0)},
                   {"click.wav", test::MakeToneWave(2.0, ToneAmplitude)}});
    rig.Load();
    rig.Engine->PlayMusic("Loud", true, 1.0, true, -1);
    rig.Engine->PlaySound("Click");
    rig.Engine->PlaySound("Click");
    rig.Run(0.5);
    rig.Engine->SetPaused(true);
    for (int channel = 1; channel < rig.Output.ChannelCount(); ++channel) {
        EXPECT_FALSE(rig.Output.IsPlaying(channel) && !rig.Output.IsPaused(channel)) << channel;
    }
    int heldVolume = rig.Output.Volume(1);
    rig.Run(2.0);
    EXPECT_EQ(rig.Output.Volume(1), heldVolume);
    EXPECT_EQ(rig.RecordedRms(0.5, 2.5), 0.0);
    rig.Engine->SetPaused(false);
    rig.Run(0.25);
    EXPECT_NEAR(rig.Output.Volume(1), 0.75 * 128, 2);
    EXPECT_TRUE(rig.Engine->IsSoundPlaying("Click"));

    rig.Engine->PauseMusic(true);
    rig.Engine->SetPaused(true);
    rig.Engine->SetPaused(false);
    EXPECT_TRUE(rig.Output.IsPaused(1));
    EXPECT_FALSE(rig.Engine->IsMusicPlaying());
}

TEST(TGBassEngine, SamplePolyphonyDropsTheRequestBeyondIt) {
    TSoundRig rig(R"(<Sound Name="Click" Src="click.wav" Polyphony="2"/>)",
                  {{"click.wav", test::MakeToneWave(0.5, ToneAmplitude)}}, 50);
    rig.Load();
    for (int i = 0; i < 3; ++i) {
        rig.Engine->PlaySound("Click");
    }
    int playing = 0;
    for (int channel = 0; channel < rig.Output.ChannelCount(); ++channel) {
        if (rig.Output.IsPlaying(channel)) {
            ++playing;
            EXPECT_EQ(rig.Output.Volume(channel), 64);
        }
    }
    EXPECT_EQ(playing, 2);
    rig.Engine->StopSound("Click");
    EXPECT_FALSE(rig.Engine->IsSoundPlaying("Click"));
}

TEST(TGBassEngine, ValuesOutOfRangeAndUnknownNamesRaiseErrors) {
    TSoundRig rig(MusicXml, MusicFiles());
    rig.Load();
    const double huge = 5e6; // seconds: past 2^32 - 1 milliseconds
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct TCase {
        std::function<void()> Action;
        const char* Error;
    } cases[] = {
        {[&] { rig.Engine->SetMusicVolume(101); },
         "TGBassEngine.SetMusicVolume: Range check error: volume 101 outside 0..100"},
        {[&] { rig.Engine->SetSoundVolume(-1); },
         "TGBassEngine.SetSoundVolume: Range check error: volume -1 outside 0..100"},
        {[&] { rig.Engine->SlideMusicVolume(50, -0.5); },
         "TGBassEngine.SlideMusicVolume: Range check error: -0.5 seconds"},
        {[&] { rig.Engine->FadeOutMusic(huge); },
         "TGBassEngine.FadeOutMusic: Range check error: 5e+06 seconds"},
        {[&] { rig.Engine->PlayMusic("Loud", true, -1, true, -1); },
         "TGBassEngine.PlayMusic: Range check error: -1 seconds"},
        {[&] { rig.Engine->PlayAmbientSound("X", 0, nan, 0); },
         "TGBassEngine.PlayAmbientSound: Range check error: nan seconds"},
        {[&] { rig.Engine->PlayMusic("Nope", true, 0, true, -1); },
         "TGBassEngine.GetTrack: Track \"Nope\" not found"},
        {[&] { rig.Engine->PlaySound("Nope"); }, "TGBassEngine.GetSound: Sound \"Nope\" not found"},
        {[&] { rig.Engine->PlayModSound("Nope"); }, "TGBassEngine.GetModSound: Sound \"Nope\" not found"},
    };
    for (const TCase& c : cases) {
        test::ExpectError(c.Action, c.Error);
    }
}

TEST(TGSilentBassEngine, AnswersWithWhatItWasGiven) {
    TGSilentBassEngine engine(75, 40);
    engine.LoadSounds(nullptr);
    engine.PlayMusic("Menu", true, 1.0, true, -1);
    engine.PlaySound("Anything");
    EXPECT_EQ(engine.GetSoundVolume(), 75);
    EXPECT_EQ(engine.GetMusicVolume(), 40);
    engine.SetMusicVolume(30);
    engine.SetSoundVolume(20);
    engine.SetMuted(true);
    EXPECT_EQ(engine.GetMusicVolume(), 30);
    EXPECT_EQ(engine.GetSoundVolume(), 20);
    EXPECT_TRUE(engine.IsMuted());
    EXPECT_EQ(engine.GetAmbientVolume(), 0);
    EXPECT_EQ(engine.GetMusicName(), "");
    EXPECT_EQ(engine.GetMusicPosition(), -1);
    EXPECT_FALSE(engine.IsMusicPlaying());
    EXPECT_FALSE(engine.IsSoundPlaying("Anything"));
    test::ExpectError([&] { engine.SetMusicVolume(200); },
                      "TGSilentBassEngine.SetMusicVolume: Range check error: volume 200 outside 0..100");
}

// Until loading has ended the engine leaves its lists alone: plays, pauses and questions are
// quiet, even for names it will not know.
TEST(TGBassEngine, IsQuietUntilLoaded) {
    TSoundRig rig(MusicXml, MusicFiles());
    rig.Engine->SetPaused(true);
    rig.Engine->PlaySound("NotYetKnown");
    rig.Engine->PlayMusic("Loud", true, 0, false, -1);
    rig.Engine->SetPaused(false);
    EXPECT_FALSE(rig.Engine->IsSoundPlaying("NotYetKnown"));
    EXPECT_FALSE(rig.Engine->IsMusicPlaying());
    EXPECT_EQ(rig.Output.ChannelCount(), 0);

    TMusicLoading loading([&] { rig.Engine->LoadSounds(nullptr); });
    loading.Wait();
    EXPECT_TRUE(loading.Ended());
    EXPECT_EQ(loading.Error(), "");
    EXPECT_TRUE(rig.Engine->Loaded());
    rig.Engine->PlayMusic("Loud", true, 0, false, -1);
    EXPECT_TRUE(rig.Engine->IsMusicPlaying());
}

TEST(TMusicLoading, KeepsTheErrorOfItsWork) {
    TMusicLoading loading([] { throw EGError("TGBassEngine.LoadSounds", "broken"); });
    loading.Wait();
    EXPECT_TRUE(loading.Ended());
    EXPECT_EQ(loading.Error(), "TGBassEngine.LoadSounds: broken");
}

// Bad items are reported once at loading and stay silent; the rest of the sounds play.
TEST(TGBassEngine, BadItemsAreReportedOnceAndStaySilent) {
    TSoundRig rig(R"(
        <Track Name="Loud" Src="loud.wav"/>
        <Track Name="Gone" Src="missing.ogg"/>
        <Track Name="Bent" Src="bent.mod" From="-1"/>
        <Sound Name="Dup" Src="short.wav"/>
        <Sound Name="Dup" Src="long.wav"/>
        <Sound Name="Noise" Src="noise.wav"/>
        <ModSoundLib Src="fx.mod" Polyphony="0"><ModSound Name="None" Pattern="0"/></ModSoundLib>
        <ModSoundLib Src="junk.mod"><ModSound Name="Junk" Pattern="0"/></ModSoundLib>)",
                  {{"loud.wav", test::MakeToneWave(3.0, ToneAmplitude)},
                   {"short.wav", test::MakeToneWave(0.1, ToneAmplitude)},
                   {"long.wav", test::MakeToneWave(1.0, ToneAmplitude)},
                   {"noise.wav", "RIFF\x04\0\0\0WAVE"},
                   {"fx.mod", test::MakeTestModule({64})},
                   {"junk.mod", "not a module at all"}});
    rig.Load();
    std::vector<std::string> problems;
    for (const TGSoundLoadProblem& problem : rig.Engine->LoadProblems()) {
        problems.push_back(problem.Text);
    }
    ASSERT_EQ(problems.size(), 5u) << ::testing::PrintToString(problems);
    EXPECT_EQ(rig.Engine->LoadProblems()[0].File, "missing.ogg");
    EXPECT_EQ(rig.Engine->LoadProblems()[1].File, "");
    EXPECT_NE(problems[0].find("track \"Gone\" stays silent"), std::string::npos) << problems[0];
    EXPECT_NE(problems[0].find("missing.ogg"), std::string::npos) << problems[0];
    EXPECT_NE(problems[1].find("Sounds.xml: CoreConfig/Track"), std::string::npos) << problems[1];
    EXPECT_NE(problems[1].find("Range check error: From is -1, below 0"), std::string::npos) << problems[1];
    EXPECT_NE(problems[2].find("the sound \"Dup\" is defined again"), std::string::npos) << problems[2];
    EXPECT_NE(problems[3].find("sound \"Noise\" stays silent"), std::string::npos) << problems[3];
    EXPECT_NE(problems[4].find("junk.mod"), std::string::npos) << problems[4];

    rig.Engine->PlayMusic("Loud", true, 0.0, false, -1);
    rig.Engine->PlayMusic("Gone", true, 0.5, true, -1);
    rig.Engine->PlayMusic("Gone", true, 0.5, true, -1);
    rig.Run(0.6);
    EXPECT_FALSE(rig.Engine->IsMusicPlaying());
    EXPECT_EQ(rig.RecordedRms(0.52, 0.6), 0.0);
    test::ExpectError([&] { rig.Engine->PlayMusic("Bent", true, 0, true, -1); },
                      "TGBassEngine.GetTrack: Track \"Bent\" not found");

    // The last "Dup" is the one played and the one asked about.
    rig.Engine->PlaySound("Dup");
    rig.Run(0.3);
    EXPECT_TRUE(rig.Engine->IsSoundPlaying("Dup"));
    rig.Engine->PlaySound("Noise");
    rig.Engine->PlayModSound("None");
    rig.Engine->PlayModSound("Junk");
    rig.Engine->StopModSound("None");
    rig.Engine->PlayAmbientSound("None", 1, 1, 1);
    EXPECT_EQ(rig.Engine->LoadProblems().size(), 5u);
}

// A sound file cut inside a chunk (21 bytes, an odd chunk ending at the end of the file) is one
// report naming the file, and that sound plays nothing; the others still play.
TEST(TGBassEngine, ACutSoundFileIsReportedOnceWithItsName) {
    TSoundRig rig(R"(<Sound Name="Odd" Src="odd.wav"/><Sound Name="Tone" Src="tone.wav"/>)",
                  {{"odd.wav", std::string("RIFF\x0d\0\0\0WAVEjunk\x01\0\0\0x", 21)},
                   {"tone.wav", test::MakeToneWave(1.0, ToneAmplitude)}});
    rig.Load();
    ASSERT_EQ(rig.Engine->LoadProblems().size(), 1u);
    EXPECT_EQ(rig.Engine->LoadProblems()[0].File, "odd.wav");
    EXPECT_EQ(rig.Engine->LoadProblems()[0].Text,
              R"(TGBassEngine.LoadSounds: sound "Odd" stays silent: ReadWave: "odd.wav": no sound data)");
    rig.Engine->PlaySound("Odd");
    rig.Run(0.2);
    EXPECT_EQ(rig.RecordedRms(0.0, 0.2), 0.0);
    rig.Engine->PlaySound("Tone");
    rig.Run(0.2);
    EXPECT_GT(rig.RecordedRms(0.25, 0.4), Tolerance);
}

// A pattern of the slow module lasts over two minutes: as an effect it is cut at 30 s, and the
// cut is reported with the file, the sound and the pattern.
TEST(TGBassEngine, AnEffectIsCutAtHalfAMinuteAndTheCutReported) {
    TSoundRig rig(R"(<ModSoundLib Src="slow.mod"><ModSound Name="Long" Pattern="0"/></ModSoundLib>)",
                  {{"slow.mod", test::MakeSlowModule(1)}});
    rig.Load();
    ASSERT_EQ(rig.Engine->LoadProblems().size(), 1u);
    EXPECT_EQ(rig.Engine->LoadProblems()[0].Text, R"(TGBassEngine.LoadSounds: "slow.mod": the sound "Long" )"
                                                  R"((pattern 0) plays longer than 30 s and is cut there)");
    EXPECT_EQ(rig.Engine->LoadProblems()[0].File, "slow.mod");
    EXPECT_EQ(rig.Engine->LoadedSoundBytes(), 30u * AudioRate * AudioChannels * sizeof(int16_t));
    rig.Engine->PlayModSound("Long");
    rig.Run(30.2);
    EXPECT_GT(rig.RecordedRms(29.8, 29.95), 1000.0);
    EXPECT_EQ(rig.RecordedRms(30.05, 30.2), 0.0);
}

// Effects of one pattern share its sound; what would take the loaded sound beyond its budget stays
// silent and is reported, and the effects before it still play.
TEST(TGBassEngine, EffectsShareTheirPatternAndStayWithinTheBudget) {
    TSoundRig rig(R"(<ModSoundLib Src="slow.mod" Polyphony="2">
                       <ModSound Name="A" Pattern="0"/><ModSound Name="B" Pattern="0"/>
                       <ModSound Name="C" Pattern="1"/><ModSound Name="D" Pattern="2"/></ModSoundLib>)",
                  {{"slow.mod", test::MakeSlowModule(3)}});
    const size_t effectBytes = 30u * AudioRate * AudioChannels * sizeof(int16_t);
    rig.Engine->LoadedSoundBudget = 2 * effectBytes + 1000;
    rig.Load();
    EXPECT_EQ(rig.Engine->LoadedSoundBytes(), 2 * effectBytes);
    std::vector<std::string> problems;
    for (const TGSoundLoadProblem& problem : rig.Engine->LoadProblems()) {
        problems.push_back(problem.Text);
    }
    ASSERT_EQ(problems.size(), 4u) << ::testing::PrintToString(problems);
    EXPECT_EQ(problems[3], R"(TGBassEngine.LoadSounds: "slow.mod": the sound "D" stays silent: the loaded )"
                           R"(sounds would hold more than 10585000 bytes)");
    rig.Engine->PlayModSound("D");
    rig.Run(0.5);
    EXPECT_EQ(rig.RecordedRms(0.0, 0.5), 0.0);
    rig.Engine->PlayModSound("B");
    rig.Run(0.5);
    EXPECT_GT(rig.RecordedRms(0.6, 1.0), 1000.0);
}

// Progress counts against 68 expected items: 34 items report 50 after the last one.
TEST(TGBassEngine, ProgressIsCountedAgainstTheExpectedItems) {
    std::string xml;
    for (int i = 0; i < 34; ++i) {
        xml += "<Sound Name=\"S" + std::to_string(i) + "\" Src=\"tick.wav\"/>";
    }
    TSoundRig rig(xml, {{"tick.wav", test::MakeToneWave(0.01, 100)}});
    std::vector<int> reported;
    rig.Engine->LoadSounds([&](int percent) { reported.push_back(percent); });
    ASSERT_EQ(reported.size(), 34u);
    EXPECT_EQ(reported.front(), 1);
    EXPECT_EQ(reported.back(), 50);
}

} // namespace
} // namespace qm
