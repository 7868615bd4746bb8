// ".cr" caches found without their source. The first byte of the input chooses the kind, the rest
// is the file: even, a configuration cache (scrambled, compressed); odd, the cache of a language
// or font file (compressed).
#include "FuzzSupport.h"
#include "UGConfigPreprocessor.h"
#include "UGNewXMLNode.h"
#include "UGXMLNode.h"

#include <filesystem>
#include <pugixml.hpp>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    if (size < 1) {
        return -1;
    }
    const bool configuration = (data[0] & 1) == 0;
    const std::string cache = fuzz::Bytes(data + 1, size - 1);
    fuzz::TScratch& scratch = fuzz::TScratch::Instance();
    const std::filesystem::path& folder = scratch.Fresh();
    if (configuration) {
        scratch.Write("Config.xml.cr", cache);
        fuzz::ReadsOrFails([&] {
            TGConfigProcessor processor(folder, "Config.xml", false);
            if (processor.DocumentElement()) {
                CreateXMLSnapshot(processor.DocumentElement(), "Config.xml");
            }
        });
    } else {
        scratch.Write("lang/Dic1033.cr", cache);
        fuzz::ReadsOrFails([&] {
            TGNewXMLNode node("Dictionary");
            node.LoadFromFile(folder / "lang" / "Dic1033");
            node.SaveToString();
        });
    }
    return 0;
}
