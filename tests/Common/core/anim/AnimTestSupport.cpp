#include "AnimTestSupport.h"

#include "UGSprite.h"
#include "UGTexturePack.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace qm::test {
namespace {

class TAnimArtResource : public TGResource {
public:
    TAnimArtResource(const TGResContextRec& context, const TGResourceDef& def)
        : TGResource(context, def), FPack(*context.Device, false, pfA8R8G8B8, 256, 256) {
        AddSequence("anim/Strip", 50, 4, 2);
        AddSequence("anim/Box", 1, 20, 10);
    }
    void CollectSequences(std::vector<TGSequence*>& out) const override {
        for (const auto& sequence : FSequences) {
            out.push_back(sequence.get());
        }
    }

private:
    void AddSequence(const std::string& name, int frames, int width, int height) {
        auto sequence = std::make_unique<TGSequence>(name);
        for (int i = 0; i < frames; ++i) {
            sequence->Add(std::make_unique<TGSprite>(*Context().Device, width, height, FPack, false));
        }
        FSequences.push_back(std::move(sequence));
    }

    TGTexturePack FPack;
    std::vector<std::unique_ptr<TGSequence>> FSequences;
};

} // namespace

TAnimArt::TAnimArt() {
    FDevice.SetMode(800, 600, 1.0);
    TGResourceRegistry::Instance().Register(
        "AnimTestArt", "",
        [](const TGResContextRec& context, const TGResourceDef& def) -> std::unique_ptr<TGResource> {
            return std::make_unique<TAnimArtResource>(context, def);
        });
    TGResContextRec context;
    context.Device = &FDevice;
    context.Config = ParseXml(R"(<Config><Resource Id="Art" Type="AnimTestArt"/>
                                   <ResourceSet Name="All"><Include ResType="AnimTestArt"/></ResourceSet></Config>)");
    context.Fonts = &FFonts;
    FManager = std::make_unique<TGResManager>(context);
    FManager->SetResourceSet("All");
}

TAnimArt::~TAnimArt() = default;

const TAnimArt::Vertex* TAnimArt::LastQuad() {
    return reinterpret_cast<const Vertex*>(
        FDevice.CommonVertexBuffer(vfXYZDiffuseTex1, 4, sizeof(Vertex))->Data());
}

void TAnimArt::NewFrame() {
    FDevice.ClearScene();
}

PGXMLNode ParseXml(const std::string& text) {
    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_string(text.c_str());
    EXPECT_TRUE(parsed) << parsed.description();
    return CreateXMLSnapshot(document.document_element(), "test.xml");
}

} // namespace qm::test
