#include "UFirstTimeInitializationForm.h"

#include "UDictionary.h"
#include "UGError.h"
#include "UGFileSystem.h"
#include "UGFont.h"
#include "UGStrings.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace fs = std::filesystem;

namespace {

constexpr int FaceSizePoints = 10;

uint32_t ToArgb(const uint8_t* bgr) {
    return 0xFF000000u | static_cast<uint32_t>(bgr[2]) << 16 | static_cast<uint32_t>(bgr[1]) << 8 | bgr[0];
}

uint32_t Blend(uint32_t background, uint32_t ink, int coverage) {
    uint32_t result = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        int b = static_cast<int>(background >> shift & 0xFF);
        int i = static_cast<int>(ink >> shift & 0xFF);
        result |= static_cast<uint32_t>(b + (i - b) * coverage / 255) << shift;
    }
    return result;
}

// The characters of the UTF-8 text that take room on a line; control characters take none.
std::vector<char32_t> DrawableCodes(const std::string& text) {
    std::vector<char32_t> codes;
    for (char32_t c : DecodeUtf8(text)) {
        if (c >= IGFontRasterizer::FirstCode) {
            codes.push_back(c);
        }
    }
    return codes;
}

PGGraphicsFile LoadPicture(const fs::path& dataFolder, const std::string& name) {
    return CreateByExtension((dataFolder / "gfx" / "1stTimeInit" / name).string(), nullptr, false);
}

} // namespace

int FirstTimePercent(int steps, int stepCount) {
    // A configuration that expects no steps has nothing left to wait for.
    return stepCount > 0 ? steps * 100 / stepCount : 100;
}

int ProgressFillWidth(int percent) {
    return std::clamp(percent, 0, 100) * TFirstTimeInitializationForm::BarWidth / 100;
}

int ProgressTextIndex(int percent) {
    return std::clamp(percent * (TFirstTimeInitializationForm::TextCount - 1) / 100, 0,
                      TFirstTimeInitializationForm::TextCount - 1);
}

std::string PadProgressText(std::string text, const std::function<int(const std::string&)>& measure,
                            int minWidth) {
    bool atEnd = true;
    int width = measure(text);
    while (width < minWidth) {
        text = atEnd ? text + " " : " " + text;
        atEnd = !atEnd;
        int wider = measure(text);
        // A face whose space has no width would never get there.
        if (wider <= width) {
            break;
        }
        width = wider;
    }
    return text;
}

std::string ProgressImageLanguageId(const fs::path& dataFolder, int systemLanguageId) {
    std::string id = std::to_string(systemLanguageId);
    if (FileExistsNoCase(dataFolder / "gfx" / "1stTimeInit" / ("progressfill" + id + ".gif"))) {
        return id;
    }
    return "1033";
}

std::unique_ptr<IGFontFace> OpenProgressFace(IGFontRasterizer& rasterizer, const PGXMLNode& config,
                                             const fs::path& dataFolder) {
    PGXMLCollection faces = config->GetCollection("FontFace");
    for (size_t i = 0; i < faces->Count(); ++i) {
        PGXMLNode face = faces->GetItem(i);
        if (LowerAscii(face->GetString("Name")) == "verdana") {
            TGRasterRequest request;
            std::string file = face->GetString("File");
            std::replace(file.begin(), file.end(), '\\', '/');
            request.FaceFile = ResolveNoCase(dataFolder / file);
            request.PixelHeight = static_cast<int>(std::lround(FaceSizePoints * 96.0 / 72.0));
            return rasterizer.OpenFace(request);
        }
    }
    throw EGError("TFirstTimeInitializationForm.Create", "face \"Verdana\" is not mapped to a face file");
}

TFirstTimeInitializationForm::TFirstTimeInitializationForm(const fs::path& dataFolder, int systemLanguageId,
                                                           IGTickSource& ticks,
                                                           std::unique_ptr<IGFontFace> face,
                                                           IGProgressWindow* window)
    : FTicks(ticks), FFace(std::move(face)), FMetrics(FFace ? FFace->Metrics() : TGFaceMetrics{}),
      FWindow(window), FPixels(static_cast<size_t>(Width) * Height, 0xFF000000u) {
    std::string language = ProgressImageLanguageId(dataFolder, systemLanguageId);
    FBack = LoadPicture(dataFolder, "back.gif");
    FHello = LoadPicture(dataFolder, "hello.gif");
    FFill = LoadPicture(dataFolder, "ProgressFill" + language + ".gif");
    FEmpty = LoadPicture(dataFolder, "ProgressEmpty" + language + ".gif");
}

TFirstTimeInitializationForm::~TFirstTimeInitializationForm() {
    Hide();
}

void TFirstTimeInitializationForm::Show() {
    FShown = true;
    FShownAt = FTicks.NowMs();
    FDisplayedPercent = -1;
    const TGImage24& back = FBack->GetFrame(0);
    DrawImage(back, back.Width, back.Height, 0, 0, false);
    if (FWindow) {
        FWindow->Show(Width, Height);
    }
    Redraw();
    ProcessMessages();
}

void TFirstTimeInitializationForm::ProcessMessages() {
    if (FWindow && FShown) {
        FWindow->ProcessMessages();
    }
}

void TFirstTimeInitializationForm::Hide() {
    if (FShown && FWindow) {
        FWindow->Hide();
    }
    FShown = false;
}

void TFirstTimeInitializationForm::SetPercent(int percent) {
    FPercent = percent;
    if (FShown) {
        Redraw();
    }
}

void TFirstTimeInitializationForm::Redraw() {
    // The greeting runs on time since the window appeared, however unevenly the steps come.
    double counter = static_cast<double>(FTicks.NowMs() - FShownAt) * FramesPerSecond / 1000.0;
    const TGImage24& hello = FHello->GetFrame(static_cast<int>(std::llround(counter) % FHello->FrameCount()));
    DrawImage(hello, hello.Width, hello.Height, HelloX, HelloY, true);
    if (FDisplayedPercent != FPercent) {
        int fill = ProgressFillWidth(FPercent);
        DrawText(
            Translate("@UFirstTimeInitializationForm" + std::to_string(ProgressTextIndex(FPercent) + 1)));
        DrawImage(FEmpty->GetFrame(0), BarWidth, BarHeight, BarX, BarY, false);
        DrawImage(FFill->GetFrame(0), fill, BarHeight, BarX, BarY, false);
        FDisplayedPercent = FPercent;
    }
    if (FWindow && FShown) {
        FWindow->Present(FPixels);
    }
}

const TGGlyphBitmap& TFirstTimeInitializationForm::Glyph(char32_t code) const {
    auto found = FGlyphs.find(code);
    if (found == FGlyphs.end()) {
        found = FGlyphs.emplace(code, FFace->RenderGlyph(code)).first;
    }
    return found->second;
}

int TFirstTimeInitializationForm::TextWidth(const std::string& text) const {
    if (!FFace) {
        return 0;
    }
    int width = 0;
    for (char32_t code : DrawableCodes(text)) {
        width += Glyph(code).Advance;
    }
    return width;
}

void TFirstTimeInitializationForm::DrawImage(const TGImage24& image, int sourceWidth, int sourceHeight, int x,
                                             int y, bool keyed) {
    int width = std::min({sourceWidth, image.Width, Width - x});
    int height = std::min({sourceHeight, image.Height, Height - y});
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const uint8_t* bgr = image.At(column, row);
            if (!keyed || !IsMagenta(bgr)) {
                FPixels[static_cast<size_t>(y + row) * Width + static_cast<size_t>(x + column)] = ToArgb(bgr);
            }
        }
    }
}

void TFirstTimeInitializationForm::DrawText(const std::string& text) {
    if (!FFace) {
        return;
    }
    std::string padded = PadProgressText(
        text, [this](const std::string& s) { return TextWidth(s); }, MinTextWidth);
    int right = std::min(Width, TextX + TextWidth(padded));
    int bottom = std::min(Height, TextY + FMetrics.Ascent + FMetrics.Descent);
    for (int y = TextY; y < bottom; ++y) {
        std::fill(FPixels.begin() + y * Width + TextX, FPixels.begin() + y * Width + right, TextBackground);
    }
    int pen = TextX;
    int baseline = TextY + FMetrics.Ascent;
    for (char32_t code : DrawableCodes(padded)) {
        const TGGlyphBitmap& glyph = Glyph(code);
        for (int gy = 0; gy < glyph.Height; ++gy) {
            int y = baseline - glyph.BearingY + gy;
            for (int gx = 0; gx < glyph.Width; ++gx) {
                int x = pen + glyph.BearingX + gx;
                if (x < TextX || x >= right || y < TextY || y >= bottom || glyph.At(gx, gy) == 0) {
                    continue;
                }
                uint32_t& pixel = FPixels[static_cast<size_t>(y) * Width + static_cast<size_t>(x)];
                pixel = Blend(TextBackground, TextColor, glyph.At(gx, gy));
            }
        }
        pen += glyph.Advance;
    }
}

} // namespace qm
