#pragma once

#include "UGResManager.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class TGGraphicsDevice;
class TGSequence;
class TGTexturePack;

// One image folder of a pool as the definition gives it ("\" or "/" may separate the names);
// GenerateGFX already holds the pool's and the folder's attributes together.
struct TGSeqDirRec {
    std::string Root;
    std::string Path;
    bool AutoMask = false;
    bool GenerateGFX = true;
};

// An aligned sequence gives each of its sprites an atlas texture of its own, starting at the
// texture's top-left corner, whatever room the earlier textures have left.
struct TGSeqAttributeRec {
    std::string Id;
    bool Aligned = false;
};

// The art of one resource: every image file of its folders becomes a named sequence with one
// sprite per frame, all packed into the atlas textures of one texture pack. The first build
// decodes the images (from the folders, or from the ".gfx" archives shipped in their place);
// freeing the pool keeps the finished atlases in a per-user bundle, and later creations load
// that bundle without decoding anything.
class TGSeqPool : public TGResource {
public:
    TGSeqPool(const TGResContextRec& context, const TGResourceDef& def);
    // Writes the bundle when it does not exist yet.
    ~TGSeqPool() override;

    // "A4R4G4B4", "A1R5G5B5", "A8R8G8B8", "R5G6B5", "X8R8G8B8" give 0 to 4.
    static int StrToPixelFormat(const std::string& name);

    int Count() const { return static_cast<int>(FSequences.size()); }
    TGSequence& GetSequence(int index) const;
    // Null when the pool has no sequence of that name (letter case ignored).
    TGSequence* FindSequence(const std::string& name) const;
    void CollectSequences(std::vector<TGSequence*>& out) const override;

    TGTexturePack& Pack() const { return *FPack; }
    int PixelFormat() const { return FPixelFormat; }
    bool Is16Bit() const { return F16Bit; }
    // UserFolder/cache16 for a pool made in 16-bit mode, else UserFolder/cache32.
    std::filesystem::path CacheFolder() const;
    std::filesystem::path BundleFile() const;

private:
    void CreatePack();
    void BuildFromFolders();
    void LoadSeqDir(const TGSeqDirRec& dir, bool generate);
    // True when the bundle was read; false when it was damaged and removed so that the pool
    // can be built from its folders instead.
    bool LoadBundle();
    bool HasImageSource() const;
    // The archive standing in for an image folder (dir normalised): beside the folder, else in
    // the per-user cache folder.
    std::optional<std::filesystem::path> FindArchive(const TGSeqDirRec& dir) const;
    // Hashes of everything a bundle is made from: the pool's settings (formats, sizes, folders,
    // attributes), and the names, sizes and times of the folders' files (or of the archives
    // standing in for them). A bundle holding other keys is rebuilt.
    uint64_t ComputeSettingsKey() const;
    uint64_t ComputeSourcesKey() const;
    void WriteBundle() const;
    bool IsAligned(const std::string& sequenceName) const;

    TGGraphicsDevice* FDevice = nullptr;
    std::filesystem::path FDataFolder;
    int FPixelFormat = 0;
    bool F16Bit = false;
    bool FRenderTarget = false;
    bool FExportMaps = false;
    int FTextureWidth = 0;
    int FTextureHeight = 0;
    std::vector<TGSeqDirRec> FSeqDirs;
    std::vector<TGSeqAttributeRec> FAttributes;
    uint64_t FSettingsKey = 0;
    uint64_t FSourcesKey = 0;
    // The pack is declared first so that it outlives the sprites placed in it.
    std::unique_ptr<TGTexturePack> FPack;
    std::vector<std::unique_ptr<TGSequence>> FSequences;
};

// Makes "SeqPool" a resource type of the registry.
void RegisterSeqPoolClass();

// One entry of a ".gfx" archive as the data tool lists it.
struct TGGfxEntryInfo {
    std::string SequenceName;
    std::string ColorName;
    // Empty when the picture has no separate alpha image.
    std::string AlphaName;
};

// Writes the ".gfx" archive of the image folder root + path (relative to dataFolder) exactly as
// a pool building from that folder writes it, and returns the archive's path.
std::filesystem::path BuildGfxArchive(const std::filesystem::path& dataFolder, const std::string& root,
                                      const std::string& path);

// Every entry of an archive up to its end marker, in order. Entries that carry no picture (alpha
// images, which name themselves as their alpha, and files of other kinds) have no sequence name.
// A damaged archive raises the engine error naming the file.
std::vector<TGGfxEntryInfo> ListGfxArchive(const std::filesystem::path& file);

} // namespace qm
