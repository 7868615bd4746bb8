#include "UGModuleStream.h"

#include "TestSounds.h"

#include <gtest/gtest.h>

#include <vector>

namespace qm {
namespace {

// Everything a stream gives from where it stands, read in pieces of `piece` frames.
std::vector<int16_t> ReadToEnd(IGSoundStream& stream, int64_t piece) {
    std::vector<int16_t> all;
    std::vector<int16_t> buffer(static_cast<size_t>(piece * AudioChannels));
    for (int64_t count = stream.Read(buffer.data(), piece); count > 0;
         count = stream.Read(buffer.data(), piece)) {
        all.insert(all.end(), buffer.begin(), buffer.begin() + count * AudioChannels);
    }
    return all;
}

// Read in pieces that never match the player's own frames, a stretch of the module is the same
// sound as its whole render; a seek inside it plays on from there, one beyond its end leaves the
// stream where it was.
TEST(TGModuleStream, PlaysAStretchAsItsRenderInAnyPieces) {
    const std::string bytes = test::MakeTestModule({64, 16, 48});
    TGModuleFile module(bytes, "song.mod");
    const TGPcm whole = module.Render(1, 2);
    ASSERT_GT(whole.Frames(), 2 * AudioRate / 3);
    for (int64_t piece : {1, 333, 4096}) {
        SCOPED_TRACE(piece);
        TGModuleStream stream(bytes, "song.mod", 1, 2);
        EXPECT_TRUE(ReadToEnd(stream, piece) == whole.Samples);
        EXPECT_EQ(stream.Position(), whole.Frames());
        EXPECT_LT(stream.BufferedBytes(), 64u << 10);
    }
    TGModuleStream stream(bytes, "song.mod", 1, 2);
    const int64_t middle = whole.Frames() / 2 + 7;
    ASSERT_TRUE(stream.Seek(middle));
    EXPECT_EQ(stream.Position(), middle);
    EXPECT_TRUE(ReadToEnd(stream, 1000) ==
                std::vector<int16_t>(whole.Samples.begin() + middle * AudioChannels, whole.Samples.end()));
    ASSERT_TRUE(stream.Seek(middle));
    EXPECT_FALSE(stream.Seek(whole.Frames() + 1));
    EXPECT_EQ(stream.Position(), middle);
    EXPECT_FALSE(stream.Seek(-1));
    // Capped, the stream ends at the cap.
    TGModuleStream capped(bytes, "song.mod", 0, 2, 1000);
    EXPECT_EQ(ReadToEnd(capped, 333).size(), 1000u * AudioChannels);
}

} // namespace
} // namespace qm
