#include "WidgetTestApp.h"

#include "UGPngWriter.h"
#include "UGResManager.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace qm::test {

WidgetTestApp::WidgetTestApp(IGRenderBackend* backend, IGWindow* window) {
    fs::path data = CopyFixture("widgets", FDir);
    // An 8 x 8 arrow and a 30 x 30 frame with 10-pixel borders.
    fs::create_directories(data / "gfx/stuff");
    WritePng(data / "gfx/stuff/Cursor.png", 8, 8, std::vector<uint32_t>(64, 0xFFFFFFFFu));
    WritePng(data / "gfx/stuff/Frame.png", 30, 30, std::vector<uint32_t>(900, 0xFF808080u));
    TGAppStartInfo info;
    info.ProgramFolder = data;
    info.UserFolder = FDir.Path() / "user";
    info.SystemLanguageId = 1033;
    info.Ticks = &FTicks;
    info.Window = window ? window : &FWindow;
    info.Backend = backend;
    FApp = std::make_unique<WidgetTestAppData>(info);
    FApp->SoundEngine = Sounds;
    FApp->ResManager->SetResourceSet("Widgets");
}

WidgetTestApp::~WidgetTestApp() {
    FApp.reset();
    std::error_code ec;
    fs::current_path(FStartFolder, ec);
}

TGWidget& WidgetTestApp::ShowTestScreen() {
    return Manager().ShowScreenFromConfig("TestScreen").GetChild("TestScreen");
}

PGXMLNode WidgetTestApp::Parse(const std::string& xml, const std::string& file) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(xml.c_str())) << xml;
    return CreateXMLSnapshot(document.document_element(), file);
}

} // namespace qm::test
