#include "UGBassEngine.h"

#include "UGError.h"
#include "UGFileSystem.h"
#include "UGModuleStream.h"
#include "UGStrings.h"
#include "UGWaveFile.h"
#include "UGWaveStream.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>

namespace qm {

namespace {

// Extensions (compared exactly) of the files a track plays as a stream; anything else is a
// tracker module.
bool IsStreamName(const std::string& src) {
    static const char* const StreamExtensions[] = {".mp3", ".mp2", ".mp1", ".ogg", ".wav", ".aiff"};
    return std::any_of(std::begin(StreamExtensions), std::end(StreamExtensions),
                       [&](const char* ext) { return src.ends_with(ext); });
}

bool IsWaveName(const std::string& src) {
    return EqualsNoCase(std::filesystem::path(src).extension().string(), ".wav");
}

// [x]: to the nearest integer, ties to even (the default rounding mode).
double RoundEven(double x) {
    return std::nearbyint(x);
}

double EffectiveVolume(int volume, int itemVolume) {
    return RoundEven(volume * static_cast<double>(itemVolume) / 100.0);
}

int NonNegative(const IGXMLNode& node, const char* attribute, int value) {
    if (value < 0) {
        throw EGError("TGBassEngine.LoadSounds", Format("%s: Range check error: %s is %d, below 0",
                                                        node.GetLocation().c_str(), attribute, value));
    }
    return value;
}

} // namespace

TGBassEngine::TGBassEngine(PGXMLNode config, IGAudioOutput& output, IGTickSource& ticks,
                           std::filesystem::path folder, int soundVolume, int musicVolume, int ambientVolume)
    : FConfig(std::move(config)), FOutput(output), FTicks(ticks), FFolder(std::move(folder)),
      FMusicVolume(musicVolume), FSoundVolume(soundVolume), FAmbientVolume(ambientVolume) {}

TGBassEngine::~TGBassEngine() {
    for (int channel = 0; channel < static_cast<int>(FChannels.size()); ++channel) {
        FOutput.Halt(channel);
    }
}

// ---- Loading (the loading thread) ----

void TGBassEngine::LoadSounds(const TGSoundProgress& progress) {
    // The lists are published however loading ends, so that the game goes on with what loaded.
    struct TGPublish {
        std::atomic<bool>& Flag;
        ~TGPublish() { Flag.store(true, std::memory_order_release); }
    } publish{FLoaded};

    auto eachItem = [&](const char* tag, auto add) {
        PGXMLCollection items = FConfig->GetCollection(tag);
        for (size_t i = 0; i < items->Count(); ++i) {
            PGXMLNode item = items->GetItem(i);
            try {
                add(*item);
            } catch (const std::exception& error) {
                ReportLoadProblem(error.what());
            }
            if (std::string(tag) != "ModSoundLib") {
                ProgressStep(progress);
            }
        }
    };
    eachItem("Track", [&](const IGXMLNode& node) { AddTrack(node); });
    eachItem("Sound", [&](const IGXMLNode& node) { AddSound(node); });
    eachItem("ModSoundLib", [&](const IGXMLNode& node) { AddSoundLib(node, progress); });
    FProgressCounter = ExpectedItems;
}

bool TGBassEngine::FitsBudget(size_t bytes) const {
    const size_t loaded = LoadedSoundBytes();
    return loaded <= LoadedSoundBudget && bytes <= LoadedSoundBudget - loaded;
}

// An effect is its pattern alone, at most MaxEffectFrames long, and rendered only as far as the
// budget of loaded sound allows: one frame beyond what is left tells that it would not fit.
PGPcm TGBassEngine::RenderEffect(TGModuleFile& module, const TGSoundLib& lib, const TGModSound& sound,
                                 std::map<int, std::pair<PGPcm, bool>>& rendered) {
    auto found = rendered.find(sound.Pattern);
    if (found == rendered.end()) {
        bool cut = false;
        const size_t loaded = LoadedSoundBytes();
        const size_t left = loaded < LoadedSoundBudget ? LoadedSoundBudget - loaded : 0;
        const auto leftFrames = static_cast<int64_t>(left / (AudioChannels * sizeof(int16_t)));
        const int64_t limit = std::min(MaxEffectFrames, leftFrames + 1);
        auto pcm = std::make_shared<const TGPcm>(module.Render(sound.Pattern, sound.Pattern, limit, &cut));
        if (pcm->Frames() > leftFrames) {
            ReportLoadProblem(Format("TGBassEngine.LoadSounds: \"%s\": the sound \"%s\" stays silent: the "
                                     "loaded sounds would hold more than %zu bytes",
                                     lib.Src.c_str(), sound.Name.c_str(), LoadedSoundBudget),
                              lib.Src);
            return nullptr;
        }
        found = rendered.emplace(sound.Pattern, std::make_pair(std::move(pcm), cut)).first;
    }
    if (found->second.second) {
        ReportLoadProblem(
            Format("TGBassEngine.LoadSounds: \"%s\": the sound \"%s\" (pattern %d) plays longer "
                   "than %d s and is cut there",
                   lib.Src.c_str(), sound.Name.c_str(), sound.Pattern,
                   static_cast<int>(MaxEffectFrames / AudioRate)),
            lib.Src);
    }
    return found->second.first;
}

size_t TGBassEngine::LoadedSoundBytes() const {
    std::set<const TGPcm*> counted;
    size_t bytes = 0;
    auto count = [&](const PGPcm& pcm) {
        if (pcm && counted.insert(pcm.get()).second) {
            bytes += pcm->Samples.size() * sizeof(int16_t);
        }
    };
    for (const auto& [name, sound] : FSounds) {
        count(sound.Pcm);
    }
    for (const auto& [name, sound] : FModSounds) {
        count(sound.Pcm);
    }
    return bytes;
}

void TGBassEngine::ProgressStep(const TGSoundProgress& progress) {
    ++FProgressCounter;
    if (progress) {
        progress(FProgressCounter * 100 / ExpectedItems);
    }
}

void TGBassEngine::ReportLoadProblem(const std::string& what, const std::string& file) {
    if (EchoLoadProblems) {
        std::fprintf(stderr, "%s\n", what.c_str());
    }
    FLoadProblems.push_back({what, file});
}

std::string TGBassEngine::ReadSoundFile(const std::string& src) const {
    return ReadWholeFile(ResolveNoCase(FFolder / src));
}

PGPcm TGBassEngine::DecodeSample(const std::string& src, const std::string& bytes) const {
    if (IsWaveName(src)) {
        return std::make_shared<const TGPcm>(ReadWave(bytes, src));
    }
    return FOutput.DecodeStream(ResolveNoCase(FFolder / src));
}

void TGBassEngine::AddTrack(const IGXMLNode& node) {
    TGTrack track;
    track.Name = node.GetString("Name");
    track.Src = node.GetString("Src");
    track.Volume = node.GetIntDef("Volume", 100);
    track.From = NonNegative(node, "From", node.GetIntDef("From", 0));
    track.To = NonNegative(node, "To", node.GetIntDef("To", 0));
    track.IsStream = IsStreamName(track.Src);
    if (FTracks.count(track.Name)) {
        ReportLoadProblem(Format("TGBassEngine.LoadSounds: %s: the track \"%s\" is defined again; the last "
                                 "definition is used",
                                 node.GetLocation().c_str(), track.Name.c_str()));
    }
    try {
        if (!track.IsStream) {
            track.ModuleBytes = ReadSoundFile(track.Src);
        }
        // Opened once to know it plays; each playback opens it again.
        OpenTrackStream(track, false);
    } catch (const std::exception& error) {
        track.Failed = true;
        ReportLoadProblem(Format("TGBassEngine.LoadSounds: track \"%s\" stays silent: %s", track.Name.c_str(),
                                 error.what()),
                          track.Src);
    }
    FTracks[track.Name] = std::move(track);
}

void TGBassEngine::AddSound(const IGXMLNode& node) {
    TGSound sound;
    sound.Name = node.GetString("Name");
    sound.Src = node.GetString("Src");
    sound.Volume = node.GetIntDef("Volume", 100);
    sound.Polyphony = NonNegative(node, "Polyphony", node.GetIntDef("Polyphony", 1));
    if (FSounds.count(sound.Name)) {
        ReportLoadProblem(Format("TGBassEngine.LoadSounds: %s: the sound \"%s\" is defined again; the last "
                                 "definition is used",
                                 node.GetLocation().c_str(), sound.Name.c_str()));
    }
    try {
        PGPcm pcm = DecodeSample(sound.Src, ReadSoundFile(sound.Src));
        if (!FitsBudget(pcm->Samples.size() * sizeof(int16_t))) {
            ReportLoadProblem(Format("TGBassEngine.LoadSounds: sound \"%s\" stays silent: \"%s\": the loaded "
                                     "sounds would hold more than %zu bytes",
                                     sound.Name.c_str(), sound.Src.c_str(), LoadedSoundBudget),
                              sound.Src);
        } else {
            sound.Pcm = std::move(pcm);
        }
    } catch (const std::exception& error) {
        ReportLoadProblem(Format("TGBassEngine.LoadSounds: sound \"%s\" stays silent: %s", sound.Name.c_str(),
                                 error.what()),
                          sound.Src);
    }
    FSounds[sound.Name] = std::move(sound);
}

void TGBassEngine::AddSoundLib(const IGXMLNode& node, const TGSoundProgress& progress) {
    auto lib = std::make_unique<TGSoundLib>();
    lib->Src = node.GetString("Src");
    lib->Polyphony = NonNegative(node, "Polyphony", node.GetIntDef("Polyphony", 1));
    std::unique_ptr<TGModuleFile> module;
    // A library without copies can play nothing, so its file is not even read.
    if (lib->Polyphony > 0) {
        try {
            module = std::make_unique<TGModuleFile>(ReadSoundFile(lib->Src), lib->Src);
        } catch (const std::exception& error) {
            ReportLoadProblem(Format("TGBassEngine.AddSoundLib: its sounds stay silent: %s", error.what()),
                              lib->Src);
        }
    }
    // Effects of one pattern share its sound.
    std::map<int, std::pair<PGPcm, bool>> rendered;
    PGXMLCollection items = node.GetCollection("ModSound");
    for (size_t i = 0; i < items->Count(); ++i) {
        PGXMLNode item = items->GetItem(i);
        try {
            TGModSound sound;
            sound.Name = item->GetString("Name");
            sound.Pattern = NonNegative(*item, "Pattern", item->GetInt("Pattern"));
            sound.Lib = lib.get();
            if (module) {
                sound.Pcm = RenderEffect(*module, *lib, sound, rendered);
            }
            if (FModSounds.count(sound.Name)) {
                ReportLoadProblem(
                    Format("TGBassEngine.LoadSounds: %s: the sound \"%s\" is defined again; the "
                           "last definition is used",
                           item->GetLocation().c_str(), sound.Name.c_str()));
            }
            FModSounds[sound.Name] = std::move(sound);
        } catch (const std::exception& error) {
            ReportLoadProblem(error.what());
        }
        ProgressStep(progress);
    }
    FSoundLibs.push_back(std::move(lib));
}

// ---- Look-ups and channels (the main thread) ----

bool TGBassEngine::Ready() {
    if (!Loaded()) {
        return false;
    }
    if (!FChannelsLaidOut) {
        int channel = MusicChannels;
        for (auto& lib : FSoundLibs) {
            lib->FirstChannel = channel;
            channel += lib->Polyphony;
        }
        FOutput.SetChannelCount(channel + SampleChannels);
        FChannels.assign(static_cast<size_t>(channel + SampleChannels), TGChannelState());
        FChannelsLaidOut = true;
    }
    return true;
}

TGTrack& TGBassEngine::GetTrack(const std::string& name) {
    auto found = FTracks.find(name);
    if (found == FTracks.end()) {
        throw EGError("TGBassEngine.GetTrack", Format("Track \"%s\" not found", name.c_str()));
    }
    return found->second;
}

TGSound& TGBassEngine::GetSound(const std::string& name) {
    auto found = FSounds.find(name);
    if (found == FSounds.end()) {
        throw EGError("TGBassEngine.GetSound", Format("Sound \"%s\" not found", name.c_str()));
    }
    return found->second;
}

TGModSound& TGBassEngine::GetModSound(const std::string& name) {
    auto found = FModSounds.find(name);
    if (found == FModSounds.end()) {
        throw EGError("TGBassEngine.GetModSound", Format("Sound \"%s\" not found", name.c_str()));
    }
    return found->second;
}

uint64_t TGBassEngine::Milliseconds(const char* context, double seconds) {
    double ms = RoundEven(seconds * 1000.0);
    if (!(ms >= 0.0 && ms <= 4294967295.0)) {
        throw EGError(context, Format("Range check error: %g seconds", seconds));
    }
    return static_cast<uint64_t>(ms);
}

bool TGBassEngine::ChannelRuns(int channel) {
    return FOutput.IsPlaying(channel) && !FOutput.IsPaused(channel);
}

void TGBassEngine::SetChannelVolume(int channel, double volume) {
    FChannels[static_cast<size_t>(channel)].Volume = volume;
    double mixed = RoundEven(volume * MixMaxVolume / 100.0);
    FOutput.SetVolume(channel, static_cast<int>(std::clamp(mixed, 0.0, double(MixMaxVolume))));
}

void TGBassEngine::SlideChannel(int channel, double volume, uint64_t ms, bool stopAtEnd) {
    TGChannelState& state = FChannels[static_cast<size_t>(channel)];
    state.Slide.reset();
    if (ms == 0) {
        SetChannelVolume(channel, volume);
        if (stopAtEnd) {
            HaltChannel(channel);
        }
        return;
    }
    state.Slide = TGSlide{state.Volume, volume, Now(), ms, stopAtEnd};
}

void TGBassEngine::HaltChannel(int channel) {
    FOutput.Halt(channel);
    TGChannelState& state = FChannels[static_cast<size_t>(channel)];
    state.Slide.reset();
    state.Sound = nullptr;
    state.PausedByEngine = false;
}

void TGBassEngine::StepSlides(uint64_t now) {
    for (int channel = 0; channel < static_cast<int>(FChannels.size()); ++channel) {
        TGChannelState& state = FChannels[static_cast<size_t>(channel)];
        if (!state.Slide) {
            continue;
        }
        TGSlide slide = *state.Slide;
        double done =
            std::min(1.0, static_cast<double>(now - std::min(now, slide.StartMs)) / slide.DurationMs);
        SetChannelVolume(channel, slide.From + (slide.To - slide.From) * done);
        if (done >= 1.0) {
            state.Slide.reset();
            if (slide.StopAtEnd) {
                HaltChannel(channel);
            }
        }
    }
}

void TGBassEngine::ReleaseIdleSlots() {
    for (int slot = 0; slot < MusicChannels; ++slot) {
        if (FSlots[slot].Active && !FOutput.IsPlaying(SlotChannel(slot))) {
            FSlots[slot] = TGMusicSlot();
        }
    }
}

void TGBassEngine::Update() {
    uint64_t now = Now();
    if (Ready() && !FPaused) {
        StepSlides(now);
        if (FAmbientDeadline && now >= *FAmbientDeadline) {
            FAmbientDeadline.reset();
            if (FAmbientChannel >= 0 && FOutput.IsPlaying(FAmbientChannel)) {
                SlideChannel(FAmbientChannel, 0, FAmbientFadeOutMs, true);
            }
        }
        ReleaseIdleSlots();
    }
    FOutput.Advance(now);
}

// ---- Music ----

size_t TGBassEngine::HeldMusicBytes() const {
    size_t bytes = 0;
    for (const TGMusicSlot& slot : FSlots) {
        bytes += slot.Stream ? slot.Stream->BufferedBytes() : 0;
    }
    return bytes;
}

bool TGBassEngine::IsMusicPlaying() {
    return Ready() && FSlots[FCurrentSlot].Active && ChannelRuns(SlotChannel(FCurrentSlot));
}

PGSoundStream TGBassEngine::OpenTrackStream(const TGTrack& track, bool loop) const {
    if (!track.IsStream) {
        // A looping track with a pattern range plays that range; otherwise the whole song.
        const bool body = loop && (track.From != 0 || track.To != 0);
        return std::make_shared<TGModuleStream>(track.ModuleBytes, track.Src, body ? track.From : 0,
                                                body ? track.To : std::numeric_limits<int>::max());
    }
    if (IsWaveName(track.Src)) {
        return std::make_shared<TGWaveStream>(ResolveNoCase(FFolder / track.Src), track.Src);
    }
    // Compressed files: the output knows their decoders.
    return FOutput.OpenStream(ResolveNoCase(FFolder / track.Src));
}

PGSoundStream TGBassEngine::OpenTrack(TGTrack& track, bool loop) {
    if (track.Failed) {
        return nullptr;
    }
    try {
        return OpenTrackStream(track, loop);
    } catch (const std::exception& error) {
        // Reported once: from now on the track is silent like one that failed at loading.
        track.Failed = true;
        ReportLoadProblem(Format("TGBassEngine.PlayMusic: track \"%s\" stays silent: %s", track.Name.c_str(),
                                 error.what()));
        return nullptr;
    }
}

void TGBassEngine::PlayMusic(const std::string& name, bool loop, double fadeTime, bool fadeIn,
                             int64_t startPosition) {
    uint64_t fadeMs = Milliseconds("TGBassEngine.PlayMusic", fadeTime);
    if (!Ready() || (name == FMusicName && IsMusicPlaying())) {
        return;
    }
    FMusicName = name;
    TGTrack& track = GetTrack(name);
    if (FSlots[FCurrentSlot].Active) {
        SlideChannel(SlotChannel(FCurrentSlot), 0, fadeMs, true);
    }
    FCurrentSlot = 1 - FCurrentSlot;
    int channel = SlotChannel(FCurrentSlot);
    // The slot may still be fading out the piece before last: that one ends now.
    HaltChannel(channel);
    TGMusicSlot& slot = FSlots[FCurrentSlot];
    slot = TGMusicSlot();
    slot.TrackVolume = track.Volume;
    // A track that cannot play leaves the slot empty: the old music fades out into silence.
    PGSoundStream stream = OpenTrack(track, loop);
    if (!stream) {
        return;
    }
    // A start beyond the end of the sound starts it from the beginning.
    if (startPosition > 0) {
        stream->Seek(startPosition);
    }
    slot.Active = true;
    slot.Loop = loop;
    slot.Stream = stream;
    SetChannelVolume(channel, 0);
    FOutput.PlayStream(channel, stream, loop);
    SlideChannel(channel, EffectiveVolume(FMusicVolume, track.Volume), fadeIn ? fadeMs : 0, false);
}

void TGBassEngine::SetMusicPosition(int64_t position) {
    if (Ready() && FSlots[FCurrentSlot].Active) {
        FOutput.SetPosition(SlotChannel(FCurrentSlot), position);
    }
}

int64_t TGBassEngine::GetMusicPosition() {
    if (!Ready() || !FSlots[FCurrentSlot].Active || !FOutput.IsPlaying(SlotChannel(FCurrentSlot))) {
        return -1;
    }
    return FOutput.Position(SlotChannel(FCurrentSlot));
}

void TGBassEngine::FadeOutMusic(double seconds) {
    uint64_t ms = Milliseconds("TGBassEngine.FadeOutMusic", seconds);
    if (Ready() && FSlots[FCurrentSlot].Active) {
        SlideChannel(SlotChannel(FCurrentSlot), 0, ms, true);
    }
}

void TGBassEngine::RestartMusic() {
    if (!Ready() || !FSlots[FCurrentSlot].Active) {
        return;
    }
    const TGMusicSlot& slot = FSlots[FCurrentSlot];
    const int channel = SlotChannel(FCurrentSlot);
    // The mixer lets go of the stream before it goes back to its start.
    FOutput.Halt(channel);
    slot.Stream->Seek(0);
    FOutput.PlayStream(channel, slot.Stream, slot.Loop);
}

void TGBassEngine::PauseMusic(bool pause) {
    if (!Ready() || !FSlots[FCurrentSlot].Active) {
        return;
    }
    int channel = SlotChannel(FCurrentSlot);
    if (pause && ChannelRuns(channel)) {
        FOutput.Pause(channel);
    } else if (!pause && FOutput.IsPaused(channel)) {
        FOutput.Resume(channel);
    }
}

// ---- Volumes and mute ----

void TGBassEngine::ApplyMusicVolume(int volume, uint64_t ms) {
    if (!Ready() || !FSlots[FCurrentSlot].Active) {
        return;
    }
    int channel = SlotChannel(FCurrentSlot);
    const std::optional<TGSlide>& slide = FChannels[static_cast<size_t>(channel)].Slide;
    // Music fading out to its end stays on its way out: a volume change must not bring it back.
    if (slide && slide->StopAtEnd) {
        return;
    }
    SlideChannel(channel, EffectiveVolume(volume, FSlots[FCurrentSlot].TrackVolume), ms, false);
}

void TGBassEngine::SetMusicVolume(int volume) {
    CheckVolume("TGBassEngine.SetMusicVolume", volume);
    if (FMuted) {
        FSavedMusicVolume = volume;
        return;
    }
    FMusicVolume = volume;
    ApplyMusicVolume(volume, 0);
}

void TGBassEngine::SlideMusicVolume(int volume, double seconds) {
    CheckVolume("TGBassEngine.SlideMusicVolume", volume);
    uint64_t ms = Milliseconds("TGBassEngine.SlideMusicVolume", seconds);
    if (FMuted) {
        FSavedMusicVolume = volume;
        return;
    }
    FMusicVolume = volume;
    ApplyMusicVolume(volume, ms);
}

void TGBassEngine::SetSoundVolume(int volume) {
    CheckVolume("TGBassEngine.SetSoundVolume", volume);
    FSoundVolume = volume;
    if (Ready() && FLastModChannel >= 0) {
        SlideChannel(FLastModChannel, volume, 0, false);
    }
}

void TGBassEngine::SlideSoundVolume(int volume, double seconds) {
    CheckVolume("TGBassEngine.SlideSoundVolume", volume);
    uint64_t ms = Milliseconds("TGBassEngine.SlideSoundVolume", seconds);
    if (Ready() && FLastModChannel >= 0) {
        SlideChannel(FLastModChannel, volume, ms, false);
    }
    FSoundVolume = volume;
}

void TGBassEngine::SetAmbientVolume(int volume) {
    CheckVolume("TGBassEngine.SetAmbientVolume", volume);
    (FMuted ? FSavedAmbientVolume : FAmbientVolume) = volume;
}

void TGBassEngine::SetMuted(bool muted) {
    if (muted == FMuted) {
        return;
    }
    if (muted) {
        FSavedMusicVolume = FMusicVolume;
        FSavedAmbientVolume = FAmbientVolume;
        SetMusicVolume(0);
        SetAmbientVolume(0);
        FMuted = true;
        return;
    }
    FMuted = false;
    if (FSavedMusicVolume > 0) {
        SetMusicVolume(FSavedMusicVolume);
    }
    if (FSavedAmbientVolume > 0) {
        SetAmbientVolume(FSavedAmbientVolume);
    }
}

// ---- Pause ----

// Every channel that plays is paused, the older overlapping playbacks of a sample and a piece
// of music still fading out among them; only those are resumed, so that music or a sound that
// the game itself paused stays paused when the window comes back. Slides and the ambient hold
// stand still meanwhile.
void TGBassEngine::SetPaused(bool paused) {
    if (!Ready() || paused == FPaused) {
        return;
    }
    FPaused = paused;
    if (paused) {
        FPausedAt = Now();
        for (int channel = 0; channel < static_cast<int>(FChannels.size()); ++channel) {
            if (ChannelRuns(channel)) {
                FOutput.Pause(channel);
                FChannels[static_cast<size_t>(channel)].PausedByEngine = true;
            }
        }
        return;
    }
    uint64_t away = Now() - std::min(Now(), FPausedAt);
    for (int channel = 0; channel < static_cast<int>(FChannels.size()); ++channel) {
        TGChannelState& state = FChannels[static_cast<size_t>(channel)];
        if (state.PausedByEngine) {
            state.PausedByEngine = false;
            FOutput.Resume(channel);
        }
        if (state.Slide) {
            state.Slide->StartMs += away;
        }
    }
    if (FAmbientDeadline) {
        *FAmbientDeadline += away;
    }
}

// ---- Sample effects ----

void TGBassEngine::PlaySound(const std::string& name) {
    if (!Ready() || FMuted) {
        return;
    }
    TGSound& sound = GetSound(name);
    if (!sound.Pcm) {
        return;
    }
    int first = static_cast<int>(FChannels.size()) - SampleChannels;
    int playing = 0;
    int free = -1;
    for (int channel = first; channel < static_cast<int>(FChannels.size()); ++channel) {
        bool busy = FOutput.IsPlaying(channel);
        if (busy && FChannels[static_cast<size_t>(channel)].Sound == &sound) {
            ++playing;
        } else if (!busy && free < 0) {
            free = channel;
        }
    }
    // At its polyphony, or with every channel busy, the request is dropped.
    if (playing >= sound.Polyphony || free < 0) {
        return;
    }
    TGChannelState& state = FChannels[static_cast<size_t>(free)];
    state.Slide.reset();
    state.Sound = &sound;
    state.Playback = FNextPlayback++;
    sound.Channel = free;
    sound.Playback = state.Playback;
    SetChannelVolume(free, EffectiveVolume(FSoundVolume, sound.Volume));
    FOutput.Play(free, sound.Pcm, 0, false);
}

bool TGBassEngine::IsSoundPlaying(const std::string& name) {
    if (!Ready()) {
        return false;
    }
    const TGSound& sound = GetSound(name);
    return sound.Channel >= 0 && FChannels[static_cast<size_t>(sound.Channel)].Playback == sound.Playback &&
           ChannelRuns(sound.Channel);
}

void TGBassEngine::StopSound(const std::string& name) {
    if (!Ready()) {
        return;
    }
    const TGSound& sound = GetSound(name);
    for (int channel = 0; channel < static_cast<int>(FChannels.size()); ++channel) {
        if (FChannels[static_cast<size_t>(channel)].Sound == &sound) {
            HaltChannel(channel);
        }
    }
}

void TGBassEngine::PauseSound(const std::string& name, bool pause) {
    if (!Ready()) {
        return;
    }
    const TGSound& sound = GetSound(name);
    if (sound.Channel < 0 || FChannels[static_cast<size_t>(sound.Channel)].Playback != sound.Playback) {
        return;
    }
    if (pause && ChannelRuns(sound.Channel)) {
        FOutput.Pause(sound.Channel);
    } else if (!pause && FOutput.IsPaused(sound.Channel)) {
        FOutput.Resume(sound.Channel);
    }
}

// ---- Module effects and ambient loops ----

void TGBassEngine::PlayModSound(const std::string& name) {
    if (!Ready() || FMuted) {
        return;
    }
    TGModSound& sound = GetModSound(name);
    TGSoundLib& lib = *sound.Lib;
    if (lib.Polyphony == 0) {
        return;
    }
    // Copies take turns, so the effect cut off is always the oldest one.
    lib.Next = (lib.Next + 1) % lib.Polyphony;
    int channel = lib.FirstChannel + lib.Next;
    HaltChannel(channel);
    if (channel == FAmbientChannel) {
        FAmbientChannel = -1;
        FAmbientDeadline.reset();
    }
    if (!sound.Pcm) {
        return;
    }
    SetChannelVolume(channel, FSoundVolume);
    // The effect's sound is its pattern alone, so it ends where the next pattern would begin.
    FOutput.Play(channel, sound.Pcm, 0, false);
    FLastModChannel = channel;
}

void TGBassEngine::StopModSound(const std::string& name) {
    if (!Ready()) {
        return;
    }
    const TGModSound& sound = GetModSound(name);
    if (sound.Lib->Polyphony > 0) {
        HaltChannel(sound.Lib->FirstChannel + sound.Lib->Next);
    }
}

void TGBassEngine::PlayAmbientSound(const std::string& name, double fadeIn, double hold, double fadeOut) {
    const char* context = "TGBassEngine.PlayAmbientSound";
    uint64_t fadeInMs = Milliseconds(context, fadeIn);
    uint64_t holdMs = Milliseconds(context, fadeIn + hold);
    uint64_t fadeOutMs = Milliseconds(context, fadeOut);
    if (!Ready() || FMuted) {
        return;
    }
    TGModSound& sound = GetModSound(name);
    TGSoundLib& lib = *sound.Lib;
    if (lib.Polyphony == 0) {
        return;
    }
    int channel = lib.FirstChannel + lib.Next;
    HaltChannel(channel);
    FAmbientDeadline = Now() + holdMs;
    FAmbientFadeOutMs = fadeOutMs;
    FAmbientChannel = channel;
    if (!sound.Pcm) {
        return;
    }
    SetChannelVolume(channel, 0);
    FOutput.Play(channel, sound.Pcm, 0, true);
    SlideChannel(channel, FAmbientVolume, fadeInMs, false);
}

} // namespace qm
