#pragma once

// A bar host of plain values for the bars' and bricks' tests: no art, a clock moved by hand, the
// player and the queue as fields a test sets, and a record of what the bars asked for.

#include "UBars.h"
#include "UGTimer.h"
#include "UGameEnvironment.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qm::test {

// A frost overlay that remembers what it was told.
class TRecordingIce : public ITimeBarIce {
public:
    void SetDuration(double seconds) override { Durations.push_back(seconds); }
    void Draw(int, int) override { ++Draws; }
    std::vector<double> Durations;
    int Draws = 0;
};

class TBarTestHost : public IBarHost {
public:
    TBarTestHost();

    const TGameEnvironment& Env() const override { return *Environment; }
    TGTimer& GameClock() override { return Clock; }
    TGResManager* ResManager() override { return nullptr; }
    TGGraphicsDevice* Device() override { return nullptr; }
    // Sequences have the frame counts a test gives them, without pictures.
    int FrameCount(const std::string& name) override;

    void AddScore(int points) override { Score += points; }
    int Lives() const override { return PlayerLives; }
    int LevelNumber() const override { return Level; }
    int BricksInSublevel() const override { return Bricks; }
    int MaxBricksPerObligatorySubLevel() const override { return MaxBricks; }
    double FreezeTime() const override { return FreezeSeconds; }
    bool BonusStateQueued() const override { return BonusQueued; }
    bool EndStateQueued() const override { return EndQueued; }
    void PlaySound(const std::string& name) override { Sounds.push_back(name); }
    std::unique_ptr<ITimeBarIce> CreateTimeBarIce(double seconds) override;

    // Sets the step of the next frame.
    void Tick(double seconds) { Clock.Step = seconds; }

    std::unique_ptr<TGameEnvironment> Environment;
    TGManualTickSource Ticks;
    TGTimer Clock;
    std::map<std::string, int> Frames;
    int Score = 0;
    int PlayerLives = 3;
    int Level = 1;
    int Bricks = 0;
    int MaxBricks = 1000;
    double FreezeSeconds = 10.0;
    bool BonusQueued = false;
    bool EndQueued = false;
    std::vector<std::string> Sounds;
    // Every overlay made, with the time it was made for; the bar owns them, so these are only
    // valid while it keeps them.
    std::vector<TRecordingIce*> Ices;
    std::vector<double> IceSeconds;
};

} // namespace qm::test
