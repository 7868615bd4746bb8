#pragma once

// A brick thrown out of the board: it rolls along a parabola to the ground beside the board,
// where a real brick lies until a worker fetches it or its life runs out, and a false one breaks.

#include "UBars.h"
#include "UGAnimotion.h"

namespace qm {

// Everything the work zone draws, in order of depth.
class TDrawObject {
public:
    virtual ~TDrawObject() = default;
    virtual double Depth() const { return 0.0; }
    virtual void UpdateAndDraw() = 0;
};

class TBrick : public TDrawObject {
public:
    enum TState : int {
        Flying = 0,
        Landed = 1,
        Broken = 2,
        Lying = 3,
        Claimed = 4,
        Finished = 5,
        Vanishing = 6,
    };

    static constexpr const char* RollSeq = "bricks/brickroll";
    static constexpr const char* FallSeq = "bricks/brickfall";
    static constexpr const char* CrackSeq = "bricks/brickcrack";
    // Frames per second of the landing and breaking clips.
    static constexpr double LandingFPS = 10.0;
    static constexpr double FadeSeconds = 2.0;

    // A brick starting at (x, y), in flight at once. The random choices of its path draw from
    // the process-wide generator.
    TBrick(IBarHost& host, bool real, int x, int y);

    // Lower bricks are drawn later.
    double Depth() const override { return Y(); }
    void UpdateAndDraw() override;

    int State() const { return FState; }
    // The work zone claims (4) and frees (5) bricks.
    void SetState(int state) { FState = state; }
    bool Real() const { return FReal; }
    double X() const;
    double Y() const;
    // Unless finished: shows the last landing frame, waits `delay` seconds, then fades out.
    void Vanish(double delay);
    void SetVisible(bool visible);
    bool Visible() const;
    // Seconds left lying on the ground.
    double Life() const { return FLife; }

    // Where the flight ends and how long it lasts, chosen at creation.
    double LandingX() const { return FLandingX; }
    double LandingY() const { return FLandingY; }
    double FlightSeconds() const { return FFlightSeconds; }

    IGAnimotion& Animotion() const { return *FAnimotion; }

private:
    void Launch(double x0, double y0);
    void Land();
    // Plays a sequence once at the landing rate while the brick keeps its place.
    void PlayOnce(const std::string& seq);
    // Plays a sequence on the picture's channel, hung on the path; its length, 0 without art.
    double PlayClip(const std::string& seq, double fps, bool loop);

    IBarHost& FHost;
    bool FReal;
    int FState = Flying;
    double FLife = 0.0;
    double FLandingX = 0.0;
    double FLandingY = 0.0;
    double FFlightSeconds = 0.0;
    PGAnimotion FAnimotion;
};

} // namespace qm
