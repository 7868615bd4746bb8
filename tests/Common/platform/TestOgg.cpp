#include "TestOgg.h"

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace qm::test {

namespace {

// The encoder's state, released in the order libvorbis asks for.
class TOggEncoder {
public:
    TOggEncoder(int channels, long rate) {
        vorbis_info_init(&FInfo);
        // The lowest quality: the test needs a valid file, not a good-sounding one, and long
        // files encode faster.
        if (vorbis_encode_init_vbr(&FInfo, channels, rate, -0.1f) != 0) {
            vorbis_info_clear(&FInfo);
            throw std::runtime_error("vorbis_encode_init_vbr failed");
        }
        vorbis_comment_init(&FComment);
        vorbis_analysis_init(&FState, &FInfo);
        vorbis_block_init(&FState, &FBlock);
        ogg_stream_init(&FStream, 21);
        ogg_packet header, comments, codebooks;
        vorbis_analysis_headerout(&FState, &FComment, &header, &comments, &codebooks);
        ogg_stream_packetin(&FStream, &header);
        ogg_stream_packetin(&FStream, &comments);
        ogg_stream_packetin(&FStream, &codebooks);
        ogg_page page;
        while (ogg_stream_flush(&FStream, &page) != 0) {
            Append(page);
        }
    }
    ~TOggEncoder() {
        ogg_stream_clear(&FStream);
        vorbis_block_clear(&FBlock);
        vorbis_dsp_clear(&FState);
        vorbis_comment_clear(&FComment);
        vorbis_info_clear(&FInfo);
    }
    TOggEncoder(const TOggEncoder&) = delete;
    TOggEncoder& operator=(const TOggEncoder&) = delete;

    float** Buffer(int frames) { return vorbis_analysis_buffer(&FState, frames); }
    // `frames` written into Buffer; none ends the file.
    void Wrote(int frames) {
        vorbis_analysis_wrote(&FState, frames);
        while (vorbis_analysis_blockout(&FState, &FBlock) == 1) {
            vorbis_analysis(&FBlock, nullptr);
            vorbis_bitrate_addblock(&FBlock);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&FState, &packet) != 0) {
                ogg_stream_packetin(&FStream, &packet);
                ogg_page page;
                while (ogg_stream_pageout(&FStream, &page) != 0) {
                    Append(page);
                }
            }
        }
    }
    std::string Finish() {
        Wrote(0);
        ogg_page page;
        while (ogg_stream_flush(&FStream, &page) != 0) {
            Append(page);
        }
        return FBytes;
    }

private:
    void Append(const ogg_page& page) {
        FBytes.append(reinterpret_cast<const char*>(page.header), static_cast<size_t>(page.header_len));
        FBytes.append(reinterpret_cast<const char*>(page.body), static_cast<size_t>(page.body_len));
    }

    vorbis_info FInfo{};
    vorbis_comment FComment{};
    vorbis_dsp_state FState{};
    vorbis_block FBlock{};
    ogg_stream_state FStream{};
    std::string FBytes;
};

} // namespace

std::string MakeToneOgg(double seconds, int channels, long rate) {
    constexpr int Block = 4096;
    constexpr double Pi = 3.14159265358979323846;
    TOggEncoder encoder(channels, rate);
    const auto frames = static_cast<int64_t>(seconds * static_cast<double>(rate));
    uint32_t noise = 12345;
    double phase = 0;
    for (int64_t at = 0; at < frames; at += Block) {
        const int count = static_cast<int>(std::min<int64_t>(Block, frames - at));
        float** buffer = encoder.Buffer(count);
        for (int i = 0; i < count; ++i) {
            // A tone gliding between 200 and 1000 Hz every ten seconds.
            const double t = static_cast<double>(at + i) / static_cast<double>(rate);
            phase += 2 * Pi * (600 + 400 * std::sin(2 * Pi * t / 10)) / static_cast<double>(rate);
            noise = noise * 1664525u + 1013904223u;
            const double hiss = (static_cast<double>(noise >> 8) / double(1u << 24) - 0.5) * 0.05;
            for (int channel = 0; channel < channels; ++channel) {
                buffer[channel][i] = static_cast<float>(0.5 * std::sin(phase + channel) + hiss);
            }
        }
        encoder.Wrote(count);
    }
    return encoder.Finish();
}

} // namespace qm::test
