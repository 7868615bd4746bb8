#include "ContactSheet.h"

#include "ArtPalette.h"
#include "UGFileSystem.h"
#include "UGGraphicsFile.h"
#include "UGStrings.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <system_error>
#include <vector>

namespace artgen {

namespace {

// The sheet is a grid of cells; a picture takes one cell, several side by side when it is an
// animation or wide, and the whole row when it is a strip such as a glyph sheet or a panorama.
constexpr int Margin = 24;
constexpr int Columns = 8;
constexpr int CellWidth = 180;
constexpr int Pad = 8;
constexpr int CellInner = CellWidth - 2 * Pad;
constexpr int RowInner = Columns * CellWidth - 2 * Pad;
constexpr int SheetWidth = 2 * Margin + Columns * CellWidth;
constexpr int TitleHeight = 84;
constexpr int LabelHeight = 34;
constexpr int RowGap = 8;
constexpr int FrameGap = 6;
constexpr int CheckerSize = 8;
// Height limits of pictures that take more than one cell, so that no single one fills the page.
constexpr int WideMaxHeight = 240;
constexpr int LargeMaxHeight = 260;
// A picture at least this many times as wide as high is a strip and gets a row to itself.
constexpr double StripAspect = 2.5;

constexpr TColor CheckerDark{0x5F / 255.0, 0x66 / 255.0, 0x72 / 255.0};
constexpr TColor CheckerLight{0x86 / 255.0, 0x8C / 255.0, 0x98 / 255.0};

struct TSheetEntry {
    std::string Name;      // the sequence name the game gives the picture
    std::string File;      // relative to the data folder
    std::string AlphaFile; // the separate alpha image, relative to the data folder, or empty
    int FrameWidth = 0;
    int FrameHeight = 0;
    int FrameCount = 0;
    std::string Transparency;
    std::vector<cairo_surface_t*> Frames; // the frames shown, owned
    std::string Error;
    // Layout.
    double Scale = 1.0;
    int Span = 1;
    int BoxHeight = 0;
    int Column = 0;
    int Row = 0;
};

struct TFaces {
    FT_Library Library = nullptr;
    cairo_font_face_t* Regular = nullptr;
    cairo_font_face_t* Bold = nullptr;
};

bool IsAlphaBase(const std::string& base) {
    return base.size() >= 2 && qm::LowerAscii(base.substr(base.size() - 2)) == "_a";
}

std::string BaseName(const std::string& fileName) {
    return fileName.substr(0, fileName.find('.'));
}

// Regular files under `folder` (a data-relative path), as data-relative names with "/".
void ListPictures(const fs::path& dataFolder, const std::string& folder, std::vector<std::string>& files) {
    std::error_code ec;
    const fs::path root = dataFolder / folder;
    if (!fs::is_directory(root, ec)) {
        return;
    }
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError)) {
            files.push_back(fs::relative(it->path(), dataFolder, typeError).generic_string());
        }
    }
}

// The entries of one picture folder: its images, with the sequence names the game computes and
// the alpha images found beside them the way the game finds them.
void CollectEntries(const fs::path& dataFolder, const std::string& folder, bool nameFromRoot,
                    std::vector<TSheetEntry>& entries) {
    std::vector<std::string> files;
    ListPictures(dataFolder, folder, files);
    // Byte order of the lower-cased names, as the game lists a folder, so that "the first alpha
    // image" means the same file here and there.
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        const std::string la = qm::LowerAscii(a);
        const std::string lb = qm::LowerAscii(b);
        return la != lb ? la < lb : a < b;
    });
    for (const std::string& file : files) {
        const size_t slash = file.rfind('/');
        const std::string parent = file.substr(0, slash + 1);
        const std::string fileName = file.substr(slash + 1);
        const std::string base = BaseName(fileName);
        if (!qm::HasImageExtension(fileName) || IsAlphaBase(base)) {
            continue;
        }
        TSheetEntry entry;
        entry.File = file;
        const std::string prefix = qm::LowerAscii(parent + base + "_a.");
        for (const std::string& candidate : files) {
            if (qm::LowerAscii(candidate).starts_with(prefix) && qm::HasImageExtension(candidate) &&
                candidate.find('/', parent.size()) == std::string::npos) {
                entry.AlphaFile = candidate;
                break;
            }
        }
        // gfx/ pictures are named below gfx/; no-gfx/ pictures keep their folder in the name.
        const std::string named = nameFromRoot ? parent : parent.substr(folder.size() + 1);
        entry.Name = qm::LowerAscii(named + base);
        entries.push_back(std::move(entry));
    }
}

// A picture folder of the data folder by its name in any letter case, as the game resolves it.
std::string FolderName(const fs::path& dataFolder, const std::string& name) {
    const fs::path resolved = qm::ResolveNoCase(dataFolder / name);
    return resolved.filename().string();
}

cairo_surface_t* FrameSurface(const qm::TGImage24& color, const qm::TGImage24* alpha) {
    cairo_surface_t* surface = NewSurface(color.Width, color.Height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < color.Height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < color.Width; ++x) {
            const uint8_t* bgr = color.At(x, y);
            const uint32_t a = alpha ? alpha->At(x, y)[0] : 255;
            // Cairo keeps colours premultiplied by alpha.
            const uint32_t r = (bgr[2] * a + 127) / 255;
            const uint32_t g = (bgr[1] * a + 127) / 255;
            const uint32_t b = (bgr[0] * a + 127) / 255;
            row[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

bool HasMagenta(const qm::TGImage24& image) {
    for (int y = 0; y < image.Height; ++y) {
        for (int x = 0; x < image.Width; ++x) {
            if (qm::IsMagenta(image.At(x, y))) {
                return true;
            }
        }
    }
    return false;
}

// How many frames of the given width fit side by side in one row.
int FramesPerRow(double frameWidth) {
    return std::max(1, static_cast<int>((RowInner + FrameGap) / (frameWidth + FrameGap)));
}

void Decode(TSheetEntry& entry) {
    // Names are given relative to the data folder, as the game gives them, so that error texts
    // read the same; the decoders take the frame count from the file name alone.
    qm::PGGraphicsFile color = qm::CreateByExtension(entry.File, nullptr, false);
    qm::PGGraphicsFile alpha = color->GetAlpha();
    entry.FrameCount = color->FrameCount();
    const qm::TGImage24& first = color->GetFrame(0);
    entry.FrameWidth = first.Width;
    entry.FrameHeight = first.Height;
    entry.Transparency = alpha ? "alpha" : "opaque";
    if (!alpha && !entry.AlphaFile.empty()) {
        qm::PGGraphicsFile separate = qm::CreateByExtension(entry.AlphaFile, nullptr, false);
        if (separate->FrameCount() == entry.FrameCount && separate->GetFrame(0).Width == first.Width &&
            separate->GetFrame(0).Height == first.Height) {
            alpha = separate;
            entry.Transparency = "alpha image";
        } else {
            entry.Transparency = "alpha image of another size";
        }
    }

    // Layout: how large and over how many cells the picture is shown.
    const double w = entry.FrameWidth;
    const double h = entry.FrameHeight;
    int shown = 1;
    if (entry.FrameCount == 1 && w > CellInner && w >= StripAspect * h) {
        // As many cells as the strip needs at its own size, up to the whole row.
        entry.Scale = std::min({1.0, RowInner / w, WideMaxHeight / h});
        const double strip = std::round(w * entry.Scale);
        entry.Span = std::min(Columns, static_cast<int>(std::ceil((strip + 2 * Pad) / CellWidth)));
    } else if (entry.FrameCount == 1 && w > 2 * CellWidth) {
        entry.Span = 2;
        entry.Scale = std::min({1.0, (2 * CellWidth - 2 * Pad) / w, LargeMaxHeight / h});
    } else {
        entry.Scale = std::min({1.0, CellInner / w, CellInner / h});
        shown = std::min(entry.FrameCount, FramesPerRow(w * entry.Scale));
        const double strip = shown * std::round(w * entry.Scale) + (shown - 1) * FrameGap;
        entry.Span = std::min(Columns, static_cast<int>(std::ceil((strip + 2 * Pad) / CellWidth)));
    }
    entry.BoxHeight = static_cast<int>(std::round(h * entry.Scale));

    bool keyed = false;
    for (int i = 0; i < shown; ++i) {
        const qm::TGImage24& frame = color->GetFrame(i);
        if (alpha) {
            entry.Frames.push_back(FrameSurface(frame, &alpha->GetFrame(i)));
        } else {
            // Without any alpha the colour key is what makes a picture transparent in the game.
            keyed = keyed || HasMagenta(frame);
            const qm::TGImage24 mask = qm::MaskImage(frame);
            entry.Frames.push_back(FrameSurface(frame, &mask));
        }
    }
    if (keyed) {
        entry.Transparency = "colour key";
    }
}

void Checkerboard(cairo_t* cr, int x, int y, int width, int height) {
    cairo_save(cr);
    cairo_rectangle(cr, x, y, width, height);
    cairo_clip(cr);
    SetColor(cr, CheckerDark);
    cairo_paint(cr);
    SetColor(cr, CheckerLight);
    for (int cy = 0; cy < height; cy += CheckerSize) {
        for (int cx = (cy / CheckerSize) % 2 * CheckerSize; cx < width; cx += 2 * CheckerSize) {
            cairo_rectangle(cr, x + cx, y + cy, CheckerSize, CheckerSize);
        }
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

double TextWidth(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

// Long names lose their beginning: the end of a sequence name is the part that tells pictures
// of one folder apart.
std::string Fit(cairo_t* cr, const std::string& text, double width) {
    if (TextWidth(cr, text) <= width) {
        return text;
    }
    const std::string ellipsis = "\xE2\x80\xA6";
    for (size_t cut = 1; cut < text.size(); ++cut) {
        const std::string shorter = ellipsis + text.substr(cut);
        if (TextWidth(cr, shorter) <= width) {
            return shorter;
        }
    }
    return ellipsis;
}

// Shrinks the face a little before it gives up and cuts the text.
void CentredText(cairo_t* cr, const std::string& text, double centreX, double baseline, double width,
                 double size) {
    cairo_set_font_size(cr, size);
    for (double smaller = size - 1; smaller >= size - 2 && TextWidth(cr, text) > width; smaller -= 1) {
        cairo_set_font_size(cr, smaller);
    }
    const std::string fitted = Fit(cr, text, width);
    cairo_move_to(cr, std::round(centreX - TextWidth(cr, fitted) / 2), baseline);
    cairo_show_text(cr, fitted.c_str());
}

std::string Describe(const TSheetEntry& entry) {
    std::string text = std::to_string(entry.FrameWidth) + "x" + std::to_string(entry.FrameHeight);
    if (entry.FrameCount > 1) {
        text += " \xC2\xB7 " + std::to_string(entry.FrameCount) + " frames";
        if (static_cast<int>(entry.Frames.size()) < entry.FrameCount) {
            text += " (" + std::to_string(entry.Frames.size()) + " shown)";
        }
    }
    text += " \xC2\xB7 " + entry.Transparency;
    if (entry.Scale < 1.0) {
        text += " \xC2\xB7 " + std::to_string(std::lround(entry.Scale * 100)) + "%";
    }
    return text;
}

void DrawEntry(cairo_t* cr, const TFaces& faces, const TSheetEntry& entry, int x, int y, int imageHeight) {
    const int width = entry.Span * CellWidth;
    RoundedRect(cr, x + 3, y, width - 6, imageHeight + 2 * Pad + LabelHeight, 6);
    SetColor(cr, palette::Night);
    cairo_fill_preserve(cr);
    SetColor(cr, palette::Parchment, 0.06);
    cairo_fill(cr);

    if (!entry.Error.empty()) {
        const int side = 48;
        const int bx = x + (width - side) / 2;
        const int by = y + Pad + (imageHeight - side) / 2;
        cairo_rectangle(cr, bx + 0.5, by + 0.5, side - 1, side - 1);
        cairo_move_to(cr, bx + 8, by + 8);
        cairo_line_to(cr, bx + side - 8, by + side - 8);
        cairo_move_to(cr, bx + side - 8, by + 8);
        cairo_line_to(cr, bx + 8, by + side - 8);
        SetColor(cr, palette::Coral);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
    } else {
        const int frameWidth = static_cast<int>(std::round(entry.FrameWidth * entry.Scale));
        const int count = static_cast<int>(entry.Frames.size());
        const int strip = count * frameWidth + (count - 1) * FrameGap;
        int fx = x + (width - strip) / 2;
        const int fy = y + Pad + (imageHeight - entry.BoxHeight) / 2;
        for (cairo_surface_t* frame : entry.Frames) {
            Checkerboard(cr, fx, fy, frameWidth, entry.BoxHeight);
            cairo_save(cr);
            cairo_rectangle(cr, fx, fy, frameWidth, entry.BoxHeight);
            cairo_clip(cr);
            cairo_translate(cr, fx, fy);
            cairo_scale(cr, entry.Scale, entry.Scale);
            cairo_set_source_surface(cr, frame, 0, 0);
            // Pictures at their own size keep every pixel; reduced ones are filtered properly.
            cairo_pattern_set_filter(cairo_get_source(cr),
                                     entry.Scale < 1.0 ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
            cairo_paint(cr);
            cairo_restore(cr);
            cairo_rectangle(cr, fx - 0.5, fy - 0.5, frameWidth + 1, entry.BoxHeight + 1);
            SetColor(cr, palette::Ink, 0.8);
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
            fx += frameWidth + FrameGap;
        }
    }

    const double centre = x + width / 2.0;
    const double labelTop = y + imageHeight + 2 * Pad;
    const double textWidth = width - 2 * Pad;
    cairo_set_font_face(cr, faces.Bold);
    SetColor(cr, palette::Parchment);
    CentredText(cr, entry.Name, centre, labelTop + 11, textWidth, 12);
    cairo_set_font_face(cr, faces.Regular);
    if (entry.Error.empty()) {
        SetColor(cr, palette::SeaGlass);
        CentredText(cr, Describe(entry), centre, labelTop + 26, textWidth, 10);
    } else {
        SetColor(cr, palette::Coral);
        CentredText(cr, "cannot be decoded", centre, labelTop + 26, textWidth, 10);
    }
}

// The title in the style of the game's own titles: bold, brass gradient, ink outline, shadow.
void DrawTitle(cairo_t* cr, const TFaces& faces, size_t count) {
    const std::string title = "Quillmark art";
    const double x = Margin;
    const double baseline = Margin + 30;
    cairo_set_font_face(cr, faces.Bold);
    cairo_set_font_size(cr, 32);
    cairo_move_to(cr, x + ShadowOffsetX * 1.5, baseline + ShadowOffsetY * 1.5);
    cairo_text_path(cr, title.c_str());
    SetColor(cr, TColor{0, 0, 0}, ShadowAlpha + 0.2);
    cairo_fill(cr);
    cairo_move_to(cr, x, baseline);
    cairo_text_path(cr, title.c_str());
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 4);
    SetColor(cr, palette::Ink);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* brass =
        VerticalGradient(baseline - 24, baseline, palette::BrassLight, palette::BrassDark);
    cairo_set_source(cr, brass);
    cairo_fill(cr);
    cairo_pattern_destroy(brass);

    const std::string subtitle = std::to_string(count) + (count == 1 ? " picture" : " pictures") +
                                 " of gfx/, no-gfx/ and icons/, by sequence name, on a checkerboard where "
                                 "they are transparent";
    cairo_set_font_face(cr, faces.Regular);
    cairo_set_font_size(cr, 14);
    cairo_move_to(cr, x + 1, baseline + 27);
    SetColor(cr, TColor{0, 0, 0}, ShadowAlpha);
    cairo_show_text(cr, subtitle.c_str());
    cairo_move_to(cr, x, baseline + 26);
    SetColor(cr, palette::Parchment);
    cairo_show_text(cr, subtitle.c_str());
}

cairo_font_face_t* LoadFace(FT_Library library, const fs::path& path) {
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        Fail("missing or unreadable face " + path.string() + " (needed by the contact sheet)");
    }
    // The FreeType face stays open to the end of the program: Cairo may keep glyphs cached.
    return cairo_ft_font_face_create_for_ft_face(face, 0);
}

} // namespace

void DrawContactSheet(const fs::path& dataFolder, const fs::path& output) {
    std::error_code ec;
    const fs::path data = fs::absolute(dataFolder, ec);
    const fs::path target = fs::absolute(output, ec);
    if (!fs::is_directory(data, ec)) {
        Fail("no data folder at " + dataFolder.string());
    }

    TFaces faces;
    if (FT_Init_FreeType(&faces.Library) != 0) {
        Fail("FreeType cannot start");
    }
    const fs::path fonts = qm::ResolveNoCase(data / "fonts");
    faces.Regular = LoadFace(faces.Library, fonts / "DejaVuSans.ttf");
    faces.Bold = LoadFace(faces.Library, fonts / "DejaVuSans-Bold.ttf");

    std::vector<TSheetEntry> entries;
    CollectEntries(data, FolderName(data, "gfx"), false, entries);
    CollectEntries(data, FolderName(data, "no-gfx"), true, entries);
    CollectEntries(data, FolderName(data, "icons"), true, entries);
    std::sort(entries.begin(), entries.end(), [](const TSheetEntry& a, const TSheetEntry& b) {
        return a.Name != b.Name ? a.Name < b.Name : a.File < b.File;
    });

    // The decoders resolve names against the working folder, as in the game.
    const fs::path previous = fs::current_path(ec);
    fs::current_path(data, ec);
    if (ec) {
        Fail("cannot enter " + data.string() + ": " + ec.message());
    }
    for (TSheetEntry& entry : entries) {
        try {
            Decode(entry);
        } catch (const std::exception& error) {
            entry.Error = error.what();
            entry.Span = 1;
            entry.BoxHeight = 64;
            std::fprintf(stderr, "quillmark-artgen: %s: %s\n", entry.File.c_str(), error.what());
        }
    }
    fs::current_path(previous, ec);

    // Rows: pictures in name order, a new row whenever the next one does not fit.
    std::vector<int> rowHeights;
    int column = Columns;
    for (TSheetEntry& entry : entries) {
        if (column + entry.Span > Columns) {
            rowHeights.push_back(0);
            column = 0;
        }
        entry.Column = column;
        entry.Row = static_cast<int>(rowHeights.size()) - 1;
        rowHeights.back() = std::max(rowHeights.back(), entry.BoxHeight);
        column += entry.Span;
    }
    std::vector<int> rowTops;
    int height = Margin + TitleHeight;
    for (int rowHeight : rowHeights) {
        rowTops.push_back(height);
        height += rowHeight + 2 * Pad + LabelHeight + RowGap;
    }
    if (entries.empty()) {
        height += LabelHeight;
    }
    height += Margin;

    cairo_surface_t* sheet = NewSurface(SheetWidth, height);
    cairo_t* cr = cairo_create(sheet);
    SetColor(cr, palette::Night);
    cairo_paint(cr);
    DrawTitle(cr, faces, entries.size());
    for (const TSheetEntry& entry : entries) {
        const size_t row = static_cast<size_t>(entry.Row);
        DrawEntry(cr, faces, entry, Margin + entry.Column * CellWidth, rowTops[row], rowHeights[row]);
    }
    if (entries.empty()) {
        cairo_set_font_face(cr, faces.Regular);
        cairo_set_font_size(cr, 14);
        SetColor(cr, palette::Coral);
        cairo_move_to(cr, Margin, Margin + TitleHeight + 16);
        cairo_show_text(cr, "No pictures found.");
    }
    cairo_destroy(cr);
    for (TSheetEntry& entry : entries) {
        for (cairo_surface_t* frame : entry.Frames) {
            cairo_surface_destroy(frame);
        }
    }
    cairo_font_face_destroy(faces.Regular);
    cairo_font_face_destroy(faces.Bold);

    fs::create_directories(target.parent_path(), ec);
    cairo_surface_flush(sheet);
    const cairo_status_t status = cairo_surface_write_to_png(sheet, target.c_str());
    cairo_surface_destroy(sheet);
    if (status != CAIRO_STATUS_SUCCESS) {
        Fail("cannot write " + target.string() + ": " + cairo_status_to_string(status));
    }
}

} // namespace artgen
