#include "UGGLRenderBackend.h"
#include "UGError.h"
#include "UGGraphicsDevice.h"
#include "UGSDLWindow.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/wait.h>

namespace qm {
namespace {

constexpr int Size = 64;
constexpr uint32_t Background = 0xFF406080u;

struct TexVertex {
    float X, Y, Z;
    uint32_t Color;
    float U, V;
};
static_assert(sizeof(TexVertex) == 24);

struct Quad {
    double Left, Top, Right, Bottom;
    uint32_t Color = 0xFFFFFFFFu;
    float U0 = 0, V0 = 0, U1 = 1, V1 = 1;
};

// Per channel, within one step.
::testing::AssertionResult Near(uint32_t actual, uint32_t expected) {
    for (int shift = 0; shift < 32; shift += 8) {
        int a = static_cast<int>((actual >> shift) & 0xFF);
        int e = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - e) > 1) {
            return ::testing::AssertionFailure()
                   << std::hex << "pixel 0x" << actual << ", expected 0x" << expected;
        }
    }
    return ::testing::AssertionSuccess();
}

class GLRender : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Window = new TGSDLWindow("qm_tests", Size, Size, true);
        Renderer = new TGGLRenderBackend(*Window);
    }
    static void TearDownTestSuite() {
        delete Renderer;
        delete Window;
        Renderer = nullptr;
        Window = nullptr;
    }

    void SetUp() override { Start(1.0); }
    void TearDown() override {
        if (Device) {
            Device->EndFrame();
        }
    }

    // A fresh device at the given scale, in a frame with a cleared back buffer.
    void Start(double scale) {
        Device.reset();
        Device = std::make_unique<TGGraphicsDevice>(*Renderer, Window, Ticks, nullptr);
        Device->SetMode(Size, Size, scale);
        ASSERT_TRUE(Device->BeginFrame());
        Device->ClearScene();
    }

    uint32_t At(int x, int y) { return Device->ReadBackBuffer()[static_cast<size_t>(y) * Size + x]; }

    // Every pixel inside the rectangle has `inside`, every other one `outside`.
    void ExpectRect(const TGRect& rect, uint32_t inside, uint32_t outside) {
        std::vector<uint32_t> pixels = Device->ReadBackBuffer();
        int wrong = 0;
        for (int y = 0; y < Size; ++y) {
            for (int x = 0; x < Size; ++x) {
                bool in = x >= rect.Left && x < rect.Right && y >= rect.Top && y < rect.Bottom;
                uint32_t expected = in ? inside : outside;
                if (pixels[static_cast<size_t>(y) * Size + x] != expected && wrong++ < 5) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is 0x" << std::hex
                                  << pixels[static_cast<size_t>(y) * Size + x] << ", expected 0x" << expected;
                }
            }
        }
        EXPECT_EQ(wrong, 0);
    }

    PGTexture MakeTexture(int width, int height, int format, const void* texels) {
        PGTexture texture = Device->CreateTexture(width, height, format, false);
        TGLockedRect locked = texture->Lock(nullptr, true);
        std::memcpy(locked.Bits, texels, static_cast<size_t>(width) * height * BytesPerPixel(format));
        texture->Unlock();
        return texture;
    }

    // A textured quad through the common buffer, with the -0.5 of FillRect.
    void DrawQuad(const Quad& q) {
        PGVertexBuffer buffer = Device->CommonVertexBuffer(vfXYZDiffuseTex1, 4, sizeof(TexVertex));
        auto* v = reinterpret_cast<TexVertex*>(buffer->Lock(4, true));
        auto x0 = static_cast<float>(q.Left - 0.5), x1 = static_cast<float>(q.Right - 0.5);
        auto y0 = static_cast<float>(q.Top - 0.5), y1 = static_cast<float>(q.Bottom - 0.5);
        v[0] = {x0, y1, 0, q.Color, q.U0, q.V1};
        v[1] = {x1, y1, 0, q.Color, q.U1, q.V1};
        v[2] = {x0, y0, 0, q.Color, q.U0, q.V0};
        v[3] = {x1, y0, 0, q.Color, q.U1, q.V0};
        buffer->Unlock();
        Device->State.VertexBuffer = buffer;
        Device->DrawStrip(2);
        EXPECT_FALSE(Device->DrawFailed());
    }

    void SetStage(int stage, const PGTexture& texture, TGTextureFilter filter, TGColorOp op) {
        Device->State.Stages[static_cast<size_t>(stage)] = {texture, filter, op};
    }

    static TGSDLWindow* Window;
    static TGGLRenderBackend* Renderer;
    TGManualTickSource Ticks;
    std::unique_ptr<TGGraphicsDevice> Device;
};

TGSDLWindow* GLRender::Window = nullptr;
TGGLRenderBackend* GLRender::Renderer = nullptr;

struct FillCase {
    const char* Name;
    double Scale;
    TGRect Viewport; // empty: the whole back buffer
    double OffsetX, OffsetY;
    TGPointD A, B;
    TGRect Covered;
};
void PrintTo(const FillCase& c, std::ostream* os) {
    *os << c.Name;
}

class GLRenderFill : public GLRender, public ::testing::WithParamInterface<FillCase> {};

TEST_P(GLRenderFill, FillRectCoversExactlyTheExpectedPixels) {
    const FillCase& c = GetParam();
    Start(c.Scale);
    if (c.Viewport.Width() > 0) {
        Device->State.Viewport = c.Viewport;
    }
    Device->State.ViewOffsetX = c.OffsetX;
    Device->State.ViewOffsetY = c.OffsetY;
    Device->FillRect(c.A, c.B, 0xFF20C040u);
    ExpectRect(c.Covered, 0xFF20C040u, 0u);
}

// TGRect is {top, left, right, bottom}.
INSTANTIATE_TEST_SUITE_P(
    Cases, GLRenderFill,
    ::testing::Values(
        FillCase{"Whole", 1, {}, 0, 0, {10, 10}, {20, 20}, {10, 10, 20, 20}},
        FillCase{"CornersGivenTheOtherWay", 1, {}, 0, 0, {20, 20}, {10, 10}, {10, 10, 20, 20}},
        FillCase{"Fractional", 1, {}, 0, 0, {5.25, 7.75}, {9.25, 12.75}, {8, 5, 9, 13}},
        FillCase{"ViewOffset", 1, {}, 10, 20, {2, 3}, {6, 5}, {23, 12, 16, 25}},
        FillCase{"Scale", 2, {}, 0, 0, {2.25, 3.25}, {6.25, 5.25}, {6, 4, 12, 10}},
        FillCase{"ScaleAndOffset", 2, {}, 3, 1, {2.25, 3.25}, {6.25, 5.25}, {8, 10, 18, 12}},
        FillCase{"Viewport", 1, {8, 16, 48, 40}, 0, 0, {2, 3}, {6, 5}, {11, 18, 22, 13}},
        FillCase{"ClippedToTheViewport", 1, {8, 16, 48, 40}, 0, 0, {-10, -10}, {100, 100}, {8, 16, 48, 40}}),
    [](const auto& info) { return std::string(info.param.Name); });

struct BlendCase {
    const char* Name;
    TGBlendMode Mode;
    uint32_t Expected;
};
void PrintTo(const BlendCase& c, std::ostream* os) {
    *os << c.Name;
}

class GLRenderBlend : public GLRender, public ::testing::WithParamInterface<BlendCase> {};

TEST_P(GLRenderBlend, BlendsTheVertexColourOverTheBackground) {
    Device->FillRect({0, 0}, {Size, Size}, Background);
    Device->State.BlendMode = GetParam().Mode;
    DrawQuad({8, 8, 24, 24, 0x80C02010u});
    EXPECT_TRUE(Near(At(8, 8), GetParam().Expected));
    EXPECT_TRUE(Near(At(23, 23), GetParam().Expected));
    EXPECT_EQ(At(24, 24), Background);
    EXPECT_EQ(At(7, 8), Background);
}

// Source 0x80C02010 over 0xFF406080; GL applies the colour factors to alpha as well.
INSTANTIATE_TEST_SUITE_P(Modes, GLRenderBlend,
                         ::testing::Values(BlendCase{"None", bmNone, 0x80C02010u},
                                           BlendCase{"Default", bmDefault, 0xBF804048u},
                                           BlendCase{"Add", bmAdd, 0xFFFF8090u},
                                           BlendCase{"Mul", bmMul, 0x80300C08u},
                                           BlendCase{"Intense", bmIntense, 0xFFA07088u}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GLRender, ATransparentTexelLeavesTheTargetUntouchedWhateverTheBlending) {
    const uint32_t texels[2] = {0x00FFFFFFu, 0xFF00FF00u};
    PGTexture texture = MakeTexture(2, 1, pfA8R8G8B8, texels);
    Device->FillRect({0, 0}, {Size, Size}, Background);
    SetStage(0, texture, tfPoint, coTexture);
    for (TGBlendMode mode : {bmNone, bmDefault, bmAdd, bmMul, bmIntense}) {
        int top = mode * 10;
        Device->State.BlendMode = mode;
        DrawQuad({0, static_cast<double>(top), 20, top + 10.0});
        EXPECT_EQ(At(0, top), Background) << "mode " << int(mode);
        EXPECT_EQ(At(9, top + 9), Background) << "mode " << int(mode);
        EXPECT_NE(At(10, top), Background) << "mode " << int(mode);
    }
    // A vertex alpha of 0 is just as transparent once combined.
    SetStage(0, texture, tfPoint, coModulate);
    Device->State.BlendMode = bmAdd;
    DrawQuad({30, 0, 50, 10, 0x00FFFFFFu});
    EXPECT_EQ(At(45, 5), Background);
}

struct OpCase {
    const char* Name;
    TGColorOp Op;
    bool SecondStage;
    uint32_t Expected;
};
void PrintTo(const OpCase& c, std::ostream* os) {
    *os << c.Name;
}

class GLRenderColorOp : public GLRender, public ::testing::WithParamInterface<OpCase> {};

TEST_P(GLRenderColorOp, TheHighestTexturedStageColours) {
    const uint32_t first = 0xFF8040C0u;
    const uint32_t second = 0xFF10E070u;
    PGTexture a = MakeTexture(1, 1, pfA8R8G8B8, &first);
    PGTexture b = MakeTexture(1, 1, pfA8R8G8B8, &second);
    Device->State.BlendMode = bmNone;
    if (GetParam().SecondStage) {
        SetStage(0, a, tfLinear, coModulate);
        SetStage(2, b, tfLinear, GetParam().Op);
    } else {
        SetStage(0, a, tfLinear, GetParam().Op);
    }
    DrawQuad({4, 4, 12, 12, 0xC0206080u});
    EXPECT_TRUE(Near(At(8, 8), GetParam().Expected));
}

INSTANTIATE_TEST_SUITE_P(Ops, GLRenderColorOp,
                         ::testing::Values(OpCase{"Texture", coTexture, false, 0xFF8040C0u},
                                           OpCase{"Diffuse", coDiffuse, false, 0xC0206080u},
                                           OpCase{"Modulate", coModulate, false, 0xC0101860u},
                                           OpCase{"SecondStageTexture", coTexture, true, 0xFF10E070u},
                                           OpCase{"SecondStageModulate", coModulate, true, 0xC0025438u}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GLRender, AVertexFormatWithoutTextureCoordinatesGivesTheVertexColour) {
    const uint32_t texel = 0xFF8040C0u;
    PGTexture texture = MakeTexture(1, 1, pfA8R8G8B8, &texel);
    SetStage(0, texture, tfLinear, coTexture);
    Device->FillRect({0, 0}, {4, 4}, 0xFF336699u);
    EXPECT_EQ(At(2, 2), 0xFF336699u);
}

// Two squares of two triangles each, far apart, in one list: drawn as a strip, the triangles
// joining them would cover the space between.
TEST_F(GLRender, ATriangleListDrawsOnlyItsOwnTriangles) {
    Device->FillRect({0, 0}, {Size, Size}, Background);
    const uint32_t texel = 0xFFFFFFFFu;
    SetStage(0, MakeTexture(1, 1, pfA8R8G8B8, &texel), tfPoint, coModulate);
    const TGRect squares[2] = {{4, 4, 12, 12}, {40, 44, 56, 60}};
    const uint32_t color = 0xFF20C040u;
    PGVertexBuffer buffer = Device->CommonVertexBuffer(vfXYZDiffuseTex1, 12, sizeof(TexVertex));
    auto* v = reinterpret_cast<TexVertex*>(buffer->Lock(12, true));
    for (const TGRect& r : squares) {
        auto x0 = static_cast<float>(r.Left - 0.5), x1 = static_cast<float>(r.Right - 0.5);
        auto y0 = static_cast<float>(r.Top - 0.5), y1 = static_cast<float>(r.Bottom - 0.5);
        *v++ = {x0, y0, 0, color, 0, 0};
        *v++ = {x1, y0, 0, color, 1, 0};
        *v++ = {x0, y1, 0, color, 0, 1};
        *v++ = {x1, y0, 0, color, 1, 0};
        *v++ = {x1, y1, 0, color, 1, 1};
        *v++ = {x0, y1, 0, color, 0, 1};
    }
    buffer->Unlock();
    Device->State.VertexBuffer = buffer;
    Device->DrawTriangles(4);
    EXPECT_FALSE(Device->DrawFailed());
    std::vector<uint32_t> pixels = Device->ReadBackBuffer();
    int wrong = 0;
    for (int y = 0; y < Size; ++y) {
        for (int x = 0; x < Size; ++x) {
            bool in = false;
            for (const TGRect& r : squares) {
                in = in || (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom);
            }
            if (pixels[static_cast<size_t>(y) * Size + x] != (in ? color : Background) && wrong++ < 5) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is 0x" << std::hex
                              << pixels[static_cast<size_t>(y) * Size + x];
            }
        }
    }
}

struct FilterCase {
    const char* Name;
    TGTextureFilter Filter;
    uint32_t Grey[4]; // pixels 2 to 5 of black then white stretched over 8 pixels
};
void PrintTo(const FilterCase& c, std::ostream* os) {
    *os << c.Name;
}

class GLRenderFilter : public GLRender, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(GLRenderFilter, StretchesWithTheStageFilter) {
    const uint32_t texels[2] = {0xFF000000u, 0xFFFFFFFFu};
    PGTexture texture = MakeTexture(2, 1, pfA8R8G8B8, texels);
    Device->State.BlendMode = bmNone;
    SetStage(0, texture, GetParam().Filter, coTexture);
    DrawQuad({0, 0, 8, 1});
    for (int i = 0; i < 4; ++i) {
        uint32_t grey = GetParam().Grey[i];
        EXPECT_TRUE(Near(At(2 + i, 0), 0xFF000000u | grey << 16 | grey << 8 | grey)) << "pixel " << 2 + i;
    }
}

INSTANTIATE_TEST_SUITE_P(Filters, GLRenderFilter,
                         ::testing::Values(FilterCase{"Linear", tfLinear, {32, 96, 159, 223}},
                                           FilterCase{"Nearest", tfPoint, {0, 0, 255, 255}}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GLRender, SixteenBitTexturesShowTheirQuantisedColours) {
    // A4R4G4B4: opaque, translucent; A1R5G5B5: opaque, transparent.
    const uint16_t argb4444[2] = {0xF84C, 0x7ABC};
    const uint16_t argb1555[2] = {0x8000 | 31 << 10 | 16 << 5 | 1, 0x7FFF};
    PGTexture t4444 = MakeTexture(2, 1, pfA4R4G4B4, argb4444);
    PGTexture t1555 = MakeTexture(2, 1, pfA1R5G5B5, argb1555);
    ASSERT_EQ(t4444->Format(), pfA4R4G4B4);
    ASSERT_EQ(t1555->Format(), pfA1R5G5B5);
    Device->FillRect({0, 0}, {Size, Size}, Background);
    Device->State.BlendMode = bmNone;
    SetStage(0, t4444, tfPoint, coTexture);
    DrawQuad({0, 0, 8, 4});
    SetStage(0, t1555, tfPoint, coTexture);
    DrawQuad({0, 4, 8, 8});
    EXPECT_EQ(At(1, 1), 0xFF8844CCu);
    EXPECT_EQ(At(5, 1), 0x77AABBCCu);
    EXPECT_TRUE(Near(At(1, 5), 0xFFFF8408u));
    EXPECT_EQ(At(5, 5), Background);
}

struct TargetCase {
    const char* Name;
    int Format;
    // Texels of white, red and blue in the format.
    uint32_t White, Red, Blue;
};
void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << c.Name;
}

class GLRenderTarget : public GLRender, public ::testing::WithParamInterface<TargetCase> {
protected:
    uint32_t Texel(const TGLockedRect& locked, int x, int y) {
        const uint8_t* p = locked.Bits + static_cast<size_t>(y) * locked.Pitch;
        if (GetParam().Format == pfA8R8G8B8) {
            uint32_t value;
            std::memcpy(&value, p + x * 4, 4);
            return value;
        }
        uint16_t value;
        std::memcpy(&value, p + x * 2, 2);
        return value;
    }

    // Top half red with a white texel at the top left, bottom half blue, one green texel
    // drawn through a viewport at (8, 4).
    void Paint(const PGTexture& target) {
        Device->State.RenderTarget = target;
        Device->State.Viewport = TGRect{0, 0, 16, 8};
        Device->FillRect({0, 0}, {16, 4}, 0xFFFF0000u);
        Device->FillRect({0, 4}, {16, 8}, 0xFF0000FFu);
        Device->FillRect({0, 0}, {1, 1}, 0xFFFFFFFFu);
        Device->State.Viewport = TGRect{4, 8, 16, 8};
        Device->FillRect({0, 0}, {1, 1}, 0xFF00FF00u);
        Device->State.RenderTarget = nullptr;
        Device->State.Viewport = TGRect{0, 0, Size, Size};
    }

    void ExpectPainted(const PGTexture& target) {
        TGLockedRect locked = target->Lock(nullptr, false);
        EXPECT_EQ(Texel(locked, 0, 0), GetParam().White);
        EXPECT_EQ(Texel(locked, 1, 0), GetParam().Red);
        EXPECT_EQ(Texel(locked, 15, 3), GetParam().Red);
        EXPECT_EQ(Texel(locked, 0, 7), GetParam().Blue);
        EXPECT_NE(Texel(locked, 8, 4), GetParam().Blue);
        EXPECT_EQ(Texel(locked, 9, 4), GetParam().Blue);
        target->Unlock();

        // Shown on the back buffer the same way up.
        Device->State.BlendMode = bmNone;
        SetStage(0, target, tfPoint, coTexture);
        DrawQuad({20, 30, 36, 38});
        EXPECT_EQ(At(20, 30), 0xFFFFFFFFu);
        EXPECT_EQ(At(21, 30), 0xFFFF0000u);
        EXPECT_EQ(At(20, 37), 0xFF0000FFu);
        EXPECT_EQ(At(28, 34), 0xFF00FF00u);
        EXPECT_EQ(At(36, 30), 0u);
    }
};

TEST_P(GLRenderTarget, ReadsBackUprightAndDrawsOntoTheBackBuffer) {
    PGTexture target = Device->CreateTexture(16, 8, GetParam().Format, true);
    ASSERT_EQ(target->Format(), GetParam().Format);
    Paint(target);
    ExpectPainted(target);
}

TEST_P(GLRenderTarget, IsUsableAfterAForcedLoss) {
    PGTexture target = Device->CreateTexture(16, 8, GetParam().Format, true);
    Paint(target);
    Device->EndFrame();
    Device->ForceDeviceLost();
    ASSERT_FALSE(Device->BeginFrame());
    ASSERT_TRUE(Device->BeginFrame());
    Device->ClearScene();
    // It comes back empty.
    TGLockedRect locked = target->Lock(nullptr, false);
    EXPECT_EQ(Texel(locked, 0, 0), 0u);
    EXPECT_EQ(Texel(locked, 15, 7), 0u);
    target->Unlock();
    Paint(target);
    ExpectPainted(target);
}

INSTANTIATE_TEST_SUITE_P(Formats, GLRenderTarget,
                         ::testing::Values(TargetCase{"A8R8G8B8", pfA8R8G8B8, 0xFFFFFFFFu, 0xFFFF0000u,
                                                      0xFF0000FFu},
                                           TargetCase{"A4R4G4B4", pfA4R4G4B4, 0xFFFF, 0xFF00, 0xF00F},
                                           TargetCase{"A1R5G5B5", pfA1R5G5B5, 0xFFFF, 0xFC00, 0x801F}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GLRender, PopStateRestoresRendering) {
    const uint32_t texel = 0xFF8040C0u;
    PGTexture texture = MakeTexture(1, 1, pfA8R8G8B8, &texel);
    Device->FillRect({0, 0}, {Size, Size}, Background);
    Device->State.BlendMode = bmDefault;
    SetStage(0, texture, tfLinear, coTexture);
    DrawQuad({0, 0, 8, 8, 0xFF000000u});
    Device->PushState();
    Device->State.BlendMode = bmAdd;
    Device->State.Stages[0].ColorOp = coDiffuse;
    Device->State.ViewOffsetX = 20;
    DrawQuad({0, 0, 8, 8, 0xFF101010u});
    Device->PopState();
    DrawQuad({40, 0, 48, 8, 0xFF000000u});
    EXPECT_EQ(At(4, 4), texel);
    EXPECT_EQ(At(24, 4), 0xFF507090u);
    EXPECT_EQ(At(44, 4), texel);
    EXPECT_EQ(At(34, 4), Background);
}

TEST_F(GLRender, TexturesUpToTheGLLimitOnly) {
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    EXPECT_EQ(Renderer->MaxTextureSize(), limit);
    EXPECT_THROW(Device->CreateTexture(limit + 1, 1, pfA8R8G8B8, false), EGError);
    EXPECT_EQ(Renderer->CreateTexture(4, 4, 7, false), nullptr);
}

TEST_F(GLRender, VideoMemoryIsKnownOnlyThroughADriverExtension) {
    bool reported =
        epoxy_has_gl_extension("GL_NVX_gpu_memory_info") || epoxy_has_gl_extension("GL_ATI_meminfo");
    int64_t bytes = -1;
    EXPECT_EQ(Renderer->QueryVideoMemory(mkLocal, bytes), reported);
    if (reported) {
        EXPECT_GT(bytes, 0);
    } else {
        EXPECT_EQ(Device->GetVideoMem(mkLocal), TGGraphicsDevice::DefaultVideoMemory);
    }
}

// Shader and program names alive in the context, found by asking GL about every name a test
// run can have handed out.
int LiveShaderObjects() {
    int live = 0;
    for (GLuint name = 1; name < 4096; ++name) {
        live += glIsShader(name) == GL_TRUE || glIsProgram(name) == GL_TRUE;
    }
    return live;
}

struct BrokenProgramCase {
    const char* Name;
    const char* Vertex;
    const char* Fragment;
    const char* Context;
};
void PrintTo(const BrokenProgramCase& c, std::ostream* os) {
    *os << c.Name;
}

const char* const GoodVertex = "#version 330 core\nout vec4 vColor;\nvoid main() { vColor = vec4(1.0); "
                               "gl_Position = vec4(0.0); }\n";
const char* const GoodFragment =
    "#version 330 core\nin vec4 vColor;\nout vec4 oColor;\nvoid main() { oColor = "
    "vColor; }\n";

class GLRenderBrokenProgram : public GLRender, public ::testing::WithParamInterface<BrokenProgramCase> {};

TEST_P(GLRenderBrokenProgram, FailsWithTheLogAndLeavesNoShaderOrProgramBehind) {
    const BrokenProgramCase& c = GetParam();
    glFinish();
    int before = LiveShaderObjects();
    try {
        unsigned program = TGGLRenderBackend::BuildProgram(c.Vertex, c.Fragment);
        glDeleteProgram(program);
        ADD_FAILURE() << "the program was built";
    } catch (const EGError& error) {
        EXPECT_EQ(std::string(error.what()).rfind(c.Context, 0), 0u) << error.what();
    }
    EXPECT_EQ(LiveShaderObjects(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GLRenderBrokenProgram,
    ::testing::Values(
        BrokenProgramCase{"VertexDoesNotCompile", "#version 330 core\nvoid main() { nonsense; }\n",
                          GoodFragment, "TGGLRenderBackend.CompileShader: "},
        BrokenProgramCase{"FragmentDoesNotCompile", GoodVertex,
                          "#version 330 core\nvoid main() { nonsense; }\n",
                          "TGGLRenderBackend.CompileShader: "},
        // The fragment shader reads a value of a type the vertex shader does not write.
        BrokenProgramCase{"StagesDoNotLink", GoodVertex,
                          "#version 330 core\nin vec2 vColor;\nout vec4 oColor;\nvoid main() { oColor = "
                          "vec4(vColor, 0.0, 1.0); }\n",
                          "TGGLRenderBackend.CreatePipeline: "}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(GLRender, AWorkingProgramLeavesOnlyItselfBehind) {
    int before = LiveShaderObjects();
    unsigned program = TGGLRenderBackend::BuildProgram(GoodVertex, GoodFragment);
    EXPECT_EQ(LiveShaderObjects(), before + 1);
    glDeleteProgram(program);
    EXPECT_EQ(LiveShaderObjects(), before);
}

struct MouseCase {
    int WindowWidth, WindowHeight;
    // Where the drawing of Size x Size shows, worked out by hand: left, top, width, height.
    int Left, Top, Width, Height;
};

// The window maps a click back into drawing units through the rectangle the renderer blits
// into: its first and last pixels are the first and last units, the bars lie outside.
TEST_F(GLRender, MouseMapsThroughTheLetterboxAtEverySize) {
    const MouseCase cases[] = {
        {64, 64, 0, 0, 64, 64},      {128, 128, 0, 0, 128, 128}, {160, 100, 30, 0, 100, 100},
        {100, 160, 0, 30, 100, 100}, {65, 66, 0, 0, 65, 65},     {97, 64, 16, 0, 64, 64},
        {81, 80, 0, 0, 80, 80},      {71, 97, 0, 13, 71, 71},
    };
    auto click = [&](int x, int y) {
        std::pair<int, int> units;
        Window->ToDrawingUnits(x, y, units.first, units.second);
        return units;
    };
    for (const MouseCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.WindowWidth << " x " << c.WindowHeight);
        SDL_SetWindowSize(Window->Handle(), c.WindowWidth, c.WindowHeight);
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(Window->Handle(), &width, &height);
        ASSERT_EQ(width, c.WindowWidth);
        ASSERT_EQ(height, c.WindowHeight);
        int right = c.Left + c.Width - 1;
        int bottom = c.Top + c.Height - 1;
        EXPECT_EQ(click(c.Left, c.Top), std::pair(0, 0));
        EXPECT_EQ(click(right, bottom), std::pair(Size - 1, Size - 1));
        EXPECT_EQ(click(c.Left + c.Width / 2, c.Top + c.Height / 2), std::pair(Size / 2, Size / 2));
        if (c.Left > 0) {
            EXPECT_LT(click(c.Left - 1, c.Top).first, 0);
        }
        if (right + 1 < c.WindowWidth) {
            EXPECT_GE(click(right + 1, c.Top).first, Size);
        }
        if (c.Top > 0) {
            EXPECT_LT(click(c.Left, c.Top - 1).second, 0);
        }
        if (bottom + 1 < c.WindowHeight) {
            EXPECT_GE(click(c.Left, bottom + 1).second, Size);
        }
    }
    SDL_SetWindowSize(Window->Handle(), Size, Size);
}

// Mesa's version override stands in for an old driver. It is read once per process, so the
// window is opened in a fresh one.
int ChildStatus = 0;
const char* const RequirementsText =
    "Sorry, your system configuration does not meet the minimum system requirements.\r"
    "Description of the problem: old version of OpenGL.\r"
    "To be able to play the game you need OpenGL 3.3 or later.\r\r"
    "Troubleshooting: update the graphics driver of your system.\r"
    "Updates are free.";

TEST(GLRenderContext, AnOlderOpenGLIsRefusedWithTheRequirementsMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("MESA_GL_VERSION_OVERRIDE", "3.0", 1);
            try {
                TGSDLWindow window("qm_tests", Size, Size, true);
                const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
                std::fprintf(stderr, "a context was made: %s\n", version);
                std::exit(std::strstr(version, "Mesa") ? 2 : 77);
            } catch (const EGError& error) {
                std::fprintf(stderr, "%s\n", error.what());
                std::exit(std::string(error.what()) == RequirementsText ? 0 : 1);
            }
        },
        [](int status) {
            ChildStatus = status;
            return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 77);
        },
        "");
    if (WIFEXITED(ChildStatus) && WEXITSTATUS(ChildStatus) == 77) {
        GTEST_SKIP() << "the driver is not Mesa and cannot be made to offer an old context";
    }
}

} // namespace
} // namespace qm
