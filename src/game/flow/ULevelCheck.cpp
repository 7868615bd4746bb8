#include "ULevelCheck.h"

#include "UGError.h"
#include "UGStrings.h"
#include "UGameEnvironment.h"
#include "ULevels.h"

#include <functional>
#include <memory>
#include <stdexcept>

namespace qm {

namespace {

class TLevelChecker {
public:
    explicit TLevelChecker(std::vector<TLevelProblem>& problems) : FProblems(problems) {}

    // Runs one check; a failure becomes a problem and the checks go on.
    bool Try(const std::string& where, const std::function<void()>& check) {
        try {
            check();
            return true;
        } catch (const std::exception& error) {
            FProblems.push_back({where, error.what()});
            return false;
        }
    }

    void CheckField(const IGXMLNode& owner, const std::string& where, int rows, int columns, int level,
                    int subLevel) {
        PGXMLCollection fields = owner.GetCollection("Field");
        if (fields->Count() == 0) {
            FProblems.push_back({where, "has no Field"});
            return;
        }
        TSublevelParseContext context;
        context.Level = level;
        context.SubLevel = subLevel;
        Try(where + "/Field", [&] {
            TCellsStructsArr records = LoadSublevelData(*fields->GetItem(0), rows, columns, context);
            CheckPresetSpecials(records);
        });
    }

private:
    // The game meets an unknown special kind only when it first fills the field; the check names
    // it at once, with the game's text.
    static void CheckPresetSpecials(const TCellsStructsArr& records) {
        for (int i = 0; i < records.RowCount(); ++i) {
            for (int j = 0; j < records.ColumnCount(); ++j) {
                char special = records.At(i, j).Special;
                if (special == 'i' || special > 'o') {
                    throw EGError(
                        Format("TGameManager.SpecialKindClass (special \"%c\" at row %d, column %d)", special,
                               i + 1, j + 1));
                }
            }
        }
    }

    std::vector<TLevelProblem>& FProblems;
};

std::string Numbered(const char* name, size_t index) {
    return Format("%s[%zu]", name, index + 1);
}

} // namespace

std::vector<TLevelProblem> CheckLevels(const IGXMLNode& gameConfig) {
    std::vector<TLevelProblem> problems;
    TLevelChecker checker(problems);
    std::unique_ptr<TGameEnvironment> environment;
    if (!checker.Try(gameConfig.GetName(),
                     [&] { environment = std::make_unique<TGameEnvironment>(gameConfig); })) {
        return problems; // without the field sizes no field can be read
    }
    const int rows = environment->FieldRowCount;
    const int columns = environment->FieldColumnCount;
    const int secretRows = environment->SecretFieldRowCount;
    const int secretColumns = environment->SecretFieldColumnCount;

    auto checkSecretFields = [&](const IGXMLNode& owner, const std::string& prefix) {
        PGXMLCollection secrets = owner.GetCollection("SecretLevelField");
        for (size_t s = 0; s < secrets->Count(); ++s) {
            checker.CheckField(*secrets->GetItem(s), prefix + Numbered("SecretLevelField", s), secretRows,
                               secretColumns, 0, 0);
        }
    };

    PGXMLCollection levels = gameConfig.GetCollection("Level");
    for (size_t l = 0; l < levels->Count(); ++l) {
        const IGXMLNode& level = *levels->GetItem(l);
        const std::string levelWhere = Numbered("Level", l);
        const int levelNumber = static_cast<int>(l + 1);
        PGXMLCollection subLevels = level.GetCollection("SubLevel");
        if (subLevels->Count() == 0) {
            problems.push_back({levelWhere, "has no SubLevel"});
        }
        for (size_t m = 0; m < subLevels->Count(); ++m) {
            checker.CheckField(*subLevels->GetItem(m), levelWhere + "/" + Numbered("SubLevel", m), rows,
                               columns, levelNumber, static_cast<int>(m + 1));
        }
        PGXMLCollection outlines = level.GetCollection("ConstructionField");
        if (outlines->Count() == 0) {
            problems.push_back({levelWhere, "has no ConstructionField"});
        } else {
            checker.Try(levelWhere + "/ConstructionField",
                        [&] { LoadConstructionCells(*outlines->GetItem(0), levelNumber); });
        }
        checkSecretFields(level, levelWhere + "/");
    }
    checkSecretFields(gameConfig, "");
    return problems;
}

} // namespace qm
