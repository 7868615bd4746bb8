// quillmark-soundgen SOURCE_DATA DATA_FOLDER: synthesises the default sound effects into
// DATA_FOLDER/sounds and assembles the songs of SOURCE_DATA/music into tracker modules in
// DATA_FOLDER/music. Each module is played through libxmp before it is written, and one that
// clips stops the build.
// quillmark-soundgen --levels DATA_FOLDER: prints the peak and RMS of every generated file.

#include "Effects.h"
#include "Instruments.h"
#include "Song.h"
#include "XmRender.h"
#include "XmWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

using namespace soundgen;
namespace fs = std::filesystem;

namespace {

// Music may come this close to full scale and no closer.
constexpr double MusicPeakLimit = 0.95;

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteEffects(const fs::path& data) {
    for (const TEffect& effect : Effects()) {
        WriteBytes(data / "sounds" / effect.File, WavBytes(ToPcm(RenderEffect(effect))));
    }
}

void WriteSongs(const fs::path& source, const fs::path& data) {
    std::vector<fs::path> songs;
    for (const auto& entry : fs::directory_iterator(source / "music")) {
        if (entry.path().extension() == ".song") {
            songs.push_back(entry.path());
        }
    }
    // Directory order differs between file systems; the output must not.
    std::sort(songs.begin(), songs.end());
    for (const fs::path& path : songs) {
        const TSong song = ParseSong(ReadText(path), path.string());
        const std::vector<uint8_t> bytes = WriteXm(BuildModule(song, MakeInstrument));
        const TLevels levels = MeasureLevels(RenderModule(bytes).Samples);
        if (levels.Peak > MusicPeakLimit) {
            throw std::runtime_error(path.string() + ": the music peaks at " + std::to_string(levels.Peak) +
                                     " of full scale; lower the instrument or voice volumes");
        }
        WriteBytes(data / "music" / (path.stem().string() + ".xm"), bytes);
    }
}

double Decibels(double level) {
    return level > 0 ? 20 * std::log10(level) : -120;
}

void PrintLevels(const fs::path& data) {
    std::printf("%-40s %9s %9s\n", "file", "peak dB", "RMS dB");
    for (const TEffect& effect : Effects()) {
        const TBuffer sound = RenderEffect(effect);
        std::vector<int16_t> pcm = ToPcm(sound);
        const TLevels levels = MeasureLevels(pcm);
        std::printf("%-40s %9.1f %9.1f\n", ("sounds/" + effect.File).c_str(), Decibels(levels.Peak),
                    Decibels(levels.Rms));
    }
    for (const auto& entry : fs::directory_iterator(data / "music")) {
        if (entry.path().extension() != ".xm") {
            continue;
        }
        const std::string text = ReadText(entry.path());
        const TLevels levels = MeasureLevels(RenderModule({text.begin(), text.end()}).Samples);
        std::printf("%-40s %9.1f %9.1f\n", ("music/" + entry.path().filename().string()).c_str(),
                    Decibels(levels.Peak), Decibels(levels.Rms));
    }
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 3 && std::string(argv[1]) == "--levels") {
            PrintLevels(argv[2]);
            return 0;
        }
        if (argc != 3) {
            std::cerr << "usage: quillmark-soundgen SOURCE_DATA DATA_FOLDER\n"
                         "       quillmark-soundgen --levels DATA_FOLDER\n";
            return 2;
        }
        WriteEffects(argv[2]);
        WriteSongs(argv[1], argv[2]);
    } catch (const std::exception& error) {
        std::cerr << "quillmark-soundgen: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
