#pragma once

#include "UGCacheLocation.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

namespace qm {

namespace fs = std::filesystem;

// One "[% ... %]" key found in a text.
struct TGConfigKey {
    size_t Position = 0; // 1-based position of "[%"
    size_t Length = 0;   // from "[%" to "%]" inclusive
    std::string Text;    // between the markers, trimmed
};

// The keys of one text in order of position. Keys do not nest; an unclosed key and a "%]"
// without an opening marker are ordinary text.
class TGConfigKeyParser {
public:
    explicit TGConfigKeyParser(std::string_view text);
    const std::vector<TGConfigKey>& Keys() const { return FKeys; }

private:
    std::vector<TGConfigKey> FKeys;
};

// The table that scrambles configuration caches. It must never change once ".cr" files
// exist: a cache can only be read with the table it was written with.
extern const std::array<uint8_t, 256> ConfigKeyTable;

// XORs byte i with ConfigKeyTable[(i + 1) mod 256]; its own inverse.
std::string ScrambleConfig(std::string bytes);

// Unscrambles and decompresses a configuration cache file's bytes.
std::string UnpackConfigCache(const std::string& bytes);

// Assembles a configuration file from its includes. Include patterns are resolved against the
// program folder; CURRENTDIR is the folder of the file being processed. The include chain is
// always kept, so a cycle is reported with the "Circular reference" error whatever
// CheckCircular says, and never recurses without bound.
class TGConfigPreprocessor {
public:
    TGConfigPreprocessor(fs::path programFolder, bool checkCircular);

    // Preprocesses `source`, optionally compresses and scrambles the result, and writes it to
    // `destination`, replacing its content.
    void Process(const fs::path& source, const fs::path& destination, bool compress, bool scramble);
    // The bytes Process writes.
    std::string Pack(const fs::path& source, bool compress, bool scramble);
    // The preprocessed text of one file; a relative name is taken against the folder of the
    // file being processed (the program folder at the top level).
    std::string ProcessFile(const fs::path& name);
    // The text that replaces one key, given the key's text.
    std::string ExpandKey(const std::string& keyText);

private:
    std::string ExpandInclude(const std::string& keyText);
    std::string IncludePattern(const fs::path& folder, const std::string& namePattern, bool recursive);

    fs::path FProgramFolder;
    bool FCheckCircular;
    std::vector<fs::path> FIncludeChain;
    std::vector<fs::path> FFolderStack;
};

// Loads one configuration file the way the game does. When the file exists it is preprocessed and
// parsed, and its cache (file + ".cr": compressed and scrambled) is refreshed where `caches` says
// unless a cache there already holds exactly those bytes; a cache that cannot be written is no
// error. Without the file, the cache beside it or in the per-user mirror is read, unscrambled,
// decompressed and parsed; with neither, the error names the configuration file.
class TGConfigProcessor {
public:
    TGConfigProcessor(const fs::path& programFolder, const fs::path& fileName, bool checkCircular,
                      const TGCacheLocation& caches = TGCacheLocation());
    ~TGConfigProcessor();

    pugi::xml_node DocumentElement() const;

private:
    void Parse(const std::string& text, const fs::path& source);

    std::unique_ptr<pugi::xml_document> FDocument;
};

} // namespace qm
