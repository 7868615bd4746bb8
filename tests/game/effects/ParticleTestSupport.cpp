#include "ParticleTestSupport.h"

#include "Common/core/anim/AnimTestSupport.h"
#include "UGSprite.h"
#include "UGTexturePack.h"
#include "UParticleEffects.h"

namespace qm::test {
namespace {

class TParticleArtResource : public TGResource {
public:
    TParticleArtResource(const TGResContextRec& context, const TGResourceDef& def)
        : TGResource(context, def), FPack(*context.Device, false, pfA8R8G8B8, 512, 512) {
        for (const std::string& name : ParticleSequenceNames()) {
            AddSequence(name, name == "specials/11/specialfx" ? 8 : 1, 32, 16);
        }
        AddSequence("test/Element", 1, 40, 40);
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

TParticleArt::TParticleArt() {
    FDevice.SetMode(800, 600, 1.0);
    TGResourceRegistry::Instance().Register(
        "ParticleTestArt", "",
        [](const TGResContextRec& context, const TGResourceDef& def) -> std::unique_ptr<TGResource> {
            return std::make_unique<TParticleArtResource>(context, def);
        });
    TGResContextRec context;
    context.Device = &FDevice;
    context.Config = ParseXml(R"(<Config><Resource Id="Art" Type="ParticleTestArt"/>
                                   <ResourceSet Name="All"><Include ResType="ParticleTestArt"/></ResourceSet></Config>)");
    context.Fonts = &FFonts;
    FManager = std::make_unique<TGResManager>(context);
    FManager->SetResourceSet("All");
}

TParticleArt::~TParticleArt() = default;

void TParticleArt::Step(double dt, bool gamePaused) {
    GameClock.Step = gamePaused ? 0.0 : dt;
    InterfaceClock.Step = dt;
}

} // namespace qm::test
