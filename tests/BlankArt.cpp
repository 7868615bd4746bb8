#include "BlankArt.h"

#include "Common/core/anim/AnimTestSupport.h"
#include "UGSprite.h"
#include "UGTexturePack.h"

namespace qm::test {
namespace {

class TBlankArtResource : public TGResource {
public:
    TBlankArtResource(const TGResContextRec& context, const TGResourceDef& def,
                      const std::vector<TBlankSequence>& sequences, int packSize)
        : TGResource(context, def), FPack(*context.Device, false, pfA8R8G8B8, packSize, packSize) {
        for (const TBlankSequence& sequence : sequences) {
            AddSequence(sequence);
        }
    }
    void CollectSequences(std::vector<TGSequence*>& out) const override {
        for (const auto& sequence : FSequences) {
            out.push_back(sequence.get());
        }
    }

private:
    void AddSequence(const TBlankSequence& blank) {
        auto sequence = std::make_unique<TGSequence>(blank.Name);
        for (int i = 0; i < blank.Frames; ++i) {
            sequence->Add(
                std::make_unique<TGSprite>(*Context().Device, blank.Width, blank.Height, FPack, false));
        }
        FSequences.push_back(std::move(sequence));
    }

    TGTexturePack FPack;
    std::vector<std::unique_ptr<TGSequence>> FSequences;
};

} // namespace

std::unique_ptr<TGResManager> MakeBlankArt(TGGraphicsDevice& device, TGNewXMLNode& fonts,
                                           const std::string& typeName, std::vector<TBlankSequence> sequences,
                                           int packSize) {
    TGResourceRegistry::Instance().Register(
        typeName, "",
        [sequences = std::move(sequences),
         packSize](const TGResContextRec& context, const TGResourceDef& def) -> std::unique_ptr<TGResource> {
            return std::make_unique<TBlankArtResource>(context, def, sequences, packSize);
        });
    TGResContextRec context;
    context.Device = &device;
    context.Config = ParseXml("<Config><Resource Id=\"Art\" Type=\"" + typeName +
                              "\"/><ResourceSet Name=\"All\"><Include ResType=\"" + typeName +
                              "\"/></ResourceSet></Config>");
    context.Fonts = &fonts;
    auto manager = std::make_unique<TGResManager>(context);
    manager->SetResourceSet("All");
    return manager;
}

} // namespace qm::test
