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
// from the play constants of the same configuration. Beyond what the game refuses outright, it
// names what would make a level unplayable or misread: level, sublevel and secret-level
// attributes the game reads that are missing or do not read as numbers (decimals take a comma),
// marble sets with characters other than the colours 1..8, fewer than three colours or without
// the monument's colour, brick cells that no line of three can reach, presets that would fall at
// the first fill, boxes on holes, box-drop points below the top cell of their column, sublevels
// that cannot reach their level's box quota (the "BoxCountedPass" lists, which must give one
// quota per level), and time limits below a minute or below a second and a half per brick layer.
std::vector<TLevelProblem> CheckLevels(const IGXMLNode& gameConfig);

} // namespace qm
