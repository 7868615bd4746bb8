#pragma once

#include "UIce.h"

#include <memory>
#include <vector>

namespace qm {

class TGameData;

// A scene for people to look at frost: a row of cells frozen as the frozen row freezes them, a
// second row at a slower pace so that growing, staying, shattering and melting can be told apart,
// and a frozen time bar whose freeze is extended once. Everything starts again when it is over.
// Opened with --scene ice.
class TIceScene {
public:
    static constexpr const char* SceneName = "ice";
    static constexpr const char* ResourceSetName = "Board";

    explicit TIceScene(TGameData& data);
    ~TIceScene();
    void Draw();

private:
    struct TRow {
        double Top = 0.0;
        // Seconds per column of distance before the frost forms, how long it stays at the start
        // column, and how long its balls wait.
        double StepDelay = 0.0;
        double StayTime = 0.0;
        double BallDelay = 0.0;
        std::vector<std::unique_ptr<TCellIce>> Frost;
    };

    void FreezeRow(TRow& row);
    void DrawCells(const TRow& row);
    void DrawTimeBar();

    TGameData& FData;
    TParticleEnv FEnv;
    std::vector<TRow> FRows;
    std::unique_ptr<TTimeBarIce> FBarIce;
    double FBarTime = 0.0;
    bool FBarExtended = false;
};

} // namespace qm
