#include "UIce.h"

#include "UGRandom.h"
#include "UGResManager.h"
#include "UGSprite.h"

#include <cmath>

namespace qm {

namespace {

const char* const IceTexture = "liquid/ice";
const char* const BlastSequence = "stuff/iceblast";

} // namespace

TIce::TIce(const TParticleEnv& env, TGPointD position, TIceVector size, TIceGrid grid)
    : Position(position), FEnv(env), FSurface(env.ResManager, IceTexture) {
    FSurface.Origin = {position.X - size.X / 2, position.Y - size.Y / 2};
    FSurface.SetGrid(grid.X, grid.Y, grid.Z);
    FSurface.SetSize(size.X, size.Y, size.Z);
    FSurface.Threshold = 1.0;
    FSurface.SetDevice(Device());
}

TIce::~TIce() = default;

TGGraphicsDevice* TIce::Device() const {
    return FEnv.ResManager ? FEnv.ResManager->Context().Device : nullptr;
}

void TIce::AddBall(TGPointD point, double maxStrength, double delay) {
    TIceBall ball;
    ball.X = static_cast<float>(point.X - FSurface.Origin.X);
    ball.Y = static_cast<float>(point.Y - FSurface.Origin.Y);
    ball.ScreenX = point.X;
    ball.ScreenY = point.Y;
    ball.Delay = delay;
    ball.MaxStrength = maxStrength;
    Balls.push_back(std::move(ball));
}

void TIce::Update(double dt) {
    StartDelay -= dt;
    if (StartDelay > 0.0 || Finished) {
        return;
    }
    GrowOrMelt(dt);
    RebuildSurfaceBalls();
    FSurface.ComputeField(dt);
    Time -= dt;
    if (Time < 0.0 && !Melting) {
        Melting = true;
        StartBlasts();
    }
}

void TIce::GrowOrMelt(double dt) {
    for (TIceBall& ball : Balls) {
        if (Melting) {
            ball.Strength = std::max(ball.Strength - MeltRate * dt, 0.0);
        } else if (ball.Delay > 0.0) {
            ball.Delay -= dt;
        } else {
            ball.Strength = std::min(ball.Strength + GrowRate * dt, ball.MaxStrength);
        }
    }
}

// Each ball is a strong metaball with a weaker twin on the same spot, which rounds its edge.
void TIce::RebuildSurfaceBalls() {
    std::vector<TMetaball>& balls = FSurface.Balls;
    balls.resize(Balls.size() * 2);
    for (size_t i = 0; i < Balls.size(); ++i) {
        const TIceBall& ball = Balls[i];
        balls[2 * i] = {ball.Strength, ball.X, ball.Y, 0.0f, true};
        balls[2 * i + 1] = {ball.Strength / 2, ball.X, ball.Y, 0.0f, true};
    }
}

void TIce::StartBlasts() {
    int lastFrame = 0;
    if (FEnv.ResManager) {
        lastFrame = FEnv.ResManager->GetSeq(BlastSequence).Count() - 1;
    }
    for (size_t i = 0; i < Balls.size(); i += 2) {
        TIceBall& ball = Balls[i];
        const double delay = i == 0 ? 0.0 : RandomRange(0, 0.2);
        const double scale = RandomRange(0.5, 1);
        const double angle = RandomRange(0, 360);
        const double drop = RandomRange(0, 20);
        ball.Blast = std::make_shared<TGAnimotion>(FEnv.ResManager, FEnv.GameClock);
        TGActiveChannel& channel = ball.Blast->GetChannel(0);
        channel.X = ball.ScreenX;
        channel.Y = ball.ScreenY;
        channel.ScaleX = scale;
        channel.ScaleY = scale;
        channel.Angle = angle;
        TGClipSeg& clip = channel.AddClipSeg();
        clip.SeqId = BlastSequence;
        clip.StartFrame = 0;
        clip.EndFrame = lastFrame;
        clip.Pivot = pvCenter;
        clip.Length = BlastSeconds;
        clip.StartTime = delay;
        TGMotionSeg& fall = channel.AddMotionSeg();
        fall.Length = 0.2;
        fall.StartTime = delay;
        fall.Y.AddKey(1, ball.ScreenY + drop);
    }
}

bool TIce::DrawBlasts() {
    bool finished = true;
    for (TIceBall& ball : Balls) {
        if (!ball.Blast) {
            continue;
        }
        if (FEnv.ResManager) {
            ball.Blast->Render(true);
        } else {
            ball.Blast->UpdateByTimer();
        }
        finished = finished && ball.Blast->IsFinished();
    }
    return finished;
}

void TIce::Draw() {
    if (Finished) {
        return;
    }
    Update(FEnv.GameClock ? FEnv.GameClock->Step : 0.0);
    if (Melting && DrawBlasts()) {
        Finished = true;
    }
    FSurface.Draw();
}

TCellIce::TCellIce(const TParticleEnv& env, TGPointD position, double time, double startDelay,
                   double ballDelay, double size)
    : TIce(env, position, {4 * size, 4 * size, 4 * size}, {Grid, Grid, Grid}) {
    Time = time;
    StartDelay = startDelay;
    AddBall({position.X + RandomRange(-20, 20), position.Y + RandomRange(-5, 5)}, 0.8 * size, ballDelay);
    const int more = 1 + static_cast<int>(Random(5));
    for (int i = 0; i < more; ++i) {
        AddBall({position.X + RandomRange(-30, 30), position.Y + RandomRange(0, 20)},
                RandomRange(0.2, 0.3) * size, ballDelay);
    }
}

TTimeBarIce::TTimeBarIce(const TParticleEnv& env, double time)
    : TIce(env, {CenterX, CenterY}, {68, 400, 50}, {5, 20, 10}) {
    Time = time;
    StartDelay = 0.0;
    for (int i = 0; i < BallCount; ++i) {
        double y = CenterY - 175 + 350.0 * i / (BallCount - 1);
        if (i != 0 && i != BallCount - 1) {
            y += RandomRange(-5, 5);
        }
        AddBall({CenterX, y}, 12, std::pow(1.2, i / 8.0));
    }
}

void TTimeBarIce::Draw(int x, int y) {
    TGGraphicsDevice* device = Device();
    if (!device || (x == BarX && y == BarY)) {
        TIce::Draw();
        return;
    }
    TGStateGuard guard(*device);
    device->State.ViewOffsetX += x - BarX;
    device->State.ViewOffsetY += y - BarY;
    TIce::Draw();
}

} // namespace qm
