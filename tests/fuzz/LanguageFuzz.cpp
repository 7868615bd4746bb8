// Language files ("lang/Dic<id>.xml") as a translator writes them. The game reads one by writing
// its ".cr" cache and reading that back, so whatever the file itself gives must come back from
// the cache unchanged: a file that reads, reads the same through its cache.
#include "FuzzSupport.h"
#include "UDictionary.h"
#include "UGNewXMLNode.h"

#include <cstdio>
#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    const std::string text = fuzz::Bytes(data, size);
    fuzz::TScratch& scratch = fuzz::TScratch::Instance();
    const std::filesystem::path& folder = scratch.Fresh();
    scratch.Write("lang/Dic1033.xml", text);
    const std::filesystem::path base = folder / "lang" / "Dic1033";

    TGNewXMLNode direct("Dictionary");
    if (!fuzz::ReadsOrFails([&] { direct.LoadFromString(text, "Dic1033.xml"); })) {
        // The game's own way in must fail as cleanly.
        fuzz::ReadsOrFails([&] { TDictionary().LoadFromFile(base); });
        return 0;
    }
    // The first load writes the cache; without the ".xml", the second can only read that.
    TGNewXMLNode cached("Dictionary");
    try {
        TGNewXMLNode("Dictionary").LoadFromFile(base);
        std::filesystem::remove(folder / "lang" / "Dic1033.xml");
        cached.LoadFromFile(base);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "a file that reads gives a cache that does not: %s\n", error.what());
        __builtin_trap();
    }
    if (cached.SaveToString() != direct.SaveToString()) {
        std::fprintf(stderr, "the cache changed the file:\n%s\n---\n%s\n", direct.SaveToString().c_str(),
                     cached.SaveToString().c_str());
        __builtin_trap();
    }
    fuzz::ReadsOrFails([&] {
        TDictionary dictionary;
        dictionary.LoadFromFile(base);
        std::string found;
        const TGNewXMLCollection& entries = direct.GetCollection("Dic");
        for (size_t i = 0; i < entries.Count(); ++i) {
            if (entries.GetItem(i).HasAttribute("Name") &&
                !dictionary.Lookup(entries.GetItem(i).GetString("Name"), found)) {
                std::fprintf(stderr, "key \"%s\" lost\n", entries.GetItem(i).GetString("Name").c_str());
                __builtin_trap();
            }
        }
    });
    return 0;
}
