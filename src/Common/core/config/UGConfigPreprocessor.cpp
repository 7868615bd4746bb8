#include "UGConfigPreprocessor.h"

#include "UGCompress.h"
#include "UGError.h"
#include "UGFileSystem.h"
#include "UGStrings.h"

#include <algorithm>
#include <optional>
#include <pugixml.hpp>
#include <system_error>

namespace qm {

namespace {

const char* const PreprocessContext = "Config preprocessing";

std::string QuotedPath(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

// The folder as CURRENTDIR writes it: no trailing separator, so the configuration can append
// its own "/name" whatever folder the game runs from.
std::string FolderText(const fs::path& folder) {
    std::string text = folder.string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

// Identity of a file in the include chain: symbolic links and letter case must not let a file
// slip past the cycle check, or the preprocessor would recurse until the stack runs out.
std::string ChainKey(const fs::path& path) {
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(path, ec);
    return LowerAscii((ec ? path.lexically_normal() : canonical).string());
}

// Whitespace-separated tokens; a double quote opens a token that may hold spaces and runs to
// the next double quote, which is how folder names with spaces reach an include.
std::vector<std::string> SplitIncludeTokens(std::string_view text) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c <= ' ') {
            ++i;
        } else if (c == '"') {
            size_t close = text.find('"', i + 1);
            size_t end = close == std::string_view::npos ? text.size() : close;
            tokens.emplace_back(text.substr(i + 1, end - i - 1));
            i = close == std::string_view::npos ? text.size() : close + 1;
        } else {
            size_t end = i;
            while (end < text.size() && static_cast<unsigned char>(text[end]) > ' ' && text[end] != '"') {
                ++end;
            }
            tokens.emplace_back(text.substr(i, end - i));
            i = end;
        }
    }
    return tokens;
}

// "*" and "?" over bytes; both sides are lower-cased by the caller.
bool WildcardMatch(std::string_view name, std::string_view pattern) {
    size_t n = 0;
    size_t p = 0;
    size_t starPattern = std::string_view::npos;
    size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

struct TFolderEntry {
    std::string SortKey;
    std::string Name;
    fs::path Path;
};

void SortEntries(std::vector<TFolderEntry>& entries) {
    // The file system's own order differs between machines; a fixed order keeps the assembled
    // configuration, and so its cache, the same everywhere. The exact name breaks ties between
    // names that differ only in letter case.
    std::sort(entries.begin(), entries.end(), [](const TFolderEntry& a, const TFolderEntry& b) {
        return a.SortKey != b.SortKey ? a.SortKey < b.SortKey : a.Name < b.Name;
    });
}

// Lists the files an include pattern names: the folder's matching files, then, when recursive,
// those of each sub-folder, depth first. `visited` holds the real folders of the current descent
// so that a link back to one of them cannot make the descent endless.
void CollectIncludeFiles(const fs::path& folder, const std::string& lowerPattern, bool recursive,
                         std::vector<fs::path>& files, std::vector<std::string>& visited) {
    std::string key = ChainKey(folder);
    if (std::find(visited.begin(), visited.end(), key) != visited.end()) {
        return;
    }
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        return;
    }
    std::vector<TFolderEntry> matches;
    std::vector<TFolderEntry> folders;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            break;
        }
        std::string name = it->path().filename().string();
        std::string lowerName = LowerAscii(name);
        std::error_code statusError;
        if (it->is_regular_file(statusError)) {
            // Dot-files are the hidden files here: editors' backups and the atomic writer's
            // temporaries must never be pulled into a configuration.
            if (name[0] != '.' && WildcardMatch(lowerName, lowerPattern)) {
                matches.push_back({lowerName, name, it->path()});
            }
        } else if (recursive && it->is_directory(statusError)) {
            folders.push_back({lowerName, name, it->path()});
        }
    }
    SortEntries(matches);
    for (const TFolderEntry& entry : matches) {
        files.push_back(entry.Path);
    }
    if (!recursive) {
        return;
    }
    SortEntries(folders);
    visited.push_back(key);
    for (const TFolderEntry& entry : folders) {
        CollectIncludeFiles(entry.Path, lowerPattern, true, files, visited);
    }
    visited.pop_back();
}

// Undoes the per-file state on every way out of ProcessFile, errors included, so that a caller
// who catches an error can keep using the preprocessor.
class TFileScope {
public:
    TFileScope(std::vector<fs::path>& chain, std::vector<fs::path>& folders, const fs::path& file)
        : FChain(chain), FFolders(folders) {
        FChain.push_back(file);
        FFolders.push_back(file.parent_path());
    }
    ~TFileScope() {
        FFolders.pop_back();
        FChain.pop_back();
    }
    TFileScope(const TFileScope&) = delete;
    TFileScope& operator=(const TFileScope&) = delete;

private:
    std::vector<fs::path>& FChain;
    std::vector<fs::path>& FFolders;
};

} // namespace

TGConfigKeyParser::TGConfigKeyParser(std::string_view text) {
    bool open = false;
    size_t start = 0;
    size_t i = 0;
    while (i + 1 < text.size()) {
        if (!open && text[i] == '[' && text[i + 1] == '%') {
            open = true;
            start = i;
            i += 2;
        } else if (open && text[i] == '%' && text[i + 1] == ']') {
            open = false;
            FKeys.push_back({start + 1, i + 2 - start, Trim(text.substr(start + 2, i - start - 2))});
            i += 2;
        } else {
            ++i;
        }
    }
}

const std::array<uint8_t, 256> ConfigKeyTable = {
    0xB4, 0xF3, 0x64, 0x63, 0xFA, 0x95, 0xF9, 0x6C, 0x3D, 0x18, 0x57, 0xD3, 0x5F, 0x46, 0x92, 0x13,
    0xDD, 0xB9, 0x20, 0xC9, 0xCC, 0x29, 0x33, 0xDA, 0x95, 0x76, 0xD8, 0x64, 0x70, 0x74, 0xD4, 0x65,
    0xA1, 0x7A, 0x39, 0x2D, 0x75, 0xA9, 0xCC, 0x85, 0xFB, 0xFD, 0x16, 0x9D, 0x83, 0x15, 0x4C, 0xB6,
    0xD8, 0xC2, 0xE0, 0x94, 0x3D, 0x51, 0xE3, 0xA1, 0x28, 0x99, 0x21, 0xE1, 0xC0, 0xC3, 0xFB, 0x9A,
    0x18, 0xDC, 0x02, 0xBF, 0x29, 0x1C, 0x58, 0x20, 0x91, 0xF4, 0xC7, 0x54, 0x0E, 0xD9, 0x9E, 0x62,
    0xB9, 0xD3, 0x50, 0x32, 0x02, 0xC4, 0xCA, 0xB6, 0x6F, 0x79, 0x97, 0xD7, 0x14, 0x72, 0xB6, 0x22,
    0xD1, 0x71, 0x37, 0x2F, 0x4E, 0xC5, 0x98, 0xD5, 0xB7, 0x53, 0xE1, 0x0F, 0x38, 0x69, 0x81, 0xAD,
    0x38, 0x43, 0xE7, 0xBA, 0x55, 0x59, 0xE0, 0xB0, 0x22, 0x6E, 0xB3, 0x5E, 0xA2, 0x59, 0xFE, 0x95,
    0x84, 0x92, 0x4F, 0x96, 0x1C, 0x7C, 0x81, 0x3B, 0x25, 0x74, 0xDD, 0xE8, 0x39, 0x9D, 0xEC, 0x2F,
    0x0C, 0x6A, 0x1D, 0x45, 0x6C, 0xE8, 0x1C, 0x29, 0xF9, 0xD1, 0xEC, 0x8E, 0xA4, 0x51, 0xCA, 0x8D,
    0xE8, 0x95, 0xC2, 0x0C, 0xCB, 0x19, 0x0E, 0xEB, 0x93, 0xAE, 0x31, 0xF5, 0x49, 0x4E, 0xD8, 0x81,
    0xEF, 0xA0, 0x6B, 0xEB, 0x80, 0x49, 0x76, 0xB7, 0xAC, 0xF8, 0xBB, 0x7E, 0x50, 0x30, 0x13, 0xA0,
    0xB7, 0xD4, 0x09, 0xA8, 0x93, 0x74, 0x34, 0x7D, 0xB9, 0x5A, 0x58, 0x4E, 0xA0, 0x53, 0x3B, 0x3B,
    0x98, 0x3D, 0x49, 0xC4, 0xCA, 0x55, 0xE7, 0xF2, 0xF3, 0x3D, 0x97, 0x47, 0xDF, 0xD0, 0xD0, 0x67,
    0xA8, 0xA6, 0x9B, 0x83, 0xAC, 0x66, 0xED, 0x89, 0x4F, 0xCE, 0xC8, 0x0D, 0x75, 0x83, 0x10, 0xF5,
    0xBE, 0x9A, 0x2E, 0xE7, 0x80, 0xE2, 0x66, 0x74, 0x85, 0xF7, 0xF9, 0x01, 0x89, 0x08, 0xFA, 0x79,
};

std::string ScrambleConfig(std::string bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(static_cast<uint8_t>(bytes[i]) ^ ConfigKeyTable[(i + 1) % 256]);
    }
    return bytes;
}

std::string UnpackConfigCache(const std::string& bytes) {
    return ZDecompress(ScrambleConfig(bytes));
}

TGConfigPreprocessor::TGConfigPreprocessor(fs::path programFolder, bool checkCircular)
    : FProgramFolder(
          fs::absolute(programFolder.empty() ? fs::current_path() : programFolder).lexically_normal()),
      FCheckCircular(checkCircular) {}

void TGConfigPreprocessor::Process(const fs::path& source, const fs::path& destination, bool compress,
                                   bool scramble) {
    std::string bytes = Pack(source, compress, scramble);
    WriteFileAtomic(destination.is_absolute() ? destination : FProgramFolder / destination, bytes,
                    TGFileAccess::Shared);
}

std::string TGConfigPreprocessor::Pack(const fs::path& source, bool compress, bool scramble) {
    FIncludeChain.clear();
    FFolderStack.clear();
    std::string bytes = ProcessFile(source);
    if (compress) {
        bytes = ZCompress(bytes, 1);
    }
    if (scramble) {
        bytes = ScrambleConfig(std::move(bytes));
    }
    return bytes;
}

std::string TGConfigPreprocessor::ProcessFile(const fs::path& name) {
    fs::path base = FFolderStack.empty() ? FProgramFolder : FFolderStack.back();
    fs::path fullPath = (name.is_absolute() ? name : base / name).lexically_normal();
    fs::path file = ResolveNoCase(fullPath);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        throw EGError(PreprocessContext, " File not found: " + QuotedPath(fullPath));
    }
    // The chain is checked whatever FCheckCircular says: the configurations are loaded with the
    // check off, and a cycle there must still end in an error rather than a stack overflow.
    std::string identity = ChainKey(file);
    for (const fs::path& outer : FIncludeChain) {
        if (ChainKey(outer) == identity) {
            const fs::path& including = FIncludeChain.back();
            throw EGError(PreprocessContext, " Circular reference. File " + QuotedPath(including) + " " +
                                                 "references file " + QuotedPath(file) + ", which includes " +
                                                 QuotedPath(including));
        }
    }
    TFileScope scope(FIncludeChain, FFolderStack, file);
    std::string text = ReadWholeFile(file);
    TGConfigKeyParser parser(text);
    if (parser.Keys().empty()) {
        return text;
    }
    std::string result;
    size_t copied = 0;
    for (const TGConfigKey& key : parser.Keys()) {
        size_t start = key.Position - 1;
        result.append(text, copied, start - copied);
        result += ExpandKey(key.Text);
        copied = start + key.Length;
    }
    result.append(text, copied, std::string::npos);
    return result;
}

std::string TGConfigPreprocessor::ExpandKey(const std::string& keyText) {
    if (StartsWithNoCase(keyText, "INCLUDE")) {
        return ExpandInclude(keyText);
    }
    if (EqualsNoCase(keyText, "CURRENTDIR")) {
        return FolderText(FFolderStack.empty() ? FProgramFolder : FFolderStack.back());
    }
    return std::string();
}

std::string TGConfigPreprocessor::ExpandInclude(const std::string& keyText) {
    std::vector<std::string> tokens = SplitIncludeTokens(keyText);
    if (tokens.size() < 2) {
        return std::string();
    }
    // The data was written with Windows separators; patterns are always relative to the
    // program folder, even when they start with a separator.
    std::string pattern = Trim(tokens[1]);
    std::replace(pattern.begin(), pattern.end(), '\\', '/');
    pattern.erase(0, pattern.find_first_not_of('/'));
    size_t slash = pattern.rfind('/');
    std::string folderPart = slash == std::string::npos ? std::string() : pattern.substr(0, slash);
    std::string namePart = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    if (namePart.empty()) {
        return std::string();
    }
    fs::path folder = FProgramFolder;
    if (!folderPart.empty()) {
        folder = ResolveNoCase((FProgramFolder / folderPart).lexically_normal());
    }
    bool recursive = tokens.size() == 3 && EqualsNoCase(tokens[2], "R");
    return IncludePattern(folder, namePart, recursive);
}

std::string TGConfigPreprocessor::IncludePattern(const fs::path& folder, const std::string& namePattern,
                                                 bool recursive) {
    std::vector<fs::path> files;
    std::vector<std::string> visited;
    CollectIncludeFiles(folder, LowerAscii(namePattern), recursive, files, visited);
    std::string result;
    for (const fs::path& file : files) {
        result += ProcessFile(file);
    }
    return result;
}

TGConfigProcessor::TGConfigProcessor(const fs::path& programFolder, const fs::path& fileName,
                                     bool checkCircular, const TGCacheLocation& caches)
    : FDocument(std::make_unique<pugi::xml_document>()) {
    // Absolute from here on: the preprocessor takes relative names against the program folder,
    // so a relative one would be applied twice.
    fs::path folder = fs::absolute(programFolder.empty() ? fs::current_path() : programFolder);
    fs::path file = (fileName.is_absolute() ? fileName : folder / fileName).lexically_normal();
    if (FileExistsNoCase(file)) {
        // Named after the file as it is on disk, so the cache sits beside it with the same case.
        file = ResolveNoCase(file);
        const std::string text = TGConfigPreprocessor(folder, checkCircular).ProcessFile(file);
        // The text just assembled is what the game uses, so failing to write its cache is no error.
        caches.Refresh(file.string() + ".cr", ScrambleConfig(ZCompress(text, 1)));
        Parse(text, file);
        return;
    }
    const fs::path cacheBeside = file.string() + ".cr";
    std::optional<fs::path> cache = caches.FindCurrent(cacheBeside, [](const fs::path&) { return true; });
    if (!cache) {
        // The person has to provide the configuration, not its cache.
        throw EGError(PreprocessContext, " File not found: " + QuotedPath(file));
    }
    std::string text;
    try {
        text = UnpackConfigCache(ReadWholeFile(*cache));
    } catch (const EGError& error) {
        throw EGError("TGConfigProcessor", Format("Cannot unpack the configuration cache \"%s\". %s",
                                                  cache->c_str(), error.what()));
    }
    Parse(text, file);
}

void TGConfigProcessor::Parse(const std::string& text, const fs::path& source) {
    pugi::xml_parse_result result =
        FDocument->load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
    if (!result) {
        size_t end = std::min(static_cast<size_t>(std::max<ptrdiff_t>(result.offset, 0)), text.size());
        size_t line = 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + end, '\n'));
        throw EGError("TGConfigProcessor", Format("Cannot parse the configuration \"%s\": %s, line %zu",
                                                  source.c_str(), result.description(), line));
    }
}

TGConfigProcessor::~TGConfigProcessor() = default;

pugi::xml_node TGConfigProcessor::DocumentElement() const {
    return FDocument->document_element();
}

} // namespace qm
