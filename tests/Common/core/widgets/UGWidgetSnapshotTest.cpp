#include "UGWidgetSnapshot.h"
#include "UGDialogEffects.h"
#include "UGGLRenderBackend.h"
#include "UGSDLWindow.h"
#include "UGWidDialog.h"
#include "WidgetTestApp.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// A dialog drawn through its snapshot on the OpenGL renderer lands where the dialog itself
// would, in its own colours, wherever it hangs in the tree.
TEST(WidgetSnapshotGL, AnEffectDrawsTheCapturedDialogInPlace) {
    TGSDLWindow window("qm_tests", 800, 600, true);
    TGGLRenderBackend renderer(window);
    test::WidgetTestApp test(&renderer, &window);
    TGGraphicsDevice& device = *test.App().Device;
    TGWidget parent(test.App());
    parent.X = 40;
    parent.Y = 10;
    auto& dialog = static_cast<TGWidDialog&>(parent.AddWidget(std::make_unique<TGWidDialog>(test.App())));
    dialog.SetStyle(&test.App().WidgetStyles->GetWidgetStyle("Dialog"));
    dialog.X = 60;
    dialog.Y = 40;
    dialog.SetSize(200, 100);
    dialog.HideEffect = std::make_shared<TFakeDissolveEffect>(test.App(), dialog, false, 1.0);

    ASSERT_TRUE(device.BeginFrame());
    device.ClearScene();
    dialog.Hide(); // captured at once inside the scene
    dialog.Draw(); // the first frame of the fade is fully opaque
    std::vector<uint32_t> pixels = device.ReadBackBuffer();
    device.EndFrame();
    auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * 800 + x]; };
    struct Case {
        int X, Y;
        uint32_t Color;
    };
    for (const Case& c :
         {Case{100, 50, 0xFF336699u}, Case{299, 149, 0xFF336699u}, Case{200, 100, 0xFF336699u},
          Case{99, 50, 0u}, Case{100, 49, 0u}, Case{300, 100, 0u}, Case{200, 150, 0u}}) {
        EXPECT_EQ(at(c.X, c.Y), c.Color) << c.X << "," << c.Y;
    }
    EXPECT_EQ(dialog.X, 60.0) << "the dialog is back where it stood";
    EXPECT_TRUE(dialog.IsInEffect());
}

} // namespace
} // namespace qm
