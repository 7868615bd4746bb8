#include "UGMemoryAudioOutput.h"

#include "UGError.h"
#include "UGStrings.h"

#include <algorithm>

namespace qm {

TGMemoryAudioOutput::TGMemoryAudioOutput(int channelCount) {
    SetChannelCount(channelCount);
}

TGMemoryAudioOutput::TGChannel& TGMemoryAudioOutput::At(int channel) {
    return const_cast<TGChannel&>(static_cast<const TGMemoryAudioOutput&>(*this).At(channel));
}

const TGMemoryAudioOutput::TGChannel& TGMemoryAudioOutput::At(int channel) const {
    if (channel < 0 || channel >= ChannelCount()) {
        throw EGError("TGMemoryAudioOutput",
                      Format("Range check error: channel %d, %d channels", channel, ChannelCount()));
    }
    return FChannels[static_cast<size_t>(channel)];
}

PGPcm TGMemoryAudioOutput::DecodeStream(const std::filesystem::path& file) {
    throw EGError(
        "TGMemoryAudioOutput.DecodeStream",
        Format("\"%s\": only WAV files and modules can be read without a sound card", file.string().c_str()));
}

PGSoundStream TGMemoryAudioOutput::OpenStream(const std::filesystem::path& file) {
    if (FOpener) {
        return FOpener(file);
    }
    throw EGError(
        "TGMemoryAudioOutput.OpenStream",
        Format("\"%s\": no decoder for compressed music without a sound card", file.string().c_str()));
}

void TGMemoryAudioOutput::SetChannelCount(int count) {
    FChannels.resize(static_cast<size_t>(std::max(count, 0)));
}

void TGMemoryAudioOutput::Play(int channel, PGPcm pcm, int64_t startFrame, bool loop) {
    TGChannel& c = At(channel);
    c.Pcm = std::move(pcm);
    c.Stream.reset();
    c.Loop = loop;
    c.Paused = false;
    c.Cursor = 0;
    SetPosition(channel, startFrame);
}

void TGMemoryAudioOutput::PlayStream(int channel, PGSoundStream stream, bool loop) {
    TGChannel& c = At(channel);
    c.Pcm.reset();
    c.Stream = std::move(stream);
    c.Loop = loop;
    c.Paused = false;
    c.Cursor = 0;
}

void TGMemoryAudioOutput::Halt(int channel) {
    TGChannel& c = At(channel);
    c.Pcm.reset();
    c.Stream.reset();
    c.Cursor = 0;
    c.Paused = false;
}

void TGMemoryAudioOutput::Pause(int channel) {
    TGChannel& c = At(channel);
    c.Paused = Sounds(c);
}

void TGMemoryAudioOutput::Resume(int channel) {
    At(channel).Paused = false;
}

bool TGMemoryAudioOutput::IsPlaying(int channel) {
    return Sounds(At(channel));
}

bool TGMemoryAudioOutput::IsPaused(int channel) {
    return At(channel).Paused;
}

void TGMemoryAudioOutput::SetVolume(int channel, int volume) {
    At(channel).Volume = std::clamp(volume, 0, MixMaxVolume);
}

int64_t TGMemoryAudioOutput::Position(int channel) {
    const TGChannel& c = At(channel);
    return c.Stream ? c.Stream->Position() : c.Cursor;
}

void TGMemoryAudioOutput::SetPosition(int channel, int64_t frame) {
    TGChannel& c = At(channel);
    if (c.Stream) {
        c.Stream->Seek(frame);
    } else if (c.Pcm && frame >= 0 && frame < c.Pcm->Frames()) {
        c.Cursor = frame;
    }
}

void TGMemoryAudioOutput::MixStreamInto(TGChannel& channel, std::vector<int32_t>& sum, int64_t frames) {
    std::vector<int16_t> read;
    int64_t done = 0;
    bool rewound = false;
    while (channel.Stream && !channel.Paused && done < frames) {
        read.resize(static_cast<size_t>((frames - done) * AudioChannels));
        const int64_t count = channel.Stream->Read(read.data(), frames - done);
        for (int64_t i = 0; i < count * AudioChannels; ++i) {
            sum[static_cast<size_t>(done * AudioChannels + i)] +=
                read[static_cast<size_t>(i)] * channel.Volume / MixMaxVolume;
        }
        const bool ended = count < frames - done;
        done += count;
        if (ended) {
            // A looping stream with nothing to play after its start would never end this frame.
            const bool empty = rewound && count == 0;
            if (!channel.Loop || empty || !channel.Stream->Seek(0)) {
                channel.Stream.reset();
            }
            rewound = true;
        } else {
            rewound = false;
        }
    }
}

void TGMemoryAudioOutput::MixInto(TGChannel& channel, std::vector<int32_t>& sum, int64_t frames) {
    if (channel.Stream) {
        MixStreamInto(channel, sum, frames);
        return;
    }
    int64_t done = 0;
    while (channel.Pcm && !channel.Paused && done < frames) {
        const TGPcm& pcm = *channel.Pcm;
        int64_t count = std::min(frames - done, pcm.Frames() - channel.Cursor);
        for (int64_t i = 0; i < count * AudioChannels; ++i) {
            sum[static_cast<size_t>(done * AudioChannels + i)] +=
                pcm.Samples[static_cast<size_t>(channel.Cursor * AudioChannels + i)] * channel.Volume /
                MixMaxVolume;
        }
        done += count;
        channel.Cursor += count;
        if (channel.Cursor >= pcm.Frames()) {
            channel.Cursor = 0;
            // A looping channel with nothing to loop would never end this frame.
            if (!channel.Loop || pcm.Frames() == 0) {
                channel.Pcm.reset();
            }
        }
    }
}

std::vector<int16_t> TGMemoryAudioOutput::Render(int64_t frames) {
    std::vector<int32_t> sum(static_cast<size_t>(std::max<int64_t>(frames, 0) * AudioChannels), 0);
    for (TGChannel& channel : FChannels) {
        MixInto(channel, sum, frames);
    }
    std::vector<int16_t> out(sum.size());
    std::transform(sum.begin(), sum.end(), out.begin(),
                   [](int32_t v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); });
    return out;
}

void TGMemoryAudioOutput::Advance(uint64_t nowMs) {
    if (!FSink) {
        return;
    }
    if (!FStartMs) {
        FStartMs = nowMs;
    }
    int64_t due = static_cast<int64_t>((nowMs - *FStartMs) * AudioRate / 1000);
    if (due > FFramesRendered) {
        std::vector<int16_t> samples = Render(due - FFramesRendered);
        FFramesRendered = due;
        FSink(samples.data(), static_cast<int64_t>(samples.size() / AudioChannels));
    }
}

} // namespace qm
