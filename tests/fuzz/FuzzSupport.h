#pragma once

#include "UGAppData.h"
#include "UGGraphicsDevice.h"
#include "UGNullRenderBackend.h"
#include "UGResManager.h"
#include "UGTimer.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include <pugixml.hpp>

namespace qm::fuzz {

namespace fs = std::filesystem;

// The input as text; readers take their files as byte strings.
std::string Bytes(const uint8_t* data, size_t size);

// The input cut at its first zero byte: what comes before and what comes after it. Harnesses that
// hand the game two files take them this way.
std::pair<std::string, std::string> SplitAtZero(std::string_view input);

// A private folder of the process under the system's temporary folder, emptied at every run, so
// that readers that take file names see only the files of the current input and nothing a
// harness writes can land in a data folder. Removed when the process ends.
class TScratch {
public:
    static TScratch& Instance();
    // An empty folder for this run.
    const fs::path& Fresh();
    void Write(const fs::path& relative, const std::string& bytes) const;
    const fs::path& Path() const { return FPath; }

private:
    TScratch();
    ~TScratch();
    fs::path FPath;
};

// Runs a reader and lets the engine's own error pass: bad data must end in EGError. Anything else
// (another exception type, a crash, a leak, undefined behaviour) is what the fuzzer looks for.
// True when the reader finished without an error.
bool ReadsOrFails(const std::function<void()>& reader);

// Three small pictures (one of them a strip of three frames, one with an alpha image) written
// into an image folder with fixed file times, so that a pool built from them, and the bundle it
// leaves, are the same in every run and in the seeds.
void WriteSampleArt(const fs::path& folder);

// The pool the bundle harness loads and the seed maker builds: "gfx/art" of the data folder.
constexpr char SamplePoolXml[] = R"(<Resource Id="Art" Type="SeqPool" PixelFormat="A8R8G8B8">
                                      <SeqDir Root="gfx" Path="art"/></Resource>)";

// A graphics device on the null renderer at 800 x 600, for the readers that build sprites.
class TNullDevice {
public:
    TNullDevice();
    TGGraphicsDevice& Device() { return FDevice; }

private:
    TGNullRenderBackend FBackend;
    TGManualTickSource FTicks;
    TGGraphicsDevice FDevice;
};

// Builds the sequence pool `xml` describes, as the resource manager would, from the data and user
// folders given; errors of its data come out as the engine's error.
std::unique_ptr<TGResource> CreatePool(TNullDevice& device, const std::string& xml,
                                       const fs::path& dataFolder, const fs::path& userFolder);

// The engine over a built data folder (the default one the seeds come from) on the null renderer,
// made at the first call and kept for the process, with `resourceSet` loaded so that the seeds'
// styles find their pictures and fonts (system fonts through `rasterizer`). Its per-user folder
// (where the graphics cache is built) is a private temporary one.
TGAppData& DataFolderApp(const fs::path& data, const std::string& resourceSet, IGFontRasterizer* rasterizer);

// The harnesses of widget XML (screens, effects) share one engine: the default data folder the
// build names, the widget gallery's resources loaded, the platform's fonts. Made at the first call.
TGAppData& WidgetGalleryApp();

// Reads the input into `document`; false when it is no XML, which such harnesses pass over.
bool ParseXml(pugi::xml_document& document, const uint8_t* data, size_t size);

} // namespace qm::fuzz
