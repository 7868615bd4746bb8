#include "UGEffect.h"

#include "UGError.h"
#include "UGStrings.h"

namespace qm {

TGAniEffect::TGAniEffect(TGBaseAppData& app, const IGXMLNode& node) {
    PGXMLCollection animotions = node.GetCollection("Animotion");
    for (size_t i = 0; i < animotions->Count(); ++i) {
        auto animotion = std::make_shared<TGInterfaceAnimotion>(app);
        animotion->Import(*animotions->GetItem(i));
        FAnimotions.push_back(std::move(animotion));
    }
}

void TGAniEffect::Start() {
    for (const PGAnimotion& animotion : FAnimotions) {
        animotion->SetTime(0.0);
    }
}

bool TGAniEffect::IsFinished() {
    for (const PGAnimotion& animotion : FAnimotions) {
        if (!animotion->IsFinished()) {
            return false;
        }
    }
    return true;
}

void TGAniEffect::Draw(double x, double y) {
    for (const PGAnimotion& animotion : FAnimotions) {
        TGActiveChannel& anchor = animotion->GetChannel(0);
        anchor.X = x;
        anchor.Y = y;
        animotion->Render(true);
    }
}

PGEffect CreateEffectFromXML(TGBaseAppData& app, const IGXMLNode& node) {
    const std::string type = node.GetString("Type");
    if (type != "AniEffect") {
        throw EGError("CreateEffectFromXML",
                      Format("Unknown effect type: %s (%s)", type.c_str(), node.GetLocation().c_str()));
    }
    return std::make_shared<TGAniEffect>(app, node);
}

} // namespace qm
