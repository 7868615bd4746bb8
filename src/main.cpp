// The main program: reads the command line, opens the main window, starts the game and runs
// the frame loop until the window closes.

#include "UGCacheLocation.h"
#include "UGCommandLine.h"
#include "UGDataFolder.h"
#include "UGError.h"
#include "UGFrameLoop.h"
#include "UGFreeTypeRasterizer.h"
#include "UGGLRenderBackend.h"
#include "UGGameForm.h"
#include "UGInputScript.h"
#include "UGMemoryAudioOutput.h"
#include "UGOSServices.h"
#include "UGOggStream.h"
#include "UGRandom.h"
#include "UGSDLAudioOutput.h"
#include "UGSDLProgressWindow.h"
#include "UGSDLWindow.h"
#include "UGWaveFile.h"
#include "UGameForm.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>

#ifndef QM_VERSION
#define QM_VERSION "0.0.0"
#endif
// The installed data folder as seen from the installed program's folder.
#ifndef QM_INSTALLED_DATA_FROM_BIN
#define QM_INSTALLED_DATA_FROM_BIN "../share/quillmark/data"
#endif

namespace fs = std::filesystem;
using namespace qm;

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

fs::path DataFolderOf(const TGCommandLine& options) {
    if (options.DataFolder.empty()) {
        return DefaultDataFolder(ProgramBinaryFolder(), QM_INSTALLED_DATA_FROM_BIN);
    }
    std::error_code ec;
    fs::path folder = fs::absolute(options.DataFolder, ec);
    if (!fs::is_directory(folder, ec)) {
        throw EGError("Data folder", "\"" + folder.string() + "\" does not exist or is not a folder");
    }
    return folder;
}

// A little under one refresh of the window's display, so a frame is ready for every refresh
// but none waits long for one. A display that does not tell its rate (a virtual one, for
// instance) is taken to refresh 60 times a second: drawing every 10 ms tick would show no more.
double DisplayFrameIntervalMs(TGSDLWindow& window) {
    constexpr int AssumedRefreshRate = 60;
    SDL_DisplayMode mode;
    int display = SDL_GetWindowDisplayIndex(window.Handle());
    int rate = AssumedRefreshRate;
    if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0) {
        rate = mode.refresh_rate;
    }
    return 1000.0 / rate - 1.0;
}

// Sound goes to the sound card, or, asked for, into a WAV file through the mixer that renders
// into memory. A headless run has no sound card.
void ChooseAudioOutput(const TGCommandLine& options, TGAppStartInfo& info, TGWaveWriter* wave) {
    if (wave) {
        info.OpenAudio = [wave](std::string&) -> std::unique_ptr<IGAudioOutput> {
            auto output = std::make_unique<TGMemoryAudioOutput>();
            output->SetStreamOpener(OpenOggStream);
            output->SetSink(
                [wave](const int16_t* samples, int64_t frames) { wave->Append(samples, frames); });
            return output;
        };
    } else if (!options.Headless) {
        info.OpenAudio = [](std::string& whyNot) -> std::unique_ptr<IGAudioOutput> {
            return TGSDLAudioOutput::Open(whyNot);
        };
    }
}

int RunGame(const TGCommandLine& options) {
    SetRandomSeed(0);
    // Names on the command line are taken from where the program was started; then one data
    // folder serves as the program folder and the current folder.
    fs::path dataFolder = DataFolderOf(options);
    fs::path userFolder = options.UserFolder ? fs::absolute(*options.UserFolder) : DefaultUserFolder();
    fs::path cacheFolder = options.CacheFolder ? fs::absolute(*options.CacheFolder) : DefaultCacheFolder();
    std::vector<TGScreenshotRequest> screenshots;
    for (const TGScreenshotRequest& request : options.Screenshots) {
        screenshots.push_back({request.Frame, fs::absolute(request.File)});
    }
    std::unique_ptr<TGWaveWriter> wave;
    if (options.AudioWav) {
        wave = std::make_unique<TGWaveWriter>(fs::absolute(*options.AudioWav));
    }
    std::unique_ptr<TGEventTrace> trace;
    if (options.TraceFile) {
        trace = std::make_unique<TGEventTrace>(fs::absolute(*options.TraceFile));
    }
    std::optional<TGInputScript> script;
    if (options.InputFile) {
        script = TGInputScript::LoadFromFile(fs::absolute(*options.InputFile));
    }
    fs::current_path(dataFolder);

    TGSDLWindow window(TGameForm::ApplicationTitle, 800, 600, options.Headless);
    TGGLRenderBackend renderer(window);
    TGFreeTypeRasterizer fontRasterizer;
    TGSDLProgressWindow progressWindow;
    TGSDLTickSource systemTicks;
    TGManualTickSource fixedTicks;
    IGTickSource& ticks = options.FixedStep ? static_cast<IGTickSource&>(fixedTicks) : systemTicks;

    TGAppStartInfo info;
    info.ProgramFolder = dataFolder;
    info.UserFolder = userFolder;
    info.CacheFolder = cacheFolder;
    info.SystemLanguageId = SystemLanguageId();
    info.Ticks = &ticks;
    info.Window = &window;
    info.Backend = &renderer;
    info.FontRasterizer = &fontRasterizer;
    info.ProgressWindow = &progressWindow;
    info.MediaCenter = options.MediaCenter;
    info.Trace = trace.get();
    ChooseAudioOutput(options, info, wave.get());

    try {
        TGameForm form(window, info, options.FullScreen.value_or(!options.Headless));
        form.CountErrors(options.Headless);
        // Rendered into a file, the sound starts where the run starts: the frames wait for the
        // sounds instead of running on without them, so a run gives the same file every time.
        if (wave) {
            form.WaitForSounds();
        }
        form.SetAutoplay(options.Autoplay);
        form.SetDeveloperSwitch(options.Developer);
        if (options.Scene.empty()) {
            form.OpenFirstScreen();
        } else {
            form.OpenScene(options.Scene);
        }
        if (!options.NoVSync && !options.Headless) {
            renderer.SetVSync(true);
            if (!options.FixedStep) {
                form.SetMinFrameIntervalMs(DisplayFrameIntervalMs(window));
            }
        }
        TGFrameStatistics statistics;
        TGLoopOptions loop;
        loop.Statistics = options.Statistics ? &statistics : nullptr;
        loop.FixedStep = options.FixedStep ? &fixedTicks : nullptr;
        loop.MaxFrames = options.Frames;
        loop.Script = script ? &*script : nullptr;
        loop.Screenshots = screenshots;
        loop.Trace = trace.get();
        loop.DrawLookedAtOnly = options.Headless && !options.DrawAll;
        loop.DrawEvery = options.DrawEvery;
        TGFrameLoop(form, window, ticks, loop).Run();
        if (wave) {
            wave->Close();
        }
        if (options.Statistics) {
            std::printf("%s", statistics.Report().c_str());
        }
        if (form.ErrorCount() > 0) {
            std::fprintf(stderr, "%s", form.ErrorSummary().c_str());
            return ExitFailure;
        }
    } catch (const EGFatalExit& fatal) {
        return fatal.Status;
    } catch (const std::exception& error) {
        window.ShowMessage(TGGameForm::FatalTitle, error.what());
        return ExitFailure;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Past the file-size limit (ulimit -f) a write would otherwise end the process with a core
    // dump; ignored, the write fails with EFBIG and the error paths of the writers report it.
    std::signal(SIGXFSZ, SIG_IGN);
    TGCommandLine options;
    try {
        options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return ExitUsage;
    }
    if (options.ShowHelp) {
        std::printf("%s", CommandLineUsage("quillmark").c_str());
        return 0;
    }
    if (options.ShowVersion) {
        std::printf("Quillmark %s\n", QM_VERSION);
        return 0;
    }
    try {
        return RunGame(options);
    } catch (const std::exception& error) {
        ShowPlatformMessage(TGGameForm::FatalTitle, error.what(), options.Headless);
        return ExitFailure;
    }
}
