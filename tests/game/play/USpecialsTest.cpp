#include "USpecials.h"

#include "PlayTestHost.h"
#include "UFrozenRowState.h"
#include "UGConfigPreprocessor.h"
#include "UGError.h"
#include "UIce.h"
#include "game/effects/ParticleTestSupport.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>

#include <cmath>

#include <set>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::FieldText;
using test::MakeField;
using test::TTestHost;

// A board on the test host; frozen rows still queued leave before the field does.
struct TBoard {
    explicit TBoard(const std::vector<std::string>& rows) : Field(MakeField(Host, rows)) {
        Host.Field = Field.get();
    }
    ~TBoard() { Host.Queue.Clear(); }

    void Fire(int row, int col) { Field->Cell(row, col).Element->Kill(0); }
    void Run(double seconds) { test::RunFrames(Host, *Field, static_cast<int>(std::lround(seconds * 100))); }
    std::vector<std::string> Text() const { return FieldText(*Field); }

    TTestHost Host;
    std::unique_ptr<TField> Field;
};

// Every strike on small boards: what each special kills (x), the points it scores, the blast sounds
// in the order they sounded and the packs it asks for once all is over.
struct TStrikeCase {
    const char* Name;
    std::vector<std::string> Board;
    int Row;
    int Col;
    std::vector<std::string> After;
    int Score;
    std::vector<int> Sounds;
    int Packs;
};

const TStrikeCase StrikeCases[] = {
    {"a line freeze stops at the hole on its left and the box on its right",
     {"1#2a34B5", "12121212"},
     0,
     3,
     {"1#xxxxB5", "12121212"},
     500,
     {1},
     1},
    {"a cross fire stops below a box and at a hole",
     {"12345", "21B12", "34343", "1#b21", "23232"},
     3,
     2,
     {"12345", "21B12", "34x43", "1#xxx", "23x32"},
     700,
     {2},
     0},
    {"a cross-fire marble reaches two cells each way",
     {"123X4567", "21212121"},
     0,
     3,
     {"1xxxxx67", "212x2121"},
     700,
     {2},
     0},
    {"a cross-fire marble's upward ball strikes only the two nearest cells",
     {"12121", "21212", "12121", "21212", "12X12"},
     4,
     2,
     {"12121", "21212", "12x21", "21x12", "xxxxx"},
     700,
     {2},
     0},
    {"a line-freeze marble freezes two cells each way", {"12345F12345"}, 0, 5, {"123xxxxx345"}, 0, {1}, 1},
    {"a diagonal strikes its four rays up to a box, a hole or the edge",
     {"12345", "2B123", "34d12", "45123", "1234#"},
     2,
     2,
     {"1234x", "2B1x3", "34x12", "4x1x3", "x234#"},
     0,
     {4},
     1},
    {"a diagonal marble strikes two cells of each ray",
     {"1234512", "2312345", "3451234", "456D456", "5671234", "6712345", "7123456"},
     3,
     3,
     {"1234512", "2x123x5", "34x1x34", "456x456", "56x1x34", "6x123x5", "7123456"},
     0,
     {4},
     1},
    {"a super bonus without a free marble dies without points", {"Bc", "ab"}, 0, 1, {"Bx", "ab"}, 0, {}, 0},
    {"a super bonus erases marbles, never in the bottom row or the right column",
     {"123", "231", "31c"},
     2,
     2,
     {"xx3", "xx1", "31x"},
     1005,
     {3},
     1},
    {"a fireball that strikes a line freeze sets off its row",
     {"1a234", "23412", "4b123", "12341"},
     2,
     1,
     {"xxxxx", "2x412", "xxxxx", "1x341"},
     1200,
     {2, 1},
     1},
};

TEST(SpecialsTest, StrikesOnSmallBoards) {
    for (const TStrikeCase& c : StrikeCases) {
        SCOPED_TRACE(c.Name);
        TBoard board(c.Board);
        board.Fire(c.Row, c.Col);
        board.Run(3.0);
        EXPECT_EQ(board.Text(), c.After);
        EXPECT_EQ(board.Host.Score, c.Score);
        EXPECT_EQ(board.Host.BlastSounds, c.Sounds);
        EXPECT_EQ(board.Host.PackStates, c.Packs);
        EXPECT_TRUE(board.Host.Queue.IsEmpty());
        EXPECT_TRUE(board.Field->FireBalls.empty());
        board.Field->RemoveDeadElements();
        EXPECT_FALSE(board.Field->HasLockedElement()) << "every lock is given back";
    }
}

TEST(SpecialsTest, BonusKindsDieWithoutEffect) {
    for (char letter = 'e'; letter <= 'o'; ++letter) {
        if (letter == 'i') {
            continue;
        }
        SCOPED_TRACE(std::string(1, letter));
        TBoard board({std::string("12") + letter + "12", "21212"});
        const int budget = board.Host.Budget;
        board.Fire(0, 2);
        board.Run(1.0);
        EXPECT_EQ(board.Text(), (std::vector<std::string>{"12x12", "21212"}));
        EXPECT_EQ(board.Host.Score, 0);
        EXPECT_TRUE(board.Host.BlastSounds.empty());
        EXPECT_EQ(board.Host.PackStates, 0);
        EXPECT_EQ(board.Host.Budget, budget);
    }
}

TEST(SpecialsTest, EachKindHasItsClassAndFolder) {
    TTestHost host;
    std::set<int> ids;
    for (int kind = 1; kind <= 15; ++kind) {
        ids.insert(SpecialIdOfKind(kind));
        if (kind == 9) {
            EXPECT_THROW(host.CreateSpecial(kind, 0, 0), EGError);
            continue;
        }
        const std::unique_ptr<TSpecial> special = host.CreateSpecial(kind, 0, 0);
        EXPECT_EQ(special->Kind(), kind);
        EXPECT_EQ(special->Clone()->GetSpriteName(), special->GetSpriteName());
        EXPECT_EQ(special->GetSpriteName(), SpecialFolder(kind) + "/Special");
    }
    EXPECT_EQ(ids.size(), 15u) << "every kind has a folder of its own";
    EXPECT_EQ(*ids.begin(), 1);
    EXPECT_EQ(*ids.rbegin(), 15);
    EXPECT_NE(dynamic_cast<TSpecialDiagonal*>(host.CreateSpecial(4, 0, 0).get()), nullptr);
    EXPECT_THROW(host.CreateSpecial(16, 0, 0), EGError);
    EXPECT_THROW(SpecialIdOfKind(0), EGError);
}

// A row of twelve cells freezes at the faster pace: every cell within nine of the start breaks
// at 0.63 s, the farther ones a tenth of that pace per cell later.
TEST(SpecialsTest, AFrozenRowBreaksOnTime) {
    TBoard board({"a12121212121", "212121212121"});
    board.Fire(0, 0);
    board.Run(0.05);
    auto* state = board.Host.Queue.FindExact<TFrozenRowState>();
    ASSERT_NE(state, nullptr);
    EXPECT_DOUBLE_EQ(state->Speed, 0.7);
    EXPECT_TRUE(board.Field->Cell(0, 5).Element->IsLocked());
    // The farthest cell's ice, on its corner + 25: it forms last and breaks as soon as it stands.
    const TFrozenRowState::TFrozenCell& farthest = state->Cells.back();
    ASSERT_EQ(farthest.Distance, 11);
    const TGIntPoint corner = board.Field->CellToScreen(0, 11, false);
    EXPECT_DOUBLE_EQ(farthest.Ice->Position.X, corner.X + 25.0);
    EXPECT_DOUBLE_EQ(farthest.Ice->Position.Y, corner.Y + 25.0);
    EXPECT_NEAR(farthest.Ice->StartDelay, 0.77 - 0.05, 0.011) << "0.05 s of its 0.77 s have passed";
    EXPECT_EQ(farthest.Ice->Time, 0.0);
    EXPECT_NEAR(farthest.Ice->Balls.front().Delay, 0.07, 1e-9);
    board.Run(0.55);
    EXPECT_EQ(board.Text()[0], "x12121212121");
    board.Run(0.08);
    EXPECT_EQ(board.Text()[0], "xxxxxxxxxx21") << "0.68 s";
    board.Run(0.06);
    EXPECT_EQ(board.Text()[0], "xxxxxxxxxxx1") << "0.74 s: distance 10 at 0.7, distance 11 at 0.77";
    board.Run(1.0);
    EXPECT_EQ(board.Text()[0], "xxxxxxxxxxxx");
    EXPECT_TRUE(board.Host.Queue.IsEmpty());
    EXPECT_EQ(board.Host.PackStates, 1);
}

// A state taken out from outside (the sublevel ended) still lets the board fall, and a frost
// never strikes after that.
TEST(SpecialsTest, AFrozenRowRemovedEarlyStrikesNoMore) {
    TBoard board({"12a21", "21212"});
    board.Fire(0, 2);
    board.Run(0.2);
    board.Host.Queue.RemoveAllOf<TFrozenRowState>();
    board.Run(1.0);
    EXPECT_EQ(board.Text()[0], "12x21");
    EXPECT_EQ(board.Host.PackStates, 1);
}

TEST(SpecialsTest, TheSuperBonusBudgetCountsFiredLineSpecials) {
    TBoard board({"1a2b3d", "212121", "121212"});
    board.Host.Budget = 2;
    board.Fire(0, 1);
    board.Fire(0, 3);
    board.Fire(0, 5);
    board.Run(3.0);
    EXPECT_EQ(board.Host.Budget, 0) << "three fired, never below zero";
}

TEST(SpecialsTest, TheChameleonShowsItsColourAndDiesWithASound) {
    TBoard board({"1W2", "345"});
    auto& chameleon = dynamic_cast<TMarbleWildChameleon&>(*board.Field->Cell(0, 1).Element);
    ASSERT_TRUE(chameleon.Ani);
    EXPECT_TRUE(chameleon.GetSpriteName().empty());
    const TGIntPoint centre = board.Field->CellToScreen(0, 1, true);
    board.Run(0.1);
    EXPECT_EQ(chameleon.X, centre.X) << "it stays where it stands without a sprite";
    EXPECT_EQ(chameleon.Y, centre.Y);
    chameleon.SetChameleonColor(6);
    EXPECT_EQ(chameleon.Ani->ColorNumber(), 6);
    chameleon.Select();
    EXPECT_EQ(chameleon.Ani->Mode(), TChameleonAni::TMode::Selected);
    chameleon.Deselect();
    EXPECT_EQ(chameleon.Ani->Mode(), TChameleonAni::TMode::Normal);
    chameleon.Kill(0);
    chameleon.Kill(0);
    EXPECT_EQ(chameleon.Ani->Mode(), TChameleonAni::TMode::Dying);
    EXPECT_EQ(board.Host.BlastSounds, std::vector<int>{9});
    EXPECT_EQ(board.Host.MarblesKilled, 1);
}

TEST(SpecialsTest, AffectCellStrikesOnlyAFreeElement) {
    TBoard board({"a12", "d12"});
    auto& freeze = dynamic_cast<TSpecial&>(*board.Field->Cell(0, 0).Element);
    board.Field->Cell(0, 2).Element->Lock();
    freeze.AffectCell(0, 1);
    freeze.AffectCell(0, 2);
    dynamic_cast<TSpecial&>(*board.Field->Cell(1, 0).Element).AffectCell(1, 1);
    EXPECT_EQ(board.Text(), (std::vector<std::string>{"ax2", "dx2"}));
}

// The Special nodes of the default game configuration, the n-th for the kind of id n: their
// sequences exist among those the code asks for, their animotions import, and the bonuses that
// read values have them.
TEST(SpecialsTest, TheDefaultConfigurationDescribesEveryKind) {
    TGConfigPreprocessor preprocessor(std::filesystem::path(QM_BINARY_DIR) / "data", false);
    const std::string text = preprocessor.ProcessFile("GameConfig.xml");
    pugi::xml_document document;
    ASSERT_TRUE(document.load_buffer(text.data(), text.size()));
    PGXMLNode config = CreateXMLSnapshot(document.document_element(), "GameConfig.xml");
    PGXMLCollection specials = config->GetCollection("Special");
    ASSERT_EQ(specials->Count(), 15u);
    const std::vector<std::string> known = SpecialSequenceNames();
    auto isKnown = [&](const std::string& name) {
        return std::find(known.begin(), known.end(), name) != known.end();
    };
    for (size_t i = 0; i < specials->Count(); ++i) {
        PGXMLNode node = specials->GetItem(i);
        const int kind = node->GetInt("Kind");
        SCOPED_TRACE(kind);
        EXPECT_EQ(SpecialIdOfKind(kind), static_cast<int>(i + 1));
        for (const char* look : {"MainSeq", "SelectSeq", "GraySeq", "FillSeq"}) {
            EXPECT_TRUE(isKnown(SpecialFolder(kind) + "/" + node->GetString(look))) << look;
        }
        for (const char* name : {"BarAnimotion", "FlyingAnimotion"}) {
            PGXMLCollection animotions = node->GetCollection(name);
            ASSERT_EQ(animotions->Count(), 1u) << name;
            TGAnimotion animotion(nullptr, nullptr);
            EXPECT_NO_THROW(animotion.Import(*animotions->GetItem(0))) << name;
            EXPECT_TRUE(animotion.HasChannel(0)) << name;
        }
        EXPECT_NO_THROW(node->GetInt("MouseDX"));
        EXPECT_NO_THROW(node->GetInt("MouseDY"));
        if (kind == 6) {
            EXPECT_GT(node->GetFloat("FreezeTime"), 0);
        }
        if (kind == 5 || kind == 13) {
            EXPECT_GT(node->GetFloat("MultiplyTime"), 0);
        }
        if (kind == 11) {
            EXPECT_GT(node->GetFloat("Delay"), 0);
            for (int n = 1; n <= 4; ++n) {
                EXPECT_NO_THROW(node->GetInt("PlantDX" + std::to_string(n)));
                EXPECT_NO_THROW(node->GetInt("PlantDY" + std::to_string(n)));
            }
            EXPECT_EQ(node->GetCollection("PlantAnimotion1")->Count(), 1u);
            EXPECT_EQ(node->GetCollection("PlantAnimotion2")->Count(), 1u);
        }
    }
}

// A host that draws with the particle art, whose "specials/11/specialfx" has eight frames.
class TArtHost : public test::TTestHost {
public:
    TGResManager* ResManager() override { return Art.Env().ResManager; }
    test::TParticleArt Art;
};

// A flying sprite moves from its start to its end whether its picture is one frame or a sheet
// whose frames loop while it flies.
TEST(SpecialsTest, AFlyingSpriteReachesItsEndWhateverItsFrames) {
    for (const char* sequence : {"specials/11/specialfx", "stuff/sparkle07"}) {
        SCOPED_TRACE(sequence);
        TArtHost host;
        ASSERT_NE(host.FindSeq(sequence), nullptr);
        const PGAnimotion flight = FlyingSprite(host, sequence, {10, 20}, {210, 120}, 0.5);
        const TGActiveChannel& carrier = flight->GetChannel(0);
        for (int frame = 0; frame < 25; ++frame) {
            flight->Update(0.01);
        }
        EXPECT_GT(carrier.X, 60.0) << "halfway it has left its start";
        EXPECT_LT(carrier.X, 160.0);
        for (int frame = 0; frame < 30; ++frame) {
            flight->Update(0.01);
        }
        EXPECT_DOUBLE_EQ(carrier.X, 210.0);
        EXPECT_DOUBLE_EQ(carrier.Y, 120.0);
    }
}

} // namespace
} // namespace qm
