#include "UGameEnvironment.h"

#include "UGConvert.h"
#include "UGError.h"
#include "UGStrings.h"

namespace qm {

namespace {

const char* const Context = "TGameEnvironment.Create";

// The ranges keep the play arithmetic meaningful (a field of no cells, a sprite played at zero
// frames per second, a negative time) and catch slips such as a missing comma that multiply a
// value a thousandfold. Within them any value that suits the artwork is the designer's choice.
constexpr int MaxFieldSide = 100;
constexpr int MaxCellSide = 1000;
constexpr int MaxFPS = 1000;
constexpr int MaxCount = 1000000;
constexpr int MaxBrickSeconds = 3600;
// Seconds per pixel, or per cell for the demolition step.
constexpr double MaxStepDuration = 10.0;

std::string OutOfRange(const IGXMLNode& node, const char* name, const std::string& value,
                       const std::string& low, const std::string& high) {
    return Format("Attribute \"%s\" is %s, outside %s..%s (%s)", name, value.c_str(), low.c_str(),
                  high.c_str(), node.GetLocation().c_str());
}

int ReadInt(const IGXMLNode& node, const char* name, int low, int high) {
    int value = node.GetInt(name);
    if (value < low || value > high) {
        throw EGError(Context, OutOfRange(node, name, std::to_string(value), std::to_string(low),
                                          std::to_string(high)));
    }
    return value;
}

// Durations are written with the game's decimal comma. A decimal point would read as a zero
// duration, and elements would then jump instead of moving, so the text must be a whole number
// in that form.
double ReadDuration(const IGXMLNode& node, const char* name) {
    std::string text = node.GetString(name);
    std::optional<double> parsed = ParseCommaFloat(text);
    if (!parsed) {
        throw EGError(Context, Format("Attribute \"%s\" is \"%s\", not a number with a decimal comma (%s)",
                                      name, text.c_str(), node.GetLocation().c_str()));
    }
    double value = node.GetFloat(name);
    if (!(value >= 0.0 && value <= MaxStepDuration)) {
        throw EGError(Context, OutOfRange(node, name, text, "0", FormatFloat(MaxStepDuration, 0)));
    }
    return value;
}

} // namespace

TGameEnvironment::TGameEnvironment(const IGXMLNode& root)
    : ElementFallStepDuration(ReadDuration(root, "ElementFallStepDuration")),
      ElementsSwapDuration(ReadDuration(root, "ElementsSwapDuration")),
      DemolitionStepDuration(ReadDuration(root, "DemolitionStepDuration")),
      SuperBonusEraseElements(ReadInt(root, "SuperBonusEraseElements", 0, MaxCount)),
      // Zero would make every new element after a super bonus another super bonus.
      SpecialsForSuperBonus(ReadInt(root, "SpecialsForSuperBonus", 1, MaxCount)),
      ElementFPS(ReadInt(root, "ElementFPS", 1, MaxFPS)),
      DyingElementFPS(ReadInt(root, "DyingElementFPS", 1, MaxFPS)),
      CellWidth(ReadInt(root, "CellWidth", 1, MaxCellSide)),
      CellHeight(ReadInt(root, "CellHeight", 1, MaxCellSide)),
      FieldRowCount(ReadInt(root, "FieldRowCount", 1, MaxFieldSide)),
      FieldColumnCount(ReadInt(root, "FieldColumnCount", 1, MaxFieldSide)),
      // A minimum above the maximum is allowed: a brick's life is drawn between the two either way.
      BrickMinLifeTime(ReadInt(root, "BrickMinLifeTime", 0, MaxBrickSeconds)),
      BrickMaxLifeTime(ReadInt(root, "BrickMaxLifeTime", 0, MaxBrickSeconds)),
      BrickRate(ReadInt(root, "BrickRate", 0, MaxCount)), MinBricks(ReadInt(root, "MinBricks", 0, MaxCount)),
      SecretFieldRowCount(ReadInt(root, "SecretFieldRowCount", 1, MaxFieldSide)),
      SecretFieldColumnCount(ReadInt(root, "SecretFieldColumnCount", 1, MaxFieldSide)) {}

} // namespace qm
