#pragma once

#include "UGTimer.h"

#include <filesystem>
#include <string>

namespace qm {

// The per-user folder: ${XDG_DATA_HOME:-$HOME/.local/share}/Quillmark2/. Raises
// "SHGetSpecialFolderPath failed!" when neither variable is set.
std::filesystem::path DefaultUserFolder();

// The Windows language id of a locale name ("de_DE.UTF-8" gives 1031); 1033 when unknown.
int LanguageIdFromLocale(const std::string& locale);

// The language id of the user's locale (LC_ALL, then LC_MESSAGES, then LANG).
int SystemLanguageId();

// The folder that holds the running program.
std::filesystem::path ProgramBinaryFolder();

// The platform's millisecond tick counter.
class TGSDLTickSource : public IGTickSource {
public:
    uint64_t NowMs() override;
};

// A message box when a screen exists, and always the same text on standard error.
void ShowPlatformMessage(const std::string& title, const std::string& text, bool headless);

} // namespace qm
