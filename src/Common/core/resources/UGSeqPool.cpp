#include "UGSeqPool.h"

#include "UGCompress.h"
#include "UGError.h"
#include "UGFileSystem.h"
#include "UGGraphicsDevice.h"
#include "UGGraphicsFile.h"
#include "UGSprite.h"
#include "UGStrings.h"
#include "UGTaggedStream.h"
#include "UGTexturePack.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <system_error>

namespace qm {

namespace {

namespace fs = std::filesystem;

constexpr const char* GfxEndMarker = "< THIS IS THE END OF A GFX FILE >";

constexpr const char* PixelFormatNames[] = {"A4R4G4B4", "A1R5G5B5", "A8R8G8B8", "R5G6B5", "X8R8G8B8"};

// The data was written on a system with "\" separators; every name is kept with "/" so that
// the names stored in archives and the sequence names are the same whichever way they were
// written.
std::string FolderName(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    if (!name.empty() && name.back() != '/') {
        name += '/';
    }
    return name;
}

TGSeqDirRec Normalized(const TGSeqDirRec& dir) {
    TGSeqDirRec result = dir;
    result.Root = FolderName(dir.Root);
    result.Path = FolderName(dir.Path);
    return result;
}

// "gfx/" and "ui/menu/" give "gfx/ui-menu.gfx": one archive per folder, next to the folders.
std::string GfxName(const TGSeqDirRec& dir) {
    std::string path = dir.Path;
    std::replace(path.begin(), path.end(), '/', '-');
    if (!path.empty()) {
        path.pop_back();
    }
    return dir.Root + path + ".gfx";
}

// A file to be written keeps the letter case of an existing file or folder of that name, so that
// data written with other case on a case-sensitive system still finds its folder.
fs::path ResolveForWriting(const fs::path& path) {
    const fs::path resolved = ResolveNoCase(path);
    std::error_code ec;
    if (fs::exists(resolved, ec)) {
        return resolved;
    }
    return ResolveNoCase(path.parent_path()) / path.filename();
}

// The part of a file name before its first dot: "coin.5.png" is the picture "coin".
std::string BaseName(const std::string& fileName) {
    return fileName.substr(0, fileName.find('.'));
}

bool IsAlphaBase(const std::string& base) {
    return base.size() >= 2 && EqualsNoCase(std::string_view(base).substr(base.size() - 2), "_a");
}

struct TFolderListing {
    fs::path Absolute;
    // Root + Path, relative to the data folder.
    std::string Relative;
    std::string Path;
    // Regular files only, in byte order of their lower-cased names, so that sequence order and
    // atlas placement do not depend on the file system.
    std::vector<std::string> Files;
    // The folder's mirror in the per-user cache folder, where masks go when the folder itself
    // may not be written, and the alpha images found there, in the same order.
    fs::path MirrorAbsolute;
    std::vector<std::string> MirrorAlphas;
};

bool ByLowerName(const std::string& a, const std::string& b) {
    const std::string la = LowerAscii(a);
    const std::string lb = LowerAscii(b);
    return la != lb ? la < lb : a < b;
}

std::vector<std::string> RegularFiles(const fs::path& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
    if (ec) {
        return files;
    }
    for (const fs::directory_entry& entry : it) {
        std::error_code typeError;
        if (entry.is_regular_file(typeError)) {
            files.push_back(entry.path().filename().string());
        }
    }
    std::sort(files.begin(), files.end(), ByLowerName);
    return files;
}

TFolderListing ListFolder(const fs::path& dataFolder, const std::string& root, const std::string& path,
                          const TGCacheLocation* caches = nullptr) {
    TFolderListing listing;
    listing.Relative = root + path;
    listing.Path = path;
    std::string folder = listing.Relative;
    while (!folder.empty() && folder.back() == '/') {
        folder.pop_back();
    }
    listing.Absolute = ResolveNoCase(folder.empty() ? dataFolder : dataFolder / folder);
    listing.Files = RegularFiles(listing.Absolute);
    if (caches && !listing.Files.empty()) {
        listing.MirrorAbsolute = caches->MirrorOf(listing.Absolute);
        if (!listing.MirrorAbsolute.empty() && listing.MirrorAbsolute != listing.Absolute) {
            for (const std::string& file : RegularFiles(listing.MirrorAbsolute)) {
                if (HasImageExtension(file) && IsAlphaBase(BaseName(file))) {
                    listing.MirrorAlphas.push_back(file);
                }
            }
        }
    }
    return listing;
}

// Where an alpha image of the listing lies: in the folder, or in its mirror.
fs::path AlphaPath(const TFolderListing& folder, const std::string& fileName) {
    std::error_code ec;
    const fs::path beside = folder.Absolute / fileName;
    if (folder.MirrorAbsolute.empty() || fs::is_regular_file(beside, ec)) {
        return beside;
    }
    return folder.MirrorAbsolute / fileName;
}

// One entry of an archive, decoded. Color is null for entries that carry no picture (alpha
// images and files of other kinds).
struct TGfxEntry {
    std::string FileName;
    std::string ColorName;
    std::string AlphaName;
    std::string SequenceName;
    PGGraphicsFile Color;
    // The separate alpha image, when the picture has no alpha channel of its own.
    PGGraphicsFile Alpha;
};

void WriteName(TGTaggedWriter& out, const std::string& name) {
    if (name.size() > FixedStringSize) {
        throw EGError("TGSeqPool.WriteGfx",
                      Format("\"%s\": name longer than %zu characters", name.c_str(), FixedStringSize));
    }
    out.WriteFixedString256(name);
}

void WriteImageBytes(TGTaggedWriter& out, const std::string& bytes) {
    out.WriteFixedString256(Format("%zu", bytes.size()));
    out.WriteRaw(bytes);
}

// The alpha image of a picture is the first image file of the folder named base + "_a.*". An
// alpha image names itself, which marks it in the archive as a picture of no sequence.
std::string FindAlphaName(const TFolderListing& folder, const std::string& fileName) {
    if (!HasImageExtension(fileName)) {
        return "";
    }
    const std::string base = BaseName(fileName);
    if (IsAlphaBase(base)) {
        return folder.Relative + fileName;
    }
    const std::string prefix = LowerAscii(base) + "_a.";
    for (const std::vector<std::string>* files : {&folder.Files, &folder.MirrorAlphas}) {
        for (const std::string& candidate : *files) {
            if (LowerAscii(candidate).starts_with(prefix) && HasImageExtension(candidate)) {
                return folder.Relative + candidate;
            }
        }
    }
    return "";
}

// Appends the entry of folder.Files[index] to an archive and decodes its pictures. False when
// the entry carries no picture.
bool WriteGfxEntry(TGTaggedWriter& out, const TFolderListing& folder, size_t index, TGfxEntry& entry) {
    entry.FileName = folder.Files[index];
    entry.ColorName = folder.Relative + entry.FileName;
    entry.AlphaName = FindAlphaName(folder, entry.FileName);
    WriteName(out, entry.ColorName);
    WriteName(out, entry.AlphaName);
    if (!HasImageExtension(entry.ColorName) || EqualsNoCase(entry.AlphaName, entry.ColorName)) {
        return false;
    }

    // The pictures are decoded under their data-relative names, as they are when read back
    // from the archive, so that both give the same frame counts and the same error texts.
    std::string colorBytes = ReadWholeFile(folder.Absolute / entry.FileName);
    entry.Color = CreateByExtension(entry.ColorName, &colorBytes, true);
    WriteImageBytes(out, colorBytes);
    if (!entry.Color->GetAlpha() && !entry.AlphaName.empty()) {
        const std::string alphaFile = entry.AlphaName.substr(folder.Relative.size());
        std::string alphaBytes = ReadWholeFile(AlphaPath(folder, alphaFile));
        entry.Alpha = CreateByExtension(entry.AlphaName, &alphaBytes, true);
        WriteImageBytes(out, alphaBytes);
    }
    entry.SequenceName = LowerAscii(folder.Path + BaseName(entry.FileName));
    WriteName(out, entry.SequenceName);
    return true;
}

std::string ReadImageBytes(TGTaggedReader& in, const std::string& name) {
    const std::string sizeText = in.ReadFixedString256();
    if (sizeText.empty() || sizeText.size() > 10 ||
        sizeText.find_first_not_of("0123456789") != std::string::npos) {
        throw EGError("TGSeqPool.ReadGfx",
                      Format("\"%s\": bad picture size \"%s\"", name.c_str(), sizeText.c_str()));
    }
    const unsigned long long size = std::stoull(sizeText);
    if (size > in.Remaining()) {
        throw EGError("TGSeqPool.ReadGfx", Format("\"%s\": picture of %llu bytes, %zu left in the file",
                                                  name.c_str(), size, in.Remaining()));
    }
    return std::string(in.ReadRaw(static_cast<size_t>(size)));
}

// Reads the next entry; false at the end marker. An entry that is out of step raises the
// engine error.
bool ReadGfxEntry(TGTaggedReader& in, TGfxEntry& entry) {
    const size_t start = in.Position();
    entry.ColorName = in.ReadFixedString256();
    if (entry.ColorName == GfxEndMarker) {
        return false;
    }
    // Every archive lives under the graphics root, so any other name means the reader has lost
    // step with the entries.
    if (entry.ColorName.size() < 3 || !StartsWithNoCase(entry.ColorName, "gfx")) {
        throw EGError("TGSeqPool.ReadGfx", Format("entry at byte %zu: \"%s\" is not a picture name", start,
                                                  entry.ColorName.c_str()));
    }
    entry.AlphaName = in.ReadFixedString256();
    if (!HasImageExtension(entry.ColorName) || EqualsNoCase(entry.AlphaName, entry.ColorName)) {
        return true;
    }
    std::string colorBytes = ReadImageBytes(in, entry.ColorName);
    entry.Color = CreateByExtension(entry.ColorName, &colorBytes, true);
    if (!entry.Color->GetAlpha() && !entry.AlphaName.empty()) {
        std::string alphaBytes = ReadImageBytes(in, entry.AlphaName);
        entry.Alpha = CreateByExtension(entry.AlphaName, &alphaBytes, true);
    }
    entry.SequenceName = in.ReadFixedString256();
    if (entry.SequenceName.empty()) {
        throw EGError("TGSeqPool.ReadGfx", Format("\"%s\": no sequence name", entry.ColorName.c_str()));
    }
    return true;
}

// A separate alpha image made for other frames would be drawn over the wrong pixels.
void CheckAlpha(const TGfxEntry& entry, const IGGraphicsFile& color, const IGGraphicsFile& alpha) {
    if (alpha.FrameCount() != color.FrameCount()) {
        throw EGError("TGSeqPool.LoadSeqDir",
                      Format("\"%s\": %d alpha frames for %d frames of \"%s\"", entry.AlphaName.c_str(),
                             alpha.FrameCount(), color.FrameCount(), entry.ColorName.c_str()));
    }
    for (int i = 0; i < color.FrameCount(); ++i) {
        const TGImage24& c = color.GetFrame(i);
        const TGImage24& a = alpha.GetFrame(i);
        if (c.Width != a.Width || c.Height != a.Height) {
            throw EGError("TGSeqPool.LoadSeqDir",
                          Format("\"%s\": alpha frame %dx%d for a frame %dx%d of \"%s\"",
                                 entry.AlphaName.c_str(), a.Width, a.Height, c.Width, c.Height,
                                 entry.ColorName.c_str()));
        }
    }
}

// Opens every bundle, so that a file of another kind or of an older layout is never read as one.
constexpr const char* BundleSignature = "Quillmark sequence bundle 2";

std::string KeyText(uint64_t key) {
    return Format("%016llx", static_cast<unsigned long long>(key));
}

void HashText(uint64_t& hash, const std::string& text) {
    // The length first, so that "ab" + "c" and "a" + "bc" differ.
    hash = HashBytes64(Format("%zu:", text.size()), hash);
    hash = HashBytes64(text, hash);
}

// Names, sizes and times of a source file, or that it is missing.
void HashFileStamp(uint64_t& hash, const fs::path& file) {
    std::error_code sizeError;
    std::error_code timeError;
    const uintmax_t size = fs::file_size(file, sizeError);
    const fs::file_time_type time = fs::last_write_time(file, timeError);
    HashText(hash, file.filename().string());
    HashText(hash, sizeError || timeError
                       ? std::string("missing")
                       : Format("%ju,%lld", size, static_cast<long long>(time.time_since_epoch().count())));
}

// Raises the engine error when a sprite read from a bundle reaches outside itself or its atlas:
// drawing trusts these rectangles.
void CheckBundleSprite(const TGSprite& sprite, const std::string& sequence) {
    const auto fail = [&](const std::string& what) {
        throw EGError("TGSeqPool.LoadBundle", Format("sequence \"%s\": %s", sequence.c_str(), what.c_str()));
    };
    const int width = sprite.PixelWidth();
    const int height = sprite.PixelHeight();
    if (width < 1 || height < 1 || width > MaxPictureSide || height > MaxPictureSide) {
        fail(Format("sprite of %dx%d pixels", width, height));
    }
    const auto inside = [](const TGRect& r, int w, int h) {
        return r.Left >= 0 && r.Top >= 0 && r.Left <= r.Right && r.Top <= r.Bottom && r.Right <= w &&
               r.Bottom <= h;
    };
    const TGTexturePack& pack = sprite.Pack();
    for (int i = 0; i < sprite.FragmentCount(); ++i) {
        const TGSpriteFragment& fragment = sprite.Fragment(i);
        const TGRect& part = fragment.SpriteRect;
        const TGRect& atlas = fragment.AtlasRect;
        if (!inside(part, width, height) || !inside(atlas, pack.TextureWidth(), pack.TextureHeight()) ||
            part.Width() != atlas.Width() || part.Height() != atlas.Height()) {
            fail(Format("fragment %d: (%d,%d)-(%d,%d) of a %dx%d sprite at (%d,%d)-(%d,%d) of a %dx%d atlas",
                        i, part.Left, part.Top, part.Right, part.Bottom, width, height, atlas.Left, atlas.Top,
                        atlas.Right, atlas.Bottom, pack.TextureWidth(), pack.TextureHeight()));
        }
    }
}

} // namespace

TGSeqPool::TGSeqPool(const TGResContextRec& context, const TGResourceDef& def)
    : TGResource(context, def), FDevice(context.Device), FDataFolder(context.DataFolder) {
    if (!FDevice) {
        throw EGError("TGSeqPool.Create", Format("\"%s\": no graphics device", Id().c_str()));
    }
    FPixelFormat = StrToPixelFormat(def.GetString("PixelFormat"));
    if (def.GetBoolDef("AdjustPixelFormat", true)) {
        FPixelFormat = FDevice->AdjustFormat(FPixelFormat);
    }
    F16Bit = FDevice->Is16BitMode();
    FRenderTarget = def.GetBoolDef("RenderTarget", false);
    const bool ignoreBundle = def.GetBoolDef("IgnoreBundle", false);
    FExportMaps = def.GetBoolDef("ExportTextureMaps", false);
    FTextureWidth = def.GetIntDef("TextureWidth", 0);
    FTextureHeight = def.GetIntDef("TextureHeight", 0);
    const bool generateGfx = def.GetBoolDef("GenerateGFX", true);
    for (const TGResourceDef& child : def.Children("SeqDir")) {
        TGSeqDirRec dir;
        dir.Root = child.GetStringDef("Root", "");
        dir.Path = child.GetStringDef("Path", "");
        dir.AutoMask = child.GetBoolDef("AutoMask", false);
        dir.GenerateGFX = generateGfx && child.GetBoolDef("GenerateGFX", true);
        FSeqDirs.push_back(dir);
    }
    for (const TGResourceDef& child : def.Children("SeqAttribute")) {
        FAttributes.push_back({child.GetString("Id"), child.GetBoolDef("Aligned", false)});
    }

    CreatePack();
    FSettingsKey = ComputeSettingsKey();
    FSourcesKey = ComputeSourcesKey();
    std::error_code ec;
    if (ignoreBundle || !fs::is_regular_file(BundleFile(), ec) || !LoadBundle()) {
        BuildFromFolders();
        // The build may have added masks and archives beside the pictures; the next start sees
        // them, so the bundle is keyed with them.
        FSourcesKey = ComputeSourcesKey();
    }
}

TGSeqPool::~TGSeqPool() {
    // A cache that cannot be written only costs the next start its build time; the pool is
    // going away either way, so the failure is reported and dropped.
    try {
        WriteBundle();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "TGSeqPool.WriteBundle: \"%s\": %s\n", BundleFile().c_str(), error.what());
    }
    FSequences.clear();
    FPack.reset();
}

int TGSeqPool::StrToPixelFormat(const std::string& name) {
    for (int i = 0; i < static_cast<int>(std::size(PixelFormatNames)); ++i) {
        if (name == PixelFormatNames[i]) {
            return i;
        }
    }
    throw EGError("TGSeqPool.StrToPixelFormat", Format("Invalid pixel format: \"%s\"", name.c_str()));
}

TGSequence& TGSeqPool::GetSequence(int index) const {
    if (index < 0 || index >= Count()) {
        throw EGError("TGSeqPool.GetSequence",
                      Format("\"%s\": index %d out of range 0..%d", Id().c_str(), index, Count() - 1));
    }
    return *FSequences[static_cast<size_t>(index)];
}

TGSequence* TGSeqPool::FindSequence(const std::string& name) const {
    const std::string lower = LowerAscii(name);
    for (const auto& sequence : FSequences) {
        if (LowerAscii(sequence->Name()) == lower) {
            return sequence.get();
        }
    }
    return nullptr;
}

void TGSeqPool::CollectSequences(std::vector<TGSequence*>& out) const {
    for (const auto& sequence : FSequences) {
        out.push_back(sequence.get());
    }
}

fs::path TGSeqPool::CacheFolder() const {
    return Context().UserFolder / (F16Bit ? "cache16" : "cache32");
}

fs::path TGSeqPool::BundleFile() const {
    return CacheFolder() / ("_" + Id() + ".bun");
}

void TGSeqPool::CreatePack() {
    FPack =
        std::make_unique<TGTexturePack>(*FDevice, FRenderTarget, FPixelFormat, FTextureWidth, FTextureHeight);
}

void TGSeqPool::BuildFromFolders() {
    for (const TGSeqDirRec& raw : FSeqDirs) {
        if (Context().Progress) {
            Context().Progress(Format("First Time Initialization: Extracting \"%s/%s\"", raw.Root.c_str(),
                                      raw.Path.c_str()));
        }
        const TGSeqDirRec dir = Normalized(raw);
        LoadSeqDir(dir, dir.GenerateGFX);
    }
}

void TGSeqPool::LoadSeqDir(const TGSeqDirRec& dir, bool generate) {
    // 16-bit atlases band visibly without an ordered dither.
    const bool dither = FPack->Format() == pfA4R4G4B4 || FPack->Format() == pfA1R5G5B5;

    auto addSequence = [&](const TGfxEntry& entry, const fs::path* maskFolder) {
        const TGCacheLocation& caches = Context().Caches;
        const TGDitherFilter color(*entry.Color, dither);
        PGGraphicsFile alpha = color.GetAlpha();
        if (!alpha) {
            if (entry.Alpha) {
                CheckAlpha(entry, color, *entry.Alpha);
                alpha = std::make_shared<TGDitherFilter>(*entry.Alpha, dither);
            } else if (dir.AutoMask) {
                const TGMaskFilter mask(*entry.Color);
                // Kept next to the picture so that the next build finds it as an ordinary alpha
                // image and an artist can retouch it.
                // Where the folder may not be written, the mask goes to its mirror; where it
                // cannot be written at all, the pool goes on with the mask it made.
                if (maskFolder) {
                    std::string maskName = BaseName(entry.FileName) + "_a";
                    if (mask.FrameCount() > 1) {
                        maskName += Format(".%d", mask.FrameCount());
                    }
                    const fs::path maskFile = *maskFolder / (maskName + ".jpg");
                    const TGCacheLocation::TWriteResult written =
                        caches.Write(maskFile, EncodeFramesJpeg(mask, maskFile.string()));
                    if (!written) {
                        std::fprintf(stderr, "TGSeqPool.LoadSeqDir: mask not kept: %s\n",
                                     written.Error.c_str());
                    }
                }
                alpha = std::make_shared<TGDitherFilter>(mask, dither);
            }
        }
        auto sequence = std::make_unique<TGSequence>(entry.SequenceName);
        const bool aligned = IsAligned(entry.SequenceName);
        for (int i = 0; i < color.FrameCount(); ++i) {
            const TGImage24& frame = color.GetFrame(i);
            auto sprite = std::make_unique<TGSprite>(*FDevice, frame.Width, frame.Height, *FPack, aligned);
            sprite->SetImage(frame, alpha ? &alpha->GetFrame(i) : nullptr);
            sequence->Add(std::move(sprite));
        }
        FSequences.push_back(std::move(sequence));
    };

    const TFolderListing folder = ListFolder(FDataFolder, dir.Root, dir.Path, &Context().Caches);
    const fs::path gfxFile = ResolveForWriting(FDataFolder / GfxName(dir));
    if (!folder.Files.empty()) {
        // Without generation the archive is still assembled: it is what decodes the pictures.
        std::string archive;
        TGTaggedWriter out(archive);
        for (size_t i = 0; i < folder.Files.size(); ++i) {
            TGfxEntry entry;
            if (WriteGfxEntry(out, folder, i, entry)) {
                addSequence(entry, &folder.Absolute);
            }
        }
        out.WriteFixedString256(GfxEndMarker);
        // An archive that cannot be kept only means the next rebuild decodes the folder again.
        if (generate) {
            const TGCacheLocation::TWriteResult written = Context().Caches.Refresh(gfxFile, archive);
            if (!written) {
                std::fprintf(stderr, "TGSeqPool.LoadSeqDir: archive not kept: %s\n", written.Error.c_str());
            }
        }
        return;
    }

    const std::optional<fs::path> found = FindArchive(dir);
    if (!found) {
        return;
    }
    const fs::path archiveFile = *found;
    const std::string bytes = ReadWholeFile(archiveFile);
    TGTaggedReader in(bytes);
    for (;;) {
        TGfxEntry entry;
        try {
            if (!ReadGfxEntry(in, entry)) {
                break;
            }
        } catch (const std::exception& error) {
            // What was read before the damage is still good art; the rest is lost until the
            // archive is rebuilt.
            std::fprintf(stderr, "TGSeqPool.LoadSeqDir: \"%s\": reading stopped: %s\n", archiveFile.c_str(),
                         error.what());
            break;
        }
        if (entry.Color) {
            addSequence(entry, nullptr);
        }
    }
}

std::optional<fs::path> TGSeqPool::FindArchive(const TGSeqDirRec& dir) const {
    // Any archive will do: without the pictures there is nothing to be more current than.
    return Context().Caches.FindCurrent(FDataFolder / GfxName(dir), [](const fs::path&) { return true; });
}

bool TGSeqPool::HasImageSource() const {
    for (const TGSeqDirRec& raw : FSeqDirs) {
        const TGSeqDirRec dir = Normalized(raw);
        if (!ListFolder(FDataFolder, dir.Root, dir.Path).Files.empty() || FindArchive(dir)) {
            return true;
        }
    }
    return false;
}

uint64_t TGSeqPool::ComputeSettingsKey() const {
    uint64_t hash = HashSeed64;
    HashText(hash, Format("format %d 16bit %d target %d texture %dx%d", FPixelFormat, F16Bit, FRenderTarget,
                          FTextureWidth, FTextureHeight));
    for (const TGSeqAttributeRec& attribute : FAttributes) {
        HashText(hash, Format("attribute %d ", attribute.Aligned) + attribute.Id);
    }
    for (const TGSeqDirRec& raw : FSeqDirs) {
        const TGSeqDirRec dir = Normalized(raw);
        HashText(hash, Format("dir %d %d ", dir.AutoMask, dir.GenerateGFX) + dir.Root + "|" + dir.Path);
    }
    return hash;
}

uint64_t TGSeqPool::ComputeSourcesKey() const {
    uint64_t hash = HashSeed64;
    HashText(hash, FDataFolder.string());
    for (const TGSeqDirRec& raw : FSeqDirs) {
        const TGSeqDirRec dir = Normalized(raw);
        const TFolderListing folder = ListFolder(FDataFolder, dir.Root, dir.Path, &Context().Caches);
        for (const std::string& file : folder.Files) {
            HashFileStamp(hash, folder.Absolute / file);
        }
        for (const std::string& file : folder.MirrorAlphas) {
            HashFileStamp(hash, folder.MirrorAbsolute / file);
        }
        // Without pictures in the folder, its archive is what the pool is built from.
        if (folder.Files.empty()) {
            const std::optional<fs::path> archive = FindArchive(dir);
            HashFileStamp(hash, archive ? *archive : FDataFolder / GfxName(dir));
        }
    }
    return hash;
}

bool TGSeqPool::LoadBundle() {
    const fs::path bundle = BundleFile();
    try {
        const std::string data = ZDecompress(ReadWholeFile(bundle));
        TGTaggedReader in(data);
        if (in.ReadString() != BundleSignature) {
            throw EGError("TGSeqPool.LoadBundle", "not a sequence bundle of this version");
        }
        if (in.ReadString() != KeyText(FSettingsKey)) {
            throw EGError("TGSeqPool.LoadBundle", "made for other settings of the pool");
        }
        // Without any picture or archive left the bundle is the only copy of the art, and
        // stays in use whatever the folders held when it was made.
        if (in.ReadString() != KeyText(FSourcesKey) && HasImageSource()) {
            throw EGError("TGSeqPool.LoadBundle", "made from other pictures");
        }
        FPack->Read(in);
        const int32_t count = in.ReadInteger();
        if (count < 0) {
            throw EGError("TGSeqPool.LoadBundle", Format("%d sequences", count));
        }
        for (int32_t i = 0; i < count; ++i) {
            auto sequence = std::make_unique<TGSequence>(*FDevice, *FPack, in);
            for (int k = 0; k < sequence->Count(); ++k) {
                CheckBundleSprite(sequence->GetSprite(k), sequence->Name());
            }
            FSequences.push_back(std::move(sequence));
        }
        if (!in.AtEnd()) {
            throw EGError("TGSeqPool.LoadBundle",
                          Format("%zu bytes after the last sequence", in.Remaining()));
        }
        return true;
    } catch (const std::exception& error) {
        // Whatever went wrong, from a damaged count asking for more memory than there is to a
        // bundle made for other settings, the bundle is a cache and is treated as damaged.
        FSequences.clear();
        if (!HasImageSource()) {
            throw EGError("TGSeqPool.LoadBundle", Format("\"%s\": %s", bundle.c_str(), error.what()));
        }
        // The pictures are still there, so a damaged cache only costs a rebuild; the new bundle
        // is written when the pool is freed.
        std::error_code ec;
        fs::remove(bundle, ec);
        CreatePack();
        return false;
    }
}

void TGSeqPool::WriteBundle() const {
    const fs::path bundle = BundleFile();
    std::error_code ec;
    if (fs::exists(bundle, ec)) {
        return;
    }
    std::string data;
    TGTaggedWriter out(data);
    out.WriteString(BundleSignature);
    out.WriteString(KeyText(FSettingsKey));
    out.WriteString(KeyText(FSourcesKey));
    FPack->Write(out);
    out.WriteInteger(Count());
    for (const auto& sequence : FSequences) {
        sequence->WriteToBundle(out);
    }
    CreateFolders(CacheFolder());
    WriteFileAtomic(bundle, ZCompress(data, 1));
    if (FExportMaps) {
        FPack->ExportMaps((CacheFolder() / Id()).string());
    }
}

bool TGSeqPool::IsAligned(const std::string& sequenceName) const {
    return std::any_of(FAttributes.begin(), FAttributes.end(), [&](const TGSeqAttributeRec& attribute) {
        return attribute.Aligned && EqualsNoCase(attribute.Id, sequenceName);
    });
}

void RegisterSeqPoolClass() {
    TGResourceRegistry::Instance().Register(
        "SeqPool", "",
        [](const TGResContextRec& context, const TGResourceDef& def) -> std::unique_ptr<TGResource> {
            return std::make_unique<TGSeqPool>(context, def);
        });
}

fs::path BuildGfxArchive(const fs::path& dataFolder, const std::string& root, const std::string& path) {
    TGSeqDirRec dir;
    dir.Root = root;
    dir.Path = path;
    dir = Normalized(dir);
    const TFolderListing folder = ListFolder(dataFolder, dir.Root, dir.Path);
    if (folder.Files.empty()) {
        throw EGError("BuildGfxArchive",
                      Format("\"%s\": no files in the image folder", (dataFolder / folder.Relative).c_str()));
    }
    std::string archive;
    TGTaggedWriter out(archive);
    for (size_t i = 0; i < folder.Files.size(); ++i) {
        TGfxEntry entry;
        WriteGfxEntry(out, folder, i, entry);
    }
    out.WriteFixedString256(GfxEndMarker);
    const fs::path file = ResolveForWriting(dataFolder / GfxName(dir));
    WriteFileAtomic(file, archive, TGFileAccess::Shared);
    return file;
}

std::vector<TGGfxEntryInfo> ListGfxArchive(const fs::path& file) {
    const std::string bytes = ReadWholeFile(file);
    TGTaggedReader in(bytes);
    std::vector<TGGfxEntryInfo> entries;
    try {
        for (;;) {
            TGfxEntry entry;
            if (!ReadGfxEntry(in, entry)) {
                break;
            }
            entries.push_back({entry.SequenceName, entry.ColorName, entry.AlphaName});
        }
    } catch (const std::exception& error) {
        throw EGError("ListGfxArchive", Format("\"%s\": %s", file.c_str(), error.what()));
    }
    return entries;
}

} // namespace qm
