#include "UParticleSystem.h"
#include "ParticleTestSupport.h"
#include "UGError.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::TParticleArt;

// Counts its own destruction, so a test sees who frees a descriptor.
class TCountingModifier : public TModifier {
public:
    explicit TCountingModifier(int* freed = nullptr, double life = 1.0) : FFreed(freed), FLife(life) {}
    ~TCountingModifier() override {
        if (FFreed) {
            ++*FFreed;
        }
    }
    void Apply(TParticle& particle, TEmitter&, const std::any&) override { particle.SetLife(FLife); }

private:
    int* FFreed;
    double FLife;
};

std::unique_ptr<TParticleDescriptor> Descriptor(int* freed = nullptr, double life = 1.0) {
    auto descriptor = std::make_unique<TParticleDescriptor>("stuff/star8");
    descriptor->AddModifier(std::make_unique<TCountingModifier>(freed, life));
    return descriptor;
}

std::unique_ptr<TDosatedEmitter> Emitter(TParticleArt& art, double life, double rateAt0, double rateAt1,
                                         TAnimotionClass animotionClass = TAnimotionClass::Game,
                                         double particleLife = 1.0) {
    auto emitter = std::make_unique<TDosatedEmitter>(art.Env(), animotionClass);
    emitter->SetLife(life);
    emitter->RateCurve.AddKey(0.0, rateAt0);
    emitter->RateCurve.AddKey(1.0, rateAt1);
    emitter->AddDescriptor(Descriptor(nullptr, particleLife));
    return emitter;
}

void Frames(TParticleArt& art, TObject& object, int frames, double dt = 0.01, bool gamePaused = false) {
    for (int i = 0; i < frames; ++i) {
        art.Step(dt, gamePaused);
        object.Update();
    }
}

TEST(ParticleSystem, DosedEmissionCountsWholeParticlesOfTheIntegratedRate) {
    struct TCase {
        const char* Name;
        double RateAt0, RateAt1; // over a life of 1 s
        int Frames;              // of 10 ms
        int Born;
    };
    // Each frame adds rate(life fraction after the frame) x 10 ms. The two-key ramp from 0 to 100
    // is the Catmull-Rom cubic 50 s + 150 s^2 - 100 s^3, whose sum over 60 frames is 16.87.
    // The frame counts keep every expected sum well away from a whole number.
    const TCase cases[] = {
        {"constant 20/s for 0.53 s", 20, 20, 53, 10},
        {"constant 75/s for 0.21 s", 75, 75, 21, 15},
        {"ramp from 0 to 100/s, 0.6 s", 0, 100, 60, 16},
    };
    for (const TCase& c : cases) {
        TParticleArt art;
        auto emitter = Emitter(art, 1.0, c.RateAt0, c.RateAt1, TAnimotionClass::Game, 10.0);
        Frames(art, *emitter, c.Frames);
        EXPECT_EQ(emitter->Emitted, c.Born) << c.Name;
        EXPECT_EQ(emitter->ParticleCount(), c.Born) << c.Name;
    }
}

TEST(ParticleSystem, TheIntegerPartOfTheAccumulatedCountDecides) {
    TParticleArt art;
    auto emitter = Emitter(art, 10.0, 75, 75);
    emitter->Accumulated = 2.99;
    emitter->Emitted = 2;
    Frames(art, *emitter, 1, 0.04);
    EXPECT_NEAR(emitter->Accumulated, 5.99, 1e-9);
    EXPECT_EQ(emitter->ParticleCount(), 3);
    EXPECT_EQ(emitter->Emitted, 5);
}

TEST(ParticleSystem, AParticleFollowsItsCurvesOverItsLifeAndIsFreedAfterIt) {
    TParticleArt art;
    TParticle particle(art.Env(), TAnimotionClass::Game);
    particle.SetSequence("stuff/star8");
    particle.SetLife(2.0);
    particle.AddXKey(0.0, 100);
    particle.AddXKey(1.0, 300);
    particle.AddAlphaKey(0.0, 1.0);
    particle.AddAlphaKey(1.0, 0.0);
    particle.AddColorKey(0xFF102030, 0.0);
    particle.AddColorKey(0xFF102030, 1.0);
    particle.AddScaleKey(0.5, 3.0);

    EXPECT_DOUBLE_EQ(particle.Life(), 2.0);
    EXPECT_DOUBLE_EQ(particle.XAt(0.5), 200.0);
    EXPECT_DOUBLE_EQ(particle.ScaleXAt(0.5), 3.0);
    EXPECT_DOUBLE_EQ(particle.ScaleYAt(0.5), 3.0);
    EXPECT_EQ(particle.ColorAt(0.3), 0x102030u);

    Frames(art, particle, 50); // 0.5 s: a quarter of the life
    EXPECT_NEAR(particle.LifeFraction(), 0.25, 1e-9);
    const TGActiveChannel& path = particle.Animotion().GetChannel(TObject::MotionChannel);
    // The drawn position trails the clock by at most one frame.
    EXPECT_GE(path.X, particle.XAt(0.245) - 1e-9);
    EXPECT_LE(path.X, particle.XAt(0.25) + 1e-9);
    EXPECT_FALSE(particle.IsFinished());

    Frames(art, particle, 151);
    EXPECT_TRUE(particle.IsFinished());
}

TEST(ParticleSystem, CapacitiesRaiseTheirErrors) {
    TParticleArt art;
    TEmitter emitter(art.Env(), TAnimotionClass::Game);
    for (int i = 0; i < TEmitter::Capacity; ++i) {
        emitter.AddDescriptor(Descriptor());
    }
    try {
        emitter.AddDescriptor(Descriptor());
        FAIL() << "a fifth descriptor was taken";
    } catch (const EGError& e) {
        EXPECT_STREQ(e.what(), "TEmitter.AddCarriedObjectDescriptor: Emitter capacity exceeded");
    }

    TDescriptor descriptor;
    for (int i = 0; i < TDescriptor::Capacity; ++i) {
        descriptor.AddModifier(std::make_unique<TCountingModifier>());
    }
    try {
        descriptor.AddModifier(std::make_unique<TCountingModifier>());
        FAIL() << "a seventeenth modifier was taken";
    } catch (const EGError& e) {
        EXPECT_STREQ(e.what(), "TDescriptor.AddModifier: Descriptor capacity exceeded");
    }
    EXPECT_EQ(descriptor.ModifierCount(), TDescriptor::Capacity);
}

TEST(ParticleSystem, EmitMakesOneParticleFromEveryDescriptorInSlotOrder) {
    TParticleArt art;
    TEmitter emitter(art.Env(), TAnimotionClass::Game);
    for (const char* name : {"stuff/star8", "stuff/blur08", "stuff/spark08"}) {
        emitter.AddDescriptor(std::make_unique<TParticleDescriptor>(name));
    }
    emitter.Emit();
    ASSERT_EQ(emitter.ParticleCount(), 3);
    EXPECT_EQ(emitter.Particle(0).Clip().SeqId, "stuff/star8");
    EXPECT_EQ(emitter.Particle(2).Clip().SeqId, "stuff/spark08");
    emitter.ClearParticles();
    EXPECT_EQ(emitter.ParticleCount(), 0);
}

TEST(ParticleSystem, ASharedDescriptorIsFreedOnlyByItsFirstOwner) {
    TParticleArt art;
    int freed = 0;
    auto first = std::make_unique<TEmitter>(art.Env(), TAnimotionClass::Game);
    TParticleDescriptor& shared = first->AddDescriptor(Descriptor(&freed));
    {
        TEmitter second(art.Env(), TAnimotionClass::Game);
        second.AddDescriptor(shared);
        EXPECT_EQ(shared.Owner(), first.get());
        second.Emit();
        EXPECT_EQ(second.ParticleCount(), 1);
    }
    EXPECT_EQ(freed, 0);
    first->Emit();
    first.reset();
    EXPECT_EQ(freed, 1);
}

TEST(ParticleSystem, AFinishedMotionStopsEmissionButParticlesLiveOn) {
    TParticleArt art;
    auto emitter = Emitter(art, 0.1, 100, 100, TAnimotionClass::Game, 0.5);
    Frames(art, *emitter, 12);
    const int born = emitter->ParticleCount();
    EXPECT_GE(born, 9);
    EXPECT_LE(born, 11);
    Frames(art, *emitter, 10);
    EXPECT_EQ(emitter->ParticleCount(), born);
    EXPECT_FALSE(emitter->IsFinished());
    Frames(art, *emitter, 50);
    EXPECT_EQ(emitter->ParticleCount(), 0);
    Frames(art, *emitter, 1);
    EXPECT_TRUE(emitter->IsFinished());
}

TEST(ParticleSystem, GameObjectsStandStillWhileTheGameClockIsPaused) {
    TParticleArt art;
    auto game = Emitter(art, 1.0, 50, 50, TAnimotionClass::Game);
    auto interface = Emitter(art, 1.0, 50, 50, TAnimotionClass::Interface);
    for (int i = 0; i < 40; ++i) {
        art.Step(0.01, true);
        game->Update();
        interface->Update();
    }
    EXPECT_EQ(game->ParticleCount(), 0);
    EXPECT_DOUBLE_EQ(game->LifeFraction(), 0.0);
    EXPECT_EQ(interface->ParticleCount(), 20);
    EXPECT_NEAR(interface->LifeFraction(), 0.4, 1e-9);
}

TEST(ParticleSystem, ALoopingEmitterNeverFinishes) {
    TParticleArt art;
    auto emitter = Emitter(art, 0.2, 50, 50, TAnimotionClass::Game, 0.05);
    emitter->SetLooping(true);
    EXPECT_TRUE(emitter->IsLooping());
    Frames(art, *emitter, 100);
    EXPECT_FALSE(emitter->IsFinished());
    EXPECT_LT(emitter->LifeFraction(), 1.0);
}

} // namespace
} // namespace qm
