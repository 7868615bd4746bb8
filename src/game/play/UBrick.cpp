#include "UBrick.h"

#include "UGRandom.h"
#include "UGTimer.h"
#include "UGameEnvironment.h"

#include <algorithm>

namespace qm {

namespace {

// Channel 1 carries the position, channel 0 the picture hung on it.
constexpr int LookChannel = 0;
constexpr int PathChannel = 1;

double Uniform(double low, double high) {
    return low + RandomFloat() * (high - low);
}

// The parabola through three points of distinct x, in Lagrange's form.
double Parabola(double x, const double (&xs)[3], const double (&ys)[3]) {
    double y = 0.0;
    for (int i = 0; i < 3; ++i) {
        double term = ys[i];
        for (int j = 0; j < 3; ++j) {
            if (j != i) {
                term *= (x - xs[j]) / (xs[i] - xs[j]);
            }
        }
        y += term;
    }
    return y;
}

} // namespace

TBrick::TBrick(IBarHost& host, bool real, int x, int y)
    : FHost(host), FReal(real),
      FAnimotion(std::make_shared<TGAnimotion>(host.ResManager(), &host.GameClock())) {
    Launch(x, y);
}

// The brick leaves the board in a small arc to one side and rolls down to the ground.
void TBrick::Launch(double x0, double y0) {
    const TGameEnvironment& env = FHost.Env();
    FLandingY = env.BrickGroundY + Uniform(-env.BrickGroundJitter, env.BrickGroundJitter);
    const double direction = Random(2) == 0 ? -1.0 : 1.0;
    FLandingX = x0 + direction * Uniform(50.0, 100.0);
    const double xs[3] = {x0, (x0 + FLandingX) / 2.0, FLandingX};
    const double ys[3] = {y0, y0 + Uniform(0.0, 20.0), FLandingY};

    TGActiveChannel& path = FAnimotion->GetChannel(PathChannel);
    path.X = x0;
    path.Y = y0;
    TGMotionSeg& flight = path.AddMotionSeg();
    for (double t : {0.0, 0.25, 0.5, 0.75, 1.0}) {
        const double x = (1.0 - t) * x0 + t * FLandingX;
        flight.X.AddKey(t, x);
        flight.Y.AddKey(t, Parabola(x, xs, ys));
    }
    // Bricks from higher up fly longer.
    FFlightSeconds = Uniform(0.35, 0.6) * (FLandingY - y0) / 100.0;
    flight.Length = FFlightSeconds;

    PlayClip(RollSeq, Uniform(20.0, 30.0), true);
    FState = Flying;
}

void TBrick::Land() {
    FAnimotion->ClearChannels();
    TGActiveChannel& path = FAnimotion->GetChannel(PathChannel);
    path.X = FLandingX;
    path.Y = FLandingY;
    if (FReal) {
        FState = Landed;
        PlayOnce(FallSeq);
        const TGameEnvironment& env = FHost.Env();
        FLife = Uniform(env.BrickMinLifeTime, env.BrickMaxLifeTime);
    } else {
        FState = Broken;
        PlayOnce(CrackSeq);
    }
}

void TBrick::PlayOnce(const std::string& seq) {
    const double length = PlayClip(seq, LandingFPS, false);
    // The brick holds its place while the clip plays.
    FAnimotion->GetChannel(PathChannel).AddMotionSeg().Length = length;
}

double TBrick::PlayClip(const std::string& seq, double fps, bool loop) {
    TGActiveChannel& look = FAnimotion->GetChannel(LookChannel);
    look.Parent = &FAnimotion->GetChannel(PathChannel);
    look.Pivot = pvBottomMiddle;
    const int frames = FHost.FrameCount(seq);
    const double length = frames / fps;
    if (frames > 0) {
        look.SeqId = seq;
        TGClipSeg& clip = look.AddClipSeg();
        clip.SeqId = seq;
        clip.Pivot = pvBottomMiddle;
        clip.StartFrame = 0;
        clip.EndFrame = frames - 1;
        clip.Length = length;
        clip.SetLoopStart(loop);
        clip.SetLoopEnd(loop);
    }
    return length;
}

void TBrick::UpdateAndDraw() {
    if (FState == Flying && FAnimotion->GetChannel(PathChannel).IsFinished()) {
        Land();
    }
    if ((FState == Vanishing || FState == Broken) && FAnimotion->IsFinished()) {
        FState = Finished;
    }
    if (FState == Landed && FAnimotion->IsFinished()) {
        FState = Lying;
    }
    if (FState == Lying && !FAnimotion->GetPaused()) {
        FLife -= FHost.GameClock().Step;
        if (FLife < 0.0) {
            Vanish(0.0);
        }
    }
    if (FState == Finished) {
        FAnimotion->SetVisible(false);
    }
    if (FHost.ResManager()) {
        FAnimotion->Render(true);
    } else {
        FAnimotion->UpdateByTimer();
    }
}

// The brick lies still as it landed, waits, then fades away.
void TBrick::Vanish(double delay) {
    if (FState == Finished) {
        return;
    }
    FState = Vanishing;
    TGActiveChannel& look = FAnimotion->GetChannel(LookChannel);
    look.ClearSegments();
    const int frames = FHost.FrameCount(FallSeq);
    look.SeqId = frames > 0 ? FallSeq : "";
    look.Frame = std::max(frames - 1, 0);
    look.Pivot = pvBottomMiddle;
    look.Parent = &FAnimotion->GetChannel(PathChannel);
    look.AddMotionSeg().Length = delay;
    TGMotionSeg& fade = look.AddMotionSeg();
    fade.Length = FadeSeconds;
    fade.Alpha.AddKey(0.0, 1.0);
    fade.Alpha.AddKey(1.0, 0.0);
}

void TBrick::SetVisible(bool visible) {
    FAnimotion->SetVisible(visible);
}

bool TBrick::Visible() const {
    return FAnimotion->GetVisible();
}

double TBrick::X() const {
    return FAnimotion->GetChannel(PathChannel).X;
}

double TBrick::Y() const {
    return FAnimotion->GetChannel(PathChannel).Y;
}

} // namespace qm
