#pragma once

#include "UGAudioOutput.h"
#include "UGModuleFile.h"
#include "UGSoundEngine.h"
#include "UGSoundStream.h"
#include "UGTimer.h"
#include "UGXMLNode.h"

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// One piece of music. It plays as a stream made when it starts and freed when its slot is done
// with it: a module is rendered and a WAV file decoded as the mixer asks, a little at a time; a
// compressed file is decoded whole by the mixer. A file that failed at loading leaves the track
// silent.
struct TGTrack {
    std::string Name;
    std::string Src;
    bool Failed = false;
    int Volume = 100;
    int From = 0;
    int To = 0;
    bool IsStream = false;
    // The bytes of a module file, kept from loading on: every playback plays them with a
    // player of its own.
    std::string ModuleBytes;
};

// One sample effect.
struct TGSound {
    std::string Name;
    std::string Src;
    PGPcm Pcm; // none when the file failed
    int Volume = 100;
    int Polyphony = 1;
    // The channel and the playback number of the most recent playback; -1 before the first.
    int Channel = -1;
    uint64_t Playback = 0;
};

// One module file used as a library of effects, one pattern each; every copy is a channel of
// its own, so that `Polyphony` effects of the library sound at once.
struct TGSoundLib {
    std::string Src;
    int Next = 0;
    int Polyphony = 0;
    int FirstChannel = 0;
};

struct TGModSound {
    std::string Name;
    int Pattern = 0;
    TGSoundLib* Lib = nullptr;
    PGPcm Pcm;
};

// Something loading found wrong: the text, and the file of the item when it is the file's fault.
struct TGSoundLoadProblem {
    std::string Text;
    std::string File;
};

// The playing engine: music in two cross-fading slots, sample effects, effects and ambient
// loops from module libraries, three volumes and mute, over a mixer (IGAudioOutput).
//
// Threads: LoadSounds runs on the loading thread and fills the lists; it publishes them
// through the atomic "loaded" flag. Until the flag is set, every other operation leaves the
// lists alone: plays, pauses and stops do nothing and queries answer "nothing playing". All
// mixer calls come from the main thread.
class TGBassEngine : public IGBassEngine {
public:
    // The channels that sample effects share.
    static constexpr int SampleChannels = 32;
    // The expected number of loaded items that progress is reported against.
    static constexpr int ExpectedItems = 68;

    // `folder` is where the configuration's file names are found from; `ticks` is the clock of
    // fades, slides and the ambient hold.
    TGBassEngine(PGXMLNode config, IGAudioOutput& output, IGTickSource& ticks, std::filesystem::path folder,
                 int soundVolume, int musicVolume, int ambientVolume);
    ~TGBassEngine() override;

    void LoadSounds(const TGSoundProgress& progress) override;
    bool Loaded() const { return FLoaded.load(std::memory_order_acquire); }
    // What went wrong while loading, one line per item (also written to standard error); read
    // it once Loaded() is true.
    const std::vector<TGSoundLoadProblem>& LoadProblems() const { return FLoadProblems; }
    // Whether load problems also go to standard error (a checker that prints them itself says no).
    bool EchoLoadProblems = true;
    // An effect of a module library is one pattern; no effect of the game comes near half a
    // minute, so a slow pattern (a damaged or hostile file) is cut there and the cut reported.
    static constexpr int64_t MaxEffectFrames = int64_t(AudioRate) * 30;
    // The sound that loading decodes and keeps (sample effects and module effects) holds at most
    // this many bytes in all; an item beyond it stays silent and is reported. 64 MB is six minutes
    // of sound, many times what the game's effects take. Music is not kept: it is made while it
    // plays (see TGTrack), a few buffers a slot.
    static constexpr size_t MaxLoadedSoundBytes = size_t(64) << 20;
    size_t LoadedSoundBudget = MaxLoadedSoundBytes;
    // The bytes of decoded sound the loaded effects hold, each piece counted once however many
    // effects share it.
    size_t LoadedSoundBytes() const;
    std::string GetMusicName() override { return FMusicName; }
    int GetMusicVolume() override { return FMuted ? FSavedMusicVolume : FMusicVolume; }
    int GetSoundVolume() override { return FSoundVolume; }
    int GetAmbientVolume() override { return FMuted ? FSavedAmbientVolume : FAmbientVolume; }
    bool IsMusicPlaying() override;
    bool IsSoundPlaying(const std::string& name) override;
    bool IsMuted() override { return FMuted; }
    void SetMusicVolume(int volume) override;
    void SetSoundVolume(int volume) override;
    void SetAmbientVolume(int volume) override;
    void SetPaused(bool paused) override;
    void SetMuted(bool muted) override;
    void PlayAmbientSound(const std::string& name, double fadeIn, double hold, double fadeOut) override;
    // Positions are frames of the track's decoded sound (44100 a second), counted from the start
    // of what the slot plays: the `From` pattern of a looping module.
    void PlayMusic(const std::string& name, bool loop, double fadeTime, bool fadeIn,
                   int64_t startPosition) override;
    void SetMusicPosition(int64_t position) override;
    int64_t GetMusicPosition() override;
    void FadeOutMusic(double seconds) override;
    void PlayModSound(const std::string& name) override;
    void StopModSound(const std::string& name) override;
    void PlaySound(const std::string& name) override;
    void StopSound(const std::string& name) override;
    void SlideMusicVolume(int volume, double seconds) override;
    void SlideSoundVolume(int volume, double seconds) override;
    void RestartMusic() override;
    void PauseSound(const std::string& name, bool pause) override;
    void PauseMusic(bool pause) override;
    void Update() override;

    // The mixer channel of each music slot; library copies and sample channels follow.
    static constexpr int MusicChannels = 2;
    int CurrentSlot() const { return FCurrentSlot; }
    // The bytes of sound the music slots hold at the moment; asked over the in-memory mixer, whose
    // streams are read on the main thread.
    size_t HeldMusicBytes() const;

private:
    struct TGSlide {
        double From = 0;
        double To = 0;
        uint64_t StartMs = 0;
        uint64_t DurationMs = 0;
        bool StopAtEnd = false;
    };
    struct TGChannelState {
        double Volume = 0;
        std::optional<TGSlide> Slide;
        // Who started the channel last: a sample (its entry) with the playback number.
        const TGSound* Sound = nullptr;
        uint64_t Playback = 0;
        bool PausedByEngine = false;
    };
    struct TGMusicSlot {
        int TrackVolume = 100;
        bool Active = false;
        bool Loop = false;
        PGSoundStream Stream;
    };

    void AddTrack(const IGXMLNode& node);
    void AddSound(const IGXMLNode& node);
    void AddSoundLib(const IGXMLNode& node, const TGSoundProgress& progress);
    void ProgressStep(const TGSoundProgress& progress);
    void ReportLoadProblem(const std::string& what, const std::string& file = "");
    std::string ReadSoundFile(const std::string& src) const;
    PGPcm DecodeSample(const std::string& src, const std::string& bytes) const;
    // Whether `bytes` more of decoded sound stay within LoadedSoundBudget.
    bool FitsBudget(size_t bytes) const;
    PGPcm RenderEffect(TGModuleFile& module, const TGSoundLib& lib, const TGModSound& sound,
                       std::map<int, std::pair<PGPcm, bool>>& rendered);
    // The stream of a track, made anew for each playback; raises EGError when it cannot be made.
    PGSoundStream OpenTrackStream(const TGTrack& track, bool loop) const;
    // The same for PlayMusic: a track that fails is reported once and silent from then on.
    PGSoundStream OpenTrack(TGTrack& track, bool loop);

    // The lists are complete and the channels are laid out; false until loading has ended.
    bool Ready();
    TGTrack& GetTrack(const std::string& name);
    TGSound& GetSound(const std::string& name);
    TGModSound& GetModSound(const std::string& name);

    int SlotChannel(int slot) const { return slot; }
    bool ChannelRuns(int channel);
    // Volumes are kept in the engine's 0..100 scale per channel and handed to the mixer scaled.
    void SetChannelVolume(int channel, double volume);
    void SlideChannel(int channel, double volume, uint64_t ms, bool stopAtEnd);
    void HaltChannel(int channel);
    void StepSlides(uint64_t now);
    void ReleaseIdleSlots();
    uint64_t Now() { return FTicks.NowMs(); }
    static uint64_t Milliseconds(const char* context, double seconds);
    void ApplyMusicVolume(int volume, uint64_t ms);

    PGXMLNode FConfig;
    IGAudioOutput& FOutput;
    IGTickSource& FTicks;
    std::filesystem::path FFolder;

    std::atomic<bool> FLoaded{false};
    bool FChannelsLaidOut = false;
    std::map<std::string, TGTrack> FTracks;
    std::map<std::string, TGSound> FSounds;
    std::vector<std::unique_ptr<TGSoundLib>> FSoundLibs;
    std::map<std::string, TGModSound> FModSounds;
    int FProgressCounter = 0;
    std::vector<TGSoundLoadProblem> FLoadProblems;

    std::vector<TGChannelState> FChannels;
    TGMusicSlot FSlots[MusicChannels];
    int FCurrentSlot = 0;
    std::string FMusicName;
    uint64_t FNextPlayback = 1;

    int FMusicVolume;
    int FSoundVolume;
    int FAmbientVolume;
    int FSavedMusicVolume = 0;
    int FSavedAmbientVolume = 0;
    bool FMuted = false;

    int FLastModChannel = -1;
    int FAmbientChannel = -1;
    uint64_t FAmbientFadeOutMs = 0;
    std::optional<uint64_t> FAmbientDeadline;

    bool FPaused = false;
    uint64_t FPausedAt = 0;
};

} // namespace qm
