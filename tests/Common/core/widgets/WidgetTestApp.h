#pragma once

#include "TestHelpers.h"
#include "UGAppData.h"
#include "UGNullWindow.h"
#include "UGSoundEngine.h"
#include "UGWidget.h"
#include "UGWidgetManager.h"

#include <memory>
#include <string>
#include <vector>

namespace qm::test {

// A sound engine that only lists the sounds it was asked to play.
class RecordingSounds : public IGBassEngine {
public:
    void LoadSounds(const TGSoundProgress&) override {}
    std::string GetMusicName() override { return ""; }
    int GetMusicVolume() override { return 0; }
    int GetSoundVolume() override { return 0; }
    int GetAmbientVolume() override { return 0; }
    bool IsMusicPlaying() override { return false; }
    bool IsSoundPlaying(const std::string&) override { return false; }
    bool IsMuted() override { return false; }
    void SetMusicVolume(int) override {}
    void SetSoundVolume(int) override {}
    void SetAmbientVolume(int) override {}
    void SetPaused(bool) override {}
    void SetMuted(bool) override {}
    void PlayAmbientSound(const std::string&, double, double, double) override {}
    void PlayMusic(const std::string&, bool, double, bool, int64_t) override {}
    void SetMusicPosition(int64_t) override {}
    int64_t GetMusicPosition() override { return 0; }
    void FadeOutMusic(double) override {}
    void PlayModSound(const std::string&) override {}
    void StopModSound(const std::string&) override {}
    void PlaySound(const std::string& name) override { Played.push_back(name); }
    void StopSound(const std::string&) override {}
    void SlideMusicVolume(int, double) override {}
    void SlideSoundVolume(int, double) override {}
    void RestartMusic() override {}
    void PauseSound(const std::string&, bool) override {}
    void PauseMusic(bool) override {}

    std::vector<std::string> Played;
};

class WidgetTestAppData : public TGAppData {
public:
    using TGAppData::TGAppData;
    void ApplyVideoMode() override {}
};

// The application of the "widgets" fixture (styles, the screen "TestScreen", a pool of small
// pictures written by the test) on the null renderer, with a recording sound engine.
class WidgetTestApp {
public:
    // The null renderer, or the given one with its window.
    explicit WidgetTestApp(IGRenderBackend* backend = nullptr, IGWindow* window = nullptr);
    ~WidgetTestApp();

    TGAppData& App() { return *FApp; }
    TGWidgetManager& Manager() { return GetWidgetManager(*FApp); }
    // Builds "TestScreen" and makes it the manager's root; returns the screen widget.
    TGWidget& ShowTestScreen();
    // Parses an XML text into a snapshot named after `file`.
    static PGXMLNode Parse(const std::string& xml, const std::string& file);
    // Advances the interface clock's step used by effects and images.
    void SetInterfaceStep(double seconds) { FApp->InterfaceClock->Step = seconds; }

    std::shared_ptr<RecordingSounds> Sounds = std::make_shared<RecordingSounds>();

private:
    fs::path FStartFolder = fs::current_path();
    TempDir FDir;
    TGManualTickSource FTicks{1000};
    TGNullWindow FWindow;
    std::unique_ptr<WidgetTestAppData> FApp;
};

} // namespace qm::test
