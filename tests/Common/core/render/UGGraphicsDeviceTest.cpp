#include "UGGraphicsDevice.h"
#include "TestHelpers.h"
#include "UGError.h"
#include "UGNullRenderBackend.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::ExpectError;

class GraphicsDevice : public ::testing::Test {
protected:
    GraphicsDevice() : Backend(512), Device(Backend, nullptr, Ticks, nullptr) { Device.SetMode(64, 48, 1.0); }

    TGNullRenderBackend Backend;
    TGManualTickSource Ticks;
    TGGraphicsDevice Device;
};

TEST_F(GraphicsDevice, ThousandNestedPushesSucceedAndTheNextOverflows) {
    for (int i = 0; i < TGGraphicsDevice::StackDepth; ++i) {
        Device.PushState();
    }
    EXPECT_EQ(Device.StateDepth(), 1000);
    ExpectError([&] { Device.PushState(); }, "TGGraphicsDevice.PushState: Stack overflow");
    EXPECT_EQ(Device.StateDepth(), 1000);
    for (int i = 0; i < TGGraphicsDevice::StackDepth; ++i) {
        Device.PopState();
    }
    ExpectError([&] { Device.PopState(); }, "TGGraphicsDevice.PopState: Empty stack");
}

TEST_F(GraphicsDevice, PopRestoresEveryField) {
    PGTexture target = Device.CreateTexture(8, 8, pfA8R8G8B8, true);
    PGTexture texture = Device.CreateTexture(8, 8, pfA4R4G4B4, false);
    PGVertexBuffer buffer = Device.CommonVertexBuffer(vfXYZDiffuse, 4, 16);
    TGDeviceStateRec& s = Device.State;
    s.BlendMode = bmAdd;
    s.RenderTarget = target;
    s.Viewport = TGRect{1, 2, 30, 40};
    s.ViewOffsetX = 3.5;
    s.ViewOffsetY = -7.25;
    s.VertexBuffer = buffer;
    for (int i = 0; i < TGDeviceStateRec::StageCount; ++i) {
        s.Stages[static_cast<size_t>(i)] = {i % 2 ? texture : nullptr, static_cast<TGTextureFilter>(i % 2),
                                            static_cast<TGColorOp>(i % 3)};
    }
    const TGDeviceStateRec saved = s;

    Device.PushState();
    s = TGDeviceStateRec();
    s.BlendMode = bmMul;
    s.Viewport = TGRect{0, 0, 5, 5};
    s.Stages[0] = {texture, tfPoint, coModulate};
    Device.PopState();

    EXPECT_EQ(s.BlendMode, saved.BlendMode);
    EXPECT_EQ(s.RenderTarget, saved.RenderTarget);
    EXPECT_EQ(s.Viewport, saved.Viewport);
    EXPECT_EQ(s.ViewOffsetX, saved.ViewOffsetX);
    EXPECT_EQ(s.ViewOffsetY, saved.ViewOffsetY);
    EXPECT_EQ(s.VertexBuffer, saved.VertexBuffer);
    EXPECT_EQ(s.Stages, saved.Stages);
    EXPECT_EQ(Device.StateDepth(), 0);
}

struct ApplyCase {
    const char* Name;
    std::function<void(TGDeviceStateRec&, const PGTexture&)> Change;
    std::vector<std::string> Calls;
};
void PrintTo(const ApplyCase& c, std::ostream* os) {
    *os << c.Name;
}

class GraphicsDeviceApply : public GraphicsDevice, public ::testing::WithParamInterface<ApplyCase> {};

TEST_P(GraphicsDeviceApply, SendsOnlyTheChangedField) {
    PGTexture texture = Device.CreateTexture(4, 4, pfA8R8G8B8, true);
    Device.State.VertexBuffer = Device.CommonVertexBuffer(vfXYZDiffuseTex1, 4, 24);
    Device.ApplyState(false);
    Backend.Calls.clear();
    Device.ApplyState(false);
    EXPECT_TRUE(Backend.Calls.empty());

    GetParam().Change(Device.State, texture);
    Device.ApplyState(false);
    EXPECT_EQ(Backend.Calls, GetParam().Calls);

    // Everything is sent after ClearScene, changed or not.
    Backend.Calls.clear();
    TGGraphicsDevice::TGApplyCounts before = Device.ApplyCounts();
    ASSERT_TRUE(Device.BeginFrame());
    Device.ClearScene();
    Device.EndFrame();
    EXPECT_EQ(Backend.Calls.size(), 4u + TGDeviceStateRec::StageCount);
    EXPECT_EQ(Device.ApplyCounts().RenderTarget, before.RenderTarget + 1);
    EXPECT_EQ(Device.ApplyCounts().Viewport, before.Viewport + 1);
    EXPECT_EQ(Device.ApplyCounts().VertexFormat, before.VertexFormat + 1);
    EXPECT_EQ(Device.ApplyCounts().BlendMode, before.BlendMode + 1);
    EXPECT_EQ(Device.ApplyCounts().Stages, before.Stages + TGDeviceStateRec::StageCount);
    EXPECT_EQ(Backend.Clears, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, GraphicsDeviceApply,
    ::testing::Values(
        ApplyCase{
            "Blend", [](TGDeviceStateRec& s, const PGTexture&) { s.BlendMode = bmIntense; }, {"blend 4"}},
        ApplyCase{"Target", [](TGDeviceStateRec& s, const PGTexture& t) { s.RenderTarget = t; }, {"target"}},
        ApplyCase{
            "Viewport", [](TGDeviceStateRec& s, const PGTexture&) { s.Viewport.Right = 10; }, {"viewport"}},
        ApplyCase{
            "ViewOffset", [](TGDeviceStateRec& s, const PGTexture&) { s.ViewOffsetY = 2; }, {"viewport"}},
        ApplyCase{"StageTexture",
                  [](TGDeviceStateRec& s, const PGTexture& t) { s.Stages[3].Texture = t; },
                  {"stage 3 texture filter 0 op 0"}},
        ApplyCase{"StageFilter",
                  [](TGDeviceStateRec& s, const PGTexture&) { s.Stages[5].Filter = tfPoint; },
                  {"stage 5 none filter 1 op 0"}},
        ApplyCase{"StageOp",
                  [](TGDeviceStateRec& s, const PGTexture&) { s.Stages[0].ColorOp = coDiffuse; },
                  {"stage 0 none filter 0 op 1"}},
        ApplyCase{"Nothing", [](TGDeviceStateRec&, const PGTexture&) {}, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GraphicsDevice, AnotherVertexBufferOfTheSameFormatIsSentAgain) {
    Device.State.VertexBuffer = Device.CommonVertexBuffer(vfXYZDiffuse, 4, 16);
    Device.ApplyState(false);
    Backend.Calls.clear();
    Device.State.VertexBuffer = Device.CommonVertexBuffer(vfXYZDiffuseTex1, 4, 24);
    Device.ApplyState(false);
    EXPECT_EQ(Backend.Calls, std::vector<std::string>{"format 1"});
}

struct FormatCase {
    bool SixteenBit;
    int Requested;
    int Expected;
};
void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << (c.SixteenBit ? "16-bit " : "32-bit ") << c.Requested;
}

class GraphicsDeviceFormat : public GraphicsDevice, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(GraphicsDeviceFormat, AdjustFormatFollowsTheColourDepth) {
    Device.Set16BitMode(GetParam().SixteenBit);
    EXPECT_EQ(Device.AdjustFormat(GetParam().Requested), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, GraphicsDeviceFormat,
    ::testing::Values(FormatCase{true, pfA1R5G5B5, pfA1R5G5B5}, FormatCase{true, pfA4R4G4B4, pfA4R4G4B4},
                      FormatCase{true, pfA8R8G8B8, pfA4R4G4B4}, FormatCase{false, pfA1R5G5B5, pfA8R8G8B8},
                      FormatCase{false, pfA4R4G4B4, pfA8R8G8B8}, FormatCase{false, pfA8R8G8B8, pfA8R8G8B8}));

TEST_F(GraphicsDevice, AdjustFormatRejectsUnknownFormatsInBothModes) {
    for (bool sixteen : {false, true}) {
        Device.Set16BitMode(sixteen);
        for (int format : {-1, 3}) {
            ExpectError([&] { Device.AdjustFormat(format); }, "TGGraphicsDevice.AdjustFormat failed");
        }
    }
}

TEST_F(GraphicsDevice, CreateTextureRejectsSizesAboveTheRendererLimitAndUnknownFormats) {
    EXPECT_NE(Device.CreateTexture(512, 512, pfA8R8G8B8, false), nullptr);
    for (auto [width, height] : {std::pair{513, 8}, std::pair{8, 513}, std::pair{0, 8}}) {
        ExpectError([&] { Device.CreateTexture(width, height, pfA8R8G8B8, false); },
                    "TGGraphicsDevice.CreateTexture failed");
    }
    ExpectError([&] { Device.CreateTexture(8, 8, 3, false); },
                "TGTexture.CreateD3DTexture: Invalid pixel format");
    EXPECT_EQ(Backend.TexturesCreated, 1);
    EXPECT_FALSE(Device.OutOfVideoMemory());
}

struct RefusalCase {
    const char* Name;
    int Format;
    int Refusals;
    int ExpectedFormat; // -1: out of video memory
};
void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.Name;
}

class GraphicsDeviceRefusal : public GraphicsDevice, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(GraphicsDeviceRefusal, RetriesOnceAsA8R8G8B8ThenRunsOutOfVideoMemory) {
    const RefusalCase& c = GetParam();
    Backend.RefuseTextures = c.Refusals;
    if (c.ExpectedFormat < 0) {
        ExpectError([&] { Device.CreateTexture(16, 16, c.Format, false); }, "Out of video memory");
        EXPECT_TRUE(Device.OutOfVideoMemory());
        EXPECT_EQ(Backend.TexturesCreated, 0);
    } else {
        PGTexture texture = Device.CreateTexture(16, 16, c.Format, false);
        EXPECT_EQ(texture->Format(), c.ExpectedFormat);
        EXPECT_FALSE(Device.OutOfVideoMemory());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, GraphicsDeviceRefusal,
                         ::testing::Values(RefusalCase{"Accepted", pfA4R4G4B4, 0, pfA4R4G4B4},
                                           RefusalCase{"A4R4G4B4Retried", pfA4R4G4B4, 1, pfA8R8G8B8},
                                           RefusalCase{"A1R5G5B5Retried", pfA1R5G5B5, 1, pfA8R8G8B8},
                                           RefusalCase{"RetryRefused", pfA4R4G4B4, 2, -1},
                                           RefusalCase{"A8R8G8B8NotRetried", pfA8R8G8B8, 1, -1}),
                         [](const auto& info) { return std::string(info.param.Name); });

// The developer's check of the card: one shortage is met by evicting the managed textures and
// trying again; a second one stays, as any shortage does.
TEST_F(GraphicsDevice, TheMemoryProbeFillsTheCardOnceMoreAfterEvictingAndThenGivesUp) {
    const std::vector<std::string> figures = {"---------------", "Local video memory: 512 MB",
                                              "Non-local video memory: 512 MB", "Texture memory: 512 MB"};
    auto lines = [&figures](std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const std::vector<std::string>& part : parts) {
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    };
    const std::vector<std::string> shortage = {"Out of video memory after 0 textures"};
    const std::vector<std::string> evicted = {"Managed textures evicted"};
    struct TCase {
        int Refusals;
        int Created;
        int Evictions;
        bool OutOfMemory;
        std::vector<std::string> Log;
    };
    const std::vector<TCase> cases = {
        {0, 10, 0, false, lines({{"Trying 2 MB"}, figures, {"The textures fit"}})},
        {1, 10, 1, false,
         lines({{"Trying 2 MB"}, figures, shortage, figures, evicted, figures, {"The textures fit"}})},
        {2, 0, 1, true, lines({{"Trying 2 MB"}, figures, shortage, figures, evicted, figures})},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Refusals);
        TGNullRenderBackend backend(512);
        TGGraphicsDevice device(backend, nullptr, Ticks, nullptr);
        backend.RefuseTextures = c.Refusals;
        std::vector<std::string> log;
        auto probe = [&] {
            device.ProbeVideoMemory(2, [&log](const std::string& line) { log.push_back(line); });
        };
        if (c.OutOfMemory) {
            ExpectError(probe, "Out of video memory");
        } else {
            probe();
        }
        EXPECT_EQ(log, c.Log);
        EXPECT_EQ(backend.TexturesCreated, c.Created);
        EXPECT_EQ(std::count(backend.Calls.begin(), backend.Calls.end(), "evict"), c.Evictions);
        EXPECT_EQ(device.OutOfVideoMemory(), c.OutOfMemory);
    }
}

TEST_F(GraphicsDevice, CommonVertexBufferGrowsButNeverShrinksAndKeepsItsStride) {
    PGVertexBuffer small = Device.CommonVertexBuffer(vfXYZDiffuse, 4, 16);
    EXPECT_EQ(Device.CommonVertexBuffer(vfXYZDiffuse, 4, 16), small);
    PGVertexBuffer grown = Device.CommonVertexBuffer(vfXYZDiffuse, 10, 16);
    EXPECT_NE(grown, small);
    EXPECT_EQ(grown->Capacity(), 10);
    EXPECT_EQ(Device.CommonVertexBuffer(vfXYZDiffuse, 6, 16), grown);
    EXPECT_EQ(grown->Capacity(), 10);
    PGVertexBuffer other = Device.CommonVertexBuffer(vfXYZDiffuseTex1, 4, 24);
    EXPECT_NE(other, grown);
    EXPECT_EQ(other->Stride(), 24);
    ExpectError([&] { Device.CommonVertexBuffer(vfXYZDiffuse, 4, 24); },
                "TGGraphicsDevice.CommonVertexBuffer failed");
}

TEST_F(GraphicsDevice, FillRectDrawsTwoTrianglesHalfAPixelUpLeftAndLeavesTheStateAsItWas) {
    Device.State.BlendMode = bmMul;
    ASSERT_TRUE(Device.BeginFrame());
    Device.FillRect({10, 20}, {30, 40}, 0x80FF0000u);
    EXPECT_EQ(Backend.Draws, 0) << "the quad waits in the batch";
    Device.EndFrame();
    EXPECT_EQ(Backend.Draws, 1);
    EXPECT_EQ(Backend.Triangles, 2);
    EXPECT_EQ(Device.State.BlendMode, bmMul);
    EXPECT_EQ(Device.State.VertexBuffer, nullptr);
    EXPECT_EQ(Device.StateDepth(), 0);

    struct Vertex {
        float X, Y, Z;
        uint32_t Color;
    };
    Vertex v[4];
    std::memcpy(v, Device.CommonVertexBuffer(vfXYZDiffuse, 4, 16)->Data(), sizeof(v));
    const float expected[4][2] = {{9.5f, 39.5f}, {29.5f, 39.5f}, {9.5f, 19.5f}, {29.5f, 19.5f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i].X, expected[i][0]) << i;
        EXPECT_EQ(v[i].Y, expected[i][1]) << i;
        EXPECT_EQ(v[i].Z, 0.0f) << i;
        EXPECT_EQ(v[i].Color, 0x80FF0000u) << i;
    }
    // FillRect draws with Default blending and the next draw sends the caller's mode again.
    Device.ApplyState(false);
    EXPECT_EQ(std::count(Backend.Calls.begin(), Backend.Calls.end(), "blend 1"), 1);
    EXPECT_EQ(Backend.Calls.back(), "blend 3");
}

TEST_F(GraphicsDevice, AFailedDrawIsRememberedAndTheFrameGoesOn) {
    ASSERT_TRUE(Device.BeginFrame());
    Device.FillRect({0, 0}, {1, 1}, 0xFFFFFFFFu);
    Device.EndFrame();
    EXPECT_FALSE(Device.DrawFailed());
    Backend.FailDraws = true;
    ASSERT_TRUE(Device.BeginFrame());
    Device.FillRect({0, 0}, {2, 2}, 0xFFFFFFFFu);
    Device.EndFrame();
    EXPECT_TRUE(Device.DrawFailed());
    EXPECT_EQ(Backend.Draws, 2);
}

// Logs the renderer calls in order, with the vertices of every draw.
class LoggingBackend : public TGNullRenderBackend {
public:
    LoggingBackend() : TGNullRenderBackend(512) {}
    bool DrawStrip(const uint8_t* vertices, int stride, int triangles) override {
        Calls.push_back("draw " + std::to_string(triangles));
        const auto* v = reinterpret_cast<const float*>(vertices);
        std::vector<float> xs;
        for (int i = 0; i < triangles + 2; ++i) {
            xs.push_back(v[static_cast<size_t>(i) * static_cast<size_t>(stride) / sizeof(float)]);
        }
        Strips.push_back(xs);
        return TGNullRenderBackend::DrawStrip(vertices, stride, triangles);
    }
    bool DrawTriangles(const uint8_t* vertices, int stride, int triangles) override {
        Calls.push_back("list " + std::to_string(triangles));
        Strips.push_back(Xs(vertices, stride, triangles * 3));
        return TGNullRenderBackend::DrawTriangles(vertices, stride, triangles);
    }
    static std::vector<float> Xs(const uint8_t* vertices, int stride, int count) {
        std::vector<float> xs;
        for (int i = 0; i < count; ++i) {
            float x = 0;
            std::memcpy(&x, vertices + static_cast<size_t>(i) * static_cast<size_t>(stride), sizeof(x));
            xs.push_back(x);
        }
        return xs;
    }
    std::vector<uint32_t> ReadBackBuffer() override {
        Calls.push_back("read back");
        return TGNullRenderBackend::ReadBackBuffer();
    }
    std::vector<std::vector<float>> Strips;
};

class GraphicsDeviceBatch : public ::testing::Test {
public:
    GraphicsDeviceBatch() : Device(Backend, nullptr, Ticks, nullptr) {
        Device.SetMode(64, 48, 1.0);
        A = Device.CreateTexture(4, 4, pfA8R8G8B8, false);
        B = Device.CreateTexture(4, 4, pfA8R8G8B8, false);
    }

    // A strip of `vertices` vertices whose x coordinates are first, first + 1, ...
    void Strip(float first, int vertices = 4) {
        PGVertexBuffer buffer = Device.CommonVertexBuffer(vfXYZDiffuseTex1, 16, 24);
        uint8_t* bits = buffer->Lock(vertices, true);
        for (int i = 0; i < vertices; ++i) {
            float x = first + static_cast<float>(i);
            std::memcpy(bits + static_cast<size_t>(i) * 24, &x, sizeof(x));
        }
        buffer->Unlock();
        Device.State.VertexBuffer = buffer;
        Device.DrawStrip(vertices - 2);
    }
    // A list of `triangles` triangles whose vertices' x coordinates are first, first + 1, ...
    void List(float first, int triangles) {
        PGVertexBuffer buffer = Device.CommonVertexBuffer(vfXYZDiffuseTex1, 16, 24);
        uint8_t* bits = buffer->Lock(triangles * 3, true);
        for (int i = 0; i < triangles * 3; ++i) {
            float x = first + static_cast<float>(i);
            std::memcpy(bits + static_cast<size_t>(i) * 24, &x, sizeof(x));
        }
        buffer->Unlock();
        Device.State.VertexBuffer = buffer;
        Device.DrawTriangles(triangles);
    }
    std::vector<std::string> Draws() const {
        std::vector<std::string> draws;
        std::copy_if(Backend.Calls.begin(), Backend.Calls.end(), std::back_inserter(draws),
                     [](const std::string& call) {
                         return call.rfind("draw", 0) == 0 || call.rfind("list", 0) == 0 ||
                                call == "read back";
                     });
        return draws;
    }

    LoggingBackend Backend;
    TGManualTickSource Ticks;
    TGGraphicsDevice Device;
    PGTexture A;
    PGTexture B;
};

struct BatchCase {
    const char* Name;
    std::function<void(TGGraphicsDevice&, const PGTexture&, const PGTexture&)> Between;
    std::vector<std::string> Draws;
};
void PrintTo(const BatchCase& c, std::ostream* os) {
    *os << c.Name;
}

class GraphicsDeviceBatchCases : public GraphicsDeviceBatch,
                                 public ::testing::WithParamInterface<BatchCase> {};

// Three quads, with something done before the third: what shares the state goes into one
// draw call; a change of state or a read-back sends the batch first.
TEST_P(GraphicsDeviceBatchCases, QuadsShareADrawCallUntilTheStateChanges) {
    Device.State.Stages[0].Texture = A;
    ASSERT_TRUE(Device.BeginFrame());
    Strip(0);
    Strip(10);
    GetParam().Between(Device, A, B);
    Strip(20);
    Device.EndFrame();
    EXPECT_EQ(Draws(), GetParam().Draws);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, GraphicsDeviceBatchCases,
    ::testing::Values(
        BatchCase{"Nothing", [](TGGraphicsDevice&, const PGTexture&, const PGTexture&) {}, {"draw 14"}},
        BatchCase{
            "SameTextureAgain",
            [](TGGraphicsDevice& d, const PGTexture& a, const PGTexture&) { d.State.Stages[0].Texture = a; },
            {"draw 14"}},
        BatchCase{
            "Texture",
            [](TGGraphicsDevice& d, const PGTexture&, const PGTexture& b) { d.State.Stages[0].Texture = b; },
            {"draw 8", "draw 2"}},
        BatchCase{
            "SecondStage",
            [](TGGraphicsDevice& d, const PGTexture&, const PGTexture& b) { d.State.Stages[1].Texture = b; },
            {"draw 8", "draw 2"}},
        BatchCase{"Blend",
                  [](TGGraphicsDevice& d, const PGTexture&, const PGTexture&) { d.State.BlendMode = bmAdd; },
                  {"draw 8", "draw 2"}},
        BatchCase{"ColorOp",
                  [](TGGraphicsDevice& d, const PGTexture&, const PGTexture&) {
                      d.State.Stages[0].ColorOp = coModulate;
                  },
                  {"draw 8", "draw 2"}},
        BatchCase{"Filter",
                  [](TGGraphicsDevice& d, const PGTexture&, const PGTexture&) {
                      d.State.Stages[0].Filter = tfPoint;
                  },
                  {"draw 8", "draw 2"}},
        BatchCase{"Target",
                  [](TGGraphicsDevice& d, const PGTexture&, const PGTexture&) {
                      d.State.RenderTarget = d.CreateTexture(8, 8, pfA8R8G8B8, true);
                  },
                  {"draw 8", "draw 2"}},
        BatchCase{"ViewOffset",
                  [](TGGraphicsDevice& d, const PGTexture&, const PGTexture&) { d.State.ViewOffsetX = 1; },
                  {"draw 8", "draw 2"}},
        BatchCase{"ReadBack",
                  [](TGGraphicsDevice& d, const PGTexture&, const PGTexture&) { d.ReadBackBuffer(); },
                  {"draw 8", "read back", "draw 2"}},
        BatchCase{"PushAndPopAroundNothing",
                  [](TGGraphicsDevice& d, const PGTexture&, const PGTexture&) {
                      TGStateGuard guard(d);
                      d.State.BlendMode = bmMul;
                  },
                  {"draw 14"}}),
    [](const auto& info) { return std::string(info.param.Name); });

// Strips are joined by repeating the last vertex of one and the first of the next, and every
// strip starts on an even vertex so that its triangles keep their own vertex order.
TEST_F(GraphicsDeviceBatch, JoinedStripsKeepTheirVertexOrder) {
    ASSERT_TRUE(Device.BeginFrame());
    Strip(0, 4);
    Strip(10, 3);
    Strip(20, 4);
    Device.EndFrame();
    ASSERT_EQ(Backend.Strips.size(), 1u);
    const std::vector<float> expected = {0, 1, 2, 3, 3, 10, 10, 11, 12, 12, 20, 20, 20, 21, 22, 23};
    EXPECT_EQ(Backend.Strips[0], expected);
}

// Triangle lists join by following each other; a strip between them ends the batch, as does a
// change of state.
TEST_F(GraphicsDeviceBatch, TriangleListsJoinOnlyWithListsUnderTheSameState) {
    Device.State.Stages[0].Texture = A;
    ASSERT_TRUE(Device.BeginFrame());
    List(0, 1);
    List(10, 2);
    Strip(30);
    List(40, 1);
    Device.State.Stages[0].Texture = B;
    List(50, 1);
    Device.EndFrame();
    EXPECT_EQ(Draws(), (std::vector<std::string>{"list 3", "draw 2", "list 1", "list 1"}));
    ASSERT_EQ(Backend.Strips.size(), 4u);
    EXPECT_EQ(Backend.Strips[0], (std::vector<float>{0, 1, 2, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(Backend.Strips[2], (std::vector<float>{40, 41, 42}));
    EXPECT_EQ(Device.LastFrameStats().DrawCalls, 4);
    EXPECT_EQ(Backend.ListDraws, 3);
    EXPECT_FALSE(Device.DrawFailed());
}

TEST_F(GraphicsDeviceBatch, AListLongerThanItsBufferFailsAndDrawsNothing) {
    PGVertexBuffer buffer = Device.CommonVertexBuffer(vfXYZDiffuseTex1, 5, 24);
    Device.State.VertexBuffer = buffer;
    Device.DrawTriangles(2);
    EXPECT_TRUE(Device.DrawFailed());
    EXPECT_TRUE(Draws().empty());
}

// A renderer without lists of its own draws each triangle as a strip of one.
TEST_F(GraphicsDeviceBatch, TheRendererFallbackDrawsOneStripPerTriangle) {
    std::vector<uint8_t> vertices(6 * 24);
    for (int i = 0; i < 6; ++i) {
        auto x = static_cast<float>(i);
        std::memcpy(vertices.data() + static_cast<size_t>(i) * 24, &x, sizeof(x));
    }
    EXPECT_TRUE(Backend.IGRenderBackend::DrawTriangles(vertices.data(), 24, 2));
    EXPECT_EQ(Draws(), (std::vector<std::string>{"draw 1", "draw 1"}));
    EXPECT_EQ(Backend.Strips, (std::vector<std::vector<float>>{{0, 1, 2}, {3, 4, 5}}));
}

TEST_F(GraphicsDeviceBatch, ALockedTextureGetsTheDrawsMadeBeforeItsNewTexels) {
    Device.State.Stages[0].Texture = A;
    ASSERT_TRUE(Device.BeginFrame());
    Strip(0);
    {
        TGLockGuard lock(*A, true);
        Backend.Calls.push_back("upload");
    }
    Strip(10);
    Device.EndFrame();
    std::vector<std::string> order;
    std::copy_if(Backend.Calls.begin(), Backend.Calls.end(), std::back_inserter(order),
                 [](const std::string& call) { return call.rfind("draw", 0) == 0 || call == "upload"; });
    EXPECT_EQ(order, (std::vector<std::string>{"draw 2", "upload", "draw 2"}));
}

TEST_F(GraphicsDeviceBatch, OutsideASceneEveryStripIsDrawnAtOnce) {
    Strip(0);
    EXPECT_EQ(Draws(), std::vector<std::string>{"draw 2"});
}

struct RepeatCase {
    const char* Name;
    std::function<void(GraphicsDeviceBatch&)> BeforeSecond;
    bool SecondDrawn;
};
void PrintTo(const RepeatCase& c, std::ostream* os) {
    *os << c.Name;
}

class GraphicsDeviceRepeat : public GraphicsDeviceBatch, public ::testing::WithParamInterface<RepeatCase> {
public:
    void Frame(float first) {
        Device.State.Stages[0].Texture = A;
        ASSERT_TRUE(Device.BeginFrame());
        Device.ClearScene();
        Strip(first);
        Device.EndFrame();
        Device.PresentFrame();
    }
    float First = 0;
};

// A scene that repeats the last presented one is neither sent nor presented, unless
// something it cannot see has changed.
TEST_P(GraphicsDeviceRepeat, ASceneLikeTheLastIsNotSentAgain) {
    // The first scene leaves the state that the next ones start from.
    Frame(0);
    Frame(0);
    EXPECT_TRUE(Device.LastFrameStats().Submitted);
    int draws = Backend.Draws;
    int presents = Backend.Presents;
    GetParam().BeforeSecond(*this);
    Frame(First);
    bool drawn = GetParam().SecondDrawn;
    EXPECT_EQ(Device.LastFrameStats().Submitted, drawn);
    EXPECT_EQ(Backend.Draws - draws, drawn ? 1 : 0);
    EXPECT_EQ(Backend.Presents - presents, drawn ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GraphicsDeviceRepeat,
    ::testing::Values(
        RepeatCase{"Same", [](GraphicsDeviceBatch&) {}, false},
        RepeatCase{"OtherVertices",
                   [](GraphicsDeviceBatch& t) { static_cast<GraphicsDeviceRepeat&>(t).First = 1; }, true},
        RepeatCase{"Exposed", [](GraphicsDeviceBatch& t) { t.Device.InvalidateFrame(); }, true},
        RepeatCase{"TexelsChanged", [](GraphicsDeviceBatch& t) { TGLockGuard lock(*t.A, true); }, true},
        RepeatCase{"TexelsOnlyRead", [](GraphicsDeviceBatch& t) { TGLockGuard lock(*t.A, false); }, false},
        RepeatCase{"SkippingOff", [](GraphicsDeviceBatch& t) { t.Device.SetSkipSameFrames(false); }, true},
        RepeatCase{"DeviceReset", [](GraphicsDeviceBatch& t) { t.Device.ResetDevice(false); }, true}),
    [](const auto& info) { return std::string(info.param.Name); });

// A scene is known by a hash of what it sends; one coordinate of one vertex moved by the least
// step a float has, early, midway or last in a long scene, makes it a new scene.
TEST_F(GraphicsDeviceBatch, ASceneThatDiffersInOneVertexIsSentAgain) {
    constexpr int Quads = 300;
    auto scene = [&](int moved) {
        Device.State.Stages[0].Texture = A;
        ASSERT_TRUE(Device.BeginFrame());
        Device.ClearScene();
        for (int i = 0; i < Quads; ++i) {
            const auto first = static_cast<float>(4 * i);
            Strip(i == moved ? std::nextafter(first, 1e9f) : first);
        }
        Device.EndFrame();
        Device.PresentFrame();
    };
    scene(-1);
    for (int moved : {0, Quads / 2, Quads - 1}) {
        scene(moved);
        EXPECT_TRUE(Device.LastFrameStats().Submitted) << "quad " << moved;
        scene(moved);
        EXPECT_FALSE(Device.LastFrameStats().Submitted) << "quad " << moved << " again";
    }
}

// An unseen scene sends what it draws into a render target, which a later scene may show, but
// nothing of the back buffer, and presents nothing; the next seen scene is sent and presented
// even when it is the same as the last one seen, whose picture the back buffer no longer holds.
TEST_F(GraphicsDeviceBatch, AnUnseenSceneDrawsOnlyIntoRenderTargets) {
    PGTexture target = Device.CreateTexture(8, 8, pfA8R8G8B8, true);
    auto scene = [&] {
        Device.State.Stages[0].Texture = A;
        ASSERT_TRUE(Device.BeginFrame());
        Device.ClearScene();
        Strip(0);
        Device.PushState();
        Device.State.RenderTarget = target;
        Strip(100);
        Device.PopState();
        Strip(200);
        Device.EndFrame();
        Device.PresentFrame();
    };
    scene();
    const int presents = Backend.Presents;
    const int clears = Backend.Clears;
    Backend.Strips.clear();
    Device.SetFramesUnseen(true);
    scene();
    EXPECT_EQ(Backend.Strips, (std::vector<std::vector<float>>{{100, 101, 102, 103}}));
    EXPECT_EQ(Backend.Presents, presents);
    EXPECT_EQ(Backend.Clears, clears);

    Backend.Strips.clear();
    Device.SetFramesUnseen(false);
    scene();
    EXPECT_TRUE(Device.LastFrameStats().Submitted);
    EXPECT_EQ(Backend.Strips.size(), 3u);
    EXPECT_EQ(Backend.Presents, presents + 1);
}

TEST_F(GraphicsDeviceBatch, CountsDrawCallsAndTextureSwitchesOfTheScene) {
    ASSERT_TRUE(Device.BeginFrame());
    Device.ClearScene();
    for (int i = 0; i < 5; ++i) {
        Device.State.Stages[0].Texture = i % 2 ? B : A;
        Strip(static_cast<float>(i));
    }
    Device.State.Stages[0].Texture = A;
    Strip(9);
    // A change of blending alone splits the batch too.
    Device.State.BlendMode = bmAdd;
    Strip(10);
    Device.EndFrame();
    EXPECT_EQ(Device.LastFrameStats().DrawCalls, 6);
    EXPECT_EQ(Device.LastFrameStats().TextureSwitches, 5);
    EXPECT_EQ(Device.LastFrameStats().BlendChanges, 2) << "the first call and the change to adding";
    EXPECT_EQ(Backend.Draws, 6);
}

TEST_F(GraphicsDevice, ForcedLossRunsLostThenRestoreAndSkipsOneFrame) {
    std::vector<std::string> events;
    int owner = 0;
    Device.RegisterLostRestore(
        &owner, [&] { events.push_back("lost"); }, [&] { events.push_back("restore"); });
    PGTexture target = Device.CreateTexture(4, 4, pfA8R8G8B8, true);
    int created = Backend.TexturesCreated;
    Device.State.RenderTarget = target;

    Device.ForceDeviceLost();
    EXPECT_FALSE(Device.BeginFrame());
    EXPECT_EQ(events, (std::vector<std::string>{"lost", "restore"}));
    EXPECT_EQ(Backend.TexturesCreated, created + 1); // the render target came back
    EXPECT_EQ(Device.State.RenderTarget, nullptr);
    EXPECT_EQ(Device.State.Viewport, (TGRect{0, 0, 64, 48}));
    EXPECT_TRUE(Device.BeginFrame());
    Device.EndFrame();
    EXPECT_EQ(Backend.Scenes, 1);

    // Owners that go away are not called again, a destroyed render target included.
    Device.UnregisterLostRestore(&owner);
    target.reset();
    Device.ForceDeviceLost();
    EXPECT_FALSE(Device.BeginFrame());
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(Backend.TexturesCreated, created + 1);
}

TEST_F(GraphicsDevice, APresentThatLosesTheDisplayMarksTheDeviceLost) {
    ASSERT_TRUE(Device.BeginFrame());
    Device.EndFrame();
    Device.PresentFrame();
    EXPECT_FALSE(Device.DeviceLost());
    Backend.LoseOnPresent = true;
    Device.PresentFrame();
    EXPECT_TRUE(Device.DeviceLost());
    EXPECT_FALSE(Device.BeginFrame());
    EXPECT_FALSE(Device.DeviceLost());
}

TEST_F(GraphicsDevice, VideoMemoryKnowsThreeKindsAndFallsBackWhenTheRendererCannotTell) {
    for (TGMemoryKind kind : {mkLocal, mkNonLocal, mkTexture}) {
        EXPECT_EQ(Device.GetVideoMem(kind), TGGraphicsDevice::DefaultVideoMemory);
    }
    // A kind read from elsewhere may be out of range.
    for (int kind : {-1, 3}) {
        ExpectError([&] { Device.GetVideoMem(static_cast<TGMemoryKind>(kind)); },
                    "TGGraphicsDevice.GetVideoMem failed");
    }
}

struct LockCase {
    const char* Name;
    TGRect Rect;
    bool Valid;
};
void PrintTo(const LockCase& c, std::ostream* os) {
    *os << c.Name;
}

class GraphicsDeviceLock : public GraphicsDevice, public ::testing::WithParamInterface<LockCase> {};

TEST_P(GraphicsDeviceLock, LockChecksTheRectangleAgainstTheTexture) {
    PGTexture texture = Device.CreateTexture(8, 4, pfA1R5G5B5, false);
    const LockCase& c = GetParam();
    if (!c.Valid) {
        EXPECT_THROW(texture->Lock(&c.Rect, true), EGError);
        return;
    }
    TGLockedRect locked = texture->Lock(&c.Rect, true);
    EXPECT_EQ(locked.Pitch, 16);
    TGLockedRect whole = {};
    ExpectError([&] { whole = texture->Lock(nullptr, false); },
                "TGTexture.Lock: the texture is already locked");
    texture->Unlock();
    whole = texture->Lock(nullptr, false);
    EXPECT_EQ(locked.Bits - whole.Bits, c.Rect.Top * 16 + c.Rect.Left * 2);
    texture->Unlock();
}

INSTANTIATE_TEST_SUITE_P(
    Rects, GraphicsDeviceLock,
    ::testing::Values(LockCase{"Whole", {0, 0, 8, 4}, true}, LockCase{"Inner", {1, 2, 5, 3}, true},
                      LockCase{"Empty", {4, 8, 8, 4}, true}, LockCase{"NegativeLeft", {0, -1, 8, 4}, false},
                      LockCase{"NegativeTop", {-1, 0, 8, 4}, false},
                      LockCase{"PastRight", {0, 0, 9, 4}, false}, LockCase{"PastBottom", {0, 0, 8, 5}, false},
                      LockCase{"Inverted", {0, 5, 4, 4}, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GraphicsDevice, OnlyAWritableLockHandsItsTexelsToTheRenderer) {
    // A render target reads its texels back from the renderer on every lock, which shows what
    // the renderer was given.
    PGTexture target = Device.CreateTexture(4, 2, pfA8R8G8B8, true);
    const TGRect row1{1, 0, 4, 2};
    auto* texels = reinterpret_cast<uint32_t*>(target->Lock(&row1, true).Bits);
    texels[2] = 0xFF123456u;
    target->Unlock();
    texels = reinterpret_cast<uint32_t*>(target->Lock(&row1, false).Bits);
    EXPECT_EQ(texels[2], 0xFF123456u);
    texels[2] = 0xFFABCDEFu;
    target->Unlock();
    texels = reinterpret_cast<uint32_t*>(target->Lock(nullptr, false).Bits);
    EXPECT_EQ(texels[4 + 2], 0xFF123456u);
    EXPECT_EQ(texels[2], 0u);
    target->Unlock();
}

} // namespace
} // namespace qm
