#include "UGEngineResources.h"

#include "UGFont.h"
#include "UGResManager.h"
#include "UGSeqPool.h"

#include <string>

namespace qm {

void RegisterEngineResourceClasses() {
    RegisterSeqPoolClass();
    RegisterFontClasses();
}

// The manager's typed font look-ups live here, with the one unit that knows the font types, so
// that the manager itself depends on no concrete resource.

TGFont& TGResManager::GetFont(const std::string& name) const {
    // The big title font became the one title font; old screens still ask for it.
    const std::string& wanted = name == "FntTitlesBig" ? std::string("FntTitles") : name;
    return static_cast<TGFont&>(GetItem(TGResourceRegistry::Instance().ResolveClass("Font"), wanted));
}

bool TGResManager::HasFont(const std::string& name) const {
    const TGResourceClass& font = TGResourceRegistry::Instance().ResolveClass("Font");
    for (size_t i = 0; i < Count(); ++i) {
        if (At(i).Id() == name && At(i).Class().IsOrDerivesFrom(&font)) {
            return true;
        }
    }
    return false;
}

} // namespace qm
