#include "UGSilentBassEngine.h"

#include "UGError.h"
#include "UGStrings.h"

namespace qm {

void CheckVolume(const std::string& context, int volume) {
    if (volume < 0 || volume > 100) {
        throw EGError(context, Format("Range check error: volume %d outside 0..100", volume));
    }
}

// The silent engine checks volumes as the real one does, so that a wrong value from the
// options shows on every machine, not only on those with a sound card.
TGSilentBassEngine::TGSilentBassEngine(int soundVolume, int musicVolume)
    : FSoundVolume(soundVolume), FMusicVolume(musicVolume) {}

void TGSilentBassEngine::SetMusicVolume(int volume) {
    CheckVolume("TGSilentBassEngine.SetMusicVolume", volume);
    FMusicVolume = volume;
}

void TGSilentBassEngine::SetSoundVolume(int volume) {
    CheckVolume("TGSilentBassEngine.SetSoundVolume", volume);
    FSoundVolume = volume;
}

} // namespace qm
