#include "UGTexturePack.h"
#include "UGError.h"
#include "UGFileSystem.h"
#include "UGStrings.h"
#include "UGTaggedStream.h"

#include <algorithm>
#include <cstring>

namespace qm {

namespace {

int32_t RoundUp(int32_t value, int32_t step) {
    return (value + step - 1) / step * step;
}

bool IsPowerOfTwo(int value) {
    return value > 0 && (value & (value - 1)) == 0;
}

int NextPowerOfTwo(int value) {
    int result = 1;
    while (result < value) {
        result <<= 1;
    }
    return result;
}

// The fewest bytes a record of each kind takes: an integer is a tag and one byte, a boolean
// one tag, a cell a string of one character (tag, length, character), a float a tag and ten
// bytes.
constexpr size_t MinIntegerBytes = 2;
constexpr size_t MinCellBytes = 3;
constexpr size_t MinRowBytes = MinIntegerBytes;
constexpr size_t MinLogEntryBytes = 1 + 5 * MinIntegerBytes;
constexpr size_t MinAllocatorBytes = 5 * MinIntegerBytes + 3 * MinIntegerBytes + 11;
constexpr size_t MinAtlasBytes = MinAllocatorBytes + MinIntegerBytes;

// A count read from a bundle. The items it counts are still to be read, so a count asking for
// more of them than the bytes left can hold comes from a damaged record and must not size an
// allocation.
size_t ReadCount(TGTaggedReader& in, const char* context, size_t minItemBytes) {
    size_t at = in.Position();
    int32_t count = in.ReadInteger();
    if (count < 0 || static_cast<size_t>(count) > in.Remaining() / minItemBytes) {
        throw EGError(context, qm::Format("invalid count %d at position %zu", count, at));
    }
    return static_cast<size_t>(count);
}

// A placement lies inside its texture, with its edges in order.
bool FitsIn(const TGRect& rect, int width, int height) {
    return rect.Left >= 0 && rect.Top >= 0 && rect.Left <= rect.Right && rect.Top <= rect.Bottom &&
           rect.Right <= width && rect.Bottom <= height;
}

void AppendLE(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>(static_cast<uint8_t>(value >> (8 * i))));
    }
}

} // namespace

TGRectAllocator::TGRectAllocator(int spacing, int width, int height, int granularity)
    : FSpacing(spacing), FWidth(width), FHeight(height),
      FGranularity(granularity), FXCuts{0, RoundUp(width, granularity)}, FYCuts{0,
                                                                                RoundUp(height, granularity)},
      FCells(2, std::vector<uint8_t>(2, 0)) {}

bool TGRectAllocator::IsFree(size_t row, size_t column, int32_t right, int32_t bottom) const {
    for (size_t i = row; FYCuts[i] < bottom; ++i) {
        for (size_t j = column; FXCuts[j] < right; ++j) {
            if (FCells[i][j] != 0) {
                return false;
            }
        }
    }
    return true;
}

std::optional<TGRect> TGRectAllocator::Place(int width, int height) {
    if (width < 0 || height < 0 || width > FWidth || height > FHeight) {
        return std::nullopt;
    }
    int32_t footWidth = RoundUp(width + FSpacing, FGranularity);
    int32_t footHeight = RoundUp(height + FSpacing, FGranularity);
    int32_t lastX = FXCuts.back();
    int32_t lastY = FYCuts.back();
    // Cuts only grow along a row or column, so the first position that runs over an edge ends
    // the scan of that direction.
    for (size_t i = 0; i + 1 < FYCuts.size(); ++i) {
        int32_t y = FYCuts[i];
        if (y + footHeight > lastY || y + height > FHeight) {
            break;
        }
        for (size_t j = 0; j + 1 < FXCuts.size(); ++j) {
            int32_t x = FXCuts[j];
            if (x + footWidth > lastX || x + width > FWidth) {
                break;
            }
            if (!IsFree(i, j, x + footWidth, y + footHeight)) {
                continue;
            }
            SplitY(y + footHeight);
            SplitX(x + footWidth);
            for (size_t row = i; FYCuts[row] < y + footHeight; ++row) {
                for (size_t column = j; FXCuts[column] < x + footWidth; ++column) {
                    FCells[row][column] = 1;
                }
            }
            FLastRow = static_cast<int>(i);
            FUsedArea += static_cast<double>(width) * static_cast<double>(height);
            return TGRect{y + 1, x + 1, x + 1 + width, y + 1 + height};
        }
    }
    return std::nullopt;
}

void TGRectAllocator::SplitX(int32_t x) {
    if (x < FXCuts.front() || x > FXCuts.back()) {
        throw EGError::Failed("HSplit");
    }
    auto at = std::lower_bound(FXCuts.begin(), FXCuts.end(), x);
    if (*at == x) {
        return;
    }
    auto column = at - FXCuts.begin();
    FXCuts.insert(at, x);
    for (std::vector<uint8_t>& row : FCells) {
        uint8_t state = row[static_cast<size_t>(column - 1)];
        row.insert(row.begin() + column, state);
    }
}

void TGRectAllocator::SplitY(int32_t y) {
    if (y < FYCuts.front() || y > FYCuts.back()) {
        throw EGError::Failed("VSplit");
    }
    auto at = std::lower_bound(FYCuts.begin(), FYCuts.end(), y);
    if (*at == y) {
        return;
    }
    auto row = at - FYCuts.begin();
    FYCuts.insert(at, y);
    std::vector<uint8_t> copy = FCells[static_cast<size_t>(row - 1)];
    FCells.insert(FCells.begin() + row, std::move(copy));
}

void TGRectAllocator::Write(TGTaggedWriter& out) const {
    out.WriteInteger(FSpacing);
    out.WriteInteger(FWidth);
    out.WriteInteger(FHeight);
    out.WriteInteger(FLastRow);
    out.WriteInteger(FGranularity);
    out.WriteInteger(static_cast<int32_t>(FCells.size()));
    for (const std::vector<uint8_t>& row : FCells) {
        out.WriteInteger(static_cast<int32_t>(row.size()));
        for (uint8_t cell : row) {
            out.WriteString(std::string(1, static_cast<char>(cell)));
        }
    }
    for (const std::vector<int32_t>* cuts : {&FXCuts, &FYCuts}) {
        out.WriteInteger(static_cast<int32_t>(cuts->size()));
        for (int32_t cut : *cuts) {
            out.WriteInteger(cut);
        }
    }
    out.WriteFloat(FUsedArea);
}

TGRectAllocator TGRectAllocator::Read(TGTaggedReader& in) {
    const char* context = "TGRectAllocator.Read";
    size_t start = in.Position();
    TGRectAllocator result;
    result.FSpacing = in.ReadInteger();
    result.FWidth = in.ReadInteger();
    result.FHeight = in.ReadInteger();
    result.FLastRow = in.ReadInteger();
    result.FGranularity = in.ReadInteger();
    result.FCells.resize(ReadCount(in, context, MinRowBytes));
    for (std::vector<uint8_t>& row : result.FCells) {
        row.resize(ReadCount(in, context, MinCellBytes));
        for (uint8_t& cell : row) {
            size_t at = in.Position();
            std::string text = in.ReadString();
            if (text.size() != 1 || static_cast<uint8_t>(text[0]) > 1) {
                throw EGError(context, qm::Format("invalid cell at position %zu", at));
            }
            cell = static_cast<uint8_t>(text[0]);
        }
    }
    for (std::vector<int32_t>* cuts : {&result.FXCuts, &result.FYCuts}) {
        cuts->resize(ReadCount(in, context, MinIntegerBytes));
        for (int32_t& cut : *cuts) {
            cut = in.ReadInteger();
        }
    }
    result.FUsedArea = in.ReadFloat();

    // Placement indexes the grid without further checks, so its shape is checked here.
    bool valid = result.FSpacing >= 0 && result.FWidth >= 0 && result.FHeight >= 0 &&
                 result.FGranularity > 0 && result.FXCuts.size() >= 2 && result.FYCuts.size() >= 2 &&
                 result.FCells.size() == result.FYCuts.size() && result.FLastRow >= 0 &&
                 static_cast<size_t>(result.FLastRow) < result.FYCuts.size();
    for (const std::vector<int32_t>* cuts : {&result.FXCuts, &result.FYCuts}) {
        valid = valid &&
                std::adjacent_find(cuts->begin(), cuts->end(), std::greater_equal<int32_t>()) == cuts->end();
    }
    for (const std::vector<uint8_t>& row : result.FCells) {
        valid = valid && row.size() == result.FXCuts.size();
    }
    if (!valid) {
        throw EGError(context, qm::Format("inconsistent allocator record at position %zu", start));
    }
    return result;
}

TGTexturePack::TGTexturePack(TGGraphicsDevice& device, bool renderTarget, int format, int wantedWidth,
                             int wantedHeight)
    : FDevice(device), FFormat(format), FRenderTarget(renderTarget) {
    if (wantedWidth < 0 || wantedHeight < 0) {
        throw EGError("TGTexturePack.Create", "Invalid TextureSize");
    }
    if (wantedWidth == 0 || wantedHeight == 0) {
        wantedWidth = DefaultTextureSize;
        wantedHeight = DefaultTextureSize;
    }
    if (wantedWidth > TGGraphicsDevice::MaxPackTextureSize ||
        wantedHeight > TGGraphicsDevice::MaxPackTextureSize) {
        throw EGError("TGTexturePack.Create", "TextureSize too large");
    }
    FTextureWidth = NextPowerOfTwo(wantedWidth);
    FTextureHeight = NextPowerOfTwo(wantedHeight);
}

TGTexturePack::TGAtlas TGTexturePack::NewAtlas() const {
    return {FDevice.CreateTexture(FTextureWidth, FTextureHeight, FFormat, FRenderTarget),
            TGRectAllocator(FSpacing, UsableWidth(), UsableHeight(), Granularity)};
}

TGPackPlacement TGTexturePack::NewRect(int width, int height, bool forceNewTexture) {
    const char* context = "TGTexturePack.NewRect";
    if (width < 0 || height < 0 || width > UsableWidth() || height > UsableHeight()) {
        throw EGError::Failed(context);
    }
    if (FReplayCursor < FLog.size()) {
        // A log only comes from a record whose textures Read made again, so even an entry that
        // opened a texture then finds it here.
        const TGPackLogEntry& entry = FLog[FReplayCursor];
        ++FReplayCursor;
        return {entry.TextureIndex, entry.Rect};
    }
    if (!forceNewTexture) {
        for (size_t i = 0; i < FTextures.size(); ++i) {
            if (std::optional<TGRect> rect = FTextures[i].Allocator.Place(width, height)) {
                FLog.push_back({false, static_cast<int>(i), *rect});
                FReplayCursor = FLog.size();
                return {static_cast<int>(i), *rect};
            }
        }
    }
    TGAtlas atlas = NewAtlas();
    std::optional<TGRect> rect = atlas.Allocator.Place(width, height);
    if (!rect) {
        throw EGError::Failed(context);
    }
    FTextures.push_back(std::move(atlas));
    int index = TextureCount() - 1;
    FLog.push_back({true, index, *rect});
    FReplayCursor = FLog.size();
    return {index, *rect};
}

TGTexturePack::TGAtlas& TGTexturePack::AtlasAt(int index, const char* context) {
    if (index < 0 || index >= TextureCount()) {
        throw EGError(context, qm::Format("texture index %d out of 0..%d", index, TextureCount() - 1));
    }
    return FTextures[static_cast<size_t>(index)];
}

const TGTexturePack::TGAtlas& TGTexturePack::AtlasAt(int index, const char* context) const {
    return const_cast<TGTexturePack*>(this)->AtlasAt(index, context);
}

const PGTexture& TGTexturePack::Texture(int index) const {
    return AtlasAt(index, "TGTexturePack.GetTexture").Texture;
}

const TGRectAllocator& TGTexturePack::Allocator(int index) const {
    return AtlasAt(index, "TGTexturePack.GetAllocator").Allocator;
}

TGLockedRect TGTexturePack::Lock(int index, const TGRect* rect, bool writable) {
    return AtlasAt(index, "TGTexturePack.Lock").Texture->Lock(rect, writable);
}

void TGTexturePack::Unlock(int index) {
    AtlasAt(index, "TGTexturePack.Unlock").Texture->Unlock();
}

void TGTexturePack::ExportMaps(const std::string& base) const {
    for (size_t i = 0; i < FTextures.size(); ++i) {
        IGTexture& texture = *FTextures[i].Texture;
        if (texture.Format() != pfA8R8G8B8) {
            throw EGError::Failed("TGTexturePack.ExportMaps");
        }
        int width = texture.Width();
        int height = texture.Height();
        auto rowBytes = static_cast<uint32_t>(width) * 4;
        uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height);
        constexpr uint32_t HeaderBytes = 14 + 40;
        std::string bmp;
        bmp.reserve(HeaderBytes + imageBytes);
        bmp += "BM";
        AppendLE(bmp, HeaderBytes + imageBytes, 4);
        AppendLE(bmp, 0, 4);
        AppendLE(bmp, HeaderBytes, 4);
        AppendLE(bmp, 40, 4);
        AppendLE(bmp, static_cast<uint32_t>(width), 4);
        AppendLE(bmp, static_cast<uint32_t>(height), 4); // positive: rows bottom-up
        AppendLE(bmp, 1, 2);
        AppendLE(bmp, 32, 2);
        AppendLE(bmp, 0, 4); // uncompressed
        AppendLE(bmp, imageBytes, 4);
        AppendLE(bmp, 2835, 4); // 72 dpi
        AppendLE(bmp, 2835, 4);
        AppendLE(bmp, 0, 4);
        AppendLE(bmp, 0, 4);
        {
            // The texels are little-endian A8R8G8B8 words, which is the bitmap's B, G, R, A.
            TGLockGuard lock(texture, false);
            for (int y = height - 1; y >= 0; --y) {
                bmp.append(reinterpret_cast<const char*>(lock.Locked.Bits) +
                               static_cast<size_t>(y) * lock.Locked.Pitch,
                           rowBytes);
            }
        }
        WriteFileAtomic(base + qm::Format("%02zu", i) + ".bmp", bmp);
    }
}

void TGTexturePack::Write(TGTaggedWriter& out) const {
    out.WriteInteger(FFormat);
    out.WriteInteger(FSpacing);
    out.WriteBoolean(FRenderTarget);
    out.WriteInteger(FTextureWidth);
    out.WriteInteger(FTextureHeight);

    out.WriteInteger(TextureCount());
    for (const TGAtlas& atlas : FTextures) {
        atlas.Allocator.Write(out);
    }
    out.WriteInteger(static_cast<int32_t>(FLog.size()));
    for (const TGPackLogEntry& entry : FLog) {
        out.WriteBoolean(entry.NewTexture);
        out.WriteInteger(entry.TextureIndex);
        out.WriteInteger(entry.Rect.Top);
        out.WriteInteger(entry.Rect.Left);
        out.WriteInteger(entry.Rect.Right);
        out.WriteInteger(entry.Rect.Bottom);
    }

    out.WriteInteger(TextureCount());
    for (const TGAtlas& atlas : FTextures) {
        atlas.Allocator.Write(out);
        IGTexture& texture = *atlas.Texture;
        // The texture's own format: the device may have fallen back to 32 bits.
        size_t rowBytes =
            static_cast<size_t>(texture.Width()) * static_cast<size_t>(BytesPerPixel(texture.Format()));
        out.WriteInteger(static_cast<int32_t>(rowBytes));
        TGLockGuard lock(texture, false);
        for (int y = 0; y < texture.Height(); ++y) {
            out.WriteRaw(lock.Locked.Bits + static_cast<size_t>(y) * lock.Locked.Pitch, rowBytes);
        }
    }
}

void TGTexturePack::Read(TGTaggedReader& in) {
    const char* context = "TGTexturePack.Read";
    size_t start = in.Position();
    int format = in.ReadInteger();
    int spacing = in.ReadInteger();
    bool renderTarget = in.ReadBoolean();
    int width = in.ReadInteger();
    int height = in.ReadInteger();
    if (format < pfA4R4G4B4 || format > pfA8R8G8B8 || spacing < 0 || !IsPowerOfTwo(width) ||
        !IsPowerOfTwo(height) || width > TGGraphicsDevice::MaxPackTextureSize ||
        height > TGGraphicsDevice::MaxPackTextureSize || width <= spacing || height <= spacing) {
        throw EGError(context, qm::Format("invalid pack header at position %zu", start));
    }

    // The layout block's allocators are stored again with the textures; those are the ones kept.
    size_t layoutCount = ReadCount(in, context, MinAllocatorBytes);
    for (size_t i = 0; i < layoutCount; ++i) {
        TGRectAllocator::Read(in);
    }
    std::vector<TGPackLogEntry> log(ReadCount(in, context, MinLogEntryBytes));
    for (TGPackLogEntry& entry : log) {
        entry.NewTexture = in.ReadBoolean();
        entry.TextureIndex = in.ReadInteger();
        entry.Rect.Top = in.ReadInteger();
        entry.Rect.Left = in.ReadInteger();
        entry.Rect.Right = in.ReadInteger();
        entry.Rect.Bottom = in.ReadInteger();
        // Sprites placed again by the log draw from these rectangles.
        if (!FitsIn(entry.Rect, width, height)) {
            throw EGError(context,
                          qm::Format("log entry %zu places (%d,%d)-(%d,%d) outside a %dx%d texture",
                                     static_cast<size_t>(&entry - log.data()), entry.Rect.Left,
                                     entry.Rect.Top, entry.Rect.Right, entry.Rect.Bottom, width, height));
        }
    }

    std::vector<TGAtlas> textures(ReadCount(in, context, MinAtlasBytes));
    for (TGAtlas& atlas : textures) {
        atlas.Allocator = TGRectAllocator::Read(in);
        int pitch = in.ReadInteger();
        atlas.Texture = FDevice.CreateTexture(width, height, format, renderTarget);
        TGLockGuard lock(*atlas.Texture, true);
        if (lock.Locked.Pitch != pitch) {
            throw EGError::Failed("TTexturePack.ReadTexture");
        }
        size_t rowBytes = static_cast<size_t>(pitch);
        std::string_view rows = in.ReadRaw(rowBytes * static_cast<size_t>(height));
        for (int y = 0; y < height; ++y) {
            std::memcpy(lock.Locked.Bits + static_cast<size_t>(y) * rowBytes, rows.data() + y * rowBytes,
                        rowBytes);
        }
    }
    for (const TGPackLogEntry& entry : log) {
        if (entry.TextureIndex < 0 || static_cast<size_t>(entry.TextureIndex) >= textures.size()) {
            throw EGError(context, qm::Format("log entry for missing texture %d", entry.TextureIndex));
        }
    }

    FFormat = format;
    FSpacing = spacing;
    FRenderTarget = renderTarget;
    FTextureWidth = width;
    FTextureHeight = height;
    FTextures = std::move(textures);
    FLog = std::move(log);
    FReplayCursor = 0;
}

} // namespace qm
