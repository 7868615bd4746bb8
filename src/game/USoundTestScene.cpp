#include "USoundTestScene.h"

#include "UGFont.h"
#include "UGResManager.h"
#include "UGStrings.h"
#include "UGameData.h"
#include "URenderTestScene.h"

#include <algorithm>

namespace qm {

namespace {

std::vector<std::string> NamesOf(const IGXMLNode& parent, const char* tag) {
    std::vector<std::string> names;
    PGXMLCollection items = parent.GetCollection(tag);
    for (size_t i = 0; i < items->Count(); ++i) {
        std::string name = items->GetItem(i)->GetStringDef("Name", "");
        if (!name.empty()) {
            names.push_back(name);
        }
    }
    return names;
}

} // namespace

TSoundTestScene::TSoundTestScene(TGameData& data, std::function<bool()> soundsLoaded)
    : FData(data), FSoundsLoaded(std::move(soundsLoaded)) {
    // The render test's resources hold the fonts this scene writes with.
    FData.ResManager->SetResourceSet(TRenderTestScene::ResourceSetName);
    BuildTimeline();
}

// The names come from the configuration, so the scene plays whatever sounds the data folder has.
void TSoundTestScene::BuildTimeline() {
    IGBassEngine& engine = *FData.SoundEngine;
    std::vector<std::string> tracks = NamesOf(*FData.Config, "Track");
    // The menu music opens, as in the game.
    auto menu = std::find(tracks.begin(), tracks.end(), "Menu");
    if (menu != tracks.end()) {
        std::rotate(tracks.begin(), menu, menu + 1);
    }
    double at = 0.0;
    for (const std::string& track : tracks) {
        FCues.push_back({at, Format("Music: %s (%.0f s cross-fade)", track.c_str(), CrossFade),
                         [&engine, track] { engine.PlayMusic(track, true, CrossFade, true, -1); }});
        at += MusicInterval;
    }

    std::vector<std::string> effects = NamesOf(*FData.Config, "Sound");
    double effectAt = 1.0;
    for (const std::string& sound : effects) {
        FCues.push_back({effectAt, "Effect: " + sound, [&engine, sound] { engine.PlaySound(sound); }});
        effectAt += EffectInterval;
    }
    std::vector<std::string> modSounds;
    PGXMLCollection libs = FData.Config->GetCollection("ModSoundLib");
    for (size_t i = 0; i < libs->Count(); ++i) {
        std::vector<std::string> names = NamesOf(*libs->GetItem(i), "ModSound");
        modSounds.insert(modSounds.end(), names.begin(), names.end());
    }
    for (const std::string& sound : modSounds) {
        FCues.push_back(
            {effectAt, "Module effect: " + sound, [&engine, sound] { engine.PlayModSound(sound); }});
        effectAt += EffectInterval;
    }
    if (!modSounds.empty()) {
        const std::string ambient = modSounds.front();
        FCues.push_back({effectAt + 1.0, "Ambient: " + ambient + " (1 s in, 2 s held, 1 s out)",
                         [&engine, ambient] { engine.PlayAmbientSound(ambient, 1.0, 2.0, 1.0); }});
        effectAt += 5.0;
    }
    double end = std::max(at, effectAt);
    FCues.push_back({end, "Music: fading out over 2 s", [&engine] { engine.FadeOutMusic(2.0); }});
    FCues.push_back({end + 2.5, "The end", [] {}});
    std::stable_sort(FCues.begin(), FCues.end(), [](const TCue& a, const TCue& b) { return a.At < b.At; });
}

double TSoundTestScene::Length() const {
    return FCues.empty() ? 0.0 : FCues.back().At;
}

void TSoundTestScene::PlayDueCues() {
    while (FNextCue < FCues.size() && FCues[FNextCue].At <= FTime) {
        const TCue& cue = FCues[FNextCue++];
        (cue.What.starts_with("Music") ? FMusicLine : FEffectLine) = cue.What;
        try {
            cue.Play();
        } catch (const std::exception& error) {
            FProblems.push_back(error.what());
        }
    }
}

void TSoundTestScene::Draw() {
    if (!FStarted && FSoundsLoaded()) {
        FStarted = true;
        FData.SoundEngine->SetMusicVolume(MusicVolume);
        FData.SoundEngine->SetSoundVolume(SoundVolume);
    }
    if (FStarted) {
        PlayDueCues();
        FData.InterfaceClock->AddStep(FTime);
    }
    FData.Device->FillRect({0, 0}, {800, 600}, 0xFF1B2638);
    DrawLines();
}

void TSoundTestScene::DrawLines() {
    TGFont& title = FData.ResManager->GetFont("FntTitles");
    title.DrawStringEx("Quillmark sound test", {0xFFFFFFFF}, 0, 40, 800, 1, 1.0, 0.0);
    TGFont& font = FData.ResManager->GetFont("SysFont");
    IGBassEngine& engine = *FData.SoundEngine;
    std::vector<std::string> lines;
    if (!FStarted) {
        lines.push_back("Loading the sounds...");
    } else {
        lines.push_back(Format("Time: %.1f s of %.1f s", FTime, Length()));
        lines.push_back(FMusicLine);
        lines.push_back(Format("Current music: \"%s\", %s, volume %d", engine.GetMusicName().c_str(),
                               engine.IsMusicPlaying() ? "playing" : "not playing", engine.GetMusicVolume()));
        lines.push_back(FEffectLine);
    }
    for (const std::string& problem : FProblems) {
        lines.push_back(problem);
    }
    double y = 140;
    for (const std::string& line : lines) {
        font.DrawString(line, line == FEffectLine || line == FMusicLine ? 0xFFFFE080 : 0xFFFFFFFF, 60, y);
        y += 26;
    }
}

} // namespace qm
