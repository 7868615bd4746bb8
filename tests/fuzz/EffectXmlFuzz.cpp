// The show and hide effects of widgets are XML of the data folder, which anybody may edit. The
// input is an effect element (`ShowEffect` or `HideEffect`, its animotions inside); it is built
// over the default data folder, started, drawn until it ends (at most a few seconds of the
// interface clock) and started again. The seeds are the effects of the default data.
#include "FuzzSupport.h"
#include "UGEffect.h"
#include "UGXMLNode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    static TGAppData& app = fuzz::WidgetGalleryApp();
    pugi::xml_document document;
    if (!fuzz::ParseXml(document, data, size)) {
        return 0;
    }
    fuzz::ReadsOrFails([&] {
        PGEffect effect =
            CreateEffectFromXML(app, *CreateXMLSnapshot(document.document_element(), "Effects.xml"));
        for (int round = 0; round < 2; ++round) {
            effect->Start();
            // 0.05 s a frame: three seconds, longer than any effect of the game.
            for (int frame = 0; frame < 60 && !effect->IsFinished(); ++frame) {
                effect->Draw(100.0, 50.0);
            }
        }
    });
    return 0;
}
