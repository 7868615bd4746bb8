#include "UField.h"

#include "PlayTestHost.h"
#include "TestHelpers.h"
#include "UGRandom.h"
#include "USpecials.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::FieldText;
using test::MakeField;
using test::TTestHost;

struct TPlace {
    int Row;
    int Col;
    bool operator<(const TPlace& o) const { return Row != o.Row ? Row < o.Row : Col < o.Col; }
    bool operator==(const TPlace&) const = default;
};

struct TMatchCase {
    const char* Name;
    std::vector<std::string> Board;
    // The swapped cells, when the match follows a swap.
    std::vector<TPlace> Swap;
    std::vector<std::string> After;
    int Points;
    // Pending specials by place and kind.
    std::map<TPlace, int> Specials;
    int Combo;
};

// Boards of 5 x 5 where only the named shapes line up.
const TMatchCase MatchCases[] = {
    {"line of three",
     {"12312", "23423", "11145", "23523", "31231"},
     {},
     {"12312", "23423", "xxx45", "23523", "31231"},
     50,
     {},
     1},
    {"line of four placed in the swapped cell",
     {"12312", "23423", "31451", "25423", "31431"},
     {{4, 2}, {3, 2}},
     {"12312", "23x23", "31x51", "25x23", "31x31"},
     100,
     {{{4, 2}, 1}},
     1},
    {"second swapped cell when the first is outside",
     {"12312", "23423", "31451", "25423", "31431"},
     {{0, 0}, {1, 2}},
     {"12312", "23x23", "31x51", "25x23", "31x31"},
     100,
     {{{1, 2}, 1}},
     1},
    {"line of five",
     {"12312", "23123", "55555", "23123", "31231"},
     {{2, 0}},
     {"12312", "23123", "xxxxx", "23123", "31231"},
     200,
     {{{2, 0}, 2}},
     1},
    {"line of six",
     {"123126", "231236", "666666", "231236", "312316"},
     {{2, 5}},
     {"12312x", "23123x", "xxxxxx", "23123x", "31231x"},
     300,
     {{{2, 5}, 2}},
     1},
    {"L of five",
     {"71231", "72312", "77745", "23123", "31231"},
     {{2, 0}},
     {"x1231", "x2312", "xxx45", "23123", "31231"},
     200,
     {{{2, 0}, 2}},
     1},
    {"T of five",
     {"12312", "27773", "31723", "43745", "53152"},
     {{1, 2}},
     {"12312", "2xxx3", "31x23", "43x45", "53152"},
     200,
     {{{1, 2}, 2}},
     1},
    {"plus of five",
     {"12312", "23723", "47774", "23723", "31231"},
     {{2, 2}},
     {"12312", "23x23", "4xxx4", "23x23", "31231"},
     200,
     {{{2, 2}, 2}},
     1},
    {"two separate lines",
     {"11132", "23123", "31231", "12312", "23444"},
     {},
     {"xxx32", "23123", "31231", "12312", "23xxx"},
     100,
     {},
     2},
};

TEST(FieldMatchTest, GroupsPointsAndSpecials) {
    for (const TMatchCase& c : MatchCases) {
        SCOPED_TRACE(c.Name);
        TTestHost host;
        auto field = MakeField(host, c.Board);
        for (size_t i = 0; i < c.Swap.size(); ++i) {
            field->SwapCells[i] = &field->Cell(c.Swap[i].Row, c.Swap[i].Col);
        }
        EXPECT_TRUE(field->FindMatches(false, false));
        EXPECT_EQ(FieldText(*field), c.After);
        EXPECT_EQ(host.Score, c.Points);
        EXPECT_EQ(field->ComboCount, c.Combo);
        std::map<TPlace, int> specials;
        for (const TPendingSpecial& pending : field->PendingSpecials) {
            specials[{pending.Row, pending.Col}] = pending.Special->Kind();
        }
        if (!c.Specials.empty() && c.Swap.empty()) {
            // Without swapped cells the special's cell is drawn from the group; only its count and
            // kind are fixed.
            ASSERT_EQ(specials.size(), c.Specials.size());
            EXPECT_EQ(specials.begin()->second, c.Specials.begin()->second);
        } else {
            EXPECT_EQ(specials, c.Specials);
        }
    }
}

// A wild chameleon takes, before the search, the first colour that gives it the largest group;
// short of a line it takes none (" ") and stays.
struct TChameleonCase {
    const char* Name;
    std::vector<std::string> Board;
    bool Found;
    std::vector<std::string> After;
};

const TChameleonCase ChameleonCases[] = {
    {"completes a line", {"11W2", "3456"}, true, {"xxx2", "3456"}},
    {"a tie goes to the lower colour", {"22W11", "34567"}, true, {"22xxx", "34567"}},
    {"the larger group wins", {"4243", "3W11", "5263", "4253"}, true, {"4x43", "3x11", "5x63", "4x53"}},
    {"no line, no colour", {"1W2", "345"}, false, {"1 2", "345"}},
    {"chameleons side by side take one colour", {"WWW", "123"}, true, {"xxx", "123"}},
    {"two chameleons alone make no line", {"WW3", "456"}, false, {"  3", "456"}},
};

TEST(FieldMatchTest, WildChameleonsTakeTheBestColour) {
    for (const TChameleonCase& c : ChameleonCases) {
        SCOPED_TRACE(c.Name);
        TTestHost host;
        auto field = MakeField(host, c.Board);
        EXPECT_EQ(field->FindMatches(false, false), c.Found);
        EXPECT_EQ(FieldText(*field), c.After);
        for (int r = 0; r < field->RowCount; ++r) {
            for (int col = 0; col < field->ColCount; ++col) {
                const TSimpleElement* element = field->Cell(r, col).Element.get();
                if (const auto* chameleon = dynamic_cast<const TMarbleWildChameleon*>(element)) {
                    // Its look is its animation, which shows the colour it holds.
                    EXPECT_EQ(chameleon->Ani->ColorNumber(), chameleon->ColorNumber);
                    continue;
                }
                const std::string sprite = element->GetSpriteName();
                EXPECT_TRUE(sprite.size() == 16 && sprite.back() >= '1' && sprite.back() <= '8') << sprite;
            }
        }
    }
}

TEST(FieldMatchTest, ALineWithAChameleonFlashesBeforeItGoes) {
    TTestHost host;
    auto field = MakeField(host, {"111", "11W", "234"});
    ASSERT_TRUE(field->FindMatches(false, false));
    test::RunFrames(host, *field, 50);
    field->RemoveDeadElements();
    EXPECT_EQ(FieldText(*field), (std::vector<std::string>{"...", "xx.", "234"}))
        << "0.5 s: the plain line has shrunk away, the chameleon's line still holds";
}

// Which boards hold line marbles or chameleons, and which marble lies below the first box.
struct TBoardQuestionCase {
    const char* Name;
    std::vector<std::string> Board;
    std::vector<TPlace> Layered;
    bool LineMarble;
    bool Chameleon;
    TPlace BelowBox; // (-1, -1): none
};

const TBoardQuestionCase BoardQuestionCases[] = {
    {"a layered cell is preferred", {"B1", "21", "31"}, {{2, 0}}, false, false, {2, 0}},
    {"else the first marble below", {"1B", "F2", "W3"}, {}, true, true, {1, 1}},
    {"boxes are no marbles", {"3B", "1.", "2B"}, {}, false, false, {-1, -1}},
    {"no box", {"12", "34"}, {}, false, false, {-1, -1}},
};

TEST(FieldMatchTest, LineMarblesChameleonsAndTheMarbleBelowABox) {
    for (const TBoardQuestionCase& c : BoardQuestionCases) {
        SCOPED_TRACE(c.Name);
        TTestHost host;
        auto field = MakeField(host, c.Board);
        for (const TPlace& place : c.Layered) {
            field->Cell(place.Row, place.Col).Kind = 2;
        }
        EXPECT_EQ(field->HasLineSpecialMarble(), c.LineMarble);
        EXPECT_EQ(field->HasWildChameleon(), c.Chameleon);
        const TCell* below = field->FindMarbleBelowBox();
        const TPlace found = below ? TPlace{below->Row, below->Col} : TPlace{-1, -1};
        EXPECT_EQ(found, c.BelowBox);
    }
    TTestHost host;
    auto field = MakeField(host, {"F"});
    field->Cell(0, 0).Kind = 0;
    EXPECT_FALSE(field->HasLineSpecialMarble()) << "on a hole";
}

TEST(FieldTest, SoundNamesOfMatchesAndSpecials) {
    const std::pair<int, const char*> combos[] = {
        {0, "Match"}, {1, "Combo1"}, {10, "Combo10"}, {15, "Combo10"}};
    for (const auto& [combo, name] : combos) {
        EXPECT_EQ(ComboSoundName(combo), name) << combo;
    }
    const std::pair<int, const char*> specials[] = {
        {1, "Special1Appear"}, {3, "Special3Appear"}, {4, "SpecialExtraAppear"}, {15, "SpecialExtraAppear"}};
    for (const auto& [kind, name] : specials) {
        EXPECT_EQ(SpecialAppearSoundName(kind), name) << kind;
    }
}

TEST(FieldTest, ASavedStateCopiesCellsAndElements) {
    TTestHost host;
    auto field = MakeField(host, {"1W", "B#"});
    field->Cell(0, 0).Kind = 3;
    field->SavedStates.push_back(std::make_unique<TFieldState>(*field));
    const TFieldState& state = *field->SavedStates.back();
    ASSERT_EQ(state.Cells.size(), 4u);
    EXPECT_EQ(state.Cells[0]->Kind, 3);
    EXPECT_EQ(state.Cells[3]->Kind, 0);
    ASSERT_NE(state.Cells[0]->Element, nullptr);
    EXPECT_NE(state.Cells[0]->Element.get(), field->Cell(0, 0).Element.get());
    EXPECT_EQ(dynamic_cast<const TMarble&>(*state.Cells[0]->Element).Color, '1');
    EXPECT_NE(dynamic_cast<const TMarbleWildChameleon*>(state.Cells[1]->Element.get()), nullptr);
    EXPECT_NE(dynamic_cast<const TBoxElement*>(state.Cells[2]->Element.get()), nullptr);
    EXPECT_EQ(state.Cells[3]->Element, nullptr);
    field->SavedStates.clear();
    EXPECT_EQ(FieldText(*field), (std::vector<std::string>{"11", "B#"})) << "the board keeps its own";
}

TEST(FieldMatchTest, ModesLeaveTheBoardAlone) {
    const std::vector<std::string> board = {"12312", "23423", "11145", "23523", "31231"};
    TTestHost host;
    auto field = MakeField(host, board);
    EXPECT_TRUE(field->FindMatches(false, true));
    EXPECT_TRUE(field->FindMatches(true, false));
    // A cell outside every group filters the groups out.
    EXPECT_FALSE(field->FindMatches(false, false, &field->Cell(0, 0)));
    EXPECT_EQ(FieldText(*field), board);
    EXPECT_EQ(host.Score, 0);
    // Only the group through the named cell goes.
    EXPECT_TRUE(field->FindMatches(false, false, &field->Cell(0, 0), &field->Cell(2, 1)));
    EXPECT_EQ(FieldText(*field)[2], "xxx45");
}

TEST(FieldMatchTest, MatchesThroughACellCountSwapsStillMoving) {
    TTestHost host;
    auto field = MakeField(host, {"1213", "2134"});
    EXPECT_FALSE(field->MatchesThroughCell(field->Cell(0, 0)));
    field->AddProcessingSwap(field->Cell(0, 1), field->Cell(1, 1));
    EXPECT_TRUE(field->MatchesThroughCell(field->Cell(0, 0)));
    EXPECT_FALSE(field->MatchesThroughCell(field->Cell(1, 3)));
    EXPECT_EQ(FieldText(*field), (std::vector<std::string>{"1213", "2134"}))
        << "tried, undone, nothing removed";
}

TEST(FieldMatchTest, LockedMovingAndDyingMarblesDoNotMatch) {
    TTestHost host;
    auto field = MakeField(host, {"111", "234", "342"});
    field->Cell(0, 1).Element->Lock();
    EXPECT_FALSE(field->FindMatches(false, true));
    field->Cell(0, 1).Element->Unlock();
    field->Cell(0, 2).Element->FallMove({0, -48}, field->CellCentre(field->Cell(0, 2)));
    EXPECT_TRUE(field->FindMatches(true, true));
    EXPECT_FALSE(field->FindMatches(true, true, nullptr, nullptr, true)) << "settled only";
    field->Cell(0, 2).Element->Select();
    EXPECT_TRUE(field->FindMatches(true, true, nullptr, nullptr, true))
        << "a selected marble counts as settled";
    field->Cell(0, 0).Element->Kill(0);
    EXPECT_FALSE(field->FindMatches(true, true));
}

TEST(FieldMatchTest, MarvaneMarblesAndKillsReachTheHost) {
    TTestHost host;
    host.Marvane = '1';
    auto field = MakeField(host, {"111", "234", "342"});
    field->FindMatches(false, false);
    EXPECT_EQ(host.MarvaneMatched, 3);
    EXPECT_EQ(host.MarblesKilled, 3);
}

TEST(FieldMatchTest, PossibleMoves) {
    TTestHost host;
    TCell* a = nullptr;
    TCell* b = nullptr;
    auto field = MakeField(host, {"1213", "3141", "4342"});
    ASSERT_TRUE(field->HasPossibleMove(a, b));
    EXPECT_EQ((TPlace{a->Row, a->Col}), (TPlace{0, 1}));
    EXPECT_EQ((TPlace{b->Row, b->Col}), (TPlace{1, 1}));
    EXPECT_EQ(FieldText(*field)[0], "1213") << "the trial swap is undone";
    // Moving the box down would line up the 1s, and the 4s need the hole: no move is left.
    auto stuck = MakeField(host, {"1B13", "2123", "34#4"});
    EXPECT_FALSE(stuck->HasPossibleMove(a, b));
}

TEST(FieldMatchTest, HorizontalLineLooksTwoCellsEachWay) {
    TTestHost host;
    auto field = MakeField(host, {"12111", "11211"});
    EXPECT_TRUE(field->HasHorizontalLineAt(field->Cell(0, 3)));
    EXPECT_FALSE(field->HasHorizontalLineAt(field->Cell(0, 1)));
    EXPECT_FALSE(field->HasHorizontalLineAt(field->Cell(1, 0)));
}

TEST(FieldGravityTest, PackingFallsOverHolesOnePerCellAndCall) {
    TTestHost host;
    auto field = MakeField(host, {"12", "#3", "..", "4."});
    bool blocked = true;
    field->PackColumns(blocked);
    EXPECT_FALSE(blocked);
    EXPECT_EQ(FieldText(*field), (std::vector<std::string>{"..", "#.", "12", "43"}));
    // A marble still on its way blocks the cell below it.
    auto busy = MakeField(host, {"1", ".", "."});
    busy->Cell(0, 0).Element->FallMove({24, -24}, {24, 24});
    busy->PackColumns(blocked);
    EXPECT_TRUE(blocked);
    EXPECT_EQ(FieldText(*busy), (std::vector<std::string>{"1", ".", "."}));
}

TEST(FieldGravityTest, PendingSpecialsTakeEmptyCellsOnly) {
    TTestHost host;
    auto field = MakeField(host, {"1.", "22"});
    field->AddPendingSpecial(0, 1, 1);
    field->AddPendingSpecial(1, 0, 2);
    bool blocked = false;
    field->PackColumns(blocked);
    EXPECT_EQ(FieldText(*field), (std::vector<std::string>{"1a", "22"}));
    EXPECT_TRUE(field->PendingSpecials.empty());
    EXPECT_EQ(host.SpecialSounds, 1);
}

TEST(FieldGravityTest, DeadElementsGoOnceTheirDeathIsOver) {
    TTestHost host;
    auto field = MakeField(host, {"1B"});
    field->Cell(0, 0).Element->Kill(0);
    field->Cell(0, 1).Element->Kill(0);
    field->RemoveDeadElements();
    EXPECT_EQ(FieldText(*field)[0], "x.") << "a killed box is gone at once";
    test::RunFrames(host, *field, 31);
    field->RemoveDeadElements();
    EXPECT_EQ(FieldText(*field)[0], "..") << "a marble after its 0.3 s shrink";
}

// Every colour of the set that a new marble would line up with is left out, as long as one is
// left; a refill of a board without lines then leaves it without lines.
TEST(FieldRefillTest, AvoidingMatchesOverRandomBoards) {
    TTestHost host;
    SetRandomSeed(2026);
    int linesWithoutAvoiding = 0;
    for (int round = 0; round < 60; ++round) {
        for (bool avoid : {true, false}) {
            auto field = std::make_unique<TField>(host, 8, 8, 0, 0);
            // Seven colours or more: the six neighbouring pairs can never rule out all of them.
            field->MarbleSet = round % 2 ? "1234567" : "12345678";
            for (int r = 0; r < 8; ++r) {
                for (int c = 0; c < 8; ++c) {
                    field->Cell(r, c).Kind = Random(9) == 0 ? 0 : 1;
                }
            }
            field->Refill(true);
            // Empties random cells, as matches would, and settles the board: falls, and the
            // lines they make removed, until nothing moves.
            for (int i = 0; i < 12; ++i) {
                field->Cell(static_cast<int>(Random(8)), static_cast<int>(Random(8))).Element.reset();
            }
            for (bool settled = false; !settled;) {
                test::RunFrames(host, *field, 1, 10.0);
                field->RemoveDeadElements();
                bool blocked = false;
                field->PackColumns(blocked);
                test::RunFrames(host, *field, 1, 10.0);
                settled = !field->FindMatches(false, false) && !blocked;
            }
            field->RemoveDeadElements();
            ASSERT_TRUE(field->HasEmptyOrDyingCell());
            field->Refill(avoid);
            EXPECT_FALSE(field->HasEmptyOrDyingCell());
            const bool line = field->FindMatches(true, true);
            if (avoid) {
                EXPECT_FALSE(line) << "round " << round;
            }
            linesWithoutAvoiding += line ? 1 : 0;
        }
    }
    EXPECT_GT(linesWithoutAvoiding, 0) << "without avoiding, refills do make lines";
}

// With few colours every one of them may line up at a cell; the new marble then takes a colour
// making the shortest line instead of failing.
TEST(FieldRefillTest, EmptyPoolTakesTheShortestLine) {
    TTestHost host;
    struct TCase {
        std::vector<std::string> Board;
        std::string Set;
        std::set<char> Allowed;
    };
    const TCase cases[] = {
        // "1" would make five in the row, "2" three in the column.
        {{"33233", "44244", "11.11", "55455"}, "12", {'2'}},
        // Both make lines of three: either will do.
        {{"3323", "4424", "11.3", "5545"}, "12", {'1', '2'}},
        {{"1.1", "323", "414"}, "1", {'1'}},
    };
    for (const TCase& c : cases) {
        for (int draw = 0; draw < 20; ++draw) {
            auto field = MakeField(host, c.Board);
            field->MarbleSet = c.Set;
            TCell* empty = nullptr;
            for (int r = 0; r < field->RowCount && !empty; ++r) {
                for (int col = 0; col < field->ColCount; ++col) {
                    if (!field->Cell(r, col).Element) {
                        empty = &field->Cell(r, col);
                    }
                }
            }
            ASSERT_NO_THROW(field->CreateNewElement(*empty, true));
            ASSERT_NE(empty->Marble(), nullptr);
            EXPECT_TRUE(c.Allowed.count(empty->Marble()->Color))
                << c.Board[2] << " got " << empty->Marble()->Color;
        }
    }
}

TEST(FieldRefillTest, RepeatedDigitsWeighTheDraw) {
    TTestHost host;
    SetRandomSeed(7);
    auto field = MakeField(host, {"."});
    field->MarbleSet = "1123";
    int ones = 0;
    const int draws = 4000;
    for (int i = 0; i < draws; ++i) {
        field->Cell(0, 0).Element.reset();
        field->CreateNewElement(field->Cell(0, 0), false);
        ones += field->Cell(0, 0).Marble()->Color == '1' ? 1 : 0;
    }
    EXPECT_NEAR(static_cast<double>(ones) / draws, 0.5, 0.03);
}

TEST(FieldRefillTest, SuperBonusComesWhenTheBudgetIsSpent) {
    TTestHost host;
    host.Budget = 0;
    auto field = MakeField(host, {"."});
    field->CreateNewElement(field->Cell(0, 0), false);
    EXPECT_EQ(FieldText(*field)[0], "c");
    EXPECT_EQ(host.Budget, host.Env().SpecialsForSuperBonus);
    EXPECT_EQ(host.SpecialSounds, 1);
}

TEST(FieldRefillTest, PresetsAndTheDropIn) {
    TTestHost host;
    auto field = MakeField(host, {"..", "#.", "..", "1."});
    field->Cell(0, 0).PresetMarble = '7';
    field->Cell(2, 1).PresetSpecial = 'b';
    field->Cell(2, 0).PresetBox = true;
    field->Refill(false);
    test::RunFrames(host, *field, 1, 0.0);
    const std::vector<std::string> after = FieldText(*field);
    EXPECT_EQ(after[0][0], '7');
    EXPECT_EQ(after[2][0], 'B');
    EXPECT_EQ(after[2][1], 'b');
    EXPECT_NE(after[3][1], '.') << "the scan passes over what the presets placed: a fresh board fills whole";
    EXPECT_EQ(field->Cell(0, 0).PresetMarble, '0');
    EXPECT_EQ(field->Cell(2, 1).PresetSpecial, '0');
    // The first column was filled down to row 2, where the marble left from play ends its scan,
    // the second to the bottom: their elements enter as a stack, the lowest one row above the
    // board.
    EXPECT_EQ(field->Cell(3, 1).Element->GetPosition().Y, -24);
    EXPECT_EQ(field->Cell(2, 1).Element->GetPosition().Y, -72);
    EXPECT_EQ(field->Cell(1, 1).Element->GetPosition().Y, -120);
    EXPECT_EQ(field->Cell(0, 1).Element->GetPosition().Y, -168);
    EXPECT_EQ(field->Cell(2, 0).Element->GetPosition().Y, -24);
    EXPECT_EQ(field->Cell(0, 0).Element->GetPosition().Y, -120);
    // The marble below them stays where it is.
    EXPECT_EQ(field->Cell(3, 0).Element->GetPosition().Y, 168);
}

TEST(FieldBoxTest, StacksAtTheBottomAreCollectedAtOnce) {
    TTestHost host;
    auto field = MakeField(host, {"B1B", "B1B", "B#1", "B#B"});
    field->CollectBoxes();
    EXPECT_EQ(host.Collected, 4 + 1);
    EXPECT_EQ(host.PackStates, 5);
    EXPECT_EQ(FieldText(*field), (std::vector<std::string>{"x1B", "x1B", "x#1", "x#x"}));
    field->CollectBoxes();
    EXPECT_EQ(host.Collected, 5) << "collected boxes are not counted again";
}

TEST(FieldBoxTest, SublevelCompleteNeedsExactlyTheBoxesStillMissing) {
    TTestHost host;
    host.Quota = 3;
    host.Counted = 2;
    auto field = MakeField(host, {"1B", "B.", "B1"});
    // Rows 1 and 2 of column 0 rest on the bottom; the box above the gap does not count.
    EXPECT_FALSE(field->IsSublevelComplete()) << "two boxes rest, one is needed";
    host.Counted = 1;
    EXPECT_TRUE(field->IsSublevelComplete());
    field->Cell(0, 0).Kind = 2;
    EXPECT_FALSE(field->IsSublevelComplete()) << "a brick layer is left";
    field->Cell(0, 0).Kind = 1;
    host.Counted = 0;
    host.QuotaReached = true;
    EXPECT_TRUE(field->IsSublevelComplete());

    // A box held up by a marble still has to ride down: were it counted, the board would stop
    // taking moves while the box never reached the bottom, and the sublevel would never end.
    TTestHost held;
    held.Quota = 1;
    auto standing = MakeField(held, {"B1", "1#"});
    EXPECT_FALSE(standing->IsSublevelComplete()) << "a marble holds the box up";
    standing->Cell(1, 0).Element.reset();
    EXPECT_FALSE(standing->IsSublevelComplete()) << "the box is still falling";
    standing->Cell(1, 0).Kind = 0;
    EXPECT_TRUE(standing->IsSublevelComplete()) << "only a hole below";
}

TEST(FieldBoxTest, BoxesAppearOnDropPointsOnceTheLayersAreMostlyCleared) {
    TTestHost host;
    auto field = MakeField(host, {"......", "111111"});
    EXPECT_DOUBLE_EQ(field->ClearedRatio(), 1.0);
    field->Cell(1, 0).Kind = 2;
    field->Cell(1, 1).Kind = 3;
    EXPECT_NEAR(field->ClearedRatio(), 10.0 / 12, 1e-12);
    EXPECT_TRUE(field->BoxMayAppear());
    EXPECT_EQ(field->PickBoxCell(), nullptr);
    field->Cell(0, 3).BoxDropPoint = true;
    EXPECT_EQ(field->PickBoxCell(), &field->Cell(0, 3));
    field->Refill(false);
    EXPECT_EQ(FieldText(*field)[0][3], 'B');
    EXPECT_FALSE(field->BoxMayAppear()) << "a box is on the board";
    test::ExpectError([&] { field->PasteBoxInCell(field->Cell(0, 0)); }, "TField.PasteBoxInCell");
}

struct THitCase {
    const char* Name;
    int Kind;
    int Source;
    char Marble; // '0': none
    int CellColor;
    bool AnyColor;
    bool TwoLayers;
    bool Force;
    int KindAfter;
    int Bricks;
    int Blasts;
};

const THitCase HitCases[] = {
    {"plain cell", 1, 0, '1', 0, false, false, false, 1, 0, 0},
    {"one layer", 2, 0, '1', 0, false, false, false, 1, 1, 0},
    {"two layers by a match", 3, 0, '1', 0, false, false, false, 2, 1, 0},
    {"two layers by a bomb", 3, 4, '1', 0, false, false, false, 2, 1, 0},
    {"two layers by a bomb with the small bonus", 3, 4, '1', 0, false, true, false, 1, 2, 0},
    {"two layers by a line with the small bonus", 3, 1, '1', 0, false, true, false, 2, 1, 0},
    {"colour cell, same colour", 4, 0, '3', 3, false, false, false, 1, 0, 1},
    {"colour cell, other colour", 4, 0, '2', 3, false, false, false, 4, 0, 0},
    {"colour cell, other colour with the small bonus", 4, 0, '2', 3, true, false, false, 1, 0, 1},
    {"colour cell struck by a special", 4, 2, '3', 3, false, false, false, 4, 0, 0},
    {"colour cell without marble", 4, 0, '0', 3, false, false, false, 4, 0, 0},
    {"colour cell forced", 4, 2, '0', 3, false, false, true, 1, 0, 1},
    {"hole", 0, 4, '0', 0, false, true, false, 0, 0, 0},
};

TEST(CellTest, HitRemovesLayersAndColourCells) {
    for (const THitCase& c : HitCases) {
        SCOPED_TRACE(c.Name);
        TTestHost host;
        host.AnyColor = c.AnyColor;
        host.TwoLayers = c.TwoLayers;
        auto field = MakeField(host, {std::string(1, c.Marble == '0' ? '.' : c.Marble)});
        TCell& cell = field->Cell(0, 0);
        cell.Kind = c.Kind;
        cell.CellColor = c.CellColor;
        cell.Hit(c.Source, c.Force);
        EXPECT_EQ(cell.Kind, c.KindAfter);
        EXPECT_EQ(host.BrickSpawns, c.Bricks);
        EXPECT_EQ(host.ColorBlasts, c.Blasts);
    }
}

TEST(CellTest, OverlayFadesAdvanceWhenDrawnAndHoldTheBoardUnstable) {
    TTestHost host;
    auto field = MakeField(host, {"1."});
    field->Cell(0, 0).Kind = 2;
    field->Cell(0, 0).StartFadeIn();
    EXPECT_FALSE(field->IsStable());
    test::RunFrames(host, *field, 25);
    EXPECT_FALSE(field->IsStable()) << "25 steps of 10 reach 250";
    test::RunFrames(host, *field, 1);
    EXPECT_TRUE(field->IsStable());
    EXPECT_EQ(field->Cell(0, 0).Alpha, 255);
    field->Cell(0, 0).StartFadeOut();
    test::RunFrames(host, *field, 26);
    EXPECT_FALSE(field->Cell(0, 0).OverlayOn);
    EXPECT_TRUE(field->IsStable());
}

TEST(FieldTest, ScreenMapping) {
    TTestHost host;
    TField field(host, 10, 10, 296, 60);
    EXPECT_EQ(field.CellAt(296, 60), &field.Cell(0, 0));
    EXPECT_EQ(field.CellAt(296 + 48 * 9 + 47, 60 + 48 * 3), &field.Cell(3, 9));
    EXPECT_EQ(field.CellAt(295, 100), nullptr);
    EXPECT_EQ(field.CellAt(296 + 480, 100), nullptr);
    EXPECT_EQ(field.CellToScreen(2, 1, false).X, 296 + 48);
    EXPECT_EQ(field.CellToScreen(2, 1, true).Y, 60 + 96 + 24);
    EXPECT_THROW(field.Cell(10, 0), std::out_of_range);
}

TEST(FieldTest, CellRecordsFromTheFieldText) {
    TTestHost host;
    TField field(host, 3, 4, 0, 0);
    field.ApplyCellRecords(LoadSublevelText("#.@+\n^5b$\n....\n", 3, 4, {}));
    const TCell& hole = field.Cell(0, 0);
    EXPECT_EQ(hole.Kind, 0);
    EXPECT_EQ(field.Cell(0, 2).BoxDropPoint, true);
    EXPECT_EQ(field.Cell(0, 3).PresetBox, true);
    EXPECT_EQ(field.Cell(1, 0).Kind, 3);
    EXPECT_EQ(field.Cell(1, 1).PresetMarble, '5');
    EXPECT_EQ(field.Cell(1, 2).PresetSpecial, 'b');
    EXPECT_EQ(field.Cell(2, 2).PresetMarble, '0');
    field.MarbleSet = "1234";
    field.Refill(true);
    EXPECT_EQ(FieldText(field)[1].substr(1), "5b#");
    EXPECT_EQ(FieldText(field)[0][3], 'B');
    test::ExpectErrorContaining([&] { field.ApplyCellRecords(TCellsStructsArr(2, 2)); },
                                "TField.ApplyCellRecords");
}

} // namespace
} // namespace qm
