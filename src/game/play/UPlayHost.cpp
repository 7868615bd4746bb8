#include "UPlayHost.h"

#include "UElements.h"
#include "UGError.h"
#include "UGResManager.h"
#include "UGStrings.h"
#include "UParticleSystem.h"
#include "USpecials.h"

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

std::unique_ptr<TSpecial> IPlayHost::CreateSpecial(int kind, int x, int y) {
    return MakeSpecialOfKind(*this, kind, x, y);
}

// The default game configuration names these sequences in every kind's folder.
std::string IPlayHost::SpecialMainSeq(int kind) const {
    return SpecialFolder(kind) + "/Special";
}

std::string IPlayHost::SpecialSelectSeq(int kind) const {
    return SpecialFolder(kind) + "/SpecialSel";
}

// Only the game screen counts specials towards the super bonus; the puzzle screen has none.
void IPlayHost::ConsumeSuperBonusSpecial() {
    int& budget = SuperBonusSpecialBudget();
    if (!OnPuzzleScreen() && budget >= 1) {
        --budget;
    }
}

void IPlayHost::AddBonusScores(int n) {
    if (!OnPuzzleScreen()) {
        AddScore(n * 5);
    }
}

} // namespace qm
