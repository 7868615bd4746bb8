#include "UGameData.h"

#include "UGConfigPreprocessor.h"
#include "UGStrings.h"

#include <pugixml.hpp>

namespace qm {

TBaseGameData::TBaseGameData(const TGAppStartInfo& info, const std::string& gameConfigName)
    : TGAppData(info) {
    TGConfigProcessor processor(WorkingFolder(), gameConfigName, false);
    GameConfig = CreateXMLSnapshot(processor.DocumentElement(), gameConfigName);
}

TGameData::TGameData(const TGAppStartInfo& info, const std::string& gameConfigName, bool fullScreen)
    : TBaseGameData(info, gameConfigName), FFullScreen(fullScreen || info.MediaCenter) {}

void TGameData::ApplyVideoMode() {
    SetFullScreenNow(FFullScreen);
}

void TGameData::SetFullScreen(bool on) {
    FFullScreen = on;
    ApplyVideoMode();
}

bool TGameData::IsDeveloperUser() const {
    return Config->GetBoolDef("IsCindrelUsrEnable", false) && LowerAscii(CurrentPlayerName) == "qendrivols";
}

bool TGameData::IsEasterEggUser() const {
    return LowerAscii(CurrentPlayerName) == "pelvorn";
}

} // namespace qm
