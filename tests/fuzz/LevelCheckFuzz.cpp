// The levels of the campaign are text in the game configuration, which anybody may edit: the level
// check reads every sublevel field, secret-level field and monument outline as the game does and
// must answer with its list of problems, whatever the text. The input is a game configuration's
// XML; the seeds are the levels of the default data, one configuration each.
#include "FuzzSupport.h"
#include "UGRandom.h"
#include "UGXMLNode.h"
#include "ULevelCheck.h"

#include <pugixml.hpp>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    pugi::xml_document document;
    if (!document.load_buffer(data, size)) {
        return 0;
    }
    SetRandomSeed(1);
    fuzz::ReadsOrFails([&] {
        const std::vector<TLevelProblem> problems =
            CheckLevels(*CreateXMLSnapshot(document.document_element(), "GameConfig.xml"));
        for (const TLevelProblem& problem : problems) {
            // Every problem names its place and says what is wrong, in a text of bounded length.
            if (problem.Where.empty() || problem.Text.empty() || problem.Text.size() > 64 * 1024) {
                __builtin_trap();
            }
        }
    });
    return 0;
}
