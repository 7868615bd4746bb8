#include "UGWaveStream.h"

#include "TestHelpers.h"
#include "TestSounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace qm {
namespace {

// Sample bytes of `frames` frames of a file whose frames are `align` bytes: a ramp with a step
// of its own on every byte, so that a window that slipped by a byte or a frame shows.
std::string RampBytes(int64_t frames, int align) {
    std::string data(static_cast<size_t>(frames * align), '\0');
    for (size_t k = 0; k < data.size(); ++k) {
        data[k] = static_cast<char>((k * 7 + k / static_cast<size_t>(align)) & 0xFF);
    }
    return data;
}

std::vector<int16_t> ReadInPieces(IGSoundStream& stream, int64_t piece) {
    std::vector<int16_t> all;
    std::vector<int16_t> buffer(static_cast<size_t>(piece * AudioChannels));
    for (int64_t count = stream.Read(buffer.data(), piece); count > 0;
         count = stream.Read(buffer.data(), piece)) {
        all.insert(all.end(), buffer.begin(), buffer.begin() + count * AudioChannels);
    }
    return all;
}

// Read from the disk in pieces of any length, a WAV file of every encoding, rate and number of
// channels is the sound ReadWave makes of it whole; a file far larger than a window holds one
// window at a time.
TEST(TGWaveStream, ReadsAFileInPiecesAsReadWaveReadsItWhole) {
    struct TCase {
        uint16_t Tag;
        uint16_t Channels;
        uint32_t Rate;
        uint16_t Bits;
        int64_t Frames;
    };
    const TCase cases[] = {{1, 2, 44100, 16, 10000},
                           {1, 1, 22050, 8, 7001},
                           {1, 3, 48000, 24, 9000},
                           {3, 2, 96000, 32, 12345},
                           {1, 8, 192000, 32, 400000}};
    test::TempDir folder;
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.Channels << " x " << c.Bits << " bits at " << c.Rate);
        const int align = c.Channels * c.Bits / 8;
        const std::string bytes =
            test::MakeWave(c.Tag, c.Channels, c.Rate, c.Bits, RampBytes(c.Frames, align));
        const TGPcm whole = ReadWave(bytes, "ramp.wav");
        const auto file = folder.Write("ramp.wav", bytes);
        for (int64_t piece : {1, 777, 50000}) {
            SCOPED_TRACE(piece);
            TGWaveStream stream(file, "ramp.wav");
            EXPECT_EQ(stream.Frames(), whole.Frames());
            EXPECT_TRUE(ReadInPieces(stream, piece) == whole.Samples);
            EXPECT_LE(stream.BufferedBytes(), 512u << 10);
        }
        TGWaveStream stream(file, "ramp.wav");
        ASSERT_TRUE(stream.Seek(whole.Frames() / 3));
        const std::vector<int16_t> rest(whole.Samples.begin() + whole.Frames() / 3 * AudioChannels,
                                        whole.Samples.end());
        EXPECT_TRUE(ReadInPieces(stream, 1000) == rest);
        EXPECT_FALSE(stream.Seek(whole.Frames() + 1));
    }
}

// What the header cannot stand for is refused with ReadWave's words; a file that is no longer
// there cannot be opened.
TEST(TGWaveStream, RefusesWhatReadWaveRefuses) {
    test::TempDir folder;
    test::ExpectError(
        [&] { TGWaveStream(folder.Write("bad.wav", std::string("RIFF\x04\0\0\0WAVE", 12)), "bad.wav"); },
        "ReadWave: \"bad.wav\": no sound data");
    test::ExpectErrorContaining([&] { TGWaveStream(folder.Path() / "gone.wav", "gone.wav"); },
                                "TGWaveStream: \"gone.wav\": cannot open");
}

} // namespace
} // namespace qm
