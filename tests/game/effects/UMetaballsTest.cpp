#include "UMetaballs.h"

#include "BlankArt.h"
#include "UGNullRenderBackend.h"
#include "UGRandom.h"
#include "UGSprite.h"
#include "UGTexturePack.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <utility>

namespace qm {
namespace {

// Every side of every triangle, by the grid edges of its two ends, must be met as often in the
// other direction: the surface is closed and its triangles all face one way. (Two loops of one
// face may touch along a line, so a side can be met twice each way.)
::testing::AssertionResult ClosedAndOriented(const TMetaballSurface& surface) {
    const std::vector<uint32_t>& keys = surface.VertexKeys();
    std::map<std::pair<uint32_t, uint32_t>, int> sides;
    for (size_t t = 0; t + 2 < keys.size(); t += 3) {
        for (size_t v = 0; v < 3; ++v) {
            ++sides[{keys[t + v], keys[t + (v + 1) % 3]}];
        }
    }
    for (const auto& [side, count] : sides) {
        auto back = sides.find({side.second, side.first});
        if (back == sides.end() || back->second != count) {
            return ::testing::AssertionFailure()
                   << "side " << side.first << "-" << side.second << " met " << count << " times, reversed "
                   << (back == sides.end() ? 0 : back->second) << " times";
        }
    }
    return ::testing::AssertionSuccess();
}

// The area the triangles cover on the screen, each counted whole.
double ProjectedArea(const TMetaballSurface& surface) {
    const std::vector<TMetaballVertex>& v = surface.Vertices();
    double area = 0.0;
    for (size_t t = 0; t + 2 < v.size(); t += 3) {
        area += std::abs((v[t + 1].X - v[t].X) * (v[t + 2].Y - v[t].Y) -
                         (v[t + 2].X - v[t].X) * (v[t + 1].Y - v[t].Y)) /
                2;
    }
    return area;
}

TEST(MarchingCubesTable, EveryCaseUsesExactlyTheEdgesItCutsAndComplementsCutAlike) {
    for (int cubeCase = 0; cubeCase < 256; ++cubeCase) {
        const uint16_t mask = MarchingCubesEdgeMask(cubeCase);
        EXPECT_EQ(mask, MarchingCubesEdgeMask(255 - cubeCase)) << cubeCase;
        const std::vector<int8_t>& triangles = MarchingCubesTriangles(cubeCase);
        EXPECT_EQ(triangles.size() % 3, 0u);
        uint16_t used = 0;
        for (int8_t e : triangles) {
            ASSERT_TRUE(e >= 0 && e < 12) << cubeCase;
            used |= static_cast<uint16_t>(1u << e);
        }
        EXPECT_EQ(used, mask) << "case " << cubeCase;
    }
    EXPECT_TRUE(MarchingCubesTriangles(0).empty());
    EXPECT_TRUE(MarchingCubesTriangles(255).empty());
}

// Random values inside a grid whose border lies below the threshold meet most of the cube cases,
// the ambiguous faces included, and must still give a closed surface.
TEST(MetaballSurface, ARandomFieldGivesAClosedSurface) {
    SetRandomSeed(7);
    TMetaballSurface surface(nullptr, "liquid/ice");
    surface.SetGrid(9, 9, 9);
    surface.SetSize(90, 90, 90);
    for (int k = 1; k < 9; ++k) {
        for (int j = 1; j < 9; ++j) {
            for (int i = 1; i < 9; ++i) {
                surface.SetValue(i, j, k, 2.0 * RandomFloat());
            }
        }
    }
    EXPECT_GT(surface.BuildTriangles(), 600);
    EXPECT_FALSE(surface.WasCut());
    EXPECT_TRUE(ClosedAndOriented(surface));
}

class SingleBall : public ::testing::Test {
protected:
    static constexpr double Strength = 30.0;
    static constexpr double Center = 50.0;

    SingleBall() {
        Surface.SetGrid(20, 20, 20);
        Surface.SetSize(100, 100, 100);
        Surface.Origin = {200, 300};
        Surface.Balls = {{Strength, static_cast<float>(Center), static_cast<float>(Center), 0.0f, true}};
        Surface.ComputeField(0.01);
        Surface.ComputeField(0.01);
    }

    // The field 0.9 s^2 / d^2 meets the threshold 1 at this distance.
    double Radius() const { return std::sqrt(0.9) * Strength; }

    TMetaballSurface Surface{nullptr, "liquid/ice"};
};

TEST_F(SingleBall, IsAClosedSurfaceCoveringItsDiscTwice) {
    const int triangles = Surface.BuildTriangles();
    int crossed = 0;
    for (int k = 0; k < 20; ++k) {
        for (int j = 0; j < 20; ++j) {
            for (int i = 0; i < 20; ++i) {
                int below = 0;
                for (int c = 0; c < 8; ++c) {
                    below += Surface.Point(i + (c & 1), j + ((c >> 1) & 1), k + (c >> 2)).Value < 1.0;
                }
                crossed += below != 0 && below != 8;
            }
        }
    }
    EXPECT_GE(triangles, crossed);
    EXPECT_LE(triangles, 4 * crossed);
    EXPECT_TRUE(ClosedAndOriented(Surface));
    // The front and the back half each cover the ball's disc once.
    const double disc = M_PI * Radius() * Radius();
    EXPECT_NEAR(ProjectedArea(Surface), 2 * disc, 0.05 * 2 * disc);
    for (const TMetaballVertex& v : Surface.Vertices()) {
        EXPECT_LE(std::hypot(v.X - 200 - Center, v.Y - 300 - Center), Radius() * 1.03);
        EXPECT_EQ(v.Z, 0.0f);
        EXPECT_EQ(v.Color, 0xFFFFFFFFu);
        EXPECT_TRUE(v.U >= 0 && v.U <= 1 && v.V >= 0 && v.V <= 1) << v.U << ", " << v.V;
    }
}

// Texture coordinates come from the normal, which points away from the ball: the left edge of
// the outline takes the left of the texture, the bottom edge its bottom.
TEST_F(SingleBall, NormalsAreUnitAndPointOutwardAndSteerTheTexture) {
    for (int k = 1; k < 20; ++k) {
        for (int j = 1; j < 20; ++j) {
            for (int i = 1; i < 20; ++i) {
                const TMetaballPoint& p = Surface.Point(i, j, k);
                if (i == 10 && j == 10 && k == 10) {
                    continue; // the ball's own centre, where the field has no slope
                }
                const auto& n = p.Normal;
                EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0, 1e-5);
                EXPECT_GT(n[0] * (p.X - Center) + n[1] * (p.Y - Center) + n[2] * p.Z, 0.0);
            }
        }
    }
    EXPECT_EQ(Surface.Point(0, 5, 5).Normal, (std::array<float, 3>{0, 0, 0}));
    Surface.BuildTriangles();
    for (const TMetaballVertex& v : Surface.Vertices()) {
        const double dx = v.X - 200 - Center;
        const double dy = v.Y - 300 - Center;
        if (std::hypot(dx, dy) > 0.9 * Radius() && std::abs(dx) > 0.2 * Radius()) {
            EXPECT_EQ(v.U > 0.5, dx > 0) << dx;
        }
        if (std::hypot(dx, dy) > 0.9 * Radius() && std::abs(dy) > 0.2 * Radius()) {
            EXPECT_EQ(v.V > 0.5, dy > 0) << dy;
        }
    }
}

class FieldRecorder : public TMetaballSurface {
public:
    using TMetaballSurface::TMetaballSurface;
    void Animate(double dt) override { Steps.push_back(dt); }
    std::vector<double> Steps;
};

TEST(MetaballSurface, ComputesTheFieldOnEverySecondCallWithTheTimeOfBoth) {
    FieldRecorder surface(nullptr, "liquid/ice");
    surface.SetGrid(4, 4, 4);
    surface.SetSize(40, 40, 40);
    surface.Balls = {{10.0, 20.0f, 20.0f, 0.0f, true}, {50.0, 0.0f, 0.0f, 0.0f, false}};
    surface.ComputeField(0.01);
    EXPECT_EQ(surface.FieldComputations(), 0);
    EXPECT_EQ(surface.Point(2, 2, 2).Value, 0.0);
    surface.ComputeField(0.02);
    surface.ComputeField(0.04);
    surface.ComputeField(0.03);
    EXPECT_EQ(surface.FieldComputations(), 2);
    ASSERT_EQ(surface.Steps.size(), 2u);
    EXPECT_DOUBLE_EQ(surface.Steps[0], 0.03);
    EXPECT_DOUBLE_EQ(surface.Steps[1], 0.07);
    // Only the active ball counts: 0.9 * 10^2 / 10^2 at a point 10 pixels from it.
    EXPECT_DOUBLE_EQ(surface.Point(3, 2, 2).Value, 0.9);
    // A point on a ball's centre stays finite.
    EXPECT_TRUE(std::isfinite(surface.Point(2, 2, 2).Value));
    surface.ClearBalls();
    EXPECT_EQ(surface.Balls.size(), 2u);
    EXPECT_FALSE(surface.Balls[0].Active);
    EXPECT_EQ(surface.Balls[0].Strength, 0.0);
}

// A surface with more vertices than the buffer holds is cut at the limit; the frame goes on.
TEST(MetaballSurface, StopsAddingTrianglesAtTheVertexLimit) {
    SetRandomSeed(3);
    TMetaballSurface surface(nullptr, "liquid/ice");
    surface.SetGrid(30, 30, 30);
    surface.SetSize(300, 300, 300);
    for (int k = 0; k <= 30; ++k) {
        for (int j = 0; j <= 30; ++j) {
            for (int i = 0; i <= 30; ++i) {
                surface.SetValue(i, j, k, 2.0 * RandomFloat());
            }
        }
    }
    EXPECT_EQ(surface.BuildTriangles(), TMetaballSurface::MaxVertices / 3);
    EXPECT_TRUE(surface.WasCut());
    EXPECT_EQ(surface.Vertices().size(), static_cast<size_t>(TMetaballSurface::MaxVertices));
}

class DrawnSurface : public ::testing::Test {
protected:
    DrawnSurface() {
        Device.SetMode(800, 600, 1.0);
        Art = test::MakeBlankArt(Device, Fonts, "MetaballTestArt",
                                 {{"test/Other", 1, 50, 30}, {"liquid/ice", 1, 64, 64}}, 256);
    }

    TGNullRenderBackend Backend;
    TGManualTickSource Ticks;
    TGGraphicsDevice Device{Backend, nullptr, Ticks, nullptr};
    TGNewXMLNode Fonts{"Fonts"};
    std::unique_ptr<TGResManager> Art;
};

// The whole surface, even a cut one, is one draw of a triangle list whose texture coordinates lie
// inside the texture's frame in the atlas.
TEST_F(DrawnSurface, DrawsOneTriangleListTexturedFromTheFrame) {
    TMetaballSurface surface(Art.get(), "liquid/ice");
    surface.SetDevice(&Device);
    surface.SetGrid(10, 10, 10);
    surface.SetSize(100, 100, 100);
    surface.Balls = {{20.0, 50.0f, 50.0f, 0.0f, true}};
    surface.ComputeField(0.01);
    surface.ComputeField(0.01);
    ASSERT_TRUE(Device.BeginFrame());
    surface.Draw();
    Device.EndFrame();
    const int triangles = static_cast<int>(surface.Vertices().size() / 3);
    EXPECT_GT(triangles, 20);
    EXPECT_EQ(Backend.ListDraws, 1);
    EXPECT_EQ(Backend.Triangles, triangles);
    EXPECT_EQ(Device.LastFrameStats().DrawCalls, 1);

    const TGSprite& frame = Art->GetSeq("liquid/ice").GetSprite(0);
    const TGRect rect = frame.GetTextureMapRect();
    const double size = frame.Pack().TextureWidth();
    const IGVertexBuffer& buffer = *Device.CommonVertexBuffer(vfXYZDiffuseTex1, 1, 24);
    const auto* drawn = reinterpret_cast<const TMetaballVertex*>(buffer.Data());
    for (int i = 0; i < triangles * 3; ++i) {
        EXPECT_GE(drawn[i].U * size, rect.Left);
        EXPECT_LE(drawn[i].U * size, rect.Right);
        EXPECT_GE(drawn[i].V * size, rect.Top);
        EXPECT_LE(drawn[i].V * size, rect.Bottom);
    }
}

} // namespace
} // namespace qm
