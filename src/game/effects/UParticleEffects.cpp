#include "UParticleEffects.h"

#include "UGError.h"
#include "UGRandom.h"
#include "UGRenderBackend.h"
#include "UGResManager.h"
#include "UGSprite.h"
#include "UGTimer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qm {

namespace {

constexpr double Pi = std::numbers::pi;

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
    return 0xFF000000u | r << 16 | g << 8 | b;
}
constexpr uint32_t White = Rgb(255, 255, 255);
constexpr uint32_t Black = Rgb(0, 0, 0);
constexpr uint32_t LightningBlue = Rgb(160, 224, 255);

std::string Digit(uint32_t count) {
    return std::to_string(Random(count));
}

void HoldX(TObject& object, double x) {
    object.AddXKey(0.0, x);
    object.AddXKey(1.0, x);
}

void HoldY(TObject& object, double y) {
    object.AddYKey(0.0, y);
    object.AddYKey(1.0, y);
}

void HoldAt(TObject& object, double x, double y) {
    HoldX(object, x);
    HoldY(object, y);
}

void HoldColor(TObject& object, uint32_t color) {
    object.AddColorKey(color, 0.0);
    object.AddColorKey(color, 1.0);
}

// Where the emitter stands now, each coordinate moved by a uniform offset in [-jitter, jitter).
void StartAtEmitter(TObject& particle, const TEmitter& emitter, double jitter = 0.0) {
    const double fraction = emitter.LifeFraction();
    double x = emitter.XAt(fraction);
    double y = emitter.YAt(fraction);
    if (jitter > 0.0) {
        x += RandomRange(-jitter, jitter);
        y += RandomRange(-jitter, jitter);
    }
    HoldAt(particle, x, y);
}

// Keys at 0 and 1 from a list of (time, value) pairs, for the curves written out in full.
template <typename Add> void Keys(Add add, std::initializer_list<std::pair<double, double>> keys) {
    for (const auto& [t, v] : keys) {
        add(t, v);
    }
}

void AlphaKeys(TObject& p, std::initializer_list<std::pair<double, double>> keys) {
    Keys([&](double t, double v) { p.AddAlphaKey(t, v); }, keys);
}

void ScaleKeys(TObject& p, std::initializer_list<std::pair<double, double>> keys) {
    Keys([&](double t, double v) { p.AddScaleKey(t, v); }, keys);
}

void ColorKeys(TObject& p, std::initializer_list<std::pair<double, uint32_t>> keys) {
    for (const auto& [t, c] : keys) {
        p.AddColorKey(c, t);
    }
}

void RandomSpin(TObject& p, double range) {
    p.AddAngleKey(0.0, RandomRange(-range, range));
    p.AddAngleKey(1.0, RandomRange(-range, range));
}

std::unique_ptr<TDosatedEmitter> NewEmitter(const TParticleEnv& env, double life,
                                            std::initializer_list<std::pair<double, double>> rate,
                                            TAnimotionClass animotionClass = TAnimotionClass::Game) {
    auto emitter = std::make_unique<TDosatedEmitter>(env, animotionClass);
    emitter->SetLife(life);
    for (const auto& [t, r] : rate) {
        emitter->RateCurve.AddKey(t, r);
    }
    return emitter;
}

void AddLook(TDosatedEmitter& emitter, const std::string& sequence, uint8_t blending,
             std::unique_ptr<TModifier> modifier, double fps = 0.0) {
    auto descriptor = std::make_unique<TParticleDescriptor>(sequence, blending, fps);
    descriptor->AddModifier(std::move(modifier));
    emitter.AddDescriptor(std::move(descriptor));
}

// ---- the modifiers ----

class TElementBlastModifier2 : public TModifier {
public:
    void Apply(TParticle& p, TEmitter& e, const std::any&) override {
        // Only the first twentieth of the emitter's life gives dust; later particles are born
        // dead and dark, so the burst is one puff however long the rate curve runs.
        if (e.LifeFraction() <= 0.05) {
            p.SetLife(RandomRange(0.9, 1.5));
        } else {
            p.SetLife(0.0);
            FColor = 0;
        }
        HoldColor(p, FColor);
        p.SetPivot(pvCenter);
        const double fraction = e.LifeFraction();
        double x = e.XAt(fraction);
        double y = e.YAt(fraction);
        const double angle =
            RandomFloat() < 0.5 ? RandomRange(2 * Pi / 3, 4 * Pi / 3) : RandomRange(-Pi / 3, Pi / 3);
        const double speed = RandomRange(200, 500);
        double vx = speed * std::cos(angle);
        double vy = speed * std::sin(angle);
        const double spin = RandomRange(-500, 500);
        p.AddAngleKey(0.0, spin);
        p.AddAngleKey(1.0, spin + RandomRange(-100, 100));
        for (int i = 0; i <= 10; ++i) {
            const double t = i / 10.0;
            x += vx * t;
            p.AddXKey(t, x);
            y += vy * t + 5 * t * t;
            p.AddYKey(t, y);
            vx *= 0.3;
            vy *= 0.3;
        }
        ScaleKeys(p, {{0, 0}, {0.1, 1}, {0.8, 2}, {1, 1}});
        AlphaKeys(p, {{0, 0.6}, {0.6, 0.1}, {0.9, 0}, {1, 0}});
    }

private:
    uint32_t FColor = White;
};

class TSpecial3FxModifier : public TModifier {
public:
    void Apply(TParticle& p, TEmitter& e, const std::any&) override {
        p.SetSequence(RandomFloat() < 0.5 ? "specials/3/flame" : "specials/3/star");
        p.SetBlending(bmIntense);
        p.SetLife(0.5);
        ColorKeys(p, {{0, Rgb(255, 233, 216)},
                      {0.3, Rgb(255, 180, 109)},
                      {0.6, Rgb(255, 180, 109)},
                      {1, Rgb(255, 204, 111)}});
        p.SetPivot(pvCenter);
        StartAtEmitter(p, e);
        RandomSpin(p, 500);
        for (int i = 0; i <= 5; ++i) {
            p.AddScaleKey(i / 5.0, RandomRange(0.7, 1.0) / (i + 1));
        }
        AlphaKeys(p, {{0, 0.5}, {0.8, 0.3}, {1, 0}});
    }
};

class TSingleCellBombFxModifier1 : public TModifier {
public:
    void Apply(TParticle& p, TEmitter& e, const std::any&) override {
        p.SetSequence("stuff/lightning" + Digit(6));
        p.SetBlending(bmIntense);
        HoldColor(p, LightningBlue);
        p.SetLife(0.1);
        p.SetPivot(pvLeftMiddle);
        StartAtEmitter(p, e);
        const double angle = -120 + RandomRange(-10, 10);
        p.AddAngleKey(0.0, angle);
        p.AddAngleKey(1.0, angle);
        p.AddScaleXKey(0.0, 2.5);
        p.AddScaleXKey(1.0, 2.5);
        AlphaKeys(p, {{0, 0.8}, {0.8, 0.2}, {1, 0}});
    }
};

class TSingleCellBombFxModifier2 : public TModifier {
public:
    void Apply(TParticle& p, TEmitter& e, const std::any&) override {
        if (RandomFloat() < 0.5) {
            p.SetSequence("stuff/blur08");
            ScaleKeys(p, {{0, RandomRange(1.5, 2)}, {0.9, RandomRange(1.5, 2)}, {1, 0}});
        } else {
            p.SetSequence("stuff/star8");
            ScaleKeys(p, {{0, 1}, {1, 1}});
        }
        p.SetBlending(bmIntense);
        p.SetLife(0.1);
        p.SetPivot(pvCenter);
        StartAtEmitter(p, e, 10);
        HoldColor(p, RandomFloat() < 0.5 ? Rgb(255, 85, 80) : Rgb(255, 85, 0));
        const double angle = RandomRange(0, 365);
        p.AddAngleKey(0.0, angle);
        p.AddAngleKey(1.0, angle + RandomRange(-10, 10));
        AlphaKeys(p, {{0, 1}, {1, 1}});
    }
};

class TSingleCellBombFxModifier3 : public TModifier {
public:
    void Apply(TParticle& p, TEmitter& e, const std::any&) override {
        p.SetPivot(pvCenter);
        p.SetBlending(bmIntense);
        p.SetLife(e.LifeFraction() <= 0.2 ? RandomRange(0.5, 1.5) : 0.0);
        const double fraction = e.LifeFraction();
        double x = e.XAt(fraction);
        double y = e.YAt(fraction);
        const double angle = RandomRange(Pi / 4, 3 * Pi / 4);
        const double speed = RandomRange(700, 1500) / 1.5;
        double vx = speed * std::cos(angle);
        double vy = -speed * std::sin(angle);
        for (int i = 0; i <= 10; ++i) {
            const double t = i / 10.0;
            vx /= 2;
            vy /= 2;
            x += vx * t;
            y += vy * t + 75 * t * t;
            p.AddXKey(t, x);
            p.AddYKey(t, y);
        }
        ScaleKeys(p, {{0, 0.8}, {0.6, 0.2}, {1, 0}});
        AlphaKeys(p, {{0, 1}, {0.6, 1}, {0.7, 0.1}, {1, 0}});
        ColorKeys(p, {{0, White}, {0.3, Rgb(255, 160, 93)}, {1, Rgb(255, 0, 0)}});
    }
};

// What the two flame modifiers of the fireball share.
class TFireBallFxModifier : public TModifier {
protected:
    static void ApplyCommon(TParticle& p, TEmitter& e) {
        // A flame never outlives the trail: it dies at the latest when the emitter does.
        p.SetLife(std::min(0.7, e.Life() * (1.0 - e.LifeFraction())));
        p.SetPivot(pvCenter);
        p.SetBlending(bmIntense);
        RandomSpin(p, 1000);
        AlphaKeys(p, {{0, 1}, {0.8, 1}, {1, 0}});
    }
};

class TFireBallFxModifier1 : public TFireBallFxModifier {
public:
    void Apply(TParticle& p, TEmitter& e, const std::any&) override {
        ApplyCommon(p, e);
        p.SetSequence("specials/2/flame" + Digit(4));
        ColorKeys(p, {{0, Rgb(255, 64, 0)}, {1, Rgb(255, 160, 0)}});
        StartAtEmitter(p, e, 10);
        ScaleKeys(p, {{0, 1.2}, {0.8, 0.6}, {1, 0}});
    }
};

class TFireBallFxModifier2 : public TFireBallFxModifier {
public:
    void Apply(TParticle& p, TEmitter& e, const std::any&) override {
        ApplyCommon(p, e);
        p.SetSequence("specials/2/flame0");
        ColorKeys(p, {{0, White}, {1, Rgb(255, 128, 0)}});
        StartAtEmitter(p, e);
        ScaleKeys(p, {{0, 0.5}, {0.8, 0.5}, {1, 0}});
    }
};

class TDiagonalFxModifier1 : public TModifier {
public:
    TDiagonalFxModifier1(double x1, double y1, double x2, double y2, double angleJitter)
        : FX1(x1), FY1(y1), FX2(x2), FY2(y2), FAngleJitter(angleJitter) {}

    void Apply(TParticle& p, TEmitter&, const std::any&) override {
        const std::string sequence = "stuff/lightning" + Digit(6);
        p.SetSequence(sequence);
        p.SetBlending(bmIntense);
        HoldColor(p, LightningBlue);
        p.SetLife(0.1);
        p.SetPivot(pvLeftMiddle);
        HoldAt(p, FX1, FY1);
        const double angle = std::atan2(FY2 - FY1, FX2 - FX1) * 180.0 / Pi;
        p.AddAngleKey(0.0, angle);
        p.AddAngleKey(1.0, angle + (FAngleJitter > 0 ? RandomRange(-FAngleJitter, FAngleJitter) : 0.0));
        TGResManager* resources = p.Env().ResManager;
        const double width = resources ? resources->GetSeq(sequence).GetSprite(0).Width() : 0.0;
        const double length = std::hypot(FX2 - FX1, FY2 - FY1) + 25;
        const double scaleX = width > 0 ? length / width : 1.0;
        p.AddScaleXKey(0.0, scaleX);
        p.AddScaleXKey(1.0, scaleX);
        p.AddScaleYKey(0.0, 0.5);
        p.AddScaleYKey(1.0, 0.5);
        AlphaKeys(p, {{0, 0.8}, {0.8, 0.2}, {1, 0}});
    }

private:
    double FX1, FY1, FX2, FY2, FAngleJitter;
};

// The bomb's modifiers all know the blast's centre.
class TBombFxModifier : public TModifier {
public:
    TBombFxModifier(double x, double y) : FX(x), FY(y) {}

protected:
    double FX, FY;
};

class TBombFxModifier1 : public TBombFxModifier {
public:
    using TBombFxModifier::TBombFxModifier;
    void Apply(TParticle& p, TEmitter&, const std::any&) override {
        p.SetSequence("specials/9/flare");
        p.SetBlending(bmIntense);
        p.SetPivot(pvCenter);
        p.SetLife(0.5);
        HoldAt(p, FX + RandomRange(-20, 20), FY + RandomRange(-20, 20));
        ColorKeys(p, {{0, White}, {0.2, Rgb(255, 211, 154)}, {0.6, Black}, {1, Black}});
        ScaleKeys(p, {{0, RandomRange(3, 6)}, {0.3, RandomRange(6, 9)}, {1, 0}});
        AlphaKeys(p, {{0, 0.8}, {0.8, 0.2}, {1, 0}});
    }
};

class TBombFxModifier2 : public TBombFxModifier {
public:
    using TBombFxModifier::TBombFxModifier;
    void Apply(TParticle& p, TEmitter&, const std::any&) override {
        p.SetSequence("specials/9/blur");
        p.SetBlending(bmIntense);
        p.SetPivot(pvCenter);
        p.SetLife(1.5);
        ColorKeys(p, {{0, Rgb(255, 149, 29)}, {0.2, Rgb(255, 149, 29)}, {0.8, Black}, {1, Black}});
        const double distance = RandomRange(20, 200);
        const double angle = RandomRange(0, 360);
        const double x = FX + distance * std::cos(angle);
        const double y = FY + distance * std::sin(angle);
        Keys([&](double t, double v) { p.AddXKey(t, v); }, {{0, FX}, {0.5, x}, {1, x}});
        Keys([&](double t, double v) { p.AddYKey(t, v); }, {{0, FY}, {0.5, y}, {1, y}});
        ScaleKeys(p, {{0, 0}, {0.1, RandomRange(2, 3)}, {0.59, 0.2}, {0.6, 3}, {1, 0}});
        AlphaKeys(p, {{0, 1}, {1, 0}});
    }
};

class TBombFxModifier3 : public TBombFxModifier {
public:
    using TBombFxModifier::TBombFxModifier;
    void Apply(TParticle& p, TEmitter&, const std::any&) override {
        p.SetBlending(bmDefault);
        p.SetPivot(pvCenter);
        p.SetLife(RandomRange(1, 1.2));
        HoldAt(p, FX, FY);
        ScaleKeys(p, {{0, 0.1}, {1, RandomRange(2, 3)}});
        AlphaKeys(p, {{0, 1}, {1, 0}});
    }
};

// Sparkles, snow and motes drift slowly away from a point that their owner moves.
struct TDriftLook {
    double Life;
    double Speed;
    double ScalePeak;
};

class TDriftModifier : public TModifier {
public:
    explicit TDriftModifier(TDriftLook look) : FLook(look) {}

    void Apply(TParticle& p, TEmitter& e, const std::any&) override {
        p.SetPivot(pvCenter);
        p.SetLife(FLook.Life);
        const double fraction = e.LifeFraction();
        double x = e.XAt(fraction) + RandomRange(-10, 10);
        double y = e.YAt(fraction) + RandomRange(-10, 10);
        const double angle = RandomRange(0, 2 * Pi);
        for (int i = 0; i <= 10; ++i) {
            const double t = i / 10.0;
            x += FLook.Speed * std::cos(angle) * t;
            y -= FLook.Speed * std::sin(angle) * t;
            p.AddXKey(t, x);
            p.AddYKey(t, y);
        }
        ScaleKeys(p, {{0, 0}, {0.5, FLook.ScalePeak}, {1, 0}});
        Shade(p);
    }

protected:
    virtual void Shade(TParticle& p) = 0;

private:
    TDriftLook FLook;
};

class TSparklesFxModifier1 : public TDriftModifier {
public:
    TSparklesFxModifier1() : TDriftModifier({1.2, 10, 0.6}) {}

protected:
    void Shade(TParticle& p) override {
        AlphaKeys(p, {{0, 1}, {0.7, 1}, {0.8, 0}, {1, 0}});
        ColorKeys(p, {{0, Rgb(255, 30, 30)},
                      {0.1, Rgb(255, 170, 255)},
                      {0.2, Rgb(255, 255, 30)},
                      {0.3, Rgb(30, 255, 30)},
                      {0.4, Rgb(30, 255, 255)},
                      {0.5, Rgb(145, 24, 255)},
                      {0.6, Rgb(255, 30, 30)},
                      {0.7, Black}});
    }
};

class TSnowFxModifier1 : public TDriftModifier {
public:
    TSnowFxModifier1() : TDriftModifier({0.6, 5, 0.8}) {}

protected:
    void Shade(TParticle& p) override {
        AlphaKeys(p, {{0, 1}, {0.7, 0.2}, {1, 0}});
        ColorKeys(p, {{0, Rgb(30, 120, 255)}, {0.7, Rgb(30, 120, 255)}, {0.9, Black}});
    }
};

class TMotesFxModifier1 : public TDriftModifier {
public:
    TMotesFxModifier1() : TDriftModifier({0.6, 2, 0.45}) {}

protected:
    void Shade(TParticle& p) override {
        AlphaKeys(p, {{0, 1}, {0.7, 1}, {0.8, 0}, {1, 0}});
        ColorKeys(p, {{0, Rgb(255, 255, 50)}, {0.7, White}});
    }
};

class TFireworkFxModifier1 : public TModifier {
public:
    void Apply(TParticle& p, TEmitter& rocket, const std::any&) override {
        ColorKeys(p, {{0, Rgb(255, 164, 79)}, {0.7, Rgb(255, 124, 2)}, {0.9, Rgb(34, 24, 68)}});
        p.SetPivot(pvCenter);
        p.SetLife(0.6);
        const double fraction = rocket.LifeFraction();
        const double x = rocket.XAt(fraction);
        const double y = rocket.YAt(fraction);
        p.AddXKey(0.0, x);
        p.AddXKey(1.0, x + RandomRange(-10, 10));
        p.AddYKey(0.0, y);
        p.AddYKey(1.0, y + RandomRange(60, 100));
        AlphaKeys(p, {{0, 1}, {1, 0}});
        const double scale = std::clamp(0.8 + 1.5 * fraction, 0.8, 1.3);
        ScaleKeys(p, {{0, scale}, {0.5, scale / 4}, {1, 0}});
    }
};

class TBubbleFxModifier1 : public TModifier {
public:
    explicit TBubbleFxModifier1(int frame) : FFrame(frame) {}

    void Apply(TParticle& p, TEmitter& e, const std::any&) override {
        p.Clip().StartFrame = FFrame;
        p.Clip().EndFrame = FFrame;
        p.SetBlending(bmDefault);
        p.SetLife(RandomRange(0.5, 1.5));
        p.SetPivot(pvCenter);
        const double fraction = e.LifeFraction();
        const double x = e.XAt(fraction) + RandomRange(-25, 25);
        const double y = e.YAt(fraction) + RandomRange(-25, 25);
        HoldX(p, x);
        p.AddYKey(0.0, y);
        p.AddYKey(1.0, y - 10);
        ScaleKeys(p, {{0, 0}, {1, RandomRange(0.3, 0.8)}});
        AlphaKeys(p, {{0, 0.5}, {0.7, 0.8}, {0.9, 0.1}, {1, 0}});
    }

private:
    int FFrame;
};

// The y of the parabola through three points, at x (the three x values differ).
double Parabola(double x, double x0, double y0, double x1, double y1, double x2, double y2) {
    return y0 * (x - x1) * (x - x2) / ((x0 - x1) * (x0 - x2)) +
           y1 * (x - x0) * (x - x2) / ((x1 - x0) * (x1 - x2)) +
           y2 * (x - x0) * (x - x1) / ((x2 - x0) * (x2 - x1));
}

} // namespace

// ---- the effect ----

TParticleEffect::TParticleEffect(const TParticleEnv& env) : TObject(env, TAnimotionClass::Game) {}

TParticleEffect::~TParticleEffect() = default;

TDosatedEmitter& TParticleEffect::AddEmitter(std::unique_ptr<TDosatedEmitter> emitter) {
    FEmitters.push_back(std::move(emitter));
    return *FEmitters.back();
}

TDosatedEmitter& TParticleEffect::AddFixedEmitter(double x, double y, double life) {
    auto emitter = std::make_unique<TDosatedEmitter>(FEnv, TAnimotionClass::Game);
    emitter->SetLife(life);
    HoldAt(*emitter, x, y);
    return AddEmitter(std::move(emitter));
}

void TParticleEffect::Update() {
    for (auto& emitter : FEmitters) {
        emitter->Update();
    }
}

bool TParticleEffect::IsFinished() const {
    return std::all_of(FEmitters.begin(), FEmitters.end(), [](const auto& e) { return e->IsFinished(); });
}

int TParticleEffect::ParticleCount() const {
    int count = 0;
    for (const auto& emitter : FEmitters) {
        count += emitter->ParticleCount();
    }
    return count;
}

TElementExplosion::TElementExplosion(const TParticleEnv& env, const std::string&, double x, double y)
    : TParticleEffect(env) {
    TDosatedEmitter& emitter = AddFixedEmitter(x, y, 2.0);
    const double rate = RandomRange(20, 30);
    Keys([&](double t, double v) { emitter.RateCurve.AddKey(t, v); }, {{0, rate}, {0.3, 0}, {1, 0}});
    AddLook(emitter, "particles/CellCrashDust", bmDefault, std::make_unique<TElementBlastModifier2>(), 0.1);
}

TSpecial3Fx::TSpecial3Fx(const TParticleEnv& env, double fromX, double fromY, double toX, double toY,
                         double duration)
    : TParticleEffect(env),
      FFlight(std::make_unique<TGAnimotion>(env.ResManager, env.Clock(TAnimotionClass::Game))) {
    TGMotionSeg& motion = FFlight->AddMotionSeg(MotionChannel);
    motion.Length = duration;
    if (std::abs(toX - fromX) < 10) {
        motion.X.AddKey(0.0, fromX);
        motion.X.AddKey(1.0, toX);
        motion.Y.AddKey(0.0, fromY);
        motion.Y.AddKey(1.0, toY);
    } else {
        const double sign = toY > fromY ? 1.0 : (toY < fromY ? -1.0 : 0.0);
        const double middleX = (fromX + toX) / 2;
        const double middleY = fromY + sign * RandomRange(0, 20);
        for (int i = 0; i <= 4; ++i) {
            const double t = i / 4.0;
            const double x = fromX + (toX - fromX) * t;
            motion.X.AddKey(t, x);
            motion.Y.AddKey(t, Parabola(x, fromX, fromY, middleX, middleY, toX, toY));
        }
    }
    Keys(
        [&](double t, double v) {
            motion.ScaleX.AddKey(t, v);
            motion.ScaleY.AddKey(t, v);
        },
        {{0, 0}, {0.1, 1}, {0.9, 1}, {1, 0}});
    motion.Angle.AddKey(0.0, 0.0);
    motion.Angle.AddKey(1.0, Random(360));
    TGClipSeg& clip = FFlight->AddClipSeg(SpriteChannel);
    clip.SeqId = "specials/3/special03act";
    clip.Pivot = pvCenter;
    if (env.ResManager) {
        clip.SetFPS(30);
    }
    clip.SetLoopStart(true);
    clip.SetLoopEnd(true);
    FFlight->GetChannel(SpriteChannel).Parent = &FFlight->GetChannel(MotionChannel);

    TDosatedEmitter& emitter = AddEmitter(NewEmitter(env, duration, {{0, 15}, {0.9, 15}, {1, 0}}));
    for (int i = 0; i <= 4; ++i) {
        const double t = i / 4.0;
        emitter.AddXKey(t, motion.X.GetP(t));
        emitter.AddYKey(t, motion.Y.GetP(t));
    }
    AddLook(emitter, "specials/3/star", bmIntense, std::make_unique<TSpecial3FxModifier>());
}

void TSpecial3Fx::Update() {
    TParticleEffect::Update();
    FFlight->Render(true);
}

TSingleCellBombFx::TSingleCellBombFx(const TParticleEnv& env, double x, double y, double life)
    : TParticleEffect(env) {
    struct TPart {
        const char* Sequence;
        double RateA, RateB, Life;
        std::unique_ptr<TModifier> Modifier;
    };
    TPart parts[] = {
        {"stuff/star8", 40, 40, life, std::make_unique<TSingleCellBombFxModifier2>()},
        {"stuff/lightning0", 15, 15, life, std::make_unique<TSingleCellBombFxModifier1>()},
        {"stuff/spark08", 70, 50, 3 * life, std::make_unique<TSingleCellBombFxModifier3>()},
    };
    for (TPart& part : parts) {
        TDosatedEmitter& emitter = AddFixedEmitter(x, y, part.Life);
        Keys([&](double t, double v) { emitter.RateCurve.AddKey(t, v); },
             {{0, part.RateA}, {0.9, part.RateB}, {1, 0}});
        AddLook(emitter, part.Sequence, bmIntense, std::move(part.Modifier));
    }
}

TFireBallFx::TFireBallFx(const TParticleEnv& env, double fromX, double fromY, double toX, double toY,
                         double duration)
    : TParticleEffect(env) {
    const double life = duration + 0.5;
    TDosatedEmitter& emitter = AddEmitter(NewEmitter(env, life, {{0, 70}, {0.8, 40}, {0.9, 0}, {1, 0}}));
    // A Catmull-Rom curve swings past a key that is followed by an equal one; the second key a
    // hair after the arrival keeps the trail on its target for the rest of the life.
    const double arrival = duration / life;
    const double settled = std::min(arrival + 1e-4, 1.0);
    Keys([&](double t, double v) { emitter.AddXKey(t, v); },
         {{0, fromX}, {arrival, toX}, {settled, toX}, {1, toX}});
    Keys([&](double t, double v) { emitter.AddYKey(t, v); },
         {{0, fromY}, {arrival, toY}, {settled, toY}, {1, toY}});
    AddLook(emitter, "specials/2/flame0", bmIntense, std::make_unique<TFireBallFxModifier1>());
    AddLook(emitter, "specials/2/fire2", bmIntense, std::make_unique<TFireBallFxModifier2>());
}

TElementShaking::TElementShaking(const TParticleEnv& env, bool fadeOut, double x, double y,
                                 std::string sequenceName)
    : TParticleEffect(env), FFadeOut(fadeOut), FX(x), FY(y), FSequenceName(std::move(sequenceName)) {}

uint32_t TElementShaking::Opacity() const {
    const double opacity = FFadeOut ? (Duration - FTime) / Duration : FTime / Duration;
    return static_cast<uint32_t>(std::lround(std::clamp(opacity, 0.0, 1.0) * 255));
}

void TElementShaking::Update() {
    const TGSprite& sprite = FEnv.ResManager->GetSeq(FSequenceName).GetSprite(0);
    const double width = sprite.Width();
    const double height = sprite.Height();
    const uint32_t color = Opacity() << 24 | 0x00FFFFFF;
    // Strips two rows high; each sways by its own phase of one sine wave.
    for (int i = 0; 2 * i < height; ++i) {
        const double d = 10 * std::sin((i - 12) / (width / 2) * 10 * FTime);
        const TGRectD source{0.0, 2.0 * i, width, std::min(2.0 * i + 2, height)};
        sprite.DrawPart(source, color, FX - width / 2 + d, FY - height / 2 + 2 * i, bmDefault);
    }
    if (TGTimer* clock = FEnv.GameClock) {
        clock->AddStep(FTime);
    }
}

bool TElementShaking::IsFinished() const {
    return FTime > Duration;
}

TDiagonalFx::TDiagonalFx(const TParticleEnv& env, double x1, double y1, double x2, double y2, double rate,
                         double angleJitter, double life)
    : TParticleEffect(env) {
    TDosatedEmitter& emitter = AddFixedEmitter(x1, y1, life);
    Keys([&](double t, double v) { emitter.RateCurve.AddKey(t, v); }, {{0, rate}, {0.9, rate}, {1, 0}});
    AddLook(emitter, "stuff/lightning0", bmIntense,
            std::make_unique<TDiagonalFxModifier1>(x1, y1, x2, y2, angleJitter));
}

TBombFx::TBombFx(const TParticleEnv& env, double x, double y) : TParticleEffect(env) {
    TDosatedEmitter& flare = AddFixedEmitter(x, y, 1.0);
    Keys([&](double t, double v) { flare.RateCurve.AddKey(t, v); }, {{0, 15}, {0.4, 15}, {0.5, 0}, {1, 0}});
    AddLook(flare, "specials/9/flare", bmIntense, std::make_unique<TBombFxModifier1>(x, y));

    TDosatedEmitter& blur = AddFixedEmitter(x, y, 2.0);
    Keys([&](double t, double v) { blur.RateCurve.AddKey(t, v); }, {{0, 80}, {0.2, 80}, {0.21, 0}, {1, 0}});
    AddLook(blur, "specials/9/blur", bmIntense, std::make_unique<TBombFxModifier2>(x, y));

    TDosatedEmitter& boom = AddFixedEmitter(x, y, 2.0);
    Keys([&](double t, double v) { boom.RateCurve.AddKey(t, v); }, {{0, 10}, {0.1, 10}, {0.21, 0}, {1, 0}});
    AddLook(boom, "specials/9/sonicboom" + std::to_string(1 + Random(2)), bmDefault,
            std::make_unique<TBombFxModifier3>(x, y));
}

TSteeredFx::TSteeredFx(const TParticleEnv& env, double life, double rate, std::unique_ptr<TModifier> modifier)
    : TParticleEffect(env) {
    FEmitter = &AddEmitter(NewEmitter(env, life, {{0, rate}, {1, rate}}));
    AddLook(*FEmitter, "stuff/sparkle07", bmIntense, std::move(modifier));
}

void TSteeredFx::AddXKey(double t, double x) {
    FEmitter->AddXKey(t, x);
}

void TSteeredFx::AddYKey(double t, double y) {
    FEmitter->AddYKey(t, y);
}

TSparklesFx::TSparklesFx(const TParticleEnv& env, double life, double rate)
    : TSteeredFx(env, life, rate, std::make_unique<TSparklesFxModifier1>()) {}

TSnowFx::TSnowFx(const TParticleEnv& env, double life, double rate)
    : TSteeredFx(env, life, rate, std::make_unique<TSnowFxModifier1>()) {}

TMotesFx::TMotesFx(const TParticleEnv& env, double life, double rate)
    : TSteeredFx(env, life, rate, std::make_unique<TMotesFxModifier1>()) {}

TFireworkFxRocket::TFireworkFxRocket(const TParticleEnv& env, double x, double y)
    : TDosatedEmitter(env, TAnimotionClass::Interface) {
    const double angle = RandomRange(-2 * Pi / 3, -Pi / 3);
    const double speed = RandomRange(400, 500);
    double vx = speed * std::cos(angle);
    double vy = speed * std::sin(angle);
    for (int i = 0; i <= 10; ++i) {
        const double t = i / 10.0;
        vx *= 0.8;
        x += vx * t;
        vy = 0.9 * vy + 50 * t;
        y += vy * t;
        AddXKey(t, x);
        AddYKey(t, y);
    }
    RateCurve.AddKey(0.0, 40);
    RateCurve.AddKey(1.0, 40);
    SetLife(1.7);
    AddLook(*this, "particles/fireworkrocket", bmIntense, std::make_unique<TFireworkFxModifier1>());
}

TFireworkFx::TFireworkFx(const TParticleEnv& env, double x, double y) : TParticleEffect(env) {
    for (int i = 0; i < RocketCount; ++i) {
        AddEmitter(std::make_unique<TFireworkFxRocket>(env, x, y));
    }
}

TBubbleFx::TBubbleFx(const TParticleEnv& env, int frame, double x, double y) : TParticleEffect(env) {
    TDosatedEmitter& emitter = AddFixedEmitter(x, y, 1.0);
    Keys([&](double t, double v) { emitter.RateCurve.AddKey(t, v); }, {{0, 70}, {1, 70}});
    AddLook(emitter, "specials/11/specialfx", bmDefault, std::make_unique<TBubbleFxModifier1>(frame));
}

const std::vector<std::string>& ParticleSequenceNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list = {
            "particles/CellCrashDust",
            "particles/fireworkrocket",
            "specials/3/special03act",
            "specials/3/flame",
            "specials/3/star",
            "stuff/blur08",
            "stuff/star8",
            "stuff/spark08",
            "specials/2/fire2",
            "specials/9/flare",
            "specials/9/blur",
            "specials/9/sonicboom1",
            "specials/9/sonicboom2",
            "stuff/sparkle07",
            "specials/11/specialfx",
        };
        for (int i = 0; i < 6; ++i) {
            list.push_back("stuff/lightning" + std::to_string(i));
        }
        for (int i = 0; i < 4; ++i) {
            list.push_back("specials/2/flame" + std::to_string(i));
        }
        return list;
    }();
    return names;
}

} // namespace qm
