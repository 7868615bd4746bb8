#pragma once

#include "UGXMLNode.h"

#include <string>

namespace qm::test {

// A small game configuration for player data: two levels of three and two sublevels with 2 x 3
// monuments, brick increments, box quotas, three top-level secret levels, ranks and default
// high scores. `extraRoot` adds attributes to the root; `firstOutline`, when given, is the first
// level's ConstructionField element in place of its 2 x 3 one.
PGXMLNode MakePlayerConfig(const std::string& extraRoot = "", const std::string& firstOutline = "");

} // namespace qm::test
