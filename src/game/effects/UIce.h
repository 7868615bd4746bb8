#pragma once

// Frost in play: a metaball surface that grows ball by ball, stays for its time, then shatters
// with small ice blasts and melts away. A cell struck by the frozen row wears a TCellIce; the
// frozen time bar wears a TTimeBarIce.

#include "UBars.h"
#include "UGAnimotion.h"
#include "UMetaballs.h"
#include "UParticleSystem.h"

#include <memory>
#include <vector>

namespace qm {

struct TIceVector {
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
};

struct TIceGrid {
    int X = 1;
    int Y = 1;
    int Z = 1;
};

class TIce {
public:
    // How fast a ball grows once its delay has passed, and shrinks while the frost melts
    // (strength per second).
    static constexpr double GrowRate = 40.0;
    static constexpr double MeltRate = 120.0;
    static constexpr double BlastSeconds = 0.25;

    struct TIceBall {
        PGAnimotion Blast; // none until the frost melts
        // Relative to the surface's origin.
        float X = 0.0f;
        float Y = 0.0f;
        double ScreenX = 0.0;
        double ScreenY = 0.0;
        double Delay = 0.0;
        double Strength = 0.0;
        double MaxStrength = 0.0;
    };

    // A box of `size` pixels centred on `position`, cut into `grid` cells. Without a resource
    // manager nothing is drawn (the timing still runs), which is what logic tests use.
    TIce(const TParticleEnv& env, TGPointD position, TIceVector size, TIceGrid grid);
    virtual ~TIce();
    TIce(const TIce&) = delete;
    TIce& operator=(const TIce&) = delete;

    // A ball at a screen point.
    void AddBall(TGPointD point, double maxStrength, double delay);
    void Update(double dt);
    // Advances by the game clock's step and draws; nothing once finished.
    void Draw();

    TGPointD Position;
    double Time = 1.0;       // seconds the frost stays once it has started
    double StartDelay = 0.0; // seconds before anything forms
    bool Melting = false;
    bool Finished = false;
    std::vector<TIceBall> Balls;

    TIceSurface& Surface() { return FSurface; }
    const TIceSurface& Surface() const { return FSurface; }

protected:
    // Null when nothing is drawn.
    TGGraphicsDevice* Device() const;

private:
    void GrowOrMelt(double dt);
    void RebuildSurfaceBalls();
    void StartBlasts();
    // Draws the blasts; true when every one has finished.
    bool DrawBlasts();

    TParticleEnv FEnv;
    TIceSurface FSurface;
};

// The frost on one cell of a frozen row: a large ball near the cell's centre and one to five
// small ones around it, all forming after `ballDelay`.
class TCellIce : public TIce {
public:
    static constexpr int Grid = 10;

    TCellIce(const TParticleEnv& env, TGPointD position, double time, double startDelay, double ballDelay,
             double size);
    // The frost has broken: the row hits its cell now.
    bool IsBroken() const { return Melting; }
};

// The frost over the frozen time bar: a column of sixteen balls, the lower ones forming later.
// The column stands over the bar's fill when the bar is drawn at (BarX, BarY); a bar drawn
// elsewhere (another screen's layout, a screen sliding in or out) takes its frost along.
class TTimeBarIce : public TIce, public ITimeBarIce {
public:
    static constexpr double CenterX = 758.0;
    static constexpr double CenterY = 297.0;
    static constexpr int BallCount = 16;
    // The bar's fill is 22 pixels right of the bar's place and 18 wide, and runs 380 pixels from
    // 71 below it: centred under (CenterX, CenterY) when the bar stands here.
    static constexpr int BarX = 727;
    static constexpr int BarY = 36;

    TTimeBarIce(const TParticleEnv& env, double time);
    // A freeze that is extended keeps its frost for the new time.
    void SetDuration(double seconds) override { Time = seconds; }
    // (x, y): where the bar is drawn this frame.
    void Draw(int x, int y) override;
    using TIce::Draw;
};

} // namespace qm
