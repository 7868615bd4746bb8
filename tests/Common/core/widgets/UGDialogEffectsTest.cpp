#include "UGDialogEffects.h"
#include "TestHelpers.h"
#include "UGSoftWidDialog.h"
#include "WidgetTestApp.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

class DialogEffectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dialog = std::make_unique<TGWidDialog>(Test.App());
        Dialog->SetStyle(&Test.App().WidgetStyles->GetWidgetStyle("Dialog"));
        Dialog->X = 100;
        Dialog->Y = 50;
        Dialog->SetSize(200, 100);
    }
    // The one copy an effect draws at `elapsed` seconds.
    static TGSnapshotPlacement At(TEffectDlg& effect, double elapsed) {
        effect.Elapsed = elapsed;
        std::vector<TGSnapshotPlacement> copies = effect.Placements(100, 50);
        EXPECT_EQ(copies.size(), 1u);
        return copies.empty() ? TGSnapshotPlacement() : copies[0];
    }

    test::WidgetTestApp Test;
    std::unique_ptr<TGWidDialog> Dialog;
};

TEST_F(DialogEffectsTest, SnapshotTextureSizes) {
    struct Case {
        double W, H;
        int TW, TH;
    };
    for (const Case& c : {Case{200, 100, 256, 256}, Case{256, 100, 256, 100}, Case{200, 300, 200, 300},
                          Case{255.4, 256, 256, 256}, Case{10, 257, 10, 257}}) {
        int tw = 0, th = 0;
        TEffectDlg::SnapshotTextureSize(c.W, c.H, tw, th);
        EXPECT_EQ(tw, c.TW) << c.W << "x" << c.H;
        EXPECT_EQ(th, c.TH) << c.W << "x" << c.H;
    }
}

TEST_F(DialogEffectsTest, DissolveFadesInPlace) {
    TFakeDissolveEffect in(Test.App(), *Dialog, true, 0.5);
    TFakeDissolveEffect out(Test.App(), *Dialog, false, 0.5);
    struct Case {
        double Elapsed;
        int In, Out;
    };
    for (const Case& c : {Case{0.0, 0, 255}, Case{0.25, 128, 128}, Case{0.1, 51, 204}, Case{0.5, 255, 0},
                          Case{0.9, 255, 0}}) {
        EXPECT_EQ(At(in, c.Elapsed).Alpha, c.In) << c.Elapsed;
        EXPECT_EQ(At(out, c.Elapsed).Alpha, c.Out) << c.Elapsed;
    }
    TGSnapshotPlacement copy = At(in, 0.25);
    EXPECT_EQ(copy.X, 100.0);
    EXPECT_EQ(copy.Y, 50.0);
    EXPECT_EQ(copy.Scale, 1.0);
    EXPECT_FALSE(copy.PointFilter);
}

TEST_F(DialogEffectsTest, MaxScale2ShrinksCentredAndNeverPassesAlpha175) {
    TMaxScaleEffect2 show(Test.App(), *Dialog, true, 1.0, 3.0);
    TGSnapshotPlacement first = At(show, 0.0);
    EXPECT_EQ(first.Scale, 3.0);
    EXPECT_EQ(first.X, (800 - 600) / 2.0);
    EXPECT_EQ(first.Y, (600 - 300) / 2.0);
    EXPECT_EQ(first.Alpha, 0);
    TGSnapshotPlacement half = At(show, 0.5);
    EXPECT_EQ(half.Scale, 2.0);
    EXPECT_EQ(half.Alpha, 88);
    TGSnapshotPlacement last = At(show, 1.0);
    EXPECT_EQ(last.Scale, 1.0);
    EXPECT_EQ(last.X, 300.0);
    EXPECT_EQ(last.Y, 250.0);
    EXPECT_EQ(last.Alpha, 175);
}

TEST_F(DialogEffectsTest, MinScaleGrowsOpaqueWithThePointFilter) {
    TMinScaleEffect show(Test.App(), *Dialog, true, 0.3, 0.3);
    TMinScaleEffect hide(Test.App(), *Dialog, false, 0.3, 0.3);
    EXPECT_DOUBLE_EQ(At(show, 0.0).Scale, 0.3);
    EXPECT_DOUBLE_EQ(At(show, 0.15).Scale, 0.65);
    EXPECT_DOUBLE_EQ(At(hide, 0.15).Scale, 0.65);
    EXPECT_DOUBLE_EQ(At(hide, 0.3).Scale, 0.3);
    TGSnapshotPlacement copy = At(show, 0.3);
    EXPECT_DOUBLE_EQ(copy.Scale, 1.0);
    EXPECT_EQ(copy.Alpha, 255);
    EXPECT_TRUE(copy.PointFilter);
    EXPECT_DOUBLE_EQ(At(show, 0.0).X, (800 - 200 * 0.3) / 2.0);
}

TEST_F(DialogEffectsTest, FlyMovesLinearlyFromTheOffset) {
    TFlyEffect plain(Test.App(), *Dialog, true, 1.0, -150, 20, false, false, false);
    EXPECT_EQ(plain.StartX, -50.0);
    EXPECT_EQ(plain.EndX, 100.0);
    TGSnapshotPlacement quarter = At(plain, 0.25);
    EXPECT_DOUBLE_EQ(quarter.X, -50 + 0.25 * 150);
    EXPECT_DOUBLE_EQ(quarter.Y, 70 - 0.25 * 20);
    EXPECT_EQ(quarter.Alpha, 255) << "without Fade the widget stays opaque";
    EXPECT_EQ(quarter.Scale, 1.0);
    EXPECT_EQ(quarter.Angle, 0.0);
    TFlyEffect fancy(Test.App(), *Dialog, false, 2.0, 30, 0, true, true, true);
    TGSnapshotPlacement half = At(fancy, 1.0);
    EXPECT_DOUBLE_EQ(half.X, 115.0);
    EXPECT_DOUBLE_EQ(half.Scale, 1.5);
    EXPECT_DOUBLE_EQ(half.Angle, 3.1415926);
    EXPECT_EQ(half.Alpha, 128);
    TFlyEffect growIn(Test.App(), *Dialog, true, 2.0, 0, 0, false, true, false);
    EXPECT_DOUBLE_EQ(At(growIn, 0.0).Scale, 2.0);
    EXPECT_DOUBLE_EQ(At(growIn, 2.0).Scale, 1.0);
}

TEST_F(DialogEffectsTest, MaxScaleDrawsATrailUntilScaleTime) {
    TMaxScaleEffect zoom(Test.App(), *Dialog, false, 1.0, 0.5, 1.9, 100);
    zoom.Elapsed = 0.25;
    std::vector<TGSnapshotPlacement> copies = zoom.Placements(0, 0);
    ASSERT_EQ(copies.size(), 4u);
    EXPECT_DOUBLE_EQ(copies[0].Scale, 1.45);
    EXPECT_DOUBLE_EQ(copies[0].Y, -45.0);
    EXPECT_EQ(copies[0].Alpha, 255);
    EXPECT_DOUBLE_EQ(copies[1].X, -5.0);
    EXPECT_DOUBLE_EQ(copies[1].Y, -50.0);
    EXPECT_EQ(copies[1].Alpha, 102);
    EXPECT_EQ(copies[2].Alpha, 51);
    EXPECT_DOUBLE_EQ(copies[3].X, -10.0);
    EXPECT_EQ(copies[3].Alpha, 25);
    zoom.Elapsed = 0.6;
    copies = zoom.Placements(0, 0);
    ASSERT_EQ(copies.size(), 1u) << "no trail once the zoom is done";
    EXPECT_DOUBLE_EQ(copies[0].Scale, 1.9);
}

TEST_F(DialogEffectsTest, ZeroDurationIsFinishedInItsEndState) {
    TMaxScaleEffect2 show(Test.App(), *Dialog, true, 0.0, 3.0);
    TFakeDissolveEffect hide(Test.App(), *Dialog, false, -1.0);
    TMaxScaleEffect zoom(Test.App(), *Dialog, true, 0.0, 0.0, 1.9, 10);
    for (TEffectDlg* effect : {static_cast<TEffectDlg*>(&show), static_cast<TEffectDlg*>(&hide),
                               static_cast<TEffectDlg*>(&zoom)}) {
        effect->Start();
        EXPECT_TRUE(effect->IsFinished());
        EXPECT_EQ(effect->Progress(), 1.0);
    }
    TGSnapshotPlacement end = At(show, 0.0);
    EXPECT_EQ(end.Scale, 1.0);
    EXPECT_EQ(end.Alpha, 175);
    EXPECT_EQ(At(hide, 0.0).Alpha, 0);
    std::vector<TGSnapshotPlacement> copies = zoom.Placements(0, 0);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].Scale, 1.0);
}

TEST_F(DialogEffectsTest, AnEffectAdvancesOnlyWhileDrawnAndReleasesItsSnapshot) {
    auto show = std::make_shared<TFakeDissolveEffect>(Test.App(), *Dialog, true, 0.05);
    Dialog->ShowEffect = show;
    Dialog->SetVisible(false);
    Test.SetInterfaceStep(0.02);
    int ended = 0;
    Dialog->OnEffectEnd = [&](TGWidget&) { ++ended; };
    Dialog->Show();
    EXPECT_TRUE(show->HasSnapshot());
    EXPECT_FALSE(show->Finished);
    EXPECT_TRUE(Dialog->IsInEffect());
    Dialog->Draw();
    Dialog->Draw();
    EXPECT_DOUBLE_EQ(show->Elapsed, 0.04);
    EXPECT_TRUE(Dialog->IsInEffect());
    Dialog->Draw();
    EXPECT_FALSE(Dialog->IsInEffect());
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(show->Finished);
    EXPECT_FALSE(show->HasSnapshot());
    // A device loss while it runs makes the next frame capture again.
    Dialog->Show();
    Dialog->Draw();
    EXPECT_FALSE(show->RecaptureNeeded);
    show->DeviceLost();
    EXPECT_TRUE(show->RecaptureNeeded);
    Dialog->Draw();
    EXPECT_FALSE(show->RecaptureNeeded);
    EXPECT_TRUE(Dialog->IsInEffect());
}

TEST_F(DialogEffectsTest, SoftDialogPreparesEffectsAndPlaysWindowSounds) {
    class TFlyingDialog : public TSoftWidDialog {
    public:
        using TSoftWidDialog::TSoftWidDialog;
        void PrepareShowEffect() override {
            ShowEffect =
                std::make_shared<TFlyEffect>(AppData(), *this, true, AppearTime, 0, -40, false, false, true);
        }
        void PrepareHideEffect() override {
            HideEffect = std::make_shared<TFakeDissolveEffect>(AppData(), *this, false, AppearTime);
        }
    };
    PGXMLNode node = test::WidgetTestApp::Parse(
        R"(<Widget Type="Dialog" Width="100" Height="80" AppearTime="0,5"/>)", "dialogs.xml");
    TFlyingDialog dialog(Test.App());
    dialog.SetStyle(&Test.App().WidgetStyles->GetWidgetStyle("Dialog"));
    dialog.LoadFromXML(TGXMLWidgetParams(node));
    EXPECT_EQ(dialog.AppearTime, 0.5);
    dialog.Show();
    PGEffect first = dialog.ShowEffect;
    ASSERT_NE(dynamic_cast<TFlyEffect*>(first.get()), nullptr);
    EXPECT_EQ(dialog.CurrentEffect(), first);
    dialog.Hide();
    EXPECT_NE(dynamic_cast<TFakeDissolveEffect*>(dialog.CurrentEffect().get()), nullptr);
    dialog.Show();
    EXPECT_NE(dialog.ShowEffect, first) << "a fresh effect at every showing";
    EXPECT_EQ(Test.Sounds->Played, (std::vector<std::string>{"ShowWindow", "HideWindow", "ShowWindow"}));
}

} // namespace
} // namespace qm
