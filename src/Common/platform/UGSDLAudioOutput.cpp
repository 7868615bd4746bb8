#include "UGSDLAudioOutput.h"

#include "UGError.h"
#include "UGStrings.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstring>

namespace qm {

namespace {

constexpr int BufferFrames = 1024;
constexpr int BytesPerFrame = AudioChannels * static_cast<int>(sizeof(int16_t));

// Runs on SDL_mixer's thread: counts what the channel played and leaves the sound alone.
void CountPlayed(int, void*, int length, void* user) {
    static_cast<std::atomic<int64_t>*>(user)->fetch_add(length, std::memory_order_relaxed);
}

} // namespace

std::unique_ptr<TGSDLAudioOutput> TGSDLAudioOutput::Open(std::string& whyNot, bool anyDriver) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        whyNot = Format("no audio: %s", SDL_GetError());
        return nullptr;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    if (!anyDriver && driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "disk") == 0)) {
        whyNot = Format("the audio driver \"%s\" plays to no one", driver);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    Mix_Init(MIX_INIT_OGG | MIX_INIT_MP3);
    // No format changes are allowed, so that the decoded sound can be handed over as it is;
    // SDL converts for devices that want another format.
    if (Mix_OpenAudioDevice(AudioRate, AUDIO_S16SYS, AudioChannels, BufferFrames, nullptr, 0) != 0) {
        whyNot = Format("no audio output: %s", Mix_GetError());
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    return std::unique_ptr<TGSDLAudioOutput>(new TGSDLAudioOutput());
}

TGSDLAudioOutput::~TGSDLAudioOutput() {
    Mix_HaltChannel(-1);
    for (auto& channel : FChannels) {
        FreeChunk(*channel);
    }
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

PGPcm TGSDLAudioOutput::DecodeStream(const std::filesystem::path& file) {
    Mix_Chunk* chunk = Mix_LoadWAV(file.c_str());
    if (!chunk) {
        throw EGError("TGSDLAudioOutput.DecodeStream", Format("\"%s\": %s", file.c_str(), Mix_GetError()));
    }
    auto pcm = std::make_shared<TGPcm>();
    pcm->Samples.resize(chunk->alen / sizeof(int16_t));
    std::memcpy(pcm->Samples.data(), chunk->abuf, pcm->Samples.size() * sizeof(int16_t));
    Mix_FreeChunk(chunk);
    return pcm;
}

TGSDLAudioOutput::TGChannel& TGSDLAudioOutput::At(int channel) {
    if (channel < 0 || channel >= ChannelCount()) {
        throw EGError("TGSDLAudioOutput",
                      Format("Range check error: channel %d, %d channels", channel, ChannelCount()));
    }
    return *FChannels[static_cast<size_t>(channel)];
}

void TGSDLAudioOutput::SetChannelCount(int count) {
    for (int channel = count; channel < ChannelCount(); ++channel) {
        Halt(channel);
    }
    Mix_AllocateChannels(count);
    while (ChannelCount() < count) {
        FChannels.push_back(std::make_unique<TGChannel>());
    }
    FChannels.resize(static_cast<size_t>(count));
}

void TGSDLAudioOutput::FreeChunk(TGChannel& channel) {
    if (channel.Chunk) {
        Mix_FreeChunk(channel.Chunk);
        channel.Chunk = nullptr;
    }
}

void TGSDLAudioOutput::Start(int index, int64_t startFrame, bool loop) {
    TGChannel& channel = At(index);
    Mix_HaltChannel(index);
    Mix_UnregisterAllEffects(index);
    FreeChunk(channel);
    int64_t frames = channel.Pcm->Frames();
    if (startFrame < 0 || startFrame >= frames) {
        startFrame = 0;
    }
    channel.StartFrame = startFrame;
    channel.Loop = loop;
    channel.LoopPending = loop && startFrame > 0;
    channel.BytesPlayed = 0;
    if (frames == 0) {
        channel.LoopPending = false;
        return;
    }
    auto start = reinterpret_cast<Uint8*>(const_cast<int16_t*>(channel.Pcm->Samples.data())) +
                 startFrame * BytesPerFrame;
    // The chunk points into the decoded sound, which the channel keeps alive.
    channel.Chunk = Mix_QuickLoad_RAW(start, static_cast<Uint32>((frames - startFrame) * BytesPerFrame));
    Mix_RegisterEffect(index, CountPlayed, nullptr, &channel.BytesPlayed);
    Mix_PlayChannel(index, channel.Chunk, loop && !channel.LoopPending ? -1 : 0);
}

void TGSDLAudioOutput::Play(int channel, PGPcm pcm, int64_t startFrame, bool loop) {
    At(channel).Pcm = std::move(pcm);
    Start(channel, startFrame, loop);
}

void TGSDLAudioOutput::Halt(int index) {
    TGChannel& channel = At(index);
    Mix_HaltChannel(index);
    Mix_UnregisterAllEffects(index);
    FreeChunk(channel);
    channel.Pcm.reset();
    channel.LoopPending = false;
}

void TGSDLAudioOutput::Pause(int channel) {
    At(channel);
    Mix_Pause(channel);
}

void TGSDLAudioOutput::Resume(int channel) {
    At(channel);
    Mix_Resume(channel);
}

bool TGSDLAudioOutput::IsPlaying(int channel) {
    return At(channel).LoopPending || Mix_Playing(channel) != 0;
}

bool TGSDLAudioOutput::IsPaused(int channel) {
    At(channel);
    return Mix_Playing(channel) != 0 && Mix_Paused(channel) != 0;
}

void TGSDLAudioOutput::SetVolume(int channel, int volume) {
    At(channel);
    Mix_Volume(channel, volume);
}

int64_t TGSDLAudioOutput::Position(int index) {
    TGChannel& channel = At(index);
    if (!channel.Pcm || channel.Pcm->Frames() == 0) {
        return 0;
    }
    int64_t frames = channel.Pcm->Frames();
    int64_t at = channel.StartFrame + channel.BytesPlayed.load(std::memory_order_relaxed) / BytesPerFrame;
    return channel.Loop ? at % frames : std::min(at, frames);
}

void TGSDLAudioOutput::SetPosition(int index, int64_t frame) {
    TGChannel& channel = At(index);
    if (channel.Pcm && IsPlaying(index) && frame >= 0 && frame < channel.Pcm->Frames()) {
        bool paused = IsPaused(index);
        Start(index, frame, channel.Loop);
        if (paused) {
            Mix_Pause(index);
        }
    }
}

// The first pass of a loop that began past its start has ended: the whole sound loops now.
// The restart waits for the next frame of the game, a gap of at most one tick.
void TGSDLAudioOutput::Advance(uint64_t) {
    for (int index = 0; index < ChannelCount(); ++index) {
        TGChannel& channel = *FChannels[static_cast<size_t>(index)];
        if (channel.LoopPending && Mix_Playing(index) == 0) {
            Start(index, 0, true);
        }
    }
}

} // namespace qm
