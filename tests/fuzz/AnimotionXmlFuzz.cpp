// Animotions as XML describes them: the input is parsed as XML and its root element imported as an
// animotion, which is then stepped, drawn, aligned and restarted on the null renderer. The
// sequences it may name ("art/button", "art/coin" with three frames, "art/glow") are made in
// memory once, so the harness spends its time in the animotion and not on the disk.
#include "FuzzSupport.h"
#include "UGAnimotion.h"
#include "UGNewXMLNode.h"
#include "UGResManager.h"
#include "UGSprite.h"
#include "UGTexturePack.h"
#include "UGXMLNode.h"

#include <memory>
#include <pugixml.hpp>
#include <vector>

namespace {

class TFuzzArt : public qm::TGResource {
public:
    TFuzzArt(const qm::TGResContextRec& context, const qm::TGResourceDef& def)
        : TGResource(context, def), FPack(*context.Device, false, qm::pfA8R8G8B8, 256, 256) {
        Add("art/button", 1, 6, 4);
        Add("art/coin", 3, 4, 2);
        Add("art/glow", 1, 5, 5);
    }
    void CollectSequences(std::vector<qm::TGSequence*>& out) const override {
        for (const auto& sequence : FSequences) {
            out.push_back(sequence.get());
        }
    }

private:
    void Add(const char* name, int frames, int width, int height) {
        auto sequence = std::make_unique<qm::TGSequence>(name);
        for (int i = 0; i < frames; ++i) {
            sequence->Add(std::make_unique<qm::TGSprite>(*Context().Device, width, height, FPack, false));
        }
        FSequences.push_back(std::move(sequence));
    }

    qm::TGTexturePack FPack;
    std::vector<std::unique_ptr<qm::TGSequence>> FSequences;
};

struct TWorld {
    TWorld() {
        qm::TGResourceRegistry::Instance().Register(
            "FuzzArt", "",
            [](const qm::TGResContextRec& context, const qm::TGResourceDef& def)
                -> std::unique_ptr<qm::TGResource> { return std::make_unique<TFuzzArt>(context, def); });
        config.load_string(R"(<Config><Resource Id="Art" Type="FuzzArt"/>
                                <ResourceSet Name="All"><Include ResType="FuzzArt"/></ResourceSet></Config>)");
        qm::TGResContextRec context;
        context.Device = &device.Device();
        context.Config = qm::CreateXMLSnapshot(config.document_element(), "Config.xml");
        context.Fonts = &fonts;
        manager = std::make_unique<qm::TGResManager>(context);
        manager->SetResourceSet("All");
        timer.Step = 0.01;
    }

    qm::fuzz::TNullDevice device;
    pugi::xml_document config;
    qm::TGNewXMLNode fonts{"Fonts"};
    std::unique_ptr<qm::TGResManager> manager;
    qm::TGManualTickSource ticks;
    qm::TGTimer timer{ticks, 1.0};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    static TWorld world;
    pugi::xml_document document;
    if (!document.load_buffer(data, size)) {
        return 0;
    }
    fuzz::ReadsOrFails([&] {
        PGXMLNode node = CreateXMLSnapshot(document.document_element(), "Animotion.xml");
        TGAnimotion animotion(world.manager.get(), &world.timer);
        animotion.Import(*node);
        for (int frame = 0; frame < 40 && !animotion.IsFinished(); ++frame) {
            animotion.Draw();
        }
        animotion.AlignEnds();
        animotion.SetTime(0.0);
        animotion.GetChannel(0).SetAlpha(0.5);
        animotion.Update(0.0);
        animotion.Update(0.25);
        animotion.Render(false);
        animotion.ClearSegments();
        animotion.Update(0.01);
        animotion.Render(false);
    });
    return 0;
}
