#include "UGOggStream.h"
#include "Common/core/sound/SoundTestSupport.h"
#include "TestHelpers.h"
#include "TestOgg.h"
#include "UGSDLAudioOutput.h"
#include "UGStrings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace qm {
namespace {

using test::TSoundRig;

// Music played by the engine through the in-memory mixer, its compressed files opened as the
// sound card's mixer opens them; that mixer's whole decode (SDL's dummy driver) is what the
// stream must sound like.
class OggMusic : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::string whyNot;
        Card = TGSDLAudioOutput::Open(whyNot, true);
        ASSERT_TRUE(Card) << whyNot;
    }
    std::unique_ptr<TSoundRig> Rig(const std::string& name, const std::string& bytes) {
        auto rig =
            std::make_unique<TSoundRig>("<Track Name=\"Song\" Src=\"" + name + "\"/>",
                                        std::vector<std::pair<std::string, std::string>>{{name, bytes}});
        rig->Engine->EchoLoadProblems = false;
        rig->Output.SetStreamOpener(
            [this](const std::filesystem::path& file) { return Card->OpenStream(file); });
        rig->Load();
        return rig;
    }
    std::unique_ptr<TGSDLAudioOutput> Card;
};

bool StartsWith(const std::vector<int16_t>& samples, const std::vector<int16_t>& start) {
    return samples.size() >= start.size() && std::equal(start.begin(), start.end(), samples.begin());
}

// Four minutes of music would be 40 MB decoded whole. Played, the engine holds a window of it
// however long it plays, and what it plays is the whole decode sample for sample, from the start
// and again after moving back to it.
TEST_F(OggMusic, LongMusicHoldsAWindowAndSoundsAsTheWholeDecode) {
    auto owner = Rig("long.ogg", test::MakeToneOgg(240.0, 2, AudioRate));
    TSoundRig* rig = owner.get();
    PGPcm whole = Card->DecodeStream(rig->Folder.Path() / "long.ogg");
    ASSERT_GT(whole->Frames(), 239 * AudioRate);
    const std::vector<int16_t> start(whole->Samples.begin(),
                                     whole->Samples.begin() + 5 * AudioRate * AudioChannels);

    constexpr size_t Bound = 256u << 10;
    rig->Engine->PlayMusic("Song", true, 0.0, false, -1);
    rig->Run(5.0);
    EXPECT_TRUE(StartsWith(rig->Recording, start));
    EXPECT_GT(rig->RecordedRms(0.0, 5.0), 1000.0);
    for (int minute = 0; minute < 3; ++minute) {
        rig->Run(60.0);
        EXPECT_LE(rig->Engine->HeldMusicBytes(), Bound) << "minute " << minute;
    }
    EXPECT_TRUE(std::equal(rig->Recording.begin(), rig->Recording.end(), whole->Samples.begin()));
    rig->Engine->SetMusicPosition(0);
    rig->Recording.clear();
    rig->Run(5.0);
    EXPECT_TRUE(StartsWith(rig->Recording, start));
    EXPECT_LE(rig->Engine->HeldMusicBytes(), Bound);
}

// Files of another layout are converted as the mixer converts them.
TEST_F(OggMusic, OtherLayoutsConvertAsTheWholeDecode) {
    struct TLayout {
        int Channels;
        long Rate;
    };
    for (const TLayout layout : {TLayout{1, 22050}, TLayout{2, 48000}, TLayout{1, 44100}}) {
        SCOPED_TRACE(Format("%d channels at %ld Hz", layout.Channels, layout.Rate));
        auto rig = Rig("song.ogg", test::MakeToneOgg(3.0, layout.Channels, layout.Rate));
        PGPcm whole = Card->DecodeStream(rig->Folder.Path() / "song.ogg");
        rig->Engine->PlayMusic("Song", false, 0.0, false, -1);
        rig->Run(4.0);
        ASSERT_GE(rig->Recording.size(), whole->Samples.size());
        EXPECT_TRUE(StartsWith(rig->Recording, whole->Samples));
        EXPECT_TRUE(std::all_of(rig->Recording.begin() + static_cast<std::ptrdiff_t>(whole->Samples.size()),
                                rig->Recording.end(), [](int16_t s) { return s == 0; }));
        EXPECT_FALSE(rig->Engine->IsMusicPlaying());
    }
}

// A file that is no Ogg Vorbis file, or whose headers are cut or damaged, is reported once,
// naming it, and its music is silent; playing it again reports nothing more.
TEST_F(OggMusic, DamagedFilesAreReportedOnceAndSilent) {
    const std::string good = test::MakeToneOgg(2.0, 2, AudioRate);
    std::string flipped = good.substr(0, 400);
    flipped[60] = static_cast<char>(flipped[60] ^ 0x5a);
    const std::string cases[] = {"", "nothing", "OggS", good.substr(0, 100), flipped};
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        auto rig = Rig("bad.ogg", bytes);
        rig->Engine->PlayMusic("Song", true, 0.0, false, -1);
        rig->Run(0.5);
        rig->Engine->PlayMusic("Song", true, 0.0, false, -1);
        rig->Run(0.5);
        ASSERT_EQ(rig->Engine->LoadProblems().size(), 1u);
        EXPECT_NE(rig->Engine->LoadProblems()[0].Text.find("\"bad.ogg\""), std::string::npos)
            << rig->Engine->LoadProblems()[0].Text;
        EXPECT_EQ(rig->RecordedRms(0.0, 1.0), 0.0);
    }
}

// A file cut in the middle of its sound plays what it holds and ends there, as the mixer's
// whole decode does.
TEST_F(OggMusic, CutFilePlaysWhatItHolds) {
    const std::string good = test::MakeToneOgg(4.0, 2, AudioRate);
    auto rig = Rig("cut.ogg", good.substr(0, good.size() / 2));
    PGPcm whole = Card->DecodeStream(rig->Folder.Path() / "cut.ogg");
    ASSERT_GT(whole->Frames(), AudioRate);
    rig->Engine->PlayMusic("Song", false, 0.0, false, -1);
    rig->Run(4.0);
    EXPECT_TRUE(StartsWith(rig->Recording, whole->Samples));
    EXPECT_FALSE(rig->Engine->IsMusicPlaying());
    EXPECT_TRUE(rig->Engine->LoadProblems().empty());
}

// Compressed music the mixer can only decode whole (here an Ogg file under another name, which
// the mixer recognises by its contents) is refused, reported once and silent when it plays
// longer than the cap, so that no file makes a slot hold more than ten minutes of sound.
TEST_F(OggMusic, LongMusicDecodedWholeIsRefusedAtTheCap) {
    auto rig = Rig("long.mp3", test::MakeToneOgg(TGSDLAudioOutput::MaxWholeMusicSeconds + 5.0, 1, 8000));
    rig->Engine->PlayMusic("Song", true, 0.0, false, -1);
    rig->Run(0.5);
    ASSERT_EQ(rig->Engine->LoadProblems().size(), 1u);
    EXPECT_NE(rig->Engine->LoadProblems()[0].Text.find("long.mp3\": plays 605 s, longer than the 600 s"),
              std::string::npos)
        << rig->Engine->LoadProblems()[0].Text;
    EXPECT_EQ(rig->RecordedRms(0.0, 0.5), 0.0);
    EXPECT_EQ(rig->Engine->HeldMusicBytes(), 0u);
}

} // namespace
} // namespace qm
