#include "UFirstTimeInitializationForm.h"

#include "TestHelpers.h"
#include "UDictionary.h"
#include "UGFreeTypeRasterizer.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using TForm = TFirstTimeInitializationForm;

const fs::path DataFolder = fs::path(QM_BINARY_DIR) / "data";

uint32_t Argb(const TGImage24& image, int x, int y) {
    const uint8_t* bgr = image.At(x, y);
    return 0xFF000000u | static_cast<uint32_t>(bgr[2]) << 16 | static_cast<uint32_t>(bgr[1]) << 8 | bgr[0];
}

TGImage24 Picture(const std::string& name, int frame = 0) {
    return CreateByExtension((DataFolder / "gfx" / "1stTimeInit" / name).string(), nullptr, false)
        ->GetFrame(frame);
}

TEST(FirstTimeProgressTest, PercentTextAndBarFollowTheStepsAndStayFullPastTheEnd) {
    struct TRow {
        int Steps, Percent, Fill, Text;
    };
    const TRow rows[] = {{0, 0, 0, 0},      {1, 2, 3, 0},       {25, 50, 88, 9},    {27, 54, 95, 10},
                         {49, 98, 172, 18}, {50, 100, 176, 19}, {51, 102, 176, 19}, {80, 160, 176, 19}};
    for (const TRow& row : rows) {
        int percent = FirstTimePercent(row.Steps, 50);
        EXPECT_EQ(percent, row.Percent) << row.Steps << " steps";
        EXPECT_EQ(ProgressFillWidth(percent), row.Fill) << row.Steps << " steps";
        EXPECT_EQ(ProgressTextIndex(percent), row.Text) << row.Steps << " steps";
    }
}

TEST(FirstTimeProgressTest, PaddingAddsSpacesAtTheEndAndTheStartByTurnsUntilWideEnough) {
    auto tenPerChar = [](const std::string& s) { return static_cast<int>(s.size()) * 10; };
    EXPECT_EQ(PadProgressText("abc", tenPerChar, 65), "  abc  ");
    EXPECT_EQ(PadProgressText("abc", tenPerChar, 40), "abc ");
    EXPECT_EQ(PadProgressText("abcdef", tenPerChar, 60), "abcdef");
    // A space of no width can never widen the text.
    auto spaceless = [](const std::string& s) {
        return static_cast<int>(s.size() - static_cast<size_t>(std::count(s.begin(), s.end(), ' '))) * 10;
    };
    EXPECT_EQ(PadProgressText("ab", spaceless, 100), "ab ");
}

TEST(FirstTimeProgressTest, BarPicturesFallBackToEnglishIgnoringLetterCase) {
    TempDir dir;
    EXPECT_EQ(ProgressImageLanguageId(DataFolder, 1049), "1033");
    EXPECT_EQ(ProgressImageLanguageId(DataFolder, 1033), "1033");
    dir.Write("gfx/1stTimeInit/PROGRESSFILL1049.GIF", "");
    EXPECT_EQ(ProgressImageLanguageId(dir.Path(), 1049), "1049");
    EXPECT_EQ(ProgressImageLanguageId(dir.Path(), 1031), "1033");
}

TEST(FirstTimeInitializationFormTest, DrawsBackgroundBarAndGreetingWhereTheyBelong) {
    TGManualTickSource ticks(1000);
    TForm form(DataFolder, 1033, ticks, std::nullopt, nullptr);
    form.Show();
    const TGImage24 back = Picture("back.gif");
    const TGImage24 fill = Picture("ProgressFill1033.gif");
    const TGImage24 empty = Picture("ProgressEmpty1033.gif");
    ASSERT_GE(back.Width, TForm::Width);
    ASSERT_GE(back.Height, TForm::Height);
    EXPECT_EQ(form.Pixel(3, 3), Argb(back, 3, 3));
    EXPECT_EQ(form.Pixel(100, 60), Argb(back, 100, 60));
    EXPECT_EQ(form.Pixel(30, 44), Argb(back, 30, 44)) << "no face, no text";

    // At 50 % the bar is filled up to column 88 and empty from there on.
    const int y = TForm::BarHeight / 2;
    ASSERT_NE(Argb(fill, 20, y), Argb(empty, 20, y));
    ASSERT_NE(Argb(fill, 150, y), Argb(empty, 150, y));
    EXPECT_EQ(form.Pixel(TForm::BarX + 20, TForm::BarY + y), Argb(empty, 20, y)) << "0 % shows the empty bar";
    form.SetPercent(50);
    EXPECT_EQ(form.Pixel(TForm::BarX + 20, TForm::BarY + y), Argb(fill, 20, y));
    EXPECT_EQ(form.Pixel(TForm::BarX + 87, TForm::BarY + y), Argb(fill, 87, y));
    EXPECT_EQ(form.Pixel(TForm::BarX + 150, TForm::BarY + y), Argb(empty, 150, y));
    form.SetPercent(100);
    EXPECT_EQ(form.Pixel(TForm::BarX + 150, TForm::BarY + y), Argb(fill, 150, y));
    EXPECT_EQ(form.Pixel(TForm::BarX + 175, TForm::BarY + 21), Argb(fill, 175, 21));

    // 350 ms after showing, the greeting shows frame 4 (3.5 rounded).
    ticks.Advance(350);
    form.Redraw();
    const TGImage24 first = Picture("hello.gif", 0);
    const TGImage24 fourth = Picture("hello.gif", 4);
    int found = 0;
    for (int hy = 0; hy < fourth.Height && found < 5; ++hy) {
        for (int hx = 0; hx < fourth.Width && found < 5; ++hx) {
            if (!IsMagenta(fourth.At(hx, hy)) && Argb(fourth, hx, hy) != Argb(first, hx, hy)) {
                EXPECT_EQ(form.Pixel(TForm::HelloX + hx, TForm::HelloY + hy), Argb(fourth, hx, hy))
                    << hx << "," << hy;
                ++found;
            }
        }
    }
    EXPECT_EQ(found, 5) << "frames 0 and 4 of the greeting should differ";
}

TEST(FirstTimeInitializationFormTest, DottedDataFolderDoesNotCutThePicturesIntoFrames) {
    TempDir dir;
    const fs::path data = dir.Path() / "quillmark-1.2.3" / "data";
    fs::create_directories(data / "gfx");
    fs::copy(DataFolder / "gfx" / "1stTimeInit", data / "gfx" / "1stTimeInit");
    TGManualTickSource ticks(0);
    TForm form(data, 1033, ticks, std::nullopt, nullptr);
    form.Show();
    form.SetPercent(100);
    const TGImage24 back = Picture("back.gif");
    const TGImage24 fill = Picture("ProgressFill1033.gif");
    // A background cut in two would leave the right half of the window black.
    EXPECT_EQ(form.Pixel(TForm::Width - 2, 3), Argb(back, TForm::Width - 2, 3));
    EXPECT_EQ(form.Pixel(TForm::BarX + 170, TForm::BarY + 5), Argb(fill, 170, 5));
}

TEST(FirstTimeInitializationFormTest, TextIsDrawnInItsColoursOnAtLeastTheMinimumWidth) {
    TDictionary dictionary;
    dictionary.Add("@UFirstTimeInitializationForm1", "Hello");
    dictionary.Add("@UFirstTimeInitializationForm20", "Done");
    TDictionary* previous = GDictionary;
    GDictionary = &dictionary;
    TGFreeTypeRasterizer rasterizer;
    TGRasterRequest request;
    request.FaceFile = DataFolder / "fonts" / "DejaVuSans.ttf";
    request.PixelHeight = 13;
    TGManualTickSource ticks(0);
    TForm form(DataFolder, 1033, ticks, rasterizer.RenderAscii(request), nullptr);
    form.Show();
    GDictionary = previous;

    EXPECT_GE(form.TextWidth("  Hello  "), form.TextWidth("Hello") + 4);
    int ink = 0;
    for (int y = TForm::TextY; y < TForm::TextY + 16; ++y) {
        for (int x = TForm::TextX; x < TForm::TextX + TForm::MinTextWidth; ++x) {
            uint32_t pixel = form.Pixel(x, y);
            ink += pixel == TForm::TextColor;
            if (pixel != TForm::TextBackground) {
                // Every pixel of the text cell is background, ink or a blend between the two.
                int green = static_cast<int>(pixel >> 8 & 0xFF);
                EXPECT_TRUE(green >= 0x34 && green <= 0xB9 && (pixel >> 16 & 0xFF) <= 0x5F)
                    << std::hex << pixel << " at " << std::dec << x << "," << y;
            }
        }
    }
    EXPECT_GT(ink, 10);
    EXPECT_EQ(form.Pixel(TForm::TextX, TForm::TextY), TForm::TextBackground);
    EXPECT_EQ(form.Pixel(TForm::TextX + TForm::MinTextWidth - 1, TForm::TextY + 3), TForm::TextBackground)
        << "the padded text covers the minimum width";
}

} // namespace
} // namespace qm
