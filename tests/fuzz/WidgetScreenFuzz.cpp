// Screens and dialogs are XML of the data folder, which anybody may edit. The input is such a file:
// its first `Widget` element (or the root, when it is one) is built into a widget tree of the
// engine's widget classes over the default data folder, shown, ticked, drawn and hidden. Types the
// engine does not know are refused with the engine's error. The seeds are the screens of the
// default data, with the game's own widget types replaced by the engine's.
#include "FuzzSupport.h"
#include "UGWidget.h"
#include "UGXMLNode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    static TGAppData& app = fuzz::WidgetGalleryApp();
    pugi::xml_document document;
    if (!fuzz::ParseXml(document, data, size)) {
        return 0;
    }
    pugi::xml_node root = document.document_element();
    pugi::xml_node widget = std::string_view(root.name()) == "Widget" ? root : root.child("Widget");
    if (!widget) {
        return 0;
    }
    fuzz::ReadsOrFails([&] {
        std::unique_ptr<TGWidget> tree =
            CreateAbstract(app, TGXMLWidgetParams(CreateXMLSnapshot(widget, "Screens.xml")));
        TGInputState state;
        tree->Show();
        for (uint32_t frame = 0; frame < 8; ++frame) {
            tree->Tick(frame, state);
            tree->Draw();
        }
        tree->Hide();
        for (uint32_t frame = 8; frame < 12; ++frame) {
            tree->Tick(frame, state);
            tree->Draw();
        }
    });
    return 0;
}
