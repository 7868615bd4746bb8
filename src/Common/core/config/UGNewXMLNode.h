#pragma once

#include "UGCacheLocation.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class TGNewXMLNode;

// The children of one TGNewXMLNode that share a tag name, in document order; owns them.
class TGNewXMLCollection {
public:
    explicit TGNewXMLCollection(std::string name);
    const std::string& GetName() const { return FName; }
    size_t Count() const { return FNodes.size(); }
    // An index out of range raises a range error (EGError).
    TGNewXMLNode& GetItem(size_t index) const;
    TGNewXMLNode& Add(std::unique_ptr<TGNewXMLNode> node);

private:
    std::string FName;
    std::vector<std::unique_ptr<TGNewXMLNode>> FNodes;
};

// One attribute of a TGNewXMLNode with its conversions, computed when it is set.
struct TGNewXMLAttribute {
    std::string Name;
    std::string Text; // UTF-8
    bool Bool = false;
    float Float = 0.0f;
    int32_t Int = 0;
    uint32_t Unsigned = 0;
};

// The engine's own owned XML tree, used for the language files, the font table and resource
// lists. Text is kept as UTF-8; element text has every line feed preceded by a carriage
// return. It writes itself back as XML (SaveToString) and caches its files compressed (".cr").
class TGNewXMLNode {
public:
    explicit TGNewXMLNode(std::string name);

    // Loads base + ".xml" when it exists, and refreshes its cache (base + ".cr", the compressed
    // re-serialised tree) where `caches` says, unless a cache there already holds exactly that;
    // a cache that cannot be written is no error. Without the ".xml", reads the cache beside it
    // or in the per-user mirror. Errors name the file.
    void LoadFromFile(const std::filesystem::path& base, const TGCacheLocation& caches = TGCacheLocation());
    // The document element of the text becomes this node; previous content is discarded.
    // `sourceName` names the document in parse errors.
    void LoadFromString(const std::string& document, const std::string& sourceName = "");
    std::string SaveToString() const;

    bool HasAttribute(const std::string& name) const;
    // Required reads raise "Attribute "<name>" not found".
    std::string GetString(const std::string& name) const;
    int32_t GetInt(const std::string& name) const;
    float GetFloat(const std::string& name) const;
    float GetFloatDef(const std::string& name, float def) const;
    bool GetBoolDef(const std::string& name, bool def) const;
    // Adds the attribute, or replaces the one with that name, computing its conversions.
    void SetAttribute(const std::string& name, const std::string& text);
    const std::vector<TGNewXMLAttribute>& Attributes() const { return FAttributes; }

    // The collection of that tag; the shared empty collection named "nil" when absent.
    const TGNewXMLCollection& GetCollection(const std::string& name) const;
    size_t CollectionCount() const { return FCollections.size(); }
    const TGNewXMLCollection& CollectionAt(size_t index) const;
    // Appends a new child element with that tag and returns it.
    TGNewXMLNode& AddChild(const std::string& name);

    const std::string& GetText() const { return FText; }
    void SetText(const std::string& text);
    const std::string& GetName() const { return FName; }

    void Clear();

private:
    std::string FName;
    std::string FText;
    std::vector<TGNewXMLAttribute> FAttributes;
    std::vector<std::unique_ptr<TGNewXMLCollection>> FCollections;
};

} // namespace qm
