#include "FuzzSupport.h"

#include "UGError.h"
#include "UGFreeTypeRasterizer.h"
#include "UGNewXMLNode.h"
#include "UGPngWriter.h"

#include <chrono>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace qm::fuzz {

namespace {

// Readers write their caches with a flush to the disk; in memory that costs nothing, which keeps
// the executions per second up.
fs::path ScratchParent() {
    std::error_code ec;
    if (::access("/dev/shm", W_OK) == 0 && fs::is_directory("/dev/shm", ec)) {
        return "/dev/shm";
    }
    return fs::temp_directory_path();
}

} // namespace

std::string Bytes(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

std::pair<std::string, std::string> SplitAtZero(std::string_view input) {
    const size_t zero = input.find('\0');
    if (zero == std::string_view::npos) {
        return {std::string(input), std::string()};
    }
    return {std::string(input.substr(0, zero)), std::string(input.substr(zero + 1))};
}

TScratch& TScratch::Instance() {
    static TScratch scratch;
    return scratch;
}

TScratch::TScratch() {
    std::string pattern = (ScratchParent() / "quillmark-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    FPath = pattern;
}

TScratch::~TScratch() {
    std::error_code ec;
    fs::remove_all(FPath, ec);
}

const fs::path& TScratch::Fresh() {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(FPath, ec)) {
        fs::remove_all(entry.path(), ec);
    }
    return FPath;
}

void TScratch::Write(const fs::path& relative, const std::string& bytes) const {
    const fs::path path = FPath / relative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

bool ReadsOrFails(const std::function<void()>& reader) {
    try {
        reader();
        return true;
    } catch (const EGError&) {
        return false;
    }
}

void WriteSampleArt(const fs::path& folder) {
    fs::create_directories(folder);
    auto pattern = [](int width, int height, uint32_t seed) {
        std::vector<uint32_t> argb;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                argb.push_back(0xFF000000u | ((seed + static_cast<uint32_t>(x * 37 + y * 91)) & 0xFFFFFFu));
            }
        }
        return argb;
    };
    WritePng(folder / "button.png", 6, 4, pattern(6, 4, 0x203040u));
    std::vector<uint32_t> grey;
    for (int i = 0; i < 6 * 4; ++i) {
        const uint32_t v = static_cast<uint32_t>(i * 10);
        grey.push_back(0xFF000000u | v << 16 | v << 8 | v);
    }
    WritePng(folder / "button_a.png", 6, 4, grey);
    WritePng(folder / "coin.3.png", 12, 2, pattern(12, 2, 0x805010u));
    std::vector<uint32_t> glow = pattern(5, 5, 0x10F080u);
    glow[12] &= 0x40FFFFFFu;
    WritePng(folder / "glow.png", 5, 5, glow);
    const auto fixedTime = fs::file_time_type(std::chrono::seconds(1700000000));
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        fs::last_write_time(entry.path(), fixedTime);
    }
}

TNullDevice::TNullDevice() : FDevice(FBackend, nullptr, FTicks, nullptr) {
    FDevice.SetMode(800, 600, 1.0);
}

std::unique_ptr<TGResource> CreatePool(TNullDevice& device, const std::string& xml,
                                       const fs::path& dataFolder, const fs::path& userFolder) {
    TGNewXMLNode node("Resource");
    node.LoadFromString(xml);
    TGResourceDef def;
    def.Id = node.GetString("Id");
    def.Type = "SeqPool";
    def.PlainNode = &node;
    TGResContextRec context;
    context.Device = &device.Device();
    context.DataFolder = dataFolder;
    context.UserFolder = userFolder;
    return TGResourceRegistry::Instance().ResolveClass("SeqPool").Create(context, def);
}

namespace {

class TFuzzAppData : public TGAppData {
public:
    using TGAppData::TGAppData;
    void ApplyVideoMode() override {}
};

// The application and what it keeps references to, removed with its user folder at exit.
struct TDataFolderApp {
    TDataFolderApp(const fs::path& data, const std::string& resourceSet, IGFontRasterizer* rasterizer) {
        std::string pattern = (ScratchParent() / "quillmark-fuzz-user-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            throw std::runtime_error("mkdtemp failed");
        }
        UserFolder = pattern;
        TGAppStartInfo info;
        info.ProgramFolder = data;
        info.UserFolder = UserFolder;
        info.Ticks = &Ticks;
        info.FontRasterizer = rasterizer;
        App = std::make_unique<TFuzzAppData>(info);
        App->ResManager->SetResourceSet(resourceSet);
        App->InterfaceClock->Step = 0.05;
        App->GameClock->Step = 0.05;
    }
    ~TDataFolderApp() {
        App.reset();
        std::error_code ec;
        fs::remove_all(UserFolder, ec);
    }

    fs::path UserFolder;
    TGManualTickSource Ticks{1000};
    std::unique_ptr<TFuzzAppData> App;
};

} // namespace

TGAppData& DataFolderApp(const fs::path& data, const std::string& resourceSet, IGFontRasterizer* rasterizer) {
    static TDataFolderApp app(data, resourceSet, rasterizer);
    return *app.App;
}

TGAppData& WidgetGalleryApp() {
    static TGFreeTypeRasterizer rasterizer;
    return DataFolderApp(QM_FUZZ_DATA, "WidgetGallery", &rasterizer);
}

bool ParseXml(pugi::xml_document& document, const uint8_t* data, size_t size) {
    return static_cast<bool>(document.load_buffer(data, size));
}

} // namespace qm::fuzz
