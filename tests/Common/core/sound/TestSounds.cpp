#include "TestSounds.h"

#include "UGWaveFile.h"

namespace qm::test {

namespace {

constexpr int Rows = 64;
constexpr int ModChannels = 4;
constexpr int SampleBytes = 64;
constexpr int NotePeriod = 428; // C-2 in ProTracker's table

void PutBe16(std::string& out, int v) {
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
    out.push_back(static_cast<char>(v & 0xFF));
}

struct TCell {
    int Sample = 0;
    int Period = 0;
    int Effect = 0;
    int Param = 0;
};

void PutCell(std::string& out, const TCell& cell) {
    out.push_back(static_cast<char>((cell.Sample & 0xF0) | ((cell.Period >> 8) & 0x0F)));
    out.push_back(static_cast<char>(cell.Period & 0xFF));
    out.push_back(static_cast<char>(((cell.Sample & 0x0F) << 4) | cell.Effect));
    out.push_back(static_cast<char>(cell.Param));
}

// Patterns of one tone each at the given volumes; `slow` sets 31 ticks a row and 32 beats a minute
// and lets every pattern run its 64 rows, else a pattern is 8 rows of 3 ticks.
std::string MakeModule(const std::vector<int>& patternVolumes, bool slow) {
    std::string out(20, '\0');
    // Sample 1: a square wave looped as a whole; the other 30 are empty.
    for (int sample = 0; sample < 31; ++sample) {
        std::string header(22, '\0');
        if (sample == 0) {
            PutBe16(header, SampleBytes / 2); // length in words
            header.push_back(0);              // finetune
            header.push_back(64);             // volume
            PutBe16(header, 0);               // loop start
            PutBe16(header, SampleBytes / 2); // loop length
        } else {
            PutBe16(header, 0);
            header.push_back(0);
            header.push_back(0);
            PutBe16(header, 0);
            PutBe16(header, 1);
        }
        out += header;
    }
    out.push_back(static_cast<char>(patternVolumes.size()));
    out.push_back(127);
    std::string orders(128, '\0');
    for (size_t i = 0; i < patternVolumes.size(); ++i) {
        orders[i] = static_cast<char>(i);
    }
    out += orders;
    out += "M.K.";
    // Each pattern: row 0 starts the tone at its volume and sets 3 ticks a row; row 7 breaks to
    // the next pattern, so a pattern is 8 rows x 3 ticks x 20 ms = 0.48 s.
    for (int volume : patternVolumes) {
        for (int row = 0; row < Rows; ++row) {
            for (int channel = 0; channel < ModChannels; ++channel) {
                TCell cell;
                if (row == 0 && channel == 0) {
                    cell = {1, NotePeriod, 0xC, volume};
                } else if (row == 0 && channel == 1) {
                    cell.Effect = 0xF;
                    cell.Param = slow ? 31 : 3;
                } else if (row == 0 && channel == 2 && slow) {
                    cell.Effect = 0xF;
                    cell.Param = 32;
                } else if (row == 7 && channel == 1 && !slow) {
                    cell.Effect = 0xD;
                }
                PutCell(out, cell);
            }
        }
    }
    for (int i = 0; i < SampleBytes; ++i) {
        out.push_back(static_cast<char>(i < SampleBytes / 2 ? 100 : -100));
    }
    return out;
}

} // namespace

std::string MakeTestModule(const std::vector<int>& patternVolumes) {
    return MakeModule(patternVolumes, false);
}

std::string MakeSlowModule(int patterns) {
    return MakeModule(std::vector<int>(static_cast<size_t>(patterns), 64), true);
}

std::string MakeWave(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data) {
    auto le = [](uint32_t v, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) {
            out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
        return out;
    };
    uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    std::string fmt =
        le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * align, 4) + le(align, 2) + le(bits, 2);
    return "RIFF" + le(static_cast<uint32_t>(36 + data.size()), 4) + "WAVE" + "fmt " + le(16, 4) + fmt +
           "data" + le(static_cast<uint32_t>(data.size()), 4) + data;
}

std::string MakeToneWave(double seconds, int amplitude) {
    TGPcm pcm;
    auto frames = static_cast<int64_t>(seconds * AudioRate);
    for (int64_t i = 0; i < frames; ++i) {
        int16_t value = static_cast<int16_t>((i / 50) % 2 ? amplitude : -amplitude);
        pcm.Samples.push_back(value);
        pcm.Samples.push_back(value);
    }
    return EncodeWave(pcm);
}

} // namespace qm::test
