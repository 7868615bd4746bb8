// The board's hot paths on full 10 x 10 boards, which the automatic player and the hint call
// every frame: the match search in each mode, the search for a possible move, and a refill that
// avoids lines.

#include "UField.h"
#include "UGRandom.h"
#include "game/play/PlayTestHost.h"

#include <benchmark/benchmark.h>

namespace qm::bench {
namespace {

// The board tests' host, with a super-bonus budget that no run of a benchmark exhausts.
struct THost : test::TTestHost {
    THost() { Budget = 1 << 30; }
};

// A full board of six colours without lines, filled as the game fills it.
std::unique_ptr<TField> FullBoard(THost& host) {
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
    THost host;
    auto field = FullBoard(host);
    for (auto _ : state) {
        benchmark::DoNotOptimize(field->FindMatches(true, true));
    }
}
BENCHMARK(BM_FindMatchesQuickTest);

void BM_FindMatchesStopAtFirst(benchmark::State& state) {
    THost host;
    auto field = FullBoard(host);
    for (auto _ : state) {
        benchmark::DoNotOptimize(field->FindMatches(true, false));
    }
}
BENCHMARK(BM_FindMatchesStopAtFirst);

void BM_FindMatchesThroughCellSettled(benchmark::State& state) {
    THost host;
    auto field = FullBoard(host);
    TCell& cell = field->Cell(5, 5);
    for (auto _ : state) {
        benchmark::DoNotOptimize(field->FindMatches(false, false, &cell, nullptr, true));
    }
}
BENCHMARK(BM_FindMatchesThroughCellSettled);

void BM_HasPossibleMove(benchmark::State& state) {
    THost host;
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
    THost host;
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
