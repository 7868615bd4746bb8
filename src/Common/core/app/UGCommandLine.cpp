#include "UGCommandLine.h"

#include "UGConvert.h"
#include "UGError.h"
#include "UGStrings.h"

namespace qm {

namespace {

const char* const Context = "Command line";

uint64_t FrameNumber(const std::string& text, const std::string& option) {
    auto value = ParseDecimalInt(text);
    if (!value || *value < 1) {
        throw EGError(Context, Format("%s needs a frame number of 1 or more, not \"%s\"", option.c_str(),
                                      text.c_str()));
    }
    return static_cast<uint64_t>(*value);
}

TGScreenshotRequest ScreenshotRequest(const std::string& value) {
    size_t colon = value.find(':');
    if (colon == std::string::npos || colon + 1 == value.size()) {
        throw EGError(Context, Format("--screenshot wants N:FILE.png, not \"%s\"", value.c_str()));
    }
    return {FrameNumber(value.substr(0, colon), "--screenshot"), value.substr(colon + 1)};
}

} // namespace

TGCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    TGCommandLine result;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) {
                throw EGError(Context, Format("%s needs a value", arg.c_str()));
            }
            return args[++i];
        };
        if (arg == "--data") {
            result.DataFolder = value();
        } else if (arg == "--user-dir") {
            result.UserFolder = value();
        } else if (arg == "--cache-dir") {
            result.CacheFolder = value();
        } else if (arg == "--headless") {
            result.Headless = true;
        } else if (arg == "--fixed-step") {
            result.FixedStep = true;
        } else if (arg == "--frames") {
            result.Frames = FrameNumber(value(), arg);
        } else if (arg == "--input") {
            result.InputFile = value();
        } else if (arg == "--screenshot") {
            result.Screenshots.push_back(ScreenshotRequest(value()));
        } else if (arg == "--scene") {
            result.Scene = value();
        } else if (arg == "--windowed") {
            result.FullScreen = false;
        } else if (arg == "--fullscreen") {
            result.FullScreen = true;
        } else if (arg == "--draw-all") {
            result.DrawAll = true;
        } else if (arg == "--draw-every") {
            result.DrawEvery = FrameNumber(value(), arg);
        } else if (arg == "--stats") {
            result.Statistics = true;
        } else if (arg == "--audio-wav") {
            result.AudioWav = value();
        } else if (arg == "--no-vsync") {
            result.NoVSync = true;
        } else if (arg == "--autoplay") {
            result.Autoplay = true;
        } else if (arg == "--developer") {
            result.Developer = true;
        } else if (arg == "--trace") {
            result.TraceFile = value();
        } else if (arg == "--help" || arg == "-h") {
            result.ShowHelp = true;
        } else if (arg == "--version") {
            result.ShowVersion = true;
        } else if (LowerAscii(Trim(arg)) == "-mce") {
            result.MediaCenter = true;
        } else {
            throw EGError(Context, Format("unknown option \"%s\" (try --help)", arg.c_str()));
        }
    }
    return result;
}

std::string CommandLineUsage(const std::string& programName) {
    return "Usage: " + programName + R"( [options]

  --data DIR            the data folder (default: the one built beside the program)
  --user-dir DIR        the per-user folder (default: $XDG_DATA_HOME/Quillmark2)
  --cache-dir DIR       the caches of a read-only data folder
                        (default: $XDG_CACHE_HOME/Quillmark2)
  --windowed            start in a window
  --fullscreen          start in full screen
  --headless            no screen and no sound card: offscreen rendering for tests;
                        only the frames looked at are drawn (those of --screenshot,
                        --draw-every and the last of --frames), every frame updates
  --draw-all            a headless run draws and presents every frame
  --draw-every N        a headless run also draws every N-th frame
  --fixed-step          every frame advances the clocks by exactly 10 ms
  --frames N            stop after N frames
  --input FILE          play mouse and key events from FILE at given frames
  --screenshot N:FILE   write the back buffer of frame N to FILE (PNG); repeatable
  --scene NAME          open a test scene or a named screen directly
  --autoplay            an automatic player plays the scene (the "sublevel" scene
                        has one): it finds a legal swap and clicks it, like a person
  --developer           every player is the developer user: the developer keys work
                        (on the board, N wins the sublevel and F loses it) and the
                        F8 overlay shows the diagnostic lines
  --trace FILE          write one line per game event to FILE as it happens,
                        each starting with its frame number (see the README)
  --stats               print frame times and draw calls per frame at exit
  --no-vsync            present as soon as a frame is drawn, not with the display
  --audio-wav FILE      render the game's sound into FILE (WAV, 44100 Hz, 16-bit
                        stereo) instead of a sound card, in step with the game's clock
  --version             print the version and stop
  --help                print this text and stop
)";
}

} // namespace qm
