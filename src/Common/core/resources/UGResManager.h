#pragma once

#include "UGCacheLocation.h"
#include "UGXMLNode.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class TDictionary;
class TGGraphicsDevice;
class TGNewXMLNode;
class TGResManager;
class TGSequence;
class TGFont;
class IGFontRasterizer;

// Everything a resource needs from the engine while it loads and draws.
struct TGResContextRec {
    TGGraphicsDevice* Device = nullptr;
    TGResManager* ResManager = nullptr;
    PGXMLNode Config;
    const TGNewXMLNode* Fonts = nullptr;
    TDictionary* Dictionary = nullptr;
    // Called once per lengthy step while the graphics cache is filled.
    std::function<void(const std::string&)> Progress;
    // The folder under which the graphics cache lives: the per-user folder, or the cache folder
    // where the per-user folder may not be written.
    std::filesystem::path UserFolder;
    // Where relative names of the data (image folders, ".gfx" archives, faces) are found.
    std::filesystem::path DataFolder;
    // Where archives and masks made from the data folder are read and written; by default
    // beside the pictures only.
    TGCacheLocation Caches;
    // Renders TrueType faces for system fonts; none where no system font is used.
    IGFontRasterizer* FontRasterizer = nullptr;
};

// One resource definition: a `Resource` element of the core configuration (Node) or of the
// language's font file (PlainNode); exactly one of the two is set. The readers below work on
// whichever it is, with the conversion rules of that node kind, so a resource type reads its
// attributes the same way from both files.
struct TGResourceDef {
    std::string Id;
    std::string Type;
    PGXMLNode Node;
    const TGNewXMLNode* PlainNode = nullptr;

    bool HasAttribute(const std::string& name) const;
    // Required reads raise "Attribute "<name>" not found".
    std::string GetString(const std::string& name) const;
    std::string GetStringDef(const std::string& name, const std::string& def) const;
    bool GetBoolDef(const std::string& name, bool def) const;
    double GetFloat(const std::string& name) const;
    double GetFloatDef(const std::string& name, double def) const;
    int32_t GetInt(const std::string& name) const;
    int32_t GetIntDef(const std::string& name, int32_t def) const;
    // Child elements with that tag, in document order, as definitions of their own.
    std::vector<TGResourceDef> Children(const std::string& tag) const;
    // Where the definition came from, for messages: the file, the element and the Id.
    std::string Location() const;
};

class TGResource;

// A registered resource type: its name as the XML writes it, its parent type (whose resource
// sets take it too) and how it is made.
struct TGResourceClass {
    std::string TypeName;
    const TGResourceClass* Parent = nullptr;
    std::function<std::unique_ptr<TGResource>(const TGResContextRec&, const TGResourceDef&)> Create;

    bool IsOrDerivesFrom(const TGResourceClass* other) const;
};

// The process-wide list of resource types, in registration order. Type names compare exactly.
class TGResourceRegistry {
public:
    static TGResourceRegistry& Instance();
    // Registers a type once; a second registration of the same name changes nothing.
    const TGResourceClass&
    Register(const std::string& typeName, const std::string& parentTypeName,
             std::function<std::unique_ptr<TGResource>(const TGResContextRec&, const TGResourceDef&)> create);
    // Raises "TGResource.ResolveClass: Resource type "<name>" not registered".
    const TGResourceClass& ResolveClass(const std::string& typeName) const;
    const TGResourceClass* Find(const std::string& typeName) const;

private:
    std::vector<std::unique_ptr<TGResourceClass>> FClasses;
};

// The base of every resource: an Id and the engine context.
class TGResource {
public:
    TGResource(const TGResContextRec& context, const TGResourceDef& def);
    virtual ~TGResource();
    TGResource(const TGResource&) = delete;
    TGResource& operator=(const TGResource&) = delete;

    const std::string& Id() const { return FId; }
    const TGResourceClass& Class() const { return *FClass; }
    const TGResContextRec& Context() const { return FContext; }
    // Sequence pools list their sequences here, in order, for the manager's name index.
    virtual void CollectSequences(std::vector<TGSequence*>&) const {}

private:
    std::string FId;
    const TGResourceClass* FClass;
    TGResContextRec FContext;
};

// Resources by name, loaded and freed by named resource sets (one per screen), with one name
// index over the sequences of every loaded sequence pool.
class TGResManager {
public:
    explicit TGResManager(TGResContextRec context);
    ~TGResManager();
    TGResManager(const TGResManager&) = delete;
    TGResManager& operator=(const TGResManager&) = delete;

    // The definitions of a set, includes first, then excludes.
    std::vector<TGResourceDef> UpdateResources(const std::string& setName) const;
    // Makes the named set current: resources both sets share stay (the same objects), the
    // others are freed, the new ones created. The empty name frees everything.
    void SetResourceSet(const std::string& setName);
    // Loads one more resource besides the current set until the next set change.
    void LoadResource(const std::string& id);
    TGResourceDef LookupResource(const std::string& id) const;
    // Whether the configuration defines a resource of that Id.
    bool HasResourceDef(const std::string& id) const;

    TGResource& GetItem(const TGResourceClass& cls, const std::string& name) const;
    // Defined with the registration of the engine's resource types (UGEngineResources.cpp).
    TGFont& GetFont(const std::string& name) const;
    bool HasFont(const std::string& name) const;
    TGSequence& GetSeq(const std::string& name) const;
    bool HasSeq(const std::string& name) const;

    size_t Count() const { return FResources.size(); }
    TGResource& At(size_t index) const { return *FResources.at(index); }
    const std::string& CurrentSet() const { return FCurrentSet; }
    uint32_t UpdateCount() const { return FUpdateCount; }
    const TGResContextRec& Context() const { return FContext; }

private:
    // Every definition in order: the configuration's, then the font file's.
    std::vector<TGResourceDef> AllDefinitions() const;
    std::unique_ptr<TGResource> Create(const TGResourceDef& def) const;
    void RebuildSequenceIndex();
    static const TGResourceClass& ResolveDefinitionClass(const TGResourceDef& def);
    static const TGResourceClass& ResolveRuleClass(const PGXMLNode& rule);
    // The configuration's file and element, for errors about what it lacks.
    std::string ConfigLocation() const;

    TGResContextRec FContext;
    std::vector<std::unique_ptr<TGResource>> FResources;
    std::string FCurrentSet;
    // False after a set change failed half-way: the next request recomputes whatever its name.
    bool FCurrentSetValid = true;
    uint32_t FUpdateCount = 0;
    std::map<std::string, TGSequence*> FSequenceIndex;
};

} // namespace qm
