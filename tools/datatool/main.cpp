// quillmark-data: the data tool for people who author the game's data. Each verb prints errors
// with the game's own texts on standard error and exits non-zero on failure.

#include "UGCompress.h"
#include "UGConfigPreprocessor.h"
#include "UGDataCheck.h"
#include "UGError.h"
#include "UGFileSystem.h"
#include "UGGraphicsFile.h"
#include "UGSeqPool.h"
#include "UGStrings.h"
#include "UGXMLNode.h"
#include "UGameDataNames.h"
#include "ULevelCheck.h"
#include "USaveFile.h"

#include <pugixml.hpp>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace qm;

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

const char* const Usage = R"(Usage: quillmark-data VERB [options]

  preprocess [--root DIR] FILE   print the preprocessed text of a configuration file;
                                 INCLUDE patterns are resolved against DIR (default: .)
  pack-cr [--root DIR] FILE      write FILE.cr exactly as the game does when it loads FILE
  unpack-cr FILE.cr              print the text a ".cr" cache holds (configuration or
                                 language file)
  image-info FILE                print WIDTHxHEIGHT frames=N alpha=yes|no of a PNG, JPEG or
                                 GIF file (the size of one frame)
  gfx-build [--data DIR] ROOT PATH
                                 build the ".gfx" archive of the image folder ROOT/PATH of the
                                 data folder DIR (default .) as a sequence pool writes it, and
                                 print its path
  gfx-list FILE.gfx              print one line per sequence of an archive: its name, the
                                 colour file and the alpha file or "-"
  check [--data DIR]             load the data folder DIR (default .) as the game does and
                                 print one line per problem found ("FILE: ITEM: WHAT");
                                 exit status 1 when there is any
  level-check [--data DIR]       parse every sublevel field, secret-level field and monument
                                 outline of DIR/GameConfig.xml (default DIR: .) as the game
                                 does, check the level and sublevel attributes, the box quotas
                                 and what makes a sublevel unwinnable (unreachable brick cells,
                                 box-drop points, marble colours, short time limits), and print
                                 each problem ("FILE: WHERE: ERROR"); exit status 1 when there
                                 is any
  save-dump [--data DIR] FILE    print a save file ("Data" in the per-user folder) as
                                 text: players, their progress, high scores and options;
                                 the levels of DIR/GameConfig.xml (when there is one) are
                                 used as the game uses them to read the file
  save-check [--data DIR] FILE   read a save file as the game does; exit status 1 with the
                                 reason when the game could not read it
  help                           print this text
)";

class EUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The "[--root DIR] FILE" arguments of the configuration verbs.
struct TConfigArgs {
    fs::path Root = fs::current_path();
    fs::path File;
};

TConfigArgs ConfigArgs(const std::vector<std::string>& args) {
    TConfigArgs result;
    bool haveFile = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--root") {
            if (i + 1 >= args.size()) {
                throw EUsage("--root needs a folder");
            }
            result.Root = fs::absolute(args[++i]);
        } else if (!haveFile) {
            result.File = fs::absolute(args[i]);
            haveFile = true;
        } else {
            throw EUsage("unexpected argument \"" + args[i] + "\"");
        }
    }
    if (!haveFile) {
        throw EUsage("a file name is needed");
    }
    return result;
}

void WriteOut(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

int Preprocess(const std::vector<std::string>& args) {
    TConfigArgs config = ConfigArgs(args);
    TGConfigPreprocessor preprocessor(config.Root, false);
    WriteOut(preprocessor.ProcessFile(config.File));
    return 0;
}

int PackCr(const std::vector<std::string>& args) {
    TConfigArgs config = ConfigArgs(args);
    fs::path cache = config.File.string() + ".cr";
    TGConfigPreprocessor preprocessor(config.Root, false);
    preprocessor.Process(config.File, cache, true, true);
    std::printf("%s\n", cache.c_str());
    return 0;
}

// Configuration caches are scrambled, language-file caches are not; the tool reads both.
int UnpackCr(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        throw EUsage("unpack-cr takes one file");
    }
    std::string bytes = ReadWholeFile(args[0]);
    try {
        WriteOut(UnpackConfigCache(bytes));
        return 0;
    } catch (const EGError&) {
    }
    try {
        WriteOut(ZDecompress(bytes));
        return 0;
    } catch (const EGError& error) {
        throw EGError("unpack-cr", "\"" + args[0] +
                                       "\" is neither a configuration cache nor a language-file cache (" +
                                       error.what() + ")");
    }
}

int ImageInfo(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        throw EUsage("image-info takes one file");
    }
    std::printf("%s\n", DescribeImageFile(args[0]).c_str());
    return 0;
}

int GfxBuild(const std::vector<std::string>& args) {
    fs::path dataFolder = fs::current_path();
    std::vector<std::string> names;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--data") {
            if (i + 1 >= args.size()) {
                throw EUsage("--data needs a folder");
            }
            dataFolder = fs::absolute(args[++i]);
        } else {
            names.push_back(args[i]);
        }
    }
    if (names.size() != 2) {
        throw EUsage("gfx-build takes a root and a path");
    }
    std::printf("%s\n", BuildGfxArchive(dataFolder, names[0], names[1]).c_str());
    return 0;
}

int GfxList(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        throw EUsage("gfx-list takes one archive");
    }
    for (const TGGfxEntryInfo& entry : ListGfxArchive(args[0])) {
        if (!entry.SequenceName.empty()) {
            std::printf("%s %s %s\n", entry.SequenceName.c_str(), entry.ColorName.c_str(),
                        entry.AlphaName.empty() ? "-" : entry.AlphaName.c_str());
        }
    }
    return 0;
}

// The "[--data DIR]" arguments of the checking verbs.
fs::path DataFolderArg(const std::vector<std::string>& args) {
    fs::path dataFolder = fs::current_path();
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--data" && i + 1 < args.size()) {
            dataFolder = fs::absolute(args[++i]);
        } else if (args[i] == "--data") {
            throw EUsage("--data needs a folder");
        } else {
            throw EUsage("unexpected argument \"" + args[i] + "\"");
        }
    }
    return dataFolder;
}

int Check(const std::vector<std::string>& args) {
    fs::path dataFolder = DataFolderArg(args);
    std::vector<TGDataProblem> problems = CheckDataFolder(GameDataCheckInput(dataFolder));
    for (const TGDataProblem& problem : problems) {
        std::printf("%s\n", problem.Text().c_str());
    }
    std::fprintf(stderr, "quillmark-data check: %zu problem(s) in \"%s\"\n", problems.size(),
                 dataFolder.c_str());
    return problems.empty() ? 0 : ExitFailure;
}

// DIR/GameConfig.xml read as the game reads it, without writing the cache the game would leave
// beside it. `verb` names the tool's verb in the error of a malformed file.
PGXMLNode LoadGameConfig(const fs::path& dataFolder, const char* verb) {
    const char* const configName = "GameConfig.xml";
    TGConfigPreprocessor preprocessor(dataFolder, false);
    std::string text = preprocessor.ProcessFile(configName);
    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size());
    if (!parsed) {
        throw EGError(verb, Format("%s is not well-formed XML at byte %td: %s", configName, parsed.offset,
                                   parsed.description()));
    }
    return CreateXMLSnapshot(document.document_element(), configName);
}

int LevelCheck(const std::vector<std::string>& args) {
    fs::path dataFolder = DataFolderArg(args);
    const char* const configName = "GameConfig.xml";
    std::vector<TLevelProblem> problems = CheckLevels(*LoadGameConfig(dataFolder, "level-check"));
    for (const TLevelProblem& problem : problems) {
        std::printf("%s: %s: %s\n", configName, problem.Where.c_str(), problem.Text.c_str());
    }
    std::fprintf(stderr, "quillmark-data level-check: %zu problem(s) in \"%s\"\n", problems.size(),
                 (dataFolder / configName).c_str());
    return problems.empty() ? 0 : ExitFailure;
}

// The "[--data DIR] FILE" arguments of the save verbs, with the configuration they read by: the
// data folder's when it has one, else an empty one (levels are then taken as they stand).
struct TSaveArgs {
    fs::path File;
    PGXMLNode GameConfig;
};

TSaveArgs SaveArgs(const std::vector<std::string>& args, const char* verb) {
    std::vector<std::string> dataArgs;
    TSaveArgs result;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--data") {
            dataArgs.push_back(args[i]);
            if (i + 1 < args.size()) {
                dataArgs.push_back(args[++i]);
            }
        } else if (result.File.empty()) {
            result.File = args[i];
        } else {
            throw EUsage("unexpected argument \"" + args[i] + "\"");
        }
    }
    if (result.File.empty()) {
        throw EUsage(std::string(verb) + " takes a save file");
    }
    const fs::path dataFolder = DataFolderArg(dataArgs);
    if (FileExistsNoCase(dataFolder / "GameConfig.xml")) {
        result.GameConfig = LoadGameConfig(dataFolder, verb);
    } else {
        pugi::xml_document document;
        result.GameConfig = CreateXMLSnapshot(document.append_child("GameConfig"), "(no GameConfig.xml)");
    }
    return result;
}

int SaveDump(const std::vector<std::string>& args) {
    TSaveArgs save = SaveArgs(args, "save-dump");
    TGamePlayers players(save.GameConfig);
    DecodeSave(ReadWholeFile(save.File), players);
    WriteOut(DescribeSave(players));
    return 0;
}

int SaveCheck(const std::vector<std::string>& args) {
    TSaveArgs save = SaveArgs(args, "save-check");
    const std::string problem = CheckSaveText(ReadWholeFile(save.File), save.GameConfig);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", save.File.c_str(), problem.c_str());
        return ExitFailure;
    }
    std::printf("%s: the game reads it\n", save.File.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Past the file-size limit (ulimit -f) a write would otherwise end the process with a core
    // dump; ignored, the write fails with EFBIG and the error paths of the writers report it.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "help" || args[0] == "--help") {
        std::printf("%s", Usage);
        return args.empty() ? ExitUsage : 0;
    }
    std::string verb = args[0];
    args.erase(args.begin());
    try {
        if (verb == "preprocess") {
            return Preprocess(args);
        }
        if (verb == "pack-cr") {
            return PackCr(args);
        }
        if (verb == "unpack-cr") {
            return UnpackCr(args);
        }
        if (verb == "image-info") {
            return ImageInfo(args);
        }
        if (verb == "gfx-build") {
            return GfxBuild(args);
        }
        if (verb == "gfx-list") {
            return GfxList(args);
        }
        if (verb == "check") {
            return Check(args);
        }
        if (verb == "level-check") {
            return LevelCheck(args);
        }
        if (verb == "save-dump") {
            return SaveDump(args);
        }
        if (verb == "save-check") {
            return SaveCheck(args);
        }
        throw EUsage("unknown verb \"" + verb + "\"");
    } catch (const EUsage& error) {
        std::fprintf(stderr, "quillmark-data: %s\n%s", error.what(), Usage);
        return ExitUsage;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return ExitFailure;
    }
}
