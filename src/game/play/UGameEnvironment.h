#pragma once

#include "UGXMLNode.h"

namespace qm {

// The play constants: read once from the game configuration root when the game data starts and
// never changed afterwards, so every play object may keep a reference for the whole run. The
// values come from root attributes of the same names, except those marked fixed.
class TGameEnvironment {
public:
    // Reads every keyed value in declaration order. A missing attribute raises the reader's
    // "Attribute ... not found"; a value outside its sensible range, or a duration that is not
    // a number with a decimal comma, raises an error naming the attribute and where it stands.
    // No reference to the node is kept.
    explicit TGameEnvironment(const IGXMLNode& configRoot);

    // Seconds per pixel of travel: a move lasts max(|dx|, |dy|) times the value.
    double ElementFallStepDuration;
    double ElementsSwapDuration;
    // Seconds per cell for the fireballs of a demolition.
    double DemolitionStepDuration;
    int SuperBonusEraseElements;
    int SpecialsForSuperBonus;
    int ElementFPS;
    // Kept for the configuration's sake; no play rule uses it.
    int DyingElementFPS;
    int CellWidth;
    int CellHeight;
    int FieldRowCount;
    int FieldColumnCount;
    int MaxPlayers = 9;
    double BrickGroundY = 592.0;
    // A landing y is BrickGroundY plus a uniform offset in [-jitter, jitter).
    double BrickGroundJitter = 8.0;
    // Whole seconds in the configuration, kept as doubles for the time arithmetic.
    double BrickMinLifeTime;
    double BrickMaxLifeTime;
    double BrickRate;
    int MinBricks;
    // The score of a completely full time bar at the end of a sublevel.
    int TimeBarFullScore = 2500;
    // The brick bar's cap holds only below this level number.
    int ObligatoryLevels = 7;
    int SecretFieldRowCount;
    int SecretFieldColumnCount;
};

} // namespace qm
