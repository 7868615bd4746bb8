#include "UFieldEffect.h"

#include "ParticleTestSupport.h"
#include "UFireBall.h"
#include "UGRandom.h"
#include "game/play/PlayTestHost.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::MakeField;
using test::RunFrames;
using test::TParticleArt;
using test::TTestHost;

const TParticleEffect& ParticlesOf(const IFieldEffect& effect) {
    return dynamic_cast<const TParticleFieldEffect&>(effect).Effect();
}

TEST(FieldEffects, AMatchLeavesDustThatTheFieldFreesOnceItIsOver) {
    SetRandomSeed(5);
    TParticleArt art;
    TTestHost host;
    host.ParticleArt = art.Env().ResManager;
    auto field = MakeField(host, {"111", "234"});
    host.Field = field.get();
    ASSERT_TRUE(field->FindMatches(false, false));
    ASSERT_EQ(field->Effects.size(), 3u) << "one explosion for each marble of the line";
    for (const auto& effect : field->Effects) {
        EXPECT_NE(dynamic_cast<const TElementExplosion*>(&ParticlesOf(*effect)), nullptr);
    }
    int mostParticles = 0;
    for (int frame = 0; frame < 100; ++frame) {
        art.NewFrame();
        RunFrames(host, *field, 1);
        mostParticles = std::max(mostParticles, ParticlesOf(*field->Effects.front()).ParticleCount());
    }
    EXPECT_GT(mostParticles, 0) << "the dust flies while the field draws";
    EXPECT_EQ(field->Effects.size(), 3u) << "still running after 1 s";
    RunFrames(host, *field, 150);
    EXPECT_TRUE(field->Effects.empty()) << "freed when over";
}

// Demolition steps are 0,06 s per cell and cells 48 pixels in the test environment.
TEST(FieldEffects, AFireBallTrailsFlamesAlongItsFlight) {
    SetRandomSeed(5);
    TParticleArt art;
    TTestHost host;
    auto field = MakeField(host, {"12345"});
    field->AddFireBall(std::make_unique<TCrossFireBall>(*field, 2, 100, 0, 1, field->Cell(0, 0)));
    EXPECT_TRUE(field->Effects.empty()) << "no art, no flames";
    field->FireBalls.clear();
    host.ParticleArt = art.Env().ResManager;
    field->AddFireBall(std::make_unique<TCrossFireBall>(*field, 2, 100, 0, 1, field->Cell(0, 0)));
    ASSERT_EQ(field->Effects.size(), 1u);
    const TParticleEffect& trail = ParticlesOf(*field->Effects.front());
    ASSERT_NE(dynamic_cast<const TFireBallFx*>(&trail), nullptr);
    const TDosatedEmitter& emitter = trail.Emitter(0);
    EXPECT_DOUBLE_EQ(emitter.Life(), 4 * 0.06 + 0.5) << "flies, then waits while its flames die";
    EXPECT_DOUBLE_EQ(emitter.XAt(0.0), 25.0);
    EXPECT_DOUBLE_EQ(emitter.XAt(1.0), 4 * 48 + 25.0);
    EXPECT_DOUBLE_EQ(emitter.YAt(1.0), 25.0);
    for (int frame = 0; frame < 200; ++frame) {
        art.NewFrame();
        RunFrames(host, *field, 1);
    }
    EXPECT_TRUE(field->Effects.empty());
}

} // namespace
} // namespace qm
