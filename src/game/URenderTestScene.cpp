#include "URenderTestScene.h"

#include "UGFont.h"
#include "UGResManager.h"
#include "UGSprite.h"
#include "UGameData.h"

#include <cmath>
#include <vector>

namespace qm {

namespace {

constexpr double Pi = 3.14159265358979323846;

constexpr const char* BlendNames[] = {"None", "Default", "Add", "Mul", "Intense"};

} // namespace

TRenderTestScene::TRenderTestScene(TGameData& data) : FData(data) {
    FData.ResManager->SetResourceSet(ResourceSetName);
}

void TRenderTestScene::Draw() {
    FData.InterfaceClock->AddStep(FTime);
    TGGraphicsDevice& device = *FData.Device;
    device.FillRect({0, 0}, {800, 600}, 0xFF1B2638);

    // The panorama is 1400 pixels wide: several atlas fragments, scaled to the screen's width.
    TGSprite& panorama = FData.ResManager->GetSeq("test/panorama").GetSprite(0);
    panorama.DrawTransformed({0, 0}, {800.0 / 1400.0, 800.0 / 1400.0}, 0, 0, 0, 0xFFFFFFFF, bmDefault);

    DrawBlendModes();
    DrawTransforms();
    DrawTexts();
}

// Each blend mode draws the same ball over a two-tone panel, so the differences show.
void TRenderTestScene::DrawBlendModes() {
    TGGraphicsDevice& device = *FData.Device;
    TGSprite& ball = FData.ResManager->GetSeq("test/ball").GetSprite(0);
    TGFont& label = FData.ResManager->GetFont("SysFont");
    for (int mode = 0; mode < 5; ++mode) {
        double x = 40 + mode * 148;
        device.FillRect({x, 140}, {x + 120, 175}, 0xFF8090A0);
        device.FillRect({x, 175}, {x + 120, 210}, 0xFFE0C070);
        ball.DrawAt(0xFFFFFFFF, static_cast<uint8_t>(mode), x + 28, 143);
        label.DrawString(BlendNames[mode], 0xFFFFFFFF, x + 4, 214);
    }
}

void TRenderTestScene::DrawTransforms() {
    TGSprite& ring = FData.ResManager->GetSeq("test/ring").GetSprite(0);
    TGSprite& ball = FData.ResManager->GetSeq("test/ball").GetSprite(0);
    TGSprite& keyed = FData.ResManager->GetSeq("test/keyed").GetSprite(0);
    TGSequence& coin = FData.ResManager->GetSeq("test/coin");

    // Turning about its centre at one and a half times its size.
    double angle = std::fmod(FTime * 1.5, 2 * Pi);
    ring.DrawTransformed({120, 330}, {1.5, 1.5}, 120 - 48, 330 - 48, angle, 0xFFFFFFFF, bmDefault);
    // Stretched and turned by a fixed angle.
    ball.DrawTransformed({290, 330}, {2.0, 1.0}, 290 - 64, 330 - 32, Pi / 6, 0xFFFFFFFF, bmDefault);
    // Tinted through the vertex colour, and half transparent.
    ball.DrawAt(0xFFFF6040, bmDefault, 400, 298);
    ball.DrawAt(0x80FFFFFF, bmDefault, 480, 298);
    // The magenta around the triangle is the colour key: it never reaches the screen.
    keyed.DrawAt(0xFFFFFFFF, bmDefault, 570, 298);
    // The coin's eight frames, ten per second.
    int frame = static_cast<int>(FTime * 10) % coin.Count();
    coin.GetSprite(frame).DrawTransformed({0, 0}, {2, 2}, 670, 298, 0, 0xFFFFFFFF, bmDefault);
}

// Every image font writes its own name, then the system fonts.
void TRenderTestScene::DrawTexts() {
    TGFont& title = FData.ResManager->GetFont("FntTitles");
    title.DrawStringEx("Quillmark render test", {0xFFFFFFFF}, 0, 384, 800, 1, 1.0, 0.0);
    const char* left[] = {"FntBtn2", "FntDefWhite", "FntDefBlue", "FntDefYellow", "Font04"};
    const char* right[] = {"FntTxtBigWhite", "FntTxtBigYellow", "FntTxtWhite", "FntTxtYellow"};
    double y = 428;
    for (const char* name : left) {
        FData.ResManager->GetFont(name).DrawString(std::string(name) + ": AV To Wa", 0xFFFFFFFF, 40, y);
        y += 26;
    }
    y = 428;
    for (const char* name : right) {
        FData.ResManager->GetFont(name).DrawString(std::string(name) + ": Tide Gate", 0xFFFFFFFF, 420, y);
        y += 26;
    }
    TGFont& system = FData.ResManager->GetFont("SysFont");
    TGFont& systemBig = FData.ResManager->GetFont("SysFontBig");
    systemBig.DrawString("System font, bold, 16 points", 0xFFFFFFFF, 420, 536);
    system.DrawStringEx("System font, 10 points: the quick brown fox jumps over the lazy dog 0123456789",
                        {0xFFC8D8F0}, 0, 572, 800, 1, 1.0, 0.0);
    DrawTranslatedTexts();
}

// Letters beyond ASCII in an image font, Greek and Cyrillic in a system font with a colour per
// character, and a system font text turned a quarter.
void TRenderTestScene::DrawTranslatedTexts() {
    FData.ResManager->GetFont("FntTxtWhite")
        .DrawStringEx("Zażółć gęślą jaźń · Größe · Été à Noël · ¿Qué año? · Perché", {0xFFFFFFFF}, 0, 240,
                      800, 1, 1.0, 0.0);
    std::vector<uint32_t> colors;
    for (int i = 0; i < 40; ++i) {
        colors.push_back(i % 2 == 0 ? 0xFFF0D890u : 0xFF90C8F0u);
    }
    TGFont& system = FData.ResManager->GetFont("SysFont");
    system.DrawStringEx("Ελληνικά γράμματα · Кириллица и латиница · Ünïcödé", colors, 0, 266, 800, 1, 1.0,
                        0.0);
    system.DrawStringEx("Kąt prosty 90°", {0xFFC8D8F0}, 786, 110, 0, 0, 1.0, Pi / 2);
}

} // namespace qm
