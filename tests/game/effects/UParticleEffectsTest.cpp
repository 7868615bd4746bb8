#include "UParticleEffects.h"
#include "ParticleTestSupport.h"
#include "UGRandom.h"
#include "UGRenderBackend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace qm {
namespace {

using test::TParticleArt;
using TMaker = std::function<std::unique_ptr<TParticleEffect>(const TParticleEnv&)>;

void Play(TParticleArt& art, TParticleEffect& effect, double seconds, bool gamePaused = false) {
    const int frames = static_cast<int>(std::lround(seconds / 0.01));
    for (int i = 0; i < frames; ++i) {
        art.Step(0.01, gamePaused);
        art.NewFrame();
        effect.Update();
    }
}

// The look a modifier gives the first particles of an emitter.
struct TLookCase {
    const char* Name;
    TMaker Make;
    int Emitter;
    int Particle;
    const char* SequencePrefix;
    uint8_t Blending;
    uint8_t Pivot;
    double LifeLow, LifeHigh; // the life lies in [LifeLow, LifeHigh]
    double AlphaAtStart;
    uint32_t ColorAtStart;
    uint32_t ColorMask; // the bits of the colour that are fixed
};

TEST(ParticleEffects, EachModifierShapesItsNewParticles) {
    const TLookCase cases[] = {
        {"dust", [](auto& env) { return std::make_unique<TElementExplosion>(env, "test/Element", 100, 100); },
         0, 0, "particles/CellCrashDust", bmDefault, pvCenter, 0.9, 1.5, 0.6, 0xFFFFFF, 0xFFFFFF},
        {"super-bonus stars",
         [](auto& env) { return std::make_unique<TSpecial3Fx>(env, 100, 100, 400, 300, 1.0); }, 0, 0,
         "specials/3/", bmIntense, pvCenter, 0.5, 0.5, 0.5, 0xFFE9D8, 0xFFFFFF},
        {"bomb stars", [](auto& env) { return std::make_unique<TSingleCellBombFx>(env, 100, 100, 0.3); }, 0,
         0, "stuff/", bmIntense, pvCenter, 0.1, 0.1, 1.0, 0xFF5500, 0xFFFF00},
        {"bomb lightning", [](auto& env) { return std::make_unique<TSingleCellBombFx>(env, 100, 100, 0.3); },
         1, 0, "stuff/lightning", bmIntense, pvLeftMiddle, 0.1, 0.1, 0.8, 0xA0E0FF, 0xFFFFFF},
        {"bomb sparks", [](auto& env) { return std::make_unique<TSingleCellBombFx>(env, 100, 100, 0.3); }, 2,
         0, "stuff/spark08", bmIntense, pvCenter, 0.5, 1.5, 1.0, 0xFFFFFF, 0xFFFFFF},
        {"fireball flames", [](auto& env) { return std::make_unique<TFireBallFx>(env, 0, 0, 300, 0, 1.0); },
         0, 0, "specials/2/flame", bmIntense, pvCenter, 0.7, 0.7, 1.0, 0xFF4000, 0xFFFFFF},
        {"fireball core", [](auto& env) { return std::make_unique<TFireBallFx>(env, 0, 0, 300, 0, 1.0); }, 0,
         1, "specials/2/flame0", bmIntense, pvCenter, 0.7, 0.7, 1.0, 0xFFFFFF, 0xFFFFFF},
        {"diagonal bolts",
         [](auto& env) { return std::make_unique<TDiagonalFx>(env, 0, 0, 100, 100, 40, 5, 0.5); }, 0, 0,
         "stuff/lightning", bmIntense, pvLeftMiddle, 0.1, 0.1, 0.8, 0xA0E0FF, 0xFFFFFF},
        {"bomb flare", [](auto& env) { return std::make_unique<TBombFx>(env, 200, 200); }, 0, 0,
         "specials/9/flare", bmIntense, pvCenter, 0.5, 0.5, 0.8, 0xFFFFFF, 0xFFFFFF},
        {"bomb blur", [](auto& env) { return std::make_unique<TBombFx>(env, 200, 200); }, 1, 0,
         "specials/9/blur", bmIntense, pvCenter, 1.5, 1.5, 1.0, 0xFF951D, 0xFFFFFF},
        {"sonic boom", [](auto& env) { return std::make_unique<TBombFx>(env, 200, 200); }, 2, 0,
         "specials/9/sonicboom", bmDefault, pvCenter, 1.0, 1.2, 1.0, 0xFFFFFF, 0xFFFFFF},
        {"sparkles", [](auto& env) { return std::make_unique<TSparklesFx>(env, 1.0, 60); }, 0, 0,
         "stuff/sparkle07", bmIntense, pvCenter, 1.2, 1.2, 1.0, 0xFF1E1E, 0xFFFFFF},
        {"snow", [](auto& env) { return std::make_unique<TSnowFx>(env, 1.0, 60); }, 0, 0, "stuff/sparkle07",
         bmIntense, pvCenter, 0.6, 0.6, 1.0, 0x1E78FF, 0xFFFFFF},
        {"motes", [](auto& env) { return std::make_unique<TMotesFx>(env, 1.0, 60); }, 0, 0, "stuff/sparkle07",
         bmIntense, pvCenter, 0.6, 0.6, 1.0, 0xFFFF32, 0xFFFFFF},
        {"firework sparks", [](auto& env) { return std::make_unique<TFireworkFx>(env, 400, 600); }, 0, 0,
         "particles/fireworkrocket", bmIntense, pvCenter, 0.6, 0.6, 1.0, 0xFFA44F, 0xFFFFFF},
        {"bubbles", [](auto& env) { return std::make_unique<TBubbleFx>(env, 3, 200, 200); }, 0, 0,
         "specials/11/specialfx", bmDefault, pvCenter, 0.5, 1.5, 0.5, 0xFFFFFF, 0xFFFFFF},
    };
    for (const TLookCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SetRandomSeed(7);
        TParticleArt art;
        auto effect = c.Make(art.Env());
        Play(art, *effect, 0.1);
        TDosatedEmitter& emitter = effect->Emitter(c.Emitter);
        ASSERT_GT(emitter.ParticleCount(), c.Particle);
        TParticle& p = emitter.Particle(c.Particle);
        EXPECT_EQ(p.Clip().SeqId.rfind(c.SequencePrefix, 0), 0u) << p.Clip().SeqId;
        EXPECT_EQ(p.Animotion().GetChannel(TObject::SpriteChannel).Blending, c.Blending);
        EXPECT_EQ(p.Clip().Pivot, c.Pivot);
        EXPECT_GE(p.Life(), c.LifeLow - 1e-9);
        EXPECT_LE(p.Life(), c.LifeHigh + 1e-9);
        EXPECT_NEAR(p.AlphaAt(0.0), c.AlphaAtStart, 1e-9);
        EXPECT_EQ(p.ColorAt(0.0) & c.ColorMask, c.ColorAtStart);
    }
}

TEST(ParticleEffects, AnEffectWithoutEmittersIsFinishedAtOnce) {
    TParticleArt art;
    TParticleEffect effect(art.Env());
    EXPECT_TRUE(effect.IsFinished());
}

TEST(ParticleEffects, EveryEffectFinishesAndFreesItsParticles) {
    struct TCase {
        const char* Name;
        TMaker Make;
        double Alive;    // still running at this time
        double Finished; // over by this time
    };
    const TCase cases[] = {
        {"dust", [](auto& env) { return std::make_unique<TElementExplosion>(env, "test/Element", 100, 100); },
         1.9, 2.1},
        {"super-bonus stars",
         [](auto& env) { return std::make_unique<TSpecial3Fx>(env, 100, 100, 400, 300, 1.0); }, 0.9, 1.6},
        {"single-cell bomb",
         [](auto& env) { return std::make_unique<TSingleCellBombFx>(env, 100, 100, 0.3); }, 0.8, 2.0},
        {"fireball", [](auto& env) { return std::make_unique<TFireBallFx>(env, 0, 0, 300, 0, 1.0); }, 1.4,
         1.6},
        {"diagonal", [](auto& env) { return std::make_unique<TDiagonalFx>(env, 0, 0, 100, 100, 40, 5, 0.5); },
         0.45, 0.65},
        {"bomb", [](auto& env) { return std::make_unique<TBombFx>(env, 200, 200); }, 1.9, 2.1},
        {"sparkles", [](auto& env) { return std::make_unique<TSparklesFx>(env, 1.0, 20); }, 0.9, 2.3},
        {"snow", [](auto& env) { return std::make_unique<TSnowFx>(env, 1.0, 20); }, 0.9, 1.7},
        {"motes", [](auto& env) { return std::make_unique<TMotesFx>(env, 1.0, 20); }, 0.9, 1.7},
        {"firework", [](auto& env) { return std::make_unique<TFireworkFx>(env, 400, 600); }, 1.6, 2.4},
        {"bubbles", [](auto& env) { return std::make_unique<TBubbleFx>(env, 0, 200, 200); }, 0.9, 2.6},
        {"shaking",
         [](auto& env) { return std::make_unique<TElementShaking>(env, true, 200, 200, "test/Element"); },
         1.9, 2.05},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SetRandomSeed(11);
        TParticleArt art;
        auto effect = c.Make(art.Env());
        Play(art, *effect, c.Alive);
        EXPECT_FALSE(effect->IsFinished());
        Play(art, *effect, c.Finished - c.Alive);
        EXPECT_TRUE(effect->IsFinished());
        EXPECT_EQ(effect->ParticleCount(), 0);
    }
}

TEST(ParticleEffects, AnExplosionKeepsOnlyTheDustOfItsFirstTenthOfASecond) {
    SetRandomSeed(3);
    TParticleArt art;
    TElementExplosion explosion(art.Env(), "test/Element", 300, 200);
    Play(art, explosion, 0.1);
    const int early = explosion.ParticleCount();
    EXPECT_GE(early, 1);
    Play(art, explosion, 0.5);
    TDosatedEmitter& emitter = explosion.Emitter(0);
    EXPECT_GT(emitter.Emitted, early + 3);
    EXPECT_EQ(explosion.ParticleCount(), early);
    for (int i = 0; i < emitter.ParticleCount(); ++i) {
        EXPECT_GE(emitter.Particle(i).Life(), 0.9);
        EXPECT_DOUBLE_EQ(emitter.Particle(i).XAt(0.0), 300.0);
    }
}

TEST(ParticleEffects, ShakingFadesAcrossTwoSeconds) {
    struct TCase {
        bool FadeOut;
        double Time;
        uint32_t Opacity;
    };
    const TCase cases[] = {{true, 0.0, 255}, {true, 0.5, 191}, {true, 1.5, 64},   {true, 2.0, 0},
                           {false, 0.0, 0},  {false, 0.5, 64}, {false, 1.5, 191}, {false, 2.0, 255}};
    for (const TCase& c : cases) {
        TParticleArt art;
        TElementShaking shaking(art.Env(), c.FadeOut, 200, 200, "test/Element");
        Play(art, shaking, c.Time);
        EXPECT_EQ(shaking.Opacity(), c.Opacity) << c.FadeOut << " at " << c.Time;
    }
}

TEST(ParticleEffects, ADiagonalBetweenOnePointDrawsShortBolts) {
    SetRandomSeed(5);
    TParticleArt art;
    TDiagonalFx fx(art.Env(), 150, 150, 150, 150, 40, 5, 0.5);
    Play(art, fx, 0.1);
    TDosatedEmitter& emitter = fx.Emitter(0);
    ASSERT_GT(emitter.ParticleCount(), 0);
    for (int i = 0; i < emitter.ParticleCount(); ++i) {
        const TParticle& bolt = emitter.Particle(i);
        EXPECT_DOUBLE_EQ(bolt.ScaleXAt(0.5), 25.0 / 32.0); // the test bolts are 32 pixels wide
        EXPECT_DOUBLE_EQ(bolt.AngleAt(0.0), 0.0);
        EXPECT_LT(std::abs(bolt.AngleAt(1.0)), 5.0);
        EXPECT_DOUBLE_EQ(bolt.XAt(0.7), 150.0);
    }
}

TEST(ParticleEffects, AFireballTrailWaitsAtItsTarget) {
    TParticleArt art;
    TFireBallFx fx(art.Env(), 100, 50, 500, 250, 1.0);
    const TDosatedEmitter& emitter = fx.Emitter(0);
    EXPECT_DOUBLE_EQ(emitter.Life(), 1.5);
    EXPECT_DOUBLE_EQ(emitter.XAt(0.0), 100.0);
    for (double t : {1.0 / 1.5 + 0.001, 0.8, 0.95, 1.0}) {
        EXPECT_NEAR(emitter.XAt(t), 500.0, 1e-9) << t;
        EXPECT_NEAR(emitter.YAt(t), 250.0, 1e-9) << t;
    }
}

TEST(ParticleEffects, FireworksRunOnTheInterfaceClock) {
    SetRandomSeed(9);
    TParticleArt art;
    TFireworkFx fireworks(art.Env(), 400, 600);
    TSparklesFx sparkles(art.Env(), 1.0, 60);
    for (int i = 0; i < 30; ++i) {
        art.Step(0.01, true);
        fireworks.Update();
        sparkles.Update();
    }
    EXPECT_EQ(fireworks.EmitterCount(), TFireworkFx::RocketCount);
    EXPECT_GT(fireworks.ParticleCount(), TFireworkFx::RocketCount * 8);
    EXPECT_EQ(sparkles.ParticleCount(), 0);
    // Every rocket climbs.
    for (int i = 0; i < fireworks.EmitterCount(); ++i) {
        EXPECT_LT(fireworks.Emitter(i).YAt(0.5), 600.0);
    }
}

TEST(ParticleEffects, SteeredEffectsFollowTheKeysTheirOwnerAdds) {
    SetRandomSeed(13);
    TParticleArt art;
    TSparklesFx sparkles(art.Env(), 1.0, 100);
    sparkles.AddXKey(0.0, 100);
    sparkles.AddXKey(1.0, 500);
    sparkles.AddYKey(0.0, 300);
    sparkles.AddYKey(1.0, 300);
    Play(art, sparkles, 0.5);
    TDosatedEmitter& emitter = sparkles.Emitter(0);
    ASSERT_GT(emitter.ParticleCount(), 10);
    const TParticle& newest = emitter.Particle(emitter.ParticleCount() - 1);
    const double emitterX = emitter.XAt(emitter.LifeFraction());
    EXPECT_NEAR(emitterX, 300.0, 5.0);
    EXPECT_NEAR(newest.XAt(0.0), emitterX, 10.0);
    EXPECT_NEAR(newest.YAt(0.0), 300.0, 10.0);
}

TEST(ParticleEffects, BubblesShowTheFrameOfTheirColour) {
    TParticleArt art;
    TBubbleFx bubbles(art.Env(), 5, 200, 200);
    Play(art, bubbles, 0.1);
    ASSERT_GT(bubbles.ParticleCount(), 0);
    const TParticle& bubble = bubbles.Emitter(0).Particle(0);
    EXPECT_EQ(bubble.Clip().StartFrame, 5);
    EXPECT_EQ(bubble.Clip().EndFrame, 5);
    EXPECT_LT(bubble.YAt(1.0), bubble.YAt(0.0));
}

} // namespace
} // namespace qm
