#include "UGSDLAudioOutput.h"

#include "UGError.h"
#include "UGOggStream.h"
#include "UGPcmStream.h"
#include "UGStrings.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstring>

namespace qm {

namespace {

constexpr int BufferFrames = 1024;
constexpr int BytesPerFrame = AudioChannels * static_cast<int>(sizeof(int16_t));
// The chunk a stream plays on: silence that FillFromStream replaces, a buffer of the device long.
Uint8 StreamCarrier[BufferFrames * BytesPerFrame] = {};

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

// SDL_mixer decodes other compressed music (MP3 and the rest) only whole, so a file that says it
// plays longer than MaxWholeMusicSeconds is refused before it is decoded: ten minutes are 106 MB.
// The length is the one the file's headers give.
void TGSDLAudioOutput::CheckWholeMusicLength(const std::filesystem::path& file) {
    // Recognised by its contents, as DecodeStream does, not by its name.
    SDL_RWops* bytes = SDL_RWFromFile(file.c_str(), "rb");
    Mix_Music* music = bytes ? Mix_LoadMUSType_RW(bytes, MUS_NONE, 1) : nullptr;
    if (!music) {
        throw EGError("TGSDLAudioOutput.OpenStream", Format("\"%s\": %s", file.c_str(), Mix_GetError()));
    }
    const double seconds = Mix_MusicDuration(music);
    Mix_FreeMusic(music);
    if (seconds > MaxWholeMusicSeconds) {
        throw EGError("TGSDLAudioOutput.OpenStream",
                      Format("\"%s\": plays %.0f s, longer than the %d s that music decoded whole may last",
                             file.c_str(), seconds, MaxWholeMusicSeconds));
    }
}

PGSoundStream TGSDLAudioOutput::OpenStream(const std::filesystem::path& file) {
    if (EqualsNoCase(file.extension().string(), ".ogg")) {
        return OpenOggStream(file);
    }
    CheckWholeMusicLength(file);
    return std::make_shared<TGPcmStream>(DecodeStream(file));
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
    TGChannel& state = At(channel);
    // Halted first, so that the mixer's thread is done with a stream the channel may be reading.
    Mix_HaltChannel(channel);
    state.Stream.reset();
    state.Pcm = std::move(pcm);
    Start(channel, startFrame, loop);
}

void TGSDLAudioOutput::FillFromStream(int, void* buffer, int length, void* user) {
    TGChannel& channel = *static_cast<TGChannel*>(user);
    auto out = static_cast<int16_t*>(buffer);
    const int64_t frames = length / BytesPerFrame;
    int64_t done = 0;
    bool rewound = false;
    while (done < frames && !channel.StreamEnded.load(std::memory_order_relaxed)) {
        const int64_t count = channel.Stream->Read(out + done * AudioChannels, frames - done);
        const bool ended = count < frames - done;
        done += count;
        if (ended) {
            // A looping stream with nothing to play after its start ends like one that does not loop.
            const bool empty = rewound && count == 0;
            if (!channel.Loop || empty || !channel.Stream->Seek(0)) {
                channel.StreamEnded.store(true, std::memory_order_relaxed);
            }
            rewound = true;
        } else {
            rewound = false;
        }
    }
    std::memset(out + done * AudioChannels, 0, static_cast<size_t>((frames - done) * BytesPerFrame));
    channel.StreamPosition.store(channel.Stream->Position(), std::memory_order_relaxed);
}

void TGSDLAudioOutput::StartStream(int index) {
    TGChannel& channel = At(index);
    Mix_HaltChannel(index);
    Mix_UnregisterAllEffects(index);
    FreeChunk(channel);
    channel.LoopPending = false;
    channel.StreamEnded = false;
    channel.StreamPosition = channel.Stream->Position();
    channel.Chunk = Mix_QuickLoad_RAW(StreamCarrier, sizeof StreamCarrier);
    Mix_RegisterEffect(index, FillFromStream, nullptr, &channel);
    Mix_PlayChannel(index, channel.Chunk, -1);
}

void TGSDLAudioOutput::PlayStream(int index, PGSoundStream stream, bool loop) {
    TGChannel& channel = At(index);
    // Halted first, so that the mixer's thread is done with whatever the channel read before.
    Mix_HaltChannel(index);
    channel.Pcm.reset();
    channel.Stream = std::move(stream);
    channel.Loop = loop;
    StartStream(index);
}

void TGSDLAudioOutput::Halt(int index) {
    TGChannel& channel = At(index);
    Mix_HaltChannel(index);
    Mix_UnregisterAllEffects(index);
    FreeChunk(channel);
    channel.Pcm.reset();
    channel.Stream.reset();
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

bool TGSDLAudioOutput::IsPlaying(int index) {
    TGChannel& channel = At(index);
    if (channel.Stream && channel.StreamEnded.load(std::memory_order_relaxed)) {
        return false;
    }
    return channel.LoopPending || Mix_Playing(index) != 0;
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
    if (channel.Stream) {
        return channel.StreamPosition.load(std::memory_order_relaxed);
    }
    if (!channel.Pcm || channel.Pcm->Frames() == 0) {
        return 0;
    }
    int64_t frames = channel.Pcm->Frames();
    int64_t at = channel.StartFrame + channel.BytesPlayed.load(std::memory_order_relaxed) / BytesPerFrame;
    return channel.Loop ? at % frames : std::min(at, frames);
}

void TGSDLAudioOutput::SetPosition(int index, int64_t frame) {
    TGChannel& channel = At(index);
    if (channel.Stream && IsPlaying(index)) {
        const bool paused = IsPaused(index);
        // Halting waits for the mixer, which leaves the stream to this thread until it starts again.
        Mix_HaltChannel(index);
        channel.Stream->Seek(frame);
        StartStream(index);
        if (paused) {
            Mix_Pause(index);
        }
        return;
    }
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
        if (channel.Stream && channel.StreamEnded.load(std::memory_order_relaxed)) {
            Halt(index);
        }
    }
}

} // namespace qm
