#include "UGOSServices.h"

#include "UGError.h"
#include "UGStrings.h"

#include <SDL.h>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace qm {

namespace fs = std::filesystem;

fs::path DefaultUserFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome) {
        return fs::path(dataHome) / "Quillmark2";
    }
    const char* home = std::getenv("HOME");
    if (home && *home) {
        return fs::path(home) / ".local" / "share" / "Quillmark2";
    }
    throw EGError("SHGetSpecialFolderPath failed!");
}

int LanguageIdFromLocale(const std::string& locale) {
    struct TEntry {
        const char* Prefix;
        int Id;
    };
    // Region-specific entries come before the language alone.
    static constexpr TEntry Table[] = {
        {"en_gb", 2057}, {"pt_br", 1046}, {"zh_tw", 1028}, {"zh_hk", 3076}, {"fr_ca", 3084}, {"es_mx", 2058},
        {"en", 1033},    {"de", 1031},    {"fr", 1036},    {"it", 1040},    {"es", 3082},    {"nl", 1043},
        {"pt", 2070},    {"ru", 1049},    {"pl", 1045},    {"sv", 1053},    {"da", 1030},    {"fi", 1035},
        {"nb", 1044},    {"no", 1044},    {"nn", 2068},    {"cs", 1029},    {"sk", 1051},    {"hu", 1038},
        {"tr", 1055},    {"el", 1032},    {"ja", 1041},    {"ko", 1042},    {"zh", 2052},    {"uk", 1058},
        {"ro", 1048},    {"bg", 1026},    {"hr", 1050},    {"sl", 1060},    {"lt", 1063},    {"lv", 1062},
        {"et", 1061},    {"ca", 1027},    {"he", 1037},    {"ar", 1025},    {"th", 1054},    {"vi", 1066},
    };
    std::string name = LowerAscii(locale);
    for (const TEntry& entry : Table) {
        std::string prefix = entry.Prefix;
        if (name.compare(0, prefix.size(), prefix) == 0 &&
            (name.size() == prefix.size() ||
             !std::isalpha(static_cast<unsigned char>(name[prefix.size()])))) {
            return entry.Id;
        }
    }
    return 1033;
}

int SystemLanguageId() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) {
            return LanguageIdFromLocale(value);
        }
    }
    return 1033;
}

fs::path ProgramBinaryFolder() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        return self.parent_path();
    }
    return fs::current_path();
}

uint64_t TGSDLTickSource::NowMs() {
    return SDL_GetTicks64();
}

void ShowPlatformMessage(const std::string& title, const std::string& text, bool headless) {
    // The game's texts separate lines with a carriage return alone.
    std::string shown = text;
    for (char& c : shown) {
        if (c == '\r') {
            c = '\n';
        }
    }
    std::fprintf(stderr, "%s: %s\n", title.c_str(), shown.c_str());
    if (!headless) {
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, title.c_str(), shown.c_str(), nullptr);
    }
}

} // namespace qm
