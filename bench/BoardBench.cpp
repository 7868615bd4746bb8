// The board's hot paths on full 10 x 10 boards, which the automatic player and the hint call
// every frame: the match search in each mode, the search for a possible move, and a refill that
// avoids lines.

#include "UField.h"
#include "UGRandom.h"
#include "UGTimer.h"
#include "UGXMLNode.h"
#include "UGameEnvironment.h"
#include "UPlayHost.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

namespace qm::bench {
namespace {

TGameEnvironment MakeEnvironment() {
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("GameConfig");
    const char* attributes[][2] = {{"ElementFallStepDuration", "0,004"},
                                   {"ElementsSwapDuration", "0,005"},
                                   {"DemolitionStepDuration", "0,06"},
                                   {"SuperBonusEraseElements", "20"},
                                   {"SpecialsForSuperBonus", "10"},
                                   {"ElementFPS", "20"},
                                   {"DyingElementFPS", "25"},
                                   {"CellWidth", "48"},
                                   {"CellHeight", "48"},
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
    return TGameEnvironment(*CreateXMLSnapshot(root, "GameConfig.xml"));
}

class TBenchHost : public IPlayHost {
public:
    TBenchHost() : Environment(MakeEnvironment()), Clock(Ticks, 1.0) {}
    const TGameEnvironment& Env() const override { return Environment; }
    TGTimer& GameClock() override { return Clock; }
    TGResManager* ResManager() override { return nullptr; }
    TGGraphicsDevice* Device() override { return nullptr; }
    int& SuperBonusSpecialBudget() override { return Budget; }

    TGameEnvironment Environment;
    TGManualTickSource Ticks;
    TGTimer Clock;
    int Budget = 1 << 30;
};

// A full board of six colours without lines, filled as the game fills it.
std::unique_ptr<TField> FullBoard(TBenchHost& host) {
    SetRandomSeed(10);
    auto field = std::make_unique<TField>(host, 10, 10, 0, 0);
    field->MarbleSet = "123456";
    for (int r = 0; r < 10; ++r) {
        for (int c = 0; c < 10; ++c) {
            field->Cell(r, c).Kind = 1;
        }
    }
    field->Refill(true);
    // The first fill drops in; the benchmarks measure a board at rest.
    host.Clock.Step = 10.0;
    for (int r = 0; r < 10; ++r) {
        for (int c = 0; c < 10; ++c) {
            field->Cell(r, c).Element->Draw();
        }
    }
    return field;
}

void BM_FindMatchesQuickTest(benchmark::State& state) {
    TBenchHost host;
    auto field = FullBoard(host);
    for (auto _ : state) {
        benchmark::DoNotOptimize(field->FindMatches(true, true));
    }
}
BENCHMARK(BM_FindMatchesQuickTest);

void BM_FindMatchesStopAtFirst(benchmark::State& state) {
    TBenchHost host;
    auto field = FullBoard(host);
    for (auto _ : state) {
        benchmark::DoNotOptimize(field->FindMatches(true, false));
    }
}
BENCHMARK(BM_FindMatchesStopAtFirst);

void BM_FindMatchesThroughCellSettled(benchmark::State& state) {
    TBenchHost host;
    auto field = FullBoard(host);
    TCell& cell = field->Cell(5, 5);
    for (auto _ : state) {
        benchmark::DoNotOptimize(field->FindMatches(false, false, &cell, nullptr, true));
    }
}
BENCHMARK(BM_FindMatchesThroughCellSettled);

void BM_HasPossibleMove(benchmark::State& state) {
    TBenchHost host;
    auto field = FullBoard(host);
    TCell* a = nullptr;
    TCell* b = nullptr;
    // The worst case for the hint: the only move is found last, or none at all.
    for (auto _ : state) {
        benchmark::DoNotOptimize(field->HasPossibleMove(a, b));
    }
}
BENCHMARK(BM_HasPossibleMove);

// Three rows emptied and refilled, avoiding lines: 30 new marbles.
void BM_RefillAvoidingMatches(benchmark::State& state) {
    TBenchHost host;
    auto field = FullBoard(host);
    for (auto _ : state) {
        state.PauseTiming();
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 10; ++c) {
                field->Cell(r, c).Element.reset();
            }
        }
        state.ResumeTiming();
        field->Refill(true);
        state.PauseTiming();
        // The new marbles arrive before the next round, as on the board.
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 10; ++c) {
                field->Cell(r, c).Element->Draw();
            }
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RefillAvoidingMatches);

} // namespace
} // namespace qm::bench
