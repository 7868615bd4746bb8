#include "UGOSServices.h"
#include "UGError.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>

namespace qm {
namespace {

// Sets an environment variable for the life of the object and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : FName(name) {
        if (const char* old = std::getenv(name)) {
            FOld = old;
        }
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (FOld) {
            setenv(FName, FOld->c_str(), 1);
        } else {
            unsetenv(FName);
        }
    }

private:
    const char* FName;
    std::optional<std::string> FOld;
};

TEST(OSServices, LocaleNamesMapToWindowsLanguageIds) {
    struct {
        const char* Locale;
        int Id;
    } cases[] = {{"en_US.UTF-8", 1033}, {"de_DE.UTF-8", 1031},
                 {"fr_FR", 1036},       {"it_IT@euro", 1040},
                 {"es_ES.UTF-8", 3082}, {"pt_BR.UTF-8", 1046},
                 {"pt_PT", 2070},       {"C", 1033},
                 {"POSIX", 1033},       {"", 1033},
                 {"xx_YY", 1033},       {"DE", 1031},
                 {"en_GB.UTF-8", 2057}, {"nl", 1043},
                 {"est", 1033}};
    for (const auto& c : cases) {
        EXPECT_EQ(LanguageIdFromLocale(c.Locale), c.Id) << c.Locale;
    }
}

TEST(OSServices, SystemLanguageFollowsTheLocaleVariablesInOrder) {
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv messages("LC_MESSAGES", "fr_FR.UTF-8");
    ScopedEnv lang("LANG", "de_DE.UTF-8");
    EXPECT_EQ(SystemLanguageId(), 1036);
    {
        ScopedEnv override("LC_ALL", "it_IT.UTF-8");
        EXPECT_EQ(SystemLanguageId(), 1040);
    }
    ScopedEnv noMessages("LC_MESSAGES", nullptr);
    EXPECT_EQ(SystemLanguageId(), 1031);
}

TEST(OSServices, UserFolderFollowsXdgThenHomeAndFailsWithoutEither) {
    ScopedEnv xdg("XDG_DATA_HOME", "/tmp/xdg");
    ScopedEnv home("HOME", "/home/builder");
    EXPECT_EQ(DefaultUserFolder(), std::filesystem::path("/tmp/xdg/Quillmark2"));
    {
        ScopedEnv emptyXdg("XDG_DATA_HOME", "");
        EXPECT_EQ(DefaultUserFolder(), std::filesystem::path("/home/builder/.local/share/Quillmark2"));
    }
    ScopedEnv noXdg("XDG_DATA_HOME", nullptr);
    ScopedEnv noHome("HOME", nullptr);
    try {
        DefaultUserFolder();
        FAIL() << "no error";
    } catch (const EGError& error) {
        EXPECT_STREQ(error.what(), "SHGetSpecialFolderPath failed!");
    }
}

} // namespace
} // namespace qm
