#include "UGXMLNode.h"
#include "UGXMLUtils.h"

#include "UGConvert.h"
#include "UGError.h"
#include "UGStrings.h"

#include <pugixml.hpp>

#include <cstring>
#include <utility>

namespace qm {

namespace {

// Where an element came from. Children link to their parent's record instead of copying the
// path, so a snapshot of a large file pays one small record per element for its diagnostics.
struct TGXMLOrigin {
    std::string Name;
    std::shared_ptr<const std::string> Source;
    std::shared_ptr<const TGXMLOrigin> Parent;

    std::string Path() const {
        std::string path = Name;
        for (const TGXMLOrigin* up = Parent.get(); up; up = up->Parent.get()) {
            path.insert(0, up->Name + "/");
        }
        return path;
    }

    std::string Location() const { return Source->empty() ? Path() : *Source + ": " + Path(); }
};

class TGXMLCollection : public IGXMLCollection {
public:
    TGXMLCollection(std::string name, bool shared) : FName(std::move(name)), FShared(shared) {}

    const std::string& GetName() const override { return FName; }
    size_t Count() const override { return FNodes.size(); }

    void Add(PGXMLNode node) override {
        // Every element without a tag hands out this one object; a node added to it would
        // appear under every absent tag of every element.
        if (FShared) {
            throw EGError("TGXMLCollection.Add", "the shared empty collection cannot hold nodes");
        }
        FNodes.push_back(std::move(node));
    }

    PGXMLNode GetItem(size_t index) const override {
        if (index >= FNodes.size()) {
            throw EGError("TGXMLCollection.GetItem",
                          Format("Range check error: index %zu of collection \"%s\" with %zu items", index,
                                 FName.c_str(), FNodes.size()));
        }
        return FNodes[index];
    }

private:
    std::string FName;
    bool FShared;
    std::vector<PGXMLNode> FNodes;
};

class TGXMLNode : public IGXMLNode {
public:
    TGXMLNode(const pugi::xml_node& element, std::shared_ptr<const TGXMLOrigin> origin);

    bool HasAttribute(const std::string& name) const override { return Find(name) != nullptr; }
    PGXMLCollection GetCollection(const std::string& name) const override;

    std::string GetString(const std::string& name) const override { return Required(name).Text; }
    bool GetBool(const std::string& name) const override { return Required(name).Int != 0; }
    double GetFloat(const std::string& name) const override { return Required(name).Float; }
    int32_t GetInt(const std::string& name) const override { return Required(name).Int; }
    uint32_t GetColor(const std::string& name) const override { return Required(name).Color; }
    std::string GetVariant(const std::string& name) const override { return Required(name).Text; }

    std::string GetStringDef(const std::string& name, const std::string& def) const override {
        const TGXMLAttribute* attribute = Find(name);
        return attribute ? attribute->Text : def;
    }
    bool GetBoolDef(const std::string& name, bool def) const override {
        const TGXMLAttribute* attribute = Find(name);
        return attribute ? attribute->Int != 0 : def;
    }
    double GetFloatDef(const std::string& name, double def) const override {
        const TGXMLAttribute* attribute = Find(name);
        return attribute ? attribute->Float : def;
    }
    int32_t GetIntDef(const std::string& name, int32_t def) const override {
        const TGXMLAttribute* attribute = Find(name);
        return attribute ? attribute->Int : def;
    }
    uint32_t GetColorDef(const std::string& name, uint32_t def) const override {
        const TGXMLAttribute* attribute = Find(name);
        return attribute ? attribute->Color : def;
    }

    std::string GetText() const override { return FText; }

    void SetString(const std::string& name, const std::string& value) override {
        Writable(name).Text = value;
    }
    // Written as a number so that the engine's own boolean rule (integer not 0) reads it back.
    void SetBool(const std::string& name, bool value) override { Writable(name).Text = value ? "1" : "0"; }

    const std::string& GetName() const override { return FOrigin->Name; }
    std::string GetLocation() const override { return FOrigin->Location(); }
    std::vector<std::string> GetAttributeNames() const override;
    size_t CollectionCount() const override { return FCollections.size(); }
    PGXMLCollection CollectionAt(size_t index) const override;

private:
    struct TGXMLAttribute {
        std::string Name;
        std::string Text;
        double Float = 0.0;
        int32_t Int = 0;
        uint32_t Color = 0;
    };

    static constexpr size_t HashThreshold = 5;
    static constexpr size_t BucketCount = 256;

    static size_t Bucket(const std::string& name) {
        uint32_t hash = 2166136261u;
        for (unsigned char c : name) {
            hash = (hash ^ c) * 16777619u;
        }
        return hash % BucketCount;
    }

    const TGXMLAttribute* Find(const std::string& name) const;
    const TGXMLAttribute& Required(const std::string& name) const;
    TGXMLAttribute& Writable(const std::string& name) {
        return const_cast<TGXMLAttribute&>(std::as_const(*this).Required(name));
    }

    std::shared_ptr<const TGXMLOrigin> FOrigin;
    std::string FText;
    std::vector<TGXMLAttribute> FAttributes;
    // Bucket heads and per-attribute chain links, chained in document order so that the first
    // attribute of a repeated name wins exactly as in the linear search.
    std::vector<int32_t> FBucketHeads;
    std::vector<int32_t> FNext;
    std::vector<std::shared_ptr<TGXMLCollection>> FCollections;
};

TGXMLNode::TGXMLNode(const pugi::xml_node& element, std::shared_ptr<const TGXMLOrigin> origin)
    : FOrigin(std::move(origin)) {
    if (IsTextElement(element)) {
        FText = element.first_child().value();
    }

    for (pugi::xml_attribute source = element.first_attribute(); source; source = source.next_attribute()) {
        TGXMLAttribute& attribute = FAttributes.emplace_back();
        attribute.Name = LocalName(source.name());
        attribute.Text = source.value();
        attribute.Int = ParseLeadingInt(attribute.Text);
        attribute.Float = ParseCommaFloat(attribute.Text).value_or(0.0);
        int64_t wide = ParseLeadingInt64(attribute.Text);
        uint64_t magnitude = wide < 0 ? 0 - static_cast<uint64_t>(wide) : static_cast<uint64_t>(wide);
        if (magnitude > UINT32_MAX) {
            throw EGError("TGXMLNode.Create",
                          Format("Range check error: colour value \"%s\" of attribute \"%s\" does not fit in "
                                 "32 bits (%s)",
                                 attribute.Text.c_str(), attribute.Name.c_str(), GetLocation().c_str()));
        }
        attribute.Color = static_cast<uint32_t>(magnitude);
    }

    if (FAttributes.size() >= HashThreshold) {
        FBucketHeads.assign(BucketCount, -1);
        FNext.assign(FAttributes.size(), -1);
        for (size_t i = FAttributes.size(); i-- > 0;) {
            size_t bucket = Bucket(FAttributes[i].Name);
            FNext[i] = FBucketHeads[bucket];
            FBucketHeads[bucket] = static_cast<int32_t>(i);
        }
    }

    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        auto childOrigin =
            std::make_shared<TGXMLOrigin>(TGXMLOrigin{LocalName(child.name()), FOrigin->Source, FOrigin});
        TGXMLCollection* collection = nullptr;
        for (const auto& existing : FCollections) {
            if (existing->GetName() == childOrigin->Name) {
                collection = existing.get();
                break;
            }
        }
        if (!collection) {
            collection =
                FCollections.emplace_back(std::make_shared<TGXMLCollection>(childOrigin->Name, false)).get();
        }
        collection->Add(std::make_shared<TGXMLNode>(child, std::move(childOrigin)));
    }
}

const TGXMLNode::TGXMLAttribute* TGXMLNode::Find(const std::string& name) const {
    if (!FBucketHeads.empty()) {
        for (int32_t i = FBucketHeads[Bucket(name)]; i >= 0; i = FNext[static_cast<size_t>(i)]) {
            if (FAttributes[static_cast<size_t>(i)].Name == name) {
                return &FAttributes[static_cast<size_t>(i)];
            }
        }
        return nullptr;
    }
    for (const TGXMLAttribute& attribute : FAttributes) {
        if (attribute.Name == name) {
            return &attribute;
        }
    }
    return nullptr;
}

const TGXMLNode::TGXMLAttribute& TGXMLNode::Required(const std::string& name) const {
    if (const TGXMLAttribute* attribute = Find(name)) {
        return *attribute;
    }
    std::string where = "element " + FOrigin->Path();
    if (!FOrigin->Source->empty()) {
        where += " in \"" + *FOrigin->Source + "\"";
    }
    throw EGError(Format("Attribute \"%s\" not found (%s)", name.c_str(), where.c_str()));
}

PGXMLCollection TGXMLNode::GetCollection(const std::string& name) const {
    for (const auto& collection : FCollections) {
        if (collection->GetName() == name) {
            return collection;
        }
    }
    return EmptyXMLCollection();
}

std::vector<std::string> TGXMLNode::GetAttributeNames() const {
    std::vector<std::string> names;
    names.reserve(FAttributes.size());
    for (const TGXMLAttribute& attribute : FAttributes) {
        names.push_back(attribute.Name);
    }
    return names;
}

PGXMLCollection TGXMLNode::CollectionAt(size_t index) const {
    if (index >= FCollections.size()) {
        throw EGError("TGXMLNode.CollectionAt", Format("Range check error: index %zu, %zu collections (%s)",
                                                       index, FCollections.size(), GetLocation().c_str()));
    }
    return FCollections[index];
}

} // namespace

PGXMLNode CreateXMLSnapshot(const pugi::xml_node& element, const std::string& sourceName) {
    CheckXmlDepth(element, "TGXMLNode.Create", sourceName);
    auto origin = std::make_shared<TGXMLOrigin>(
        TGXMLOrigin{LocalName(element.name()), std::make_shared<const std::string>(sourceName), nullptr});
    return std::make_shared<TGXMLNode>(element, std::move(origin));
}

PGXMLCollection EmptyXMLCollection() {
    static const PGXMLCollection empty = std::make_shared<TGXMLCollection>(std::string(), true);
    return empty;
}

} // namespace qm
