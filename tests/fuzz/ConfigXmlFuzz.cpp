// Configuration files as an author writes them: the input is the configuration, then a zero byte,
// then one file it may include as "inc/Part.xml". Both go through the preprocessor, the cache it
// writes, the parser and the snapshot, whose every value is then read.
#include "FuzzSupport.h"
#include "UGConfigPreprocessor.h"
#include "UGXMLNode.h"

#include <filesystem>
#include <pugixml.hpp>

#include <vector>

namespace {

// Iterative, because the snapshot may be as deep as the file is long.
void ReadEveryValue(const qm::PGXMLNode& root) {
    std::vector<qm::PGXMLNode> pending{root};
    while (!pending.empty()) {
        qm::PGXMLNode node = pending.back();
        pending.pop_back();
        node->GetText();
        node->GetLocation();
        for (const std::string& name : node->GetAttributeNames()) {
            node->GetString(name);
            node->GetIntDef(name, 0);
            node->GetFloatDef(name, 0.0);
            node->GetColorDef(name, 0);
            node->GetBoolDef(name, false);
        }
        for (size_t i = 0; i < node->CollectionCount(); ++i) {
            const qm::PGXMLCollection collection = node->CollectionAt(i);
            for (size_t j = 0; j < collection->Count(); ++j) {
                pending.push_back(collection->GetItem(j));
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    const std::string input = fuzz::Bytes(data, size);
    // An include pattern may climb out of the program folder; the harness keeps to its own.
    if (input.find("..") != std::string::npos) {
        return -1;
    }
    auto [config, part] = fuzz::SplitAtZero(input);
    fuzz::TScratch& scratch = fuzz::TScratch::Instance();
    const std::filesystem::path& folder = scratch.Fresh();
    scratch.Write("Config.xml", config);
    scratch.Write("inc/Part.xml", part);
    fuzz::ReadsOrFails([&] {
        TGConfigProcessor processor(folder, "Config.xml", false);
        const pugi::xml_node root = processor.DocumentElement();
        if (root) {
            ReadEveryValue(CreateXMLSnapshot(root, "Config.xml"));
        }
    });
    return 0;
}
