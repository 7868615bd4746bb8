#include "UDictionary.h"

#include "UGConvert.h"
#include "UGError.h"
#include "UGFileSystem.h"
#include "UGNewXMLNode.h"
#include "UGStrings.h"

namespace qm {

TDictionary* GDictionary = nullptr;

uint32_t DictionaryHash(std::string_view lowerKey) {
    uint32_t h = 0;
    for (unsigned char b : lowerKey) {
        h = (h << 4) + b;
        uint32_t g = h & 0xF0000000u;
        if (g != 0) {
            h ^= g >> 24;
            h &= ~g;
        }
    }
    return h % TDictionary::BucketCount;
}

TDictionary::TDictionary() : FBuckets(BucketCount, nullptr) {}

TDictionary::~TDictionary() {
    if (GDictionary == this) {
        GDictionary = nullptr;
    }
}

void TDictionary::Add(const std::string& key, const std::string& text) {
    auto entry = std::make_unique<TText>();
    entry->Key = LowerAscii(key);
    entry->Text = text;
    entry->Bucket = DictionaryHash(entry->Key);
    TText** link = &FBuckets[entry->Bucket];
    while (*link) {
        link = &(*link)->NextInBucket;
    }
    *link = entry.get();
    FOrder.push_back(std::move(entry));
}

bool TDictionary::Lookup(const std::string& key, std::string& text) const {
    std::string lower = LowerAscii(key);
    for (const TText* entry = FBuckets[DictionaryHash(lower)]; entry; entry = entry->NextInBucket) {
        if (entry->Key == lower) {
            text = entry->Text;
            return true;
        }
    }
    return false;
}

std::string TDictionary::GetText(const std::string& key) const {
    std::string text;
    Lookup(key, text);
    return text;
}

std::string TDictionary::Translate(const std::string& s) const {
    if (!s.empty() && s[0] == '@') {
        return GetText(s);
    }
    return s;
}

void TDictionary::LoadFromFile(const std::filesystem::path& base, const TGCacheLocation& caches) {
    FFileName = base;
    TGNewXMLNode file("Dictionary");
    file.LoadFromFile(base, caches);
    const TGNewXMLCollection& entries = file.GetCollection("Dic");
    for (size_t i = 0; i < entries.Count(); ++i) {
        const TGNewXMLNode& entry = entries.GetItem(i);
        Add(entry.GetString("Name"), entry.GetText());
    }
}

std::string Translate(const std::string& s) {
    return GDictionary ? GDictionary->Translate(s) : s;
}

std::filesystem::path ChooseLanguageBase(const std::filesystem::path& programFolder, int systemLangId,
                                         const std::string& forceLangId) {
    int64_t langId = systemLangId;
    if (!forceLangId.empty()) {
        auto forced = ParseDecimalInt(forceLangId);
        if (!forced) {
            throw EGError(Format("'%s' is not a valid integer value (ForceLangId)", forceLangId.c_str()));
        }
        langId = *forced;
    }
    auto baseFor = [&](int64_t id) {
        return programFolder / "lang" / Format("Dic%lld", static_cast<long long>(id));
    };
    std::filesystem::path base = baseFor(langId);
    if (!FileExistsNoCase(base.string() + ".xml") && !FileExistsNoCase(base.string() + ".cr")) {
        base = baseFor(1033);
    }
    return base;
}

} // namespace qm
