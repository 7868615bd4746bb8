#include "PlayTestHost.h"

#include <pugixml.hpp>

namespace qm::test {

std::unique_ptr<TGameEnvironment> MakeEnvironment(int cellSize) {
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("GameConfig");
    const std::string size = std::to_string(cellSize);
    const char* attributes[][2] = {{"ElementFallStepDuration", "0,004"},
                                   {"ElementsSwapDuration", "0,005"},
                                   {"DemolitionStepDuration", "0,06"},
                                   {"SuperBonusEraseElements", "20"},
                                   {"SpecialsForSuperBonus", "10"},
                                   {"ElementFPS", "20"},
                                   {"DyingElementFPS", "25"},
                                   {"CellWidth", size.c_str()},
                                   {"CellHeight", size.c_str()},
                                   {"FieldRowCount", "10"},
                                   {"FieldColumnCount", "10"},
                                   {"BrickMinLifeTime", "3"},
                                   {"BrickMaxLifeTime", "6"},
                                   {"BrickRate", "4"},
                                   {"MinBricks", "10"},
                                   {"SecretFieldRowCount", "8"},
                                   {"SecretFieldColumnCount", "8"}};
    for (const auto& attribute : attributes) {
        root.append_attribute(attribute[0]).set_value(attribute[1]);
    }
    return std::make_unique<TGameEnvironment>(*CreateXMLSnapshot(root, "GameConfig.xml"));
}

TTestHost::TTestHost() : Environment(MakeEnvironment()), Clock(Ticks, 1.0) {}

TParticleEnv TTestHost::ParticleEnv() {
    return {ParticleArt, &Clock, &Clock};
}

std::unique_ptr<TField> MakeField(TTestHost& host, const std::vector<std::string>& rows) {
    const int rowCount = static_cast<int>(rows.size());
    const int colCount = static_cast<int>(rows.front().size());
    auto field = std::make_unique<TField>(host, rowCount, colCount, 0, 0);
    field->MarbleSet = "12345678";
    for (int r = 0; r < rowCount; ++r) {
        for (int c = 0; c < colCount; ++c) {
            const char symbol = rows[static_cast<size_t>(r)].at(static_cast<size_t>(c));
            TCell& cell = field->Cell(r, c);
            cell.Kind = symbol == '#' ? 0 : 1;
            const TGIntPoint centre = field->CellCentre(cell);
            if (symbol >= '1' && symbol <= '8') {
                cell.Element = NewElement<TMarble>(host, centre.X, centre.Y, symbol);
            } else if (symbol == 'W') {
                cell.Element = NewElement<TMarbleWildChameleon>(host, centre.X, centre.Y);
            } else if (symbol == 'F') {
                cell.Element = NewElement<TMarbleWithLineFreeze>(host, centre.X, centre.Y, '1');
            } else if (symbol == 'X') {
                cell.Element = NewElement<TMarbleWithCrossFire>(host, centre.X, centre.Y, '1');
            } else if (symbol == 'D') {
                cell.Element = NewElement<TMarbleWithDiagonal>(host, centre.X, centre.Y, '1');
            } else if (symbol == 'B') {
                cell.Element = NewElement<TBoxElement>(host, centre.X, centre.Y, 1, field->BoxSpriteName(1));
            } else if (symbol >= 'a' && symbol <= 'o') {
                cell.Element = host.CreateSpecial(symbol - 96, centre.X, centre.Y);
            }
        }
    }
    return field;
}

std::vector<std::string> FieldText(const TField& field) {
    std::vector<std::string> rows;
    for (int r = 0; r < field.RowCount; ++r) {
        std::string row;
        for (int c = 0; c < field.ColCount; ++c) {
            const TCell& cell = field.Cell(r, c);
            const TSimpleElement* element = cell.Element.get();
            if (cell.Kind == 0) {
                row += '#';
            } else if (!element) {
                row += '.';
            } else if (element->IsDying()) {
                row += 'x';
            } else if (const auto* marble = dynamic_cast<const TMarble*>(element)) {
                row += marble->Color;
            } else if (const auto* special = dynamic_cast<const TSpecial*>(element)) {
                row += static_cast<char>(96 + special->Kind());
            } else {
                row += 'B';
            }
        }
        rows.push_back(row);
    }
    return rows;
}

void RunFrames(TTestHost& host, TField& field, int frames, double seconds) {
    for (int i = 0; i < frames; ++i) {
        host.Tick(seconds);
        host.Queue.Update();
        field.Draw();
        field.UpdateFireBalls();
    }
}

} // namespace qm::test
