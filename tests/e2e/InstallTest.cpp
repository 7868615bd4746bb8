#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <unistd.h>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

const std::string AppId = "io.quillmark.Quillmark";

// One installation into a fresh prefix for all tests of this file: installing copies the whole
// data folder, which is worth doing once.
class InstalledGame : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Prefix = new TempDir;
        // Installing rewrites the build tree's install manifest, which the README's uninstall
        // reads: the developer's own installation keeps its list.
        const fs::path manifest = QM_BINARY_DIR "/install_manifest.txt";
        const bool hadManifest = fs::exists(manifest);
        const std::string previous = hadManifest ? test::ReadFile(manifest) : "";
        Install = test::RunCommand(ShellQuote(QM_CMAKE_COMMAND) + " --install " + ShellQuote(QM_BINARY_DIR) +
                                   " --prefix " + ShellQuote(Prefix->Path().string()));
        if (hadManifest) {
            std::ofstream(manifest, std::ios::binary | std::ios::trunc) << previous;
        } else {
            std::error_code ec;
            fs::remove(manifest, ec);
        }
    }
    static void TearDownTestSuite() {
        delete Prefix;
        Prefix = nullptr;
    }
    void SetUp() override { ASSERT_EQ(Install.Status, 0) << Install.Out << Install.Err; }

    static fs::path Installed(const std::string& relative) { return Prefix->Path() / relative; }

    // The render test scene's frame 5 drawn by `program` on its default data folder, started
    // from the root folder so that nothing is found through the working folder.
    CommandResult RenderScene(const fs::path& program, const fs::path& userFolder, const fs::path& shot,
                              const std::string& prefixCommand = "") {
        return test::RunCommand("cd / && " + prefixCommand + ShellQuote(program.string()) +
                                " --headless --fixed-step --scene render-test --frames 5 --user-dir " +
                                ShellQuote(userFolder.string()) +
                                " --screenshot 5:" + ShellQuote(shot.string()));
    }

    // The build tree's picture of the same frame, to compare an installed run with.
    test::Picture BuildTreeScene() {
        CommandResult run = RenderScene(QM_GAME_BINARY, dir.Path() / "build-user", dir.Path() / "build.png");
        EXPECT_EQ(run.Status, 0) << run.Err;
        return test::ReadPng(dir.Path() / "build.png");
    }

    static TempDir* Prefix;
    static CommandResult Install;
    TempDir dir;
};

TempDir* InstalledGame::Prefix = nullptr;
CommandResult InstalledGame::Install;

TEST_F(InstalledGame, PutsProgramsDataAndDesktopFilesInTheirPlaces) {
    for (const std::string& file : std::vector<std::string>{
             "bin/quillmark", "bin/quillmark-data", "share/quillmark/data/CoreConfig.xml",
             "share/quillmark/data/fonts/DejaVuSans.ttf", "share/applications/" + AppId + ".desktop",
             "share/metainfo/" + AppId + ".metainfo.xml", "share/man/man6/quillmark.6"}) {
        EXPECT_TRUE(fs::is_regular_file(Installed(file))) << file;
    }
    EXPECT_FALSE(fs::exists(Installed("share/quillmark/data/icons"))) << "the icons belong to the theme";
    // Runs of the build tree's game leave caches beside its data; an install never carries them.
    for (const auto& entry : fs::recursive_directory_iterator(Installed("share/quillmark/data"))) {
        const std::string extension = entry.path().extension().string();
        EXPECT_TRUE(extension != ".cr" && extension != ".gfx") << entry.path();
    }
    for (unsigned size : {48u, 64u, 128u, 256u}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        const test::Picture icon =
            test::ReadPng(Installed("share/icons/hicolor/" + folder + "/apps/" + AppId + ".png"));
        EXPECT_EQ(icon.Width, size);
        EXPECT_EQ(icon.Height, size);
    }
}

TEST_F(InstalledGame, DesktopEntryMetainfoAndManualPassTheirValidators) {
    for (const std::string& command :
         {"desktop-file-validate " +
              ShellQuote(Installed("share/applications/" + AppId + ".desktop").string()),
          "appstreamcli validate --no-net " +
              ShellQuote(Installed("share/metainfo/" + AppId + ".metainfo.xml").string())}) {
        CommandResult result = test::RunCommand(command);
        EXPECT_EQ(result.Status, 0) << command << "\n" << result.Out << result.Err;
    }
    // groff reports a broken macro or escape of the manual page only as a warning.
    CommandResult manual = test::RunCommand("LC_ALL=C groff -man -ww -z " +
                                            ShellQuote(Installed("share/man/man6/quillmark.6").string()));
    EXPECT_EQ(manual.Status, 0);
    EXPECT_EQ(manual.Err, "");
    const std::string desktop = test::ReadFile(Installed("share/applications/" + AppId + ".desktop"));
    EXPECT_NE(desktop.find("\nCategories=Game;LogicGame;\n"), std::string::npos) << desktop;
    EXPECT_NE(desktop.find("\nIcon=" + AppId + "\n"), std::string::npos) << desktop;
}

// The manual and the software centre describe the program that was built: every option the game's
// help names is in the manual page, and the newest release is the game's version.
TEST_F(InstalledGame, ManualAndMetainfoFollowTheProgram) {
    CommandResult help = test::RunCommand(ShellQuote(Installed("bin/quillmark").string()) + " --help");
    ASSERT_EQ(help.Status, 0);
    const std::string manual = test::ReadFile(Installed("share/man/man6/quillmark.6"));
    std::set<std::string> options;
    const std::regex option("--[a-z][a-z-]*");
    for (std::sregex_iterator it(help.Out.begin(), help.Out.end(), option), end; it != end; ++it) {
        options.insert(it->str());
    }
    EXPECT_GE(options.size(), 10u) << help.Out;
    for (const std::string& name : options) {
        // The manual writes each hyphen of an option as "\-".
        const std::string inManual = std::regex_replace(name, std::regex("-"), "\\-");
        EXPECT_NE(manual.find(inManual), std::string::npos) << name << " is missing from the manual page";
    }

    CommandResult version = test::RunCommand(ShellQuote(Installed("bin/quillmark").string()) + " --version");
    ASSERT_EQ(version.Status, 0);
    std::smatch number;
    ASSERT_TRUE(std::regex_search(version.Out, number, std::regex("[0-9]+\\.[0-9]+\\.[0-9]+")))
        << version.Out;
    const std::string metainfo = test::ReadFile(Installed("share/metainfo/" + AppId + ".metainfo.xml"));
    std::smatch release;
    ASSERT_TRUE(std::regex_search(metainfo, release, std::regex("<release version=\"([^\"]+)\"")));
    EXPECT_EQ(release[1].str(), number.str());
}

TEST_F(InstalledGame, FindsItsDataFolderAndDrawsAsTheBuildTreeDoes) {
    const test::Picture expected = BuildTreeScene();
    ASSERT_EQ(expected.Width, 800u);

    CommandResult run =
        RenderScene(Installed("bin/quillmark"), dir.Path() / "user", dir.Path() / "installed.png");
    ASSERT_EQ(run.Status, 0) << run.Err;
    const test::Picture installed = test::ReadPng(dir.Path() / "installed.png");
    EXPECT_TRUE(installed.Rgba == expected.Rgba) << "the installed game draws another picture";

    // A link to the installed program, as a distribution's games folder may hold, finds the data
    // through the program's real place.
    fs::create_directories(dir.Path() / "games");
    fs::create_symlink(Installed("bin/quillmark"), dir.Path() / "games" / "quillmark");
    CommandResult linked =
        RenderScene(dir.Path() / "games" / "quillmark", dir.Path() / "user", dir.Path() / "linked.png");
    ASSERT_EQ(linked.Status, 0) << linked.Err;
    EXPECT_TRUE(test::ReadPng(dir.Path() / "linked.png").Rgba == expected.Rgba);
}

// A system-wide installation: the prefix belongs to someone else and cannot be written, and the
// player has only a home and a cache folder. Run as root, the test becomes the unprivileged user
// "nobody" for the game; otherwise the prefix is made read-only for the user running the tests.
TEST_F(InstalledGame, DISABLED_RunsFromAReadOnlyPrefixAsAnUnprivilegedUser) {
    const test::Picture expected = BuildTreeScene();
    ASSERT_EQ(expected.Width, 800u);

    TempDir prefix;
    ASSERT_EQ(test::RunCommand("cp -a " + ShellQuote(Prefix->Path().string() + "/.") + " " +
                               ShellQuote(prefix.Path().string()))
                  .Status,
              0);
    const fs::path home = dir.Path() / "home";
    const fs::path cache = dir.Path() / "cache";
    fs::create_directories(home);
    fs::create_directories(cache);
    const bool root = ::geteuid() == 0;
    std::string asPlayer = "HOME=" + ShellQuote(home.string()) +
                           " XDG_CACHE_HOME=" + ShellQuote(cache.string()) +
                           " XDG_DATA_HOME=" + ShellQuote((home / ".local/share").string()) + " ";
    if (root) {
        // The temporary folders are private to their owner; the player must reach into them.
        for (const fs::path& folder : {dir.Path(), prefix.Path()}) {
            fs::permissions(folder, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        }
        ASSERT_EQ(test::RunCommand("chown -R 65534:65534 " + ShellQuote(home.string()) + " " +
                                   ShellQuote(cache.string()))
                      .Status,
                  0);
        asPlayer = "setpriv --reuid=65534 --regid=65534 --clear-groups env " + asPlayer;
    }
    ASSERT_EQ(test::RunCommand("chmod -R a-w " + ShellQuote(prefix.Path().string())).Status, 0);

    CommandResult run =
        RenderScene(prefix.Path() / "bin/quillmark", home / "user", cache / "shot.png", asPlayer);
    test::RunCommand("chmod -R u+w " + ShellQuote(prefix.Path().string()));
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(test::ReadPng(cache / "shot.png").Rgba == expected.Rgba);
}

} // namespace
} // namespace qm
