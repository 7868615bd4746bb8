#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pugi {
class xml_node;
}

namespace qm {

class IGXMLNode;
class IGXMLCollection;

// Configuration snapshots are shared: whoever holds one keeps it alive.
using PGXMLNode = std::shared_ptr<IGXMLNode>;
using PGXMLCollection = std::shared_ptr<IGXMLCollection>;

// Read-only snapshot of one configuration element. Every attribute was converted to text,
// integer, floating point and colour when the snapshot was built, so reads cost a name
// look-up. Look-up is by exact, case-sensitive name. Required getters raise
// "Attribute "<name>" not found", followed by the element and the file it came from.
class IGXMLNode {
public:
    virtual ~IGXMLNode() = default;

    virtual bool HasAttribute(const std::string& name) const = 0;
    // Child elements with that tag in document order; the shared empty collection if none.
    virtual PGXMLCollection GetCollection(const std::string& name) const = 0;

    virtual std::string GetString(const std::string& name) const = 0;
    virtual bool GetBool(const std::string& name) const = 0;
    virtual double GetFloat(const std::string& name) const = 0;
    virtual int32_t GetInt(const std::string& name) const = 0;
    virtual uint32_t GetColor(const std::string& name) const = 0;
    // The attribute text; the engine keeps variants as text.
    virtual std::string GetVariant(const std::string& name) const = 0;

    virtual std::string GetStringDef(const std::string& name, const std::string& def) const = 0;
    virtual bool GetBoolDef(const std::string& name, bool def) const = 0;
    virtual double GetFloatDef(const std::string& name, double def) const = 0;
    virtual int32_t GetIntDef(const std::string& name, int32_t def) const = 0;
    virtual uint32_t GetColorDef(const std::string& name, uint32_t def) const = 0;

    // The element text when the element's only child is one text or CDATA node, else "".
    virtual std::string GetText() const = 0;

    // These change only the text held by the snapshot; the integer, floating and colour values
    // keep what was computed when it was built. Both are required (absent attribute: error).
    virtual void SetString(const std::string& name, const std::string& value) = 0;
    virtual void SetBool(const std::string& name, bool value) = 0;

    // Additions of this engine for diagnostics and the data check.
    virtual const std::string& GetName() const = 0;
    // "<file>: <Root>/<Child>/..." naming where the element came from.
    virtual std::string GetLocation() const = 0;
    virtual std::vector<std::string> GetAttributeNames() const = 0;
    virtual size_t CollectionCount() const = 0;
    virtual PGXMLCollection CollectionAt(size_t index) const = 0;
};

// The children of one element that share a tag name, in document order.
class IGXMLCollection {
public:
    virtual ~IGXMLCollection() = default;
    virtual const std::string& GetName() const = 0;
    virtual size_t Count() const = 0;
    virtual void Add(PGXMLNode node) = 0;
    // 0-based; an index outside 0..Count()-1 raises a range error (EGError).
    virtual PGXMLNode GetItem(size_t index) const = 0;
};

// Builds the snapshot of an element and its whole subtree. `sourceName` (a file name) is kept
// for error messages. A colour value that does not fit in 32 bits is a range error here, and so is
// nesting deeper than MaxXmlDepth.
PGXMLNode CreateXMLSnapshot(const pugi::xml_node& element, const std::string& sourceName);

// The one empty collection returned for absent tags.
PGXMLCollection EmptyXMLCollection();

} // namespace qm
