#include "UGWaveFile.h"
#include "SoundTestSupport.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <string_view>

namespace qm {
namespace {

using test::MakeWave;

// Bytes that end where a page nobody may read begins, so that a reader stepping past their end
// faults at once instead of reading whatever lies behind them.
class TGuardedBytes {
public:
    explicit TGuardedBytes(const std::string& bytes) {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        FSize = 2 * page;
        FMap = mmap(nullptr, FSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (FMap == MAP_FAILED || bytes.size() > page) {
            throw std::runtime_error("TGuardedBytes: no room");
        }
        char* guard = static_cast<char*>(FMap) + page;
        mprotect(guard, page, PROT_NONE);
        FBytes = std::string_view(guard - bytes.size(), bytes.size());
        std::memcpy(guard - bytes.size(), bytes.data(), bytes.size());
    }
    ~TGuardedBytes() { munmap(FMap, FSize); }
    TGuardedBytes(const TGuardedBytes&) = delete;
    TGuardedBytes& operator=(const TGuardedBytes&) = delete;
    std::string_view View() const { return FBytes; }

private:
    void* FMap = nullptr;
    size_t FSize = 0;
    std::string_view FBytes;
};

TEST(ReadWave, ReadsBackWhatEncodeWaveWrote) {
    TGPcm pcm;
    pcm.Samples = {0, -32768, 32767, 1, -2, 1000};
    EXPECT_EQ(ReadWave(EncodeWave(pcm), "x.wav").Samples, pcm.Samples);
}

// 8-bit mono at 22050 Hz: every frame becomes two identical sides, twice over in time.
TEST(ReadWave, ConvertsMonoEightBitAtHalfTheRate) {
    std::string data = {char(128), char(255), char(0)};
    TGPcm pcm = ReadWave(MakeWave(1, 1, 22050, 8, data), "mono.wav");
    ASSERT_EQ(pcm.Frames(), 6);
    EXPECT_EQ(pcm.Samples[0], 0);
    EXPECT_EQ(pcm.Samples[1], 0);
    EXPECT_EQ(pcm.Samples[2], 127 * 256 / 2); // halfway between 0 and 127/128
    EXPECT_EQ(pcm.Samples[4], 127 * 256);
    EXPECT_EQ(pcm.Samples[5], 127 * 256);
    EXPECT_EQ(pcm.Samples[8], -32768);
}

TEST(ReadWave, RejectsWhatItCannotPlayWithTheFileName) {
    const std::string pcm16 = MakeWave(1, 2, 44100, 16, std::string(8, '\0'));
    struct TCase {
        std::string Bytes;
        const char* Error;
    } cases[] = {
        {"", "ReadWave: \"bad.wav\": not a RIFF WAVE file"},
        {std::string("RIFF\x10\0\0\0WAVEjunk", 16), "ReadWave: \"bad.wav\": no sound data"},
        {pcm16.substr(0, 36), "ReadWave: \"bad.wav\": no sound data"},
        {MakeWave(2, 2, 44100, 4, "xxxx"), "ReadWave: \"bad.wav\": unsupported encoding 2 with 4 bits"},
        {MakeWave(1, 2, 1000, 16, "xxxx"), "ReadWave: \"bad.wav\": 2 channels at 1000 Hz, 4 bytes a frame"},
        {MakeWave(1, 0, 44100, 16, "xxxx"), "ReadWave: \"bad.wav\": 0 channels at 44100 Hz, 0 bytes a frame"},
    };
    for (const TCase& c : cases) {
        test::ExpectError([&] { ReadWave(c.Bytes, "bad.wav"); }, c.Error);
    }
}

// Chunks whose sizes run to or past the end of the file, padding byte included: the reader
// stops at the end of the bytes it was given instead of stepping over it.
TEST(ReadWave, ChunksThatRunToTheEndStopTheReadingThere) {
    const std::string riff = std::string("RIFF\x0d\0\0\0WAVE", 12);
    const std::string format = MakeWave(1, 2, 44100, 16, "").substr(12, 24);
    struct TCase {
        const char* What;
        std::string Bytes;
    } cases[] = {
        // 21 bytes: an odd chunk ending exactly at the end, its padding byte missing.
        {"odd last chunk", riff + std::string("junk\x01\0\0\0x", 9)},
        {"odd chunk after the format", riff + format + std::string("LIST\x03\0\0\0abc", 11)},
        {"chunk longer than the file", riff + std::string("junk\xff\xff\xff\xffxy", 10)},
        {"header cut short", riff + std::string("jun", 3)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TGuardedBytes bytes(c.Bytes);
        test::ExpectError([&] { ReadWave(bytes.View(), "short.wav"); },
                          "ReadWave: \"short.wav\": no sound data");
    }
}

TEST(TGWaveWriter, WritesAFileThatReadsBack) {
    test::TempDir folder;
    TGPcm pcm;
    pcm.Samples = {1, 2, 3, 4, 5, 6};
    {
        TGWaveWriter writer(folder.Path() / "out.wav");
        writer.Append(pcm.Samples.data(), 2);
        writer.Append(pcm.Samples.data() + 4, 1);
        writer.Close();
    }
    EXPECT_EQ(test::ReadFile(folder.Path() / "out.wav"), EncodeWave(pcm));
}

TEST(TGModuleFile, RendersAStretchOfTheOrderList) {
    TGModuleFile module(test::MakeTestModule({64, 32, 16}), "t.mod");
    EXPECT_EQ(module.Length(), 3);
    double pattern = test::PatternSeconds * AudioRate;
    EXPECT_NEAR(double(module.Render(1, 1).Frames()), pattern, 0.01 * pattern);
    EXPECT_NEAR(double(module.Render(1, 2).Frames()), 2 * pattern, 0.01 * pattern);
    EXPECT_NEAR(double(module.RenderAll().Frames()), 3 * pattern, 0.01 * pattern);
    EXPECT_EQ(module.Render(3, 5).Frames(), 0);
    test::ExpectError([] { TGModuleFile("garbage", "g.mod"); },
                      "TGModuleFile: \"g.mod\": not a module that can be played");
}

} // namespace
} // namespace qm
