#include "UPlayHost.h"

#include "UElements.h"
#include "UGError.h"
#include "UGResManager.h"
#include "UGStrings.h"
#include "UParticleSystem.h"

#include <algorithm>

namespace qm {

TGSequence* IPlayHost::FindSeq(const std::string& name) {
    TGResManager* resources = ResManager();
    if (!resources || name.empty() || !resources->HasSeq(name)) {
        return nullptr;
    }
    return &resources->GetSeq(name);
}

std::string ComboSoundName(int comboCount) {
    return comboCount <= 0 ? std::string("Match") : Format("Combo%d", std::min(comboCount, 10));
}

std::string SpecialAppearSoundName(int kind) {
    return kind >= 1 && kind <= 3 ? Format("Special%dAppear", kind) : std::string("SpecialExtraAppear");
}

TParticleEnv IPlayHost::ParticleEnv() {
    return {ResManager(), &GameClock(), &GameClock()};
}

void IPlayHost::ElementStartsFalling(TSimpleElement& element) {
    element.Deselect();
}

// Kind 9 is the wild chameleon, a marble, and has no special of its own.
std::unique_ptr<TSpecial> IPlayHost::CreateSpecial(int kind, int x, int y) {
    if (kind < 1 || kind > 15 || kind == 9) {
        throw EGError("TGameManager.SpecialKindClass");
    }
    return NewElement<TSpecialExt>(*this, x, y, kind);
}

std::string IPlayHost::SpecialMainSeq(int kind) const {
    return Format("specials/%d/Special", kind);
}

std::string IPlayHost::SpecialSelectSeq(int kind) const {
    return Format("specials/%d/SpecialSel", kind);
}

} // namespace qm
