#include "UGDataCheck.h"

#include "UDictionary.h"
#include "UGBassEngine.h"
#include "UGConfigPreprocessor.h"
#include "UGEngineResources.h"
#include "UGError.h"
#include "UGFileSystem.h"
#include "UGFont.h"
#include "UGFontRasterizer.h"
#include "UGGraphicsDevice.h"
#include "UGGraphicsFile.h"
#include "UGMemoryAudioOutput.h"
#include "UGNewXMLNode.h"
#include "UGNullRenderBackend.h"
#include "UGPcmStream.h"
#include "UGResManager.h"
#include "UGSprite.h"
#include "UGStrings.h"
#include "UGTimer.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string_view>

namespace qm {

namespace {

namespace fs = std::filesystem;

const char* const FontsFile = "lang/Fonts";
const char* const CodeFile = "code";

const char* LocalName(const char* qualified) {
    const char* colon = std::strrchr(qualified, ':');
    return colon ? colon + 1 : qualified;
}

// "Resource" becomes "Resource "Pool"": an element path is only useful when it says which of
// many siblings is meant, and resources and sets are told apart by their Id or Name.
std::string Label(const std::string& tag, const std::string& name) {
    return name.empty() ? tag : tag + " \"" + name + "\"";
}

// Keys are "@" + the name of the unit that shows the text; a lone "@" or one before a digit or
// a sign is a character (image fonts list "@" among their glyphs), never looked up.
bool IsDictionaryKey(const std::string& value) {
    return value.size() >= 2 && value[0] == '@' &&
           ((value[1] >= 'A' && value[1] <= 'Z') || (value[1] >= 'a' && value[1] <= 'z'));
}

// The per-user folder of the check's start-up and sequence pools: the check must leave no
// trace in the real per-user folder and must never find a bundle that hides missing pictures.
class TTempFolder {
public:
    TTempFolder() {
        std::string pattern = (fs::temp_directory_path() / "quillmark-check-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            throw EGError("TGDataCheck", Format("cannot create a temporary folder \"%s\": %s",
                                                pattern.c_str(), std::strerror(errno)));
        }
        FPath = pattern;
    }
    ~TTempFolder() {
        std::error_code ec;
        fs::remove_all(FPath, ec);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const fs::path& Path() const { return FPath; }

private:
    fs::path FPath;
};

// Stands in for the platform's font renderer, which the engine cannot link. It reads the face
// file's signature, so a missing, unreadable or foreign face file fails just as it would under
// the real renderer, and hands back blank glyphs for the texture that is built from them.
class TBlankFace : public IGFontFace {
public:
    explicit TBlankFace(int pixelHeight) : FHeight(std::max(1, pixelHeight)) {}
    TGFaceMetrics Metrics() const override { return {FHeight, 0, FHeight}; }
    bool HasGlyph(char32_t) const override { return true; }
    TGGlyphBitmap RenderGlyph(char32_t code) override {
        TGGlyphBitmap glyph;
        glyph.Code = code;
        glyph.Advance = FHeight / 2;
        return glyph;
    }

private:
    int FHeight;
};

class TFaceFileCheck : public IGFontRasterizer {
public:
    std::unique_ptr<IGFontFace> OpenFace(const TGRasterRequest& request) override {
        const std::string file = request.FaceFile.string();
        std::ifstream in(request.FaceFile, std::ios::binary);
        char bytes[4] = {};
        if (!in.read(bytes, sizeof bytes)) {
            throw EGError("TGDataCheck.Face", Format("Face file \"%s\" cannot be read", file.c_str()));
        }
        const std::string_view signature(bytes, sizeof bytes);
        if (signature != std::string_view("\0\1\0\0", 4) && signature != "OTTO" && signature != "true" &&
            signature != "ttcf") {
            throw EGError(
                "TGDataCheck.Face",
                Format("Face file \"%s\" is neither a TrueType nor an OpenType face", file.c_str()));
        }
        return std::make_unique<TBlankFace>(request.PixelHeight);
    }
};

// One loaded configuration file. The parsed document is kept so that definitions the resource
// manager would choke on can be taken out of a second snapshot.
struct TConfigFile {
    std::string Name;
    std::unique_ptr<TGConfigProcessor> Processor;
    PGXMLNode Root;
};

// The definitions and sets left out of what the resource manager sees, by node.
struct TRemoved {
    std::set<const IGXMLNode*> Config;
    std::set<const TGNewXMLNode*> Fonts;
};

// One resource definition with what the check learnt about it.
struct TDefinition {
    TGResourceDef Def;
    std::string File;
    std::string Item;
    const TGResourceClass* Class = nullptr;
    bool Created = false;
    // Why it could not be made, as reported.
    std::string Error;
    // Lower-case names of the sequences the resource provides.
    std::set<std::string> Sequences;
    // The glyph sheet of an image font.
    std::string SeqId;
};

class TDataCheck {
public:
    explicit TDataCheck(const TGDataCheckInput& input) : FInput(input) {}

    std::vector<TGDataProblem> Run();

private:
    void Report(const std::string& file, const std::string& item, const std::string& message) {
        FProblems.push_back({file, item, message});
    }
    // Runs one step; whatever it throws becomes a report line and the check goes on.
    template <class TStep>
    bool Try(const std::string& file, const std::string& item, TStep&& step, std::string* error = nullptr) {
        std::string message;
        try {
            step();
            return true;
        } catch (const std::exception& exception) {
            message = exception.what();
        } catch (...) {
            message = "unknown error";
        }
        if (error) {
            *error = message;
        }
        Report(file, item, message);
        return false;
    }

    void LoadConfigurations();
    void LoadLanguageFiles();
    void RunStartUp();
    void CheckResources();
    TRemoved CheckDefinitionsAndSets();
    PGXMLNode FilteredCoreConfig(const TRemoved& removed);
    std::unique_ptr<TGNewXMLNode> FilteredFonts(const TRemoved& removed);
    void CheckSeqDirs(const TDefinition& definition);
    void CreateDefinitions(TGResManager& manager);
    void LoadResourceSets(TGResManager& manager, const PGXMLNode& config);
    void CheckImageFontSheets();
    void CheckCodeNames();
    void CheckSounds();
    void CheckWidgets();
    void CheckScreenWidgets();
    void CheckAnimotionElements();
    void CheckWidgetTree(const std::string& file, const IGXMLNode& node, const std::string& path,
                         const std::set<std::string>& styles);
    void CheckArtNames(const std::string& file, const IGXMLNode& node, const std::string& path);
    void CheckKeys(const std::string& file, const IGXMLNode& node, const std::string& path);
    void CheckKeys(const std::string& file, const TGNewXMLNode& node, const std::string& path);
    void CheckKey(const std::string& file, const std::string& item, const std::string& where,
                  const std::string& value);

    const TGDataCheckInput& FInput;
    fs::path FData;
    std::unique_ptr<TTempFolder> FTemp;
    TFaceFileCheck FFaceCheck;
    std::vector<TConfigFile> FConfigs;
    std::unique_ptr<TGNewXMLNode> FFonts;
    // The font file as the resource manager sees it; the definitions point into it.
    std::unique_ptr<TGNewXMLNode> FManagerFonts;
    std::unique_ptr<TDictionary> FDictionary;
    std::string FDictionaryFile;
    // What loading the files said, so that the start-up failing on the same file is not
    // reported a second time.
    std::set<std::string> FLoadErrors;
    std::vector<TDefinition> FDefinitions;
    // The members of every resource set that could be computed, as indexes into FDefinitions.
    std::vector<std::vector<size_t>> FSetMembers;
    bool FAllSetsComputed = true;
    bool FResourcesChecked = false;
    std::vector<TGDataProblem> FProblems;
};

std::vector<TGDataProblem> TDataCheck::Run() {
    std::error_code ec;
    FData = fs::absolute(FInput.DataFolder, ec);
    if (ec || !fs::is_directory(FData, ec)) {
        Report(FInput.DataFolder.string(), "data folder", "not a folder");
        return FProblems;
    }
    if (!Try(FData.string(), "temporary folder", [&] { FTemp = std::make_unique<TTempFolder>(); })) {
        return FProblems;
    }
    LoadConfigurations();
    LoadLanguageFiles();
    RunStartUp();
    Try(FConfigs.front().Name, "resources", [&] { CheckResources(); });
    CheckCodeNames();
    CheckSounds();
    CheckWidgets();
    CheckScreenWidgets();
    CheckAnimotionElements();
    if (FDictionary) {
        for (const TConfigFile& config : FConfigs) {
            if (config.Root) {
                Try(config.Name, "keys",
                    [&] { CheckKeys(config.Name, *config.Root, config.Root->GetName()); });
            }
        }
        if (FFonts) {
            Try(FontsFile, "keys", [&] { CheckKeys(FontsFile, *FFonts, FFonts->GetName()); });
        }
    }
    return FProblems;
}

void TDataCheck::LoadConfigurations() {
    std::vector<std::string> names{TGAppStartInfo().CoreConfigName};
    names.insert(names.end(), FInput.Names.Configurations.begin(), FInput.Names.Configurations.end());
    for (const std::string& name : names) {
        TConfigFile& config = FConfigs.emplace_back();
        config.Name = name;
        std::string error;
        // The same two steps as the start-up, so that both fail with the same text.
        if (!Try(
                name, "loading",
                [&] {
                    config.Processor = std::make_unique<TGConfigProcessor>(FData, name, false);
                    config.Root = CreateXMLSnapshot(config.Processor->DocumentElement(), name);
                },
                &error)) {
            config.Root.reset();
            FLoadErrors.insert(error);
        }
    }
}

void TDataCheck::LoadLanguageFiles() {
    std::string error;
    if (!Try(
            FontsFile, "loading",
            [&] {
                FFonts = std::make_unique<TGNewXMLNode>("Fonts");
                FFonts->LoadFromFile(FData / "lang" / "Fonts");
            },
            &error)) {
        FFonts.reset();
        FLoadErrors.insert(error);
    }
    FDictionaryFile = Format("lang/Dic%d", FInput.LanguageId);
    if (!Try(
            FDictionaryFile, "loading",
            [&] {
                FDictionary = std::make_unique<TDictionary>();
                FDictionary->LoadFromFile(FData / FDictionaryFile);
            },
            &error)) {
        FDictionary.reset();
        FLoadErrors.insert(error);
    }
}

void TDataCheck::RunStartUp() {
    if (!FInput.StartUp) {
        return;
    }
    // The start-up publishes its dictionary and may enter a stored working folder; neither may
    // outlive it, and a start-up that fails half-way cleans up neither.
    TDictionary* const dictionary = GDictionary;
    std::error_code ec;
    const fs::path folder = fs::current_path(ec);
    TGManualTickSource ticks;
    TGAppStartInfo info;
    info.ProgramFolder = FData;
    info.UserFolder = FTemp->Path() / "user";
    info.SystemLanguageId = FInput.LanguageId;
    info.Ticks = &ticks;
    info.FontRasterizer = FInput.FontRasterizer ? FInput.FontRasterizer : &FFaceCheck;
    try {
        std::unique_ptr<TGBaseAppData> app = FInput.StartUp(info);
    } catch (const std::exception& error) {
        if (!FLoadErrors.count(error.what())) {
            Report("start-up", "application data", error.what());
        }
    } catch (...) {
        Report("start-up", "application data", "unknown error");
    }
    GDictionary = dictionary;
    if (!folder.empty()) {
        fs::current_path(folder, ec);
    }
}

void TDataCheck::CheckResources() {
    const TConfigFile& core = FConfigs.front();
    // Without the core configuration there are neither definitions nor sets, and every name
    // would be reported missing for the one reason already given.
    if (!core.Root) {
        return;
    }
    RegisterEngineResourceClasses();
    const TRemoved removed = CheckDefinitionsAndSets();
    PGXMLNode config = FilteredCoreConfig(removed);
    FManagerFonts = FilteredFonts(removed);
    const TGNewXMLNode* fonts = FManagerFonts.get();

    TGNullRenderBackend backend;
    TGManualTickSource ticks;
    TGGraphicsDevice device(backend, nullptr, ticks, config);
    device.SetMode(config->GetIntDef("ScreenWidth", 800), config->GetIntDef("ScreenHeight", 600),
                   config->GetFloatDef("ViewportScale", 1.0));
    TGResContextRec context;
    context.Device = &device;
    context.Config = config;
    context.Fonts = fonts;
    context.Dictionary = FDictionary.get();
    context.UserFolder = FTemp->Path() / "cache";
    context.DataFolder = FData;
    context.FontRasterizer = FInput.FontRasterizer ? FInput.FontRasterizer : &FFaceCheck;
    TGResManager manager(context);

    // The definitions come from the same filtered files as the manager's, so that the nodes its
    // sets hand back identify them.
    FDefinitions.clear();
    PGXMLCollection resources = config->GetCollection("Resource");
    for (size_t i = 0; i < resources->Count(); ++i) {
        PGXMLNode node = resources->GetItem(i);
        TDefinition& definition = FDefinitions.emplace_back();
        definition.Def = {node->GetString("Id"), node->GetString("Type"), node, nullptr};
        definition.File = core.Name;
        definition.Item = core.Root->GetName() + "/" + Label("Resource", definition.Def.Id);
    }
    if (fonts) {
        const TGNewXMLCollection& list = fonts->GetCollection("Resource");
        for (size_t i = 0; i < list.Count(); ++i) {
            const TGNewXMLNode& node = list.GetItem(i);
            TDefinition& definition = FDefinitions.emplace_back();
            definition.Def = {node.GetString("Id"), node.GetString("Type"), nullptr, &node};
            definition.File = FontsFile;
            definition.Item = fonts->GetName() + "/" + Label("Resource", definition.Def.Id);
        }
    }
    for (TDefinition& definition : FDefinitions) {
        definition.Class = &TGResourceRegistry::Instance().ResolveClass(definition.Def.Type);
    }
    CreateDefinitions(manager);
    LoadResourceSets(manager, config);
    FResourcesChecked = true;
    CheckImageFontSheets();
}

// Reports the definitions and sets that would make every set change fail (no Id, no Type, a
// type nobody registered, a set without a name) once each, and marks them for removal so that
// the sets are still checked for everything else.
TRemoved TDataCheck::CheckDefinitionsAndSets() {
    TRemoved removed;
    const TGResourceRegistry& registry = TGResourceRegistry::Instance();
    auto checkDefinition = [&](const std::string& file, const std::string& item, bool hasId, bool hasType,
                               const std::string& type) {
        if (!hasId) {
            Report(file, item, "Attribute \"Id\" not found");
        } else if (!hasType) {
            Report(file, item, "Attribute \"Type\" not found");
        } else if (!registry.Find(type)) {
            Try(file, item, [&] { registry.ResolveClass(type); });
        } else {
            return true;
        }
        return false;
    };

    const TConfigFile& core = FConfigs.front();
    PGXMLCollection resources = core.Root->GetCollection("Resource");
    for (size_t i = 0; i < resources->Count(); ++i) {
        const IGXMLNode& node = *resources->GetItem(i);
        std::string item = core.Root->GetName() + "/" + Label("Resource", node.GetStringDef("Id", ""));
        if (!checkDefinition(core.Name, item, node.HasAttribute("Id"), node.HasAttribute("Type"),
                             node.GetStringDef("Type", ""))) {
            removed.Config.insert(&node);
        }
    }
    PGXMLCollection sets = core.Root->GetCollection("ResourceSet");
    for (size_t i = 0; i < sets->Count(); ++i) {
        const IGXMLNode& node = *sets->GetItem(i);
        if (!node.HasAttribute("Name")) {
            Report(core.Name, core.Root->GetName() + "/ResourceSet", "Attribute \"Name\" not found");
            removed.Config.insert(&node);
        }
    }
    if (FFonts) {
        const TGNewXMLCollection& list = FFonts->GetCollection("Resource");
        for (size_t i = 0; i < list.Count(); ++i) {
            const TGNewXMLNode& node = list.GetItem(i);
            std::string id = node.HasAttribute("Id") ? node.GetString("Id") : "";
            std::string item = FFonts->GetName() + "/" + Label("Resource", id);
            if (!checkDefinition(FontsFile, item, node.HasAttribute("Id"), node.HasAttribute("Type"),
                                 node.HasAttribute("Type") ? node.GetString("Type") : "")) {
                removed.Fonts.insert(&node);
            }
        }
    }
    return removed;
}

PGXMLNode TDataCheck::FilteredCoreConfig(const TRemoved& removed) {
    const TConfigFile& core = FConfigs.front();
    if (removed.Config.empty()) {
        return core.Root;
    }
    // The snapshot keeps each tag's elements in document order, so the n-th element of a tag in
    // the document is the n-th of its collection.
    pugi::xml_node root = core.Processor->DocumentElement();
    std::vector<pugi::xml_node> doomed;
    for (const char* tag : {"Resource", "ResourceSet"}) {
        PGXMLCollection collection = core.Root->GetCollection(tag);
        size_t index = 0;
        for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element || std::strcmp(LocalName(child.name()), tag) != 0) {
                continue;
            }
            if (index < collection->Count() && removed.Config.count(collection->GetItem(index).get())) {
                doomed.push_back(child);
            }
            ++index;
        }
    }
    for (pugi::xml_node& node : doomed) {
        root.remove_child(node);
    }
    return CreateXMLSnapshot(root, core.Name);
}

std::unique_ptr<TGNewXMLNode> TDataCheck::FilteredFonts(const TRemoved& removed) {
    if (!FFonts) {
        return nullptr;
    }
    auto copy = std::make_unique<TGNewXMLNode>(FFonts->GetName());
    // Every element of the file is copied but the removed definitions; the font file is small.
    std::function<void(const TGNewXMLNode&, TGNewXMLNode&)> fill = [&](const TGNewXMLNode& from,
                                                                       TGNewXMLNode& to) {
        for (const TGNewXMLAttribute& attribute : from.Attributes()) {
            to.SetAttribute(attribute.Name, attribute.Text);
        }
        to.SetText(from.GetText());
        for (size_t c = 0; c < from.CollectionCount(); ++c) {
            const TGNewXMLCollection& collection = from.CollectionAt(c);
            for (size_t i = 0; i < collection.Count(); ++i) {
                const TGNewXMLNode& child = collection.GetItem(i);
                if (!removed.Fonts.count(&child)) {
                    fill(child, to.AddChild(child.GetName()));
                }
            }
        }
    };
    fill(*FFonts, *copy);
    return copy;
}

// A pool finds nothing in a missing folder and says nothing about it: the art would simply be
// absent at the first GetSeq. The folder or the archive shipped in its place must be there.
void TDataCheck::CheckSeqDirs(const TDefinition& definition) {
    auto folderName = [](std::string name) {
        std::replace(name.begin(), name.end(), '\\', '/');
        if (!name.empty() && name.back() != '/') {
            name += '/';
        }
        return name;
    };
    for (const TGResourceDef& dir : definition.Def.Children("SeqDir")) {
        const std::string root = folderName(dir.GetStringDef("Root", ""));
        const std::string path = folderName(dir.GetStringDef("Path", ""));
        std::string folder = root + path;
        while (!folder.empty() && folder.back() == '/') {
            folder.pop_back();
        }
        // The pool's archive name: "gfx/" and "ui/menu/" give "gfx/ui-menu.gfx".
        std::string archive = path;
        std::replace(archive.begin(), archive.end(), '/', '-');
        if (!archive.empty()) {
            archive.pop_back();
        }
        archive = root + archive + ".gfx";

        const fs::path absolute = ResolveNoCase(folder.empty() ? FData : FData / folder);
        std::error_code ec;
        bool folderExists = fs::is_directory(absolute, ec);
        bool hasPictures = false;
        if (folderExists) {
            for (const fs::directory_entry& entry : fs::directory_iterator(absolute, ec)) {
                std::error_code typeError;
                if (entry.is_regular_file(typeError) && HasImageExtension(entry.path().filename().string())) {
                    hasPictures = true;
                    break;
                }
            }
        }
        if (hasPictures || FileExistsNoCase(FData / archive)) {
            continue;
        }
        std::string where = Format("SeqDir Root=\"%s\" Path=\"%s\"", dir.GetStringDef("Root", "").c_str(),
                                   dir.GetStringDef("Path", "").c_str());
        Report(definition.File, definition.Item,
               Format(folderExists
                          ? "%s: the image folder \"%s\" holds no picture and there is no archive \"%s\""
                          : "%s: neither the image folder \"%s\" nor the archive \"%s\" exists",
                      where.c_str(), folder.c_str(), archive.c_str()));
    }
}

void TDataCheck::CreateDefinitions(TGResManager& manager) {
    const TGResourceClass* pool = TGResourceRegistry::Instance().Find("SeqPool");
    for (TDefinition& definition : FDefinitions) {
        if (pool && definition.Class->IsOrDerivesFrom(pool)) {
            CheckSeqDirs(definition);
        }
        if (!definition.Class->Create) {
            definition.Error = Format("TGResManager.Create: resource \"%s\" has the abstract type \"%s\"",
                                      definition.Def.Id.c_str(), definition.Def.Type.c_str());
            Report(definition.File, definition.Item, definition.Error);
            continue;
        }
        // Each resource is made alone, so that one broken resource of a set does not hide the
        // ones after it. Pools write their bundles when freed, so the sets load them fast.
        definition.Created = Try(
            definition.File, definition.Item,
            [&] {
                std::unique_ptr<TGResource> resource =
                    definition.Class->Create(manager.Context(), definition.Def);
                std::vector<TGSequence*> sequences;
                resource->CollectSequences(sequences);
                for (const TGSequence* sequence : sequences) {
                    definition.Sequences.insert(LowerAscii(sequence->Name()));
                }
                if (const auto* font = dynamic_cast<const TGImageFont*>(resource.get())) {
                    definition.SeqId = font->SeqId();
                }
            },
            &definition.Error);
    }
}

void TDataCheck::LoadResourceSets(TGResManager& manager, const PGXMLNode& config) {
    const std::string& file = FConfigs.front().Name;
    PGXMLCollection sets = config->GetCollection("ResourceSet");
    for (size_t i = 0; i < sets->Count(); ++i) {
        const std::string name = sets->GetItem(i)->GetString("Name");
        const std::string item = config->GetName() + "/" + Label("ResourceSet", name);
        std::vector<TGResourceDef> list;
        if (!Try(file, item, [&] { list = manager.UpdateResources(name); })) {
            FAllSetsComputed = false;
            continue;
        }
        if (list.empty()) {
            Report(file, item, "names no resource");
            continue;
        }
        std::vector<size_t>& members = FSetMembers.emplace_back();
        for (const TGResourceDef& def : list) {
            for (size_t d = 0; d < FDefinitions.size(); ++d) {
                const TGResourceDef& known = FDefinitions[d].Def;
                if (known.Node == def.Node && known.PlainNode == def.PlainNode) {
                    members.push_back(d);
                }
            }
        }
        std::string error;
        try {
            manager.SetResourceSet(name);
        } catch (const std::exception& exception) {
            error = exception.what();
        } catch (...) {
            error = "unknown error";
        }
        if (error.empty()) {
            continue;
        }
        // The set change stops at its first broken resource, whose error has its own line.
        auto broken = std::find_if(members.begin(), members.end(),
                                   [&](size_t d) { return FDefinitions[d].Error == error; });
        Report(file, item,
               broken == members.end() ? error
                                       : "the set change stops at " + FDefinitions[*broken].File + ": " +
                                             FDefinitions[*broken].Item);
    }
    Try(file, config->GetName(), [&] { manager.SetResourceSet(""); });
}

// A glyph sheet must be loaded whenever its font is: in some set that loads the font, a pool
// of the same set provides the sheet.
void TDataCheck::CheckImageFontSheets() {
    for (size_t f = 0; f < FDefinitions.size(); ++f) {
        const TDefinition& font = FDefinitions[f];
        if (!font.Created || font.SeqId.empty()) {
            continue;
        }
        const std::string sheet = LowerAscii(font.SeqId);
        auto provides = [&](size_t d) { return FDefinitions[d].Sequences.count(sheet) != 0; };
        bool anywhere = false;
        for (size_t d = 0; d < FDefinitions.size(); ++d) {
            anywhere = anywhere || provides(d);
        }
        if (!anywhere) {
            Report(font.File, font.Item,
                   Format("SeqId \"%s\": no sequence pool provides it", font.SeqId.c_str()));
            continue;
        }
        bool together = false;
        for (const std::vector<size_t>& members : FSetMembers) {
            if (std::find(members.begin(), members.end(), f) != members.end()) {
                together = together || std::any_of(members.begin(), members.end(), provides);
            }
        }
        // A set that could not be computed may be the one that loads both.
        if (!together && FAllSetsComputed) {
            Report(font.File, font.Item,
                   Format("SeqId \"%s\": no resource set loads the font together with a sequence pool "
                          "that provides it",
                          font.SeqId.c_str()));
        }
    }
}

void TDataCheck::CheckCodeNames() {
    if (FResourcesChecked) {
        std::set<std::string> sequences;
        for (const TDefinition& definition : FDefinitions) {
            sequences.insert(definition.Sequences.begin(), definition.Sequences.end());
        }
        for (const std::string& name : FInput.Names.Sequences) {
            if (!sequences.count(LowerAscii(name))) {
                Report(CodeFile, Label("sequence", name),
                       "no sequence pool of the configuration provides it");
            }
        }
        // A font file that did not load has already been reported; its fonts are not missing.
        const TGResourceClass* fontClass = TGResourceRegistry::Instance().Find("Font");
        if (FFonts && fontClass) {
            for (const std::string& name : FInput.Names.Fonts) {
                bool defined =
                    std::any_of(FDefinitions.begin(), FDefinitions.end(), [&](const TDefinition& d) {
                        return d.Def.Id == name && d.Class->IsOrDerivesFrom(fontClass);
                    });
                if (!defined) {
                    Report(CodeFile, Label("font", name), "no font resource defines it");
                }
            }
        }
    }
    for (const std::string& name : FInput.Names.Files) {
        const std::string item = Label("file", name);
        if (!FileExistsNoCase(FData / name)) {
            Report(CodeFile, item, "not found in the data folder");
        } else if (HasImageExtension(name)) {
            Try(CodeFile, item, [&] { DescribeImageFile(ResolveNoCase(FData / name).string()); });
        }
    }
}

namespace {

// Decodes what the engine decodes itself (WAV files, modules) and takes the compressed streams
// that only a sound card's mixer decodes on trust: the file was read, which is what can be known
// here.
class TSoundCheckOutput : public TGMemoryAudioOutput {
public:
    PGPcm DecodeStream(const std::filesystem::path&) override { return std::make_shared<TGPcm>(); }
    PGSoundStream OpenStream(const std::filesystem::path& file) override {
        return std::make_shared<TGPcmStream>(DecodeStream(file));
    }
};

} // namespace

// The engine loads every sound at start and leaves an item silent when its file is missing, so a
// missing file would otherwise go unnoticed until someone listens.
void TDataCheck::CheckSounds() {
    const TConfigFile& core = FConfigs.front();
    if (!core.Root) {
        return;
    }
    const std::string root = core.Root->GetName();
    std::set<std::string> names[2];
    const char* const tags[] = {"Track", "Sound", "ModSoundLib"};
    for (size_t t = 0; t < 3; ++t) {
        PGXMLCollection items = core.Root->GetCollection(tags[t]);
        for (size_t i = 0; i < items->Count(); ++i) {
            const IGXMLNode& node = *items->GetItem(i);
            const std::string src = node.GetStringDef("Src", "");
            const std::string name = t < 2 ? node.GetStringDef("Name", "") : src;
            const std::string item = root + "/" + Label(tags[t], name);
            if (t < 2) {
                names[t].insert(name);
            }
            if (!node.HasAttribute("Src")) {
                Report(core.Name, item, "Attribute \"Src\" not found");
            } else if (!FileExistsNoCase(FData / src)) {
                Report(core.Name, item, Format("file \"%s\" not found in the data folder", src.c_str()));
            }
        }
    }
    // The sound engine then reads every file as the game does: a file that is there but does not
    // decode (a broken module, a WAV of an unknown kind) is one line each. What the engine says
    // of missing files and attributes was reported above.
    TSoundCheckOutput output;
    TGManualTickSource ticks;
    TGBassEngine engine(core.Root, output, ticks, FData, 0, 0, 0);
    engine.EchoLoadProblems = false;
    Try(core.Name, "sounds", [&] { engine.LoadSounds(nullptr); });
    for (const TGSoundLoadProblem& problem : engine.LoadProblems()) {
        if (!problem.File.empty() && FileExistsNoCase(FData / problem.File)) {
            Report(core.Name, root + "/sounds", problem.Text);
        }
    }
    for (const std::string& name : FInput.Names.Tracks) {
        if (!names[0].count(name)) {
            Report(CodeFile, Label("track", name), "no Track of the core configuration has this name");
        }
    }
    for (const std::string& name : FInput.Names.Sounds) {
        if (!names[1].count(name)) {
            Report(CodeFile, Label("sound", name), "no Sound of the core configuration has this name");
        }
    }
}

// The widget styles and screens of the core configuration: every style a widget names exists,
// and every picture and font that a style's visuals or an animotion names is defined. (That an
// inner style comes before the style naming it, the start-up itself reports.)
void TDataCheck::CheckWidgets() {
    const TConfigFile& core = FConfigs.front();
    if (!core.Root) {
        return;
    }
    std::set<std::string> styles;
    PGXMLCollection styleNodes = core.Root->GetCollection("WidgetStyle");
    for (size_t i = 0; i < styleNodes->Count(); ++i) {
        const IGXMLNode& style = *styleNodes->GetItem(i);
        const std::string name = style.GetStringDef("Name", "");
        CheckArtNames(core.Name, style, core.Root->GetName() + "/" + Label("WidgetStyle", name));
        styles.insert(name);
    }
    PGXMLCollection screens = core.Root->GetCollection("Widget");
    for (size_t i = 0; i < screens->Count(); ++i) {
        const IGXMLNode& screen = *screens->GetItem(i);
        CheckWidgetTree(core.Name, screen,
                        core.Root->GetName() + "/" + Label("Widget", screen.GetStringDef("Name", "")),
                        styles);
    }
}

namespace {

// The names of every widget below a node, at any depth.
void CollectWidgetNames(const IGXMLNode& node, std::set<std::string>& names) {
    PGXMLCollection children = node.GetCollection("Widget");
    for (size_t i = 0; i < children->Count(); ++i) {
        const IGXMLNode& child = *children->GetItem(i);
        names.insert(child.GetStringDef("Name", ""));
        CollectWidgetNames(child, names);
    }
}

// Walks a path of tags ("Level/BackAni") down from a node.
void CollectByPath(const IGXMLNode& node, const std::string& path, const std::string& where,
                   std::vector<std::pair<PGXMLNode, std::string>>& found) {
    const size_t slash = path.find('/');
    const std::string tag = path.substr(0, slash);
    PGXMLCollection items = node.GetCollection(tag);
    for (size_t i = 0; i < items->Count(); ++i) {
        PGXMLNode item = items->GetItem(i);
        const std::string itemWhere = where + "/" + Format("%s[%zu]", tag.c_str(), i + 1);
        if (slash == std::string::npos) {
            found.emplace_back(item, itemWhere);
        } else {
            CollectByPath(*item, path.substr(slash + 1), itemWhere, found);
        }
    }
}

} // namespace

// A screen of the code must exist with every widget the code looks up in it.
void TDataCheck::CheckScreenWidgets() {
    const TConfigFile& core = FConfigs.front();
    if (!core.Root) {
        return;
    }
    PGXMLCollection screens = core.Root->GetCollection("Widget");
    for (const auto& [screen, widgets] : FInput.Names.ScreenWidgets) {
        std::set<std::string> names;
        bool found = false;
        for (size_t i = 0; i < screens->Count(); ++i) {
            if (screens->GetItem(i)->GetStringDef("Name", "") == screen) {
                found = true;
                CollectWidgetNames(*screens->GetItem(i), names);
            }
        }
        if (!found) {
            Report(CodeFile, Label("screen", screen), "no Widget of the core configuration has this name");
            continue;
        }
        for (const std::string& widget : widgets) {
            if (!names.count(widget)) {
                Report(core.Name, core.Root->GetName() + "/" + Label("Widget", screen),
                       Format("has no widget \"%s\"", widget.c_str()));
            }
        }
    }
}

void TDataCheck::CheckAnimotionElements() {
    for (size_t c = 1; c < FConfigs.size(); ++c) {
        const TConfigFile& config = FConfigs[c];
        if (!config.Root) {
            continue;
        }
        for (const std::string& path : FInput.Names.AnimotionElements) {
            std::vector<std::pair<PGXMLNode, std::string>> found;
            CollectByPath(*config.Root, path, config.Root->GetName(), found);
            for (const auto& [node, where] : found) {
                CheckArtNames(config.Name, *node, where);
            }
        }
    }
}

void TDataCheck::CheckWidgetTree(const std::string& file, const IGXMLNode& node, const std::string& path,
                                 const std::set<std::string>& styles) {
    if (node.HasAttribute("Style") && !styles.count(node.GetString("Style"))) {
        Report(file, path, Format("style \"%s\" is not defined", node.GetString("Style").c_str()));
    }
    for (size_t c = 0; c < node.CollectionCount(); ++c) {
        PGXMLCollection collection = node.CollectionAt(c);
        for (size_t i = 0; i < collection->Count(); ++i) {
            const IGXMLNode& child = *collection->GetItem(i);
            const std::string name = child.GetStringDef("Name", child.GetStringDef("Id", ""));
            const std::string childPath = path + "/" + Label(child.GetName(), name);
            if (child.GetName() == "Widget") {
                CheckWidgetTree(file, child, childPath, styles);
            } else {
                CheckArtNames(file, child, childPath);
            }
        }
    }
}

// Pictures ("SeqId" of visuals, channels and segments, at any depth) and label fonts.
void TDataCheck::CheckArtNames(const std::string& file, const IGXMLNode& node, const std::string& path) {
    const std::string seqId = node.GetStringDef("SeqId", "");
    if (FResourcesChecked && !seqId.empty()) {
        bool provided = std::any_of(FDefinitions.begin(), FDefinitions.end(), [&](const TDefinition& d) {
            return d.Sequences.count(LowerAscii(seqId)) > 0;
        });
        if (!provided) {
            Report(file, path, Format("sequence \"%s\" is not provided by any sequence pool", seqId.c_str()));
        }
    }
    const TGResourceClass* fontClass = TGResourceRegistry::Instance().Find("Font");
    if (FResourcesChecked && fontClass && node.GetName() == "Visual" &&
        node.GetStringDef("Type", "") == "Label") {
        const std::string font = node.GetStringDef("Font", "");
        bool defined = std::any_of(FDefinitions.begin(), FDefinitions.end(), [&](const TDefinition& d) {
            return d.Def.Id == font && d.Class && d.Class->IsOrDerivesFrom(fontClass);
        });
        if (!defined) {
            Report(file, path, Format("font \"%s\" is not defined", font.c_str()));
        }
    }
    for (size_t c = 0; c < node.CollectionCount(); ++c) {
        PGXMLCollection collection = node.CollectionAt(c);
        for (size_t i = 0; i < collection->Count(); ++i) {
            const IGXMLNode& child = *collection->GetItem(i);
            const std::string name = child.GetStringDef("Name", child.GetStringDef("Id", ""));
            CheckArtNames(file, child, path + "/" + Label(child.GetName(), name));
        }
    }
}

void TDataCheck::CheckKey(const std::string& file, const std::string& item, const std::string& where,
                          const std::string& value) {
    std::string text;
    if (IsDictionaryKey(value) && !FDictionary->Lookup(value, text)) {
        Report(file, item,
               Format("key \"%s\" (%s) has no entry in %s", value.c_str(), where.c_str(),
                      FDictionaryFile.c_str()));
    }
}

void TDataCheck::CheckKeys(const std::string& file, const IGXMLNode& node, const std::string& path) {
    for (const std::string& name : node.GetAttributeNames()) {
        CheckKey(file, path, "attribute " + name, node.GetString(name));
    }
    CheckKey(file, path, "element text", node.GetText());
    for (size_t c = 0; c < node.CollectionCount(); ++c) {
        PGXMLCollection collection = node.CollectionAt(c);
        for (size_t i = 0; i < collection->Count(); ++i) {
            const IGXMLNode& child = *collection->GetItem(i);
            std::string name = child.GetStringDef("Id", child.GetStringDef("Name", ""));
            CheckKeys(file, child, path + "/" + Label(child.GetName(), name));
        }
    }
}

void TDataCheck::CheckKeys(const std::string& file, const TGNewXMLNode& node, const std::string& path) {
    for (const TGNewXMLAttribute& attribute : node.Attributes()) {
        CheckKey(file, path, "attribute " + attribute.Name, attribute.Text);
    }
    CheckKey(file, path, "element text", node.GetText());
    for (size_t c = 0; c < node.CollectionCount(); ++c) {
        const TGNewXMLCollection& collection = node.CollectionAt(c);
        for (size_t i = 0; i < collection.Count(); ++i) {
            const TGNewXMLNode& child = collection.GetItem(i);
            std::string name = child.HasAttribute("Id")     ? child.GetString("Id")
                               : child.HasAttribute("Name") ? child.GetString("Name")
                                                            : "";
            CheckKeys(file, child, path + "/" + Label(child.GetName(), name));
        }
    }
}

} // namespace

std::string TGDataProblem::Text() const {
    return File + ": " + Item + ": " + Message;
}

std::vector<TGDataProblem> CheckDataFolder(const TGDataCheckInput& input) {
    return TDataCheck(input).Run();
}

} // namespace qm
