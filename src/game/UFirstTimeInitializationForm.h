#pragma once

#include "UGFontRasterizer.h"
#include "UGGraphicsFile.h"
#include "UGProgressWindow.h"
#include "UGTimer.h"
#include "UGXMLNode.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// The percentage after `steps` progress steps of a rebuild expected to take stepCount steps;
// it passes 100 when the rebuild takes longer than expected.
int FirstTimePercent(int steps, int stepCount);
// The fill of the progress bar for a percentage: the percentage is limited to 0 .. 100 and
// the bar is BarWidth pixels wide when full.
int ProgressFillWidth(int percent);
// Which of the twenty progress texts (0 .. 19) belongs to a percentage.
int ProgressTextIndex(int percent);
// Widens a text with single spaces, at its end and at its start by turns (end first), until
// `measure` finds it at least minWidth wide, so that it covers the previous, longer text.
std::string PadProgressText(std::string text, const std::function<int(const std::string&)>& measure,
                            int minWidth);
// The language id of the bar pictures: the system's, or "1033" when no fill picture exists
// for it.
std::string ProgressImageLanguageId(const std::filesystem::path& dataFolder, int systemLanguageId);
// The face of the progress text: "Verdana" mapped through the configuration's FontFace
// elements, at size 10. Raises the engine error when the face is not mapped.
std::unique_ptr<IGFontFace> OpenProgressFace(IGFontRasterizer& rasterizer, const PGXMLNode& config,
                                             const std::filesystem::path& dataFolder);

// The window shown while the graphics cache is rebuilt: a background, a greeting animation, a
// progress bar and a line of text that changes as the work advances. The picture is drawn into
// an ARGB buffer of its own and handed to the progress window whole.
//
// The window is redrawn on the main thread at every progress step and when it is shown, not
// by a drawing thread of its own: SDL windows may only be driven from the main thread, and the
// rebuild reports progress often enough for the bar and the animation to move.
class TFirstTimeInitializationForm {
public:
    static constexpr int Width = 492;
    static constexpr int Height = 66;
    static constexpr int BarX = 158;
    static constexpr int BarY = 15;
    static constexpr int BarWidth = 176;
    static constexpr int BarHeight = 22;
    static constexpr int HelloX = 436;
    static constexpr int HelloY = 11;
    static constexpr int TextX = 30;
    static constexpr int TextY = 44;
    static constexpr int MinTextWidth = 407;
    static constexpr int TextCount = 20;
    static constexpr int FramesPerSecond = 10;
    static constexpr uint32_t TextColor = 0xFF5FB9FE;
    static constexpr uint32_t TextBackground = 0xFF00345C;

    // Loads the four pictures from the data folder. Without a face no text is drawn; without a
    // window the picture is only drawn into the buffer.
    TFirstTimeInitializationForm(const std::filesystem::path& dataFolder, int systemLanguageId,
                                 IGTickSource& ticks, std::unique_ptr<IGFontFace> face,
                                 IGProgressWindow* window);
    ~TFirstTimeInitializationForm();
    TFirstTimeInitializationForm(const TFirstTimeInitializationForm&) = delete;
    TFirstTimeInitializationForm& operator=(const TFirstTimeInitializationForm&) = delete;

    void Show();
    void Hide();
    // Written by the rebuild at every step; the picture follows at once.
    void SetPercent(int percent);
    int Percent() const { return FPercent; }
    void Redraw();
    void ProcessMessages();

    const std::vector<uint32_t>& Pixels() const { return FPixels; }
    uint32_t Pixel(int x, int y) const {
        return FPixels[static_cast<size_t>(y) * Width + static_cast<size_t>(x)];
    }
    // The width of a text in the face; 0 without a face.
    int TextWidth(const std::string& text) const;

private:
    void DrawImage(const TGImage24& image, int sourceWidth, int sourceHeight, int x, int y, bool keyed);
    void DrawText(const std::string& text);

    IGTickSource& FTicks;
    const TGGlyphBitmap& Glyph(char32_t code) const;

    std::unique_ptr<IGFontFace> FFace;
    TGFaceMetrics FMetrics;
    // Each character of the progress texts is rendered the first time a text needs it.
    mutable std::map<char32_t, TGGlyphBitmap> FGlyphs;
    IGProgressWindow* FWindow;
    PGGraphicsFile FBack;
    PGGraphicsFile FHello;
    PGGraphicsFile FFill;
    PGGraphicsFile FEmpty;
    std::vector<uint32_t> FPixels;
    uint64_t FShownAt = 0;
    int FDisplayedPercent = -1;
    int FPercent = 0;
    bool FShown = false;
};

} // namespace qm
