#pragma once

#include <string>

namespace qm {

class TGameData;

// A scene for people to look at the renderer: sprites from a sequence pool in each blend mode,
// a turning and stretched sprite, a colour-keyed sprite, an animation, a sprite wider than one
// atlas texture, and text in an image font and a system font. Opened with --scene render-test.
class TRenderTestScene {
public:
    static constexpr const char* SceneName = "render-test";
    static constexpr const char* ResourceSetName = "RenderTest";

    explicit TRenderTestScene(TGameData& data);
    void Draw();

private:
    void DrawBlendModes();
    void DrawTransforms();
    void DrawTexts();
    void DrawTranslatedTexts();

    TGameData& FData;
    double FTime = 0.0;
};

} // namespace qm
