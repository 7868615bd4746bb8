#pragma once

#include "UGCacheLocation.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The localized texts of one language. Keys start with "@" ("@UMenuScreen1") and are matched
// without regard to ASCII letter case; texts (UTF-8) keep theirs. When a key occurs twice the
// first occurrence wins.
class TDictionary {
public:
    static constexpr uint32_t BucketCount = 2053;

    TDictionary();
    ~TDictionary();
    TDictionary(const TDictionary&) = delete;
    TDictionary& operator=(const TDictionary&) = delete;

    void Add(const std::string& key, const std::string& text);
    bool Lookup(const std::string& key, std::string& text) const;
    // The text of a key, "" when the key is missing.
    std::string GetText(const std::string& key) const;
    // A string that starts with "@" is a key and gives its text ("" when missing); any other
    // string is returned as it is.
    std::string Translate(const std::string& s) const;

    // Reads the "Dic" entries of a language file (base + ".xml" or ".cr").
    // Its cache is kept where `caches` says (see TGNewXMLNode::LoadFromFile).
    void LoadFromFile(const std::filesystem::path& base, const TGCacheLocation& caches = TGCacheLocation());
    const std::filesystem::path& FileName() const { return FFileName; }
    void SetFileName(const std::filesystem::path& base) { FFileName = base; }

    size_t Count() const { return FOrder.size(); }

private:
    struct TText {
        std::string Key; // lower-cased
        std::string Text;
        uint32_t Bucket = 0;
        TText* NextInBucket = nullptr;
    };

    std::filesystem::path FFileName;
    std::vector<TText*> FBuckets;
    std::vector<std::unique_ptr<TText>> FOrder;
};

uint32_t DictionaryHash(std::string_view lowerKey);

// The dictionary of the running program, published by the application data so that text
// look-ups need no reference to it; null before start-up and after shutdown.
extern TDictionary* GDictionary;

// GDictionary->Translate(s), or s itself while no dictionary exists.
std::string Translate(const std::string& s);

// The language file base (program folder + "/lang/Dic" + id) for a language: a non-empty
// `forceLangId` (decimal) replaces the system language; when neither base + ".xml" nor
// base + ".cr" exists, the base of 1033 is used.
std::filesystem::path ChooseLanguageBase(const std::filesystem::path& programFolder, int systemLangId,
                                         const std::string& forceLangId);

} // namespace qm
