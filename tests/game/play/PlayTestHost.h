#pragma once

// A play host of plain values for the board's tests: no art, no device, a clock moved by hand,
// and a record of every hook the board called.

#include "UField.h"
#include "UGTimer.h"
#include "UGameEnvironment.h"
#include "UGameStateQueue.h"
#include "UParticleSystem.h"
#include "UPlayHost.h"

#include <memory>
#include <string>
#include <vector>

namespace qm::test {

// The environment of the default game configuration, with cells of `cellSize` pixels.
std::unique_ptr<TGameEnvironment> MakeEnvironment(int cellSize = 48);

class TTestHost : public IPlayHost {
public:
    TTestHost();

    const TGameEnvironment& Env() const override { return *Environment; }
    TGTimer& GameClock() override { return Clock; }
    TGResManager* ResManager() override { return nullptr; }
    TGGraphicsDevice* Device() override { return nullptr; }
    int& SuperBonusSpecialBudget() override { return Budget; }

    bool PlayComboSound(int) override { return ComboSounds; }
    void AddScore(int points) override { Score += points; }
    void MarbleKilled() override { ++MarblesKilled; }
    void MarvaneMarbleMatched() override { ++MarvaneMatched; }
    void ColorCellBlasted(TCell&) override { ++ColorBlasts; }
    void SpawnBricksFromCell(TCell&) override { ++BrickSpawns; }
    void BoxCollected(int, int, bool) override { ++Collected; }
    void PushPackState() override { ++PackStates; }
    void PlaySpecialAppearSound(TSpecial&) override { ++SpecialSounds; }
    bool HasSmallBonus(TSmallBonus bonus) const override {
        return (bonus == sbAnyMathBlastColorCell && AnyColor) ||
               (bonus == sbBonusesBlastTwoLayer && TwoLayers);
    }
    bool BoxCountReached() const override { return QuotaReached; }
    int BoxesCounted() const override { return Counted; }
    int BoxQuota() const override { return Quota; }
    char MarbleOfMarvane() const override { return Marvane; }
    TField* CurrentField() override { return Field; }
    TGameStateQueue* StateQueue() override { return &Queue; }
    void PlayBlastSound(int kind) override { BlastSounds.push_back(kind); }
    TParticleEnv ParticleEnv() override;

    // Advances the clock by one frame of `seconds`.
    void Tick(double seconds) { Clock.Step = seconds; }

    std::unique_ptr<TGameEnvironment> Environment;
    TGManualTickSource Ticks;
    TGTimer Clock;
    int Budget = 1000;
    bool ComboSounds = true;
    bool AnyColor = false;
    bool TwoLayers = false;
    bool QuotaReached = false;
    int Counted = 0;
    int Quota = 0;
    char Marvane = '0';
    int Score = 0;
    int MarblesKilled = 0;
    int MarvaneMatched = 0;
    int ColorBlasts = 0;
    int BrickSpawns = 0;
    int Collected = 0;
    int PackStates = 0;
    int SpecialSounds = 0;
    // The states the specials push (frozen rows); RunFrames steps it.
    TGameStateQueue Queue{nullptr};
    std::vector<int> BlastSounds;
    // Where dying elements leave their dust; none unless a test sets it.
    TField* Field = nullptr;
    // The art the particle effects draw with; none by default.
    TGResManager* ParticleArt = nullptr;
};

// A field built from rows of text, one character a cell: "1".."8" a marble, "B" a box,
// "#" a hole, "." an empty cell, "a".."o" a special of that kind, "W" a wild chameleon, "F", "X"
// and "D" a colour-1 marble with a line freeze, a cross fire or a diagonal. Positions start at
// (0, 0).
std::unique_ptr<TField> MakeField(TTestHost& host, const std::vector<std::string>& rows);
// The board as the same text ("x" for a dying element), for comparisons.
std::vector<std::string> FieldText(const TField& field);

// Steps the state queue and draws the field `frames` times with frames of `seconds`, as the game
// screen does.
void RunFrames(TTestHost& host, TField& field, int frames, double seconds = 0.01);

} // namespace qm::test
