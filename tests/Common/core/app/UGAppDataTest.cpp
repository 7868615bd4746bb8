#include "UGAppData.h"
#include "TestHelpers.h"
#include "UGError.h"
#include "UGFileSystem.h"
#include "UGNullWindow.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qm {
namespace {

using test::TempDir;

class TTestAppData : public TGAppData {
public:
    using TGAppData::TGAppData;
    void ApplyVideoMode() override {}
};

class AppDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        data = test::CopyFixture("minimal", dir);
        info.ProgramFolder = data;
        info.UserFolder = dir.Path() / "user";
        info.SystemLanguageId = 1033;
        info.Ticks = &ticks;
        info.Window = &window;
    }
    void TearDown() override {
        std::error_code ec;
        fs::current_path(startFolder, ec);
    }
    std::string StartUpError() {
        try {
            TTestAppData app(info);
        } catch (const std::exception& error) {
            return error.what();
        }
        return "";
    }

    fs::path startFolder = fs::current_path();
    TempDir dir;
    fs::path data;
    TGManualTickSource ticks{1000};
    TGNullWindow window;
    TGAppStartInfo info;
};

TEST_F(AppDataTest, StartsFromTheDataFolderAndWritesItsCaches) {
    TTestAppData app(info);
    EXPECT_EQ(app.Config->GetName(), "CoreConfig");
    EXPECT_EQ(app.Config->GetCollection("ResourceSet")->Count(), 1u) << "the include was assembled";
    EXPECT_EQ(app.Dictionary->GetText("@UTest1"), "English");
    EXPECT_EQ(GDictionary, app.Dictionary.get());
    EXPECT_EQ(app.Fonts->GetName(), "Fonts");
    EXPECT_FALSE(app.SoundsEnabled);
    EXPECT_EQ(app.ScreenWidth, 800);
    EXPECT_DOUBLE_EQ(app.GameClock->Speed, 1.0);
    EXPECT_TRUE(fs::is_directory(dir.Path() / "user"));
    for (const char* cache : {"CoreConfig.xml.cr", "lang/Dic1033.cr", "lang/Fonts.cr"}) {
        EXPECT_TRUE(fs::exists(data / cache)) << cache;
    }
    EXPECT_EQ(app.WidgetManager, nullptr);
    EXPECT_FALSE(app.ShowSystemCursor);
}

TEST_F(AppDataTest, ShippedCachesAloneAreEnough) {
    { TTestAppData first(info); }
    for (const char* source : {"CoreConfig.xml", "config/Sets.xml", "lang/Dic1033.xml", "lang/Fonts.xml"}) {
        fs::remove(data / source);
    }
    TTestAppData app(info);
    EXPECT_EQ(app.Config->GetCollection("ResourceSet")->Count(), 1u);
    EXPECT_EQ(app.Dictionary->GetText("@UTest1"), "English");
}

TEST_F(AppDataTest, LanguageComesFromTheSystemOrTheForcedIdWith1033AsFallback) {
    struct {
        int System;
        const char* Force;
        const char* Expected;
    } cases[] = {
        {1031, "", "Deutsch"}, {1036, "", "English"}, {1033, "1031", "Deutsch"}, {1031, "1036", "English"}};
    for (const auto& c : cases) {
        TempDir caseDir;
        fs::path caseData = test::CopyFixture("minimal", caseDir);
        test::EditFile(caseData / "CoreConfig.xml", "ForceLangId=\"\"",
                       std::string("ForceLangId=\"") + c.Force + "\"");
        info.ProgramFolder = caseData;
        info.SystemLanguageId = c.System;
        TTestAppData app(info);
        EXPECT_EQ(app.Dictionary->GetText("@UTest1"), c.Expected) << c.System << " " << c.Force;
    }
}

TEST_F(AppDataTest, BadDataStopsStartUpWithAMessageNamingFileAndProblem) {
    struct {
        const char* Name;
        const char* File;
        const char* From;
        const char* To;
        std::vector<std::string> Expected;
    } cases[] = {
        {"missing SoundsEnabled",
         "CoreConfig.xml",
         " SoundsEnabled=\"0\"",
         "",
         {"Attribute \"SoundsEnabled\" not found", "CoreConfig.xml"}},
        {"missing ForceLangId",
         "CoreConfig.xml",
         "ForceLangId=\"\"",
         "",
         {"Attribute \"ForceLangId\" not found"}},
        {"ForceLangId not a number",
         "CoreConfig.xml",
         "ForceLangId=\"\"",
         "ForceLangId=\"en\"",
         {"'en' is not a valid integer"}},
        {"malformed configuration", "CoreConfig.xml", "</CoreConfig>", "</Core>", {"CoreConfig.xml", "line"}},
        {"include cycle",
         "config/Sets.xml",
         "<ResourceSet",
         "[% INCLUDE config/*.xml %]<ResourceSet",
         {"Circular reference", "Sets.xml"}},
        {"malformed language file", "lang/Dic1033.xml", "</Dictionary>", "", {"Dic1033"}},
    };
    for (const auto& c : cases) {
        TempDir caseDir;
        fs::path caseData = test::CopyFixture("minimal", caseDir);
        test::EditFile(caseData / c.File, c.From, c.To);
        info.ProgramFolder = caseData;
        std::string error = StartUpError();
        for (const std::string& part : c.Expected) {
            EXPECT_NE(error.find(part), std::string::npos) << c.Name << ": " << error;
        }
    }
}

// Without the configuration and its cache, the person has to provide the configuration; once
// only a damaged cache is left, the cache is what is wrong.
TEST_F(AppDataTest, MissingConfigurationOrDamagedCacheNamesTheFileToMend) {
    fs::remove(data / "CoreConfig.xml");
    EXPECT_NE(StartUpError().find("File not found: \"" + (data / "CoreConfig.xml").string() + "\""),
              std::string::npos)
        << StartUpError();
    std::string garbage(200, '\x5a');
    { std::ofstream(data / "CoreConfig.xml.cr", std::ios::binary) << garbage; }
    std::string error = StartUpError();
    EXPECT_NE(error.find("CoreConfig.xml.cr"), std::string::npos) << error;
}

TEST_F(AppDataTest, WorkingFolderComesFromTheStoredValueWhenTheAttributeIsPresentWhateverItsValue) {
    test::EditFile(data / "CoreConfig.xml", "DataKey=", "SetWorkingFolderFromRegistry=\"0\" DataKey=");
    {
        TTestAppData app(info);
        EXPECT_EQ(app.WorkingFolder(), data) << "nothing stored yet";
        fs::create_directories(dir.Path() / "work");
        app.WriteUserValue("WorkingFolder", (dir.Path() / "work").string());
    }
    TTestAppData app(info);
    EXPECT_EQ(app.WorkingFolder(), dir.Path() / "work");
    EXPECT_TRUE(fs::equivalent(fs::current_path(), dir.Path() / "work"));
    EXPECT_EQ(test::ReadFile(dir.Path() / "user" / "Test" / "WorkingFolder"), (dir.Path() / "work").string());
}

TEST_F(AppDataTest, FullScreenToggleDoesNotCountTheTimeSpentSwitching) {
    TTestAppData app(info);
    ticks.Advance(500);
    app.ToggleFullScreenNow();
    EXPECT_TRUE(window.FullScreen);
    EXPECT_DOUBLE_EQ(app.GameClock->Step, 0.0);
    ticks.Advance(10);
    app.UpdateTimers(true);
    EXPECT_DOUBLE_EQ(app.GameClock->Step, 0.01);
    EXPECT_DOUBLE_EQ(app.InterfaceClock->Step, 0.01);
    app.GameClock->Paused = true;
    ticks.Advance(10);
    app.UpdateTimers(true);
    EXPECT_DOUBLE_EQ(app.GameClock->Step, 0.0);
    EXPECT_DOUBLE_EQ(app.InterfaceClock->Step, 0.01) << "the interface clock never stops";
}

// Sets the permission bits of a folder and everything in it: folders get `folders`, files
// `files`.
void SetTreePermissions(const fs::path& root, fs::perms folders, fs::perms files) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        fs::permissions(entry.path(), entry.is_directory() ? folders : files);
    }
    fs::permissions(root, folders);
}

// Runs `body` in a child process that cannot write the data folder. Root writes any folder
// whatever its permission bits, so as root (CI) the child becomes the unprivileged user "nobody".
// Returns the child's exit status (0 when `body` returned true).
int RunWithoutWriteAccess(const std::function<bool()>& body) {
    pid_t child = ::fork();
    if (child == 0) {
        bool ok =
            ::geteuid() != 0 || (::setgroups(0, nullptr) == 0 && ::setresgid(65534, 65534, 65534) == 0 &&
                                 ::setresuid(65534, 65534, 65534) == 0);
        try {
            ok = ok && body();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
            ok = false;
        }
        std::fflush(nullptr);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An installed data folder is read-only. The game starts from it all the same; caches it cannot
// find current there go to the per-user cache folder, and current ones are not written anywhere.
TEST_F(AppDataTest, AReadOnlyDataFolderStartsWithItsCachesInThePerUserFolder) {
    { TTestAppData writable(info); } // current caches beside every source
    test::EditFile(data / "lang/Dic1033.xml", "English", "British");
    const fs::path cache = dir.Path() / "cache";
    const fs::path user = dir.Path() / "user";
    for (const fs::path& folder : {cache, user}) {
        fs::create_directories(folder);
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        }
    }
    // The child must be able to reach the folders inside the private temporary folder.
    fs::permissions(dir.Path(), fs::perms::all & ~(fs::perms::group_write | fs::perms::others_write));
    const fs::perms readOnlyFolder = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    const fs::perms readOnlyFile = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    SetTreePermissions(data, readOnlyFolder, readOnlyFile);
    info.CacheFolder = cache;

    int status = RunWithoutWriteAccess([&] {
        TTestAppData app(info);
        return app.Dictionary->GetText("@UTest1") == "British" && app.Config->GetName() == "CoreConfig";
    });
    SetTreePermissions(data, fs::perms::owner_all | readOnlyFolder, fs::perms::owner_write | readOnlyFile);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(fs::exists(cache / "lang" / "Dic1033.cr")) << "the changed language file";
    EXPECT_FALSE(fs::exists(cache / "lang" / "Fonts.cr")) << "current beside its source";
    EXPECT_FALSE(fs::exists(cache / "CoreConfig.xml.cr")) << "current beside its source";

    // Without its sources, the start reads the cache beside them, else the one in the cache folder.
    for (const char* source : {"CoreConfig.xml", "config/Sets.xml", "lang/Dic1033.xml", "lang/Fonts.xml"}) {
        fs::remove(data / source);
    }
    TTestAppData fromCaches(info);
    EXPECT_EQ(fromCaches.Dictionary->GetText("@UTest1"), "English") << "beside its source comes first";
    fs::remove(data / "lang" / "Dic1033.cr");
    TTestAppData fromMirror(info);
    EXPECT_EQ(fromMirror.Dictionary->GetText("@UTest1"), "British");
}

} // namespace
} // namespace qm
