#pragma once

#include "UGXMLNode.h"

#include <string>
#include <vector>

namespace qm {

// One field of the campaign that the game would refuse.
struct TLevelProblem {
    // "Level[1]/SubLevel[2]/Field" and the like, numbered from 1 as the game counts.
    std::string Where;
    // The error the game raises on it.
    std::string Text;
};

// Parses every sublevel field, secret-level field and monument outline of a game configuration
// as the game does, and collects every failure instead of stopping at the first. Field sizes come
// from the play constants of the same configuration.
std::vector<TLevelProblem> CheckLevels(const IGXMLNode& gameConfig);

} // namespace qm
