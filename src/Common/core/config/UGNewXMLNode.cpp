#include "UGNewXMLNode.h"
#include "UGXMLUtils.h"

#include "UGCacheLocation.h"
#include "UGCompress.h"
#include "UGConvert.h"
#include "UGError.h"
#include "UGFileSystem.h"
#include "UGStrings.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <optional>

namespace qm {

namespace {

const char* const CRLF = "\r\n";

// Opening tags longer than this are written with one attribute per line.
constexpr size_t MaxOpeningTagLength = 120;

// The width of a line is counted in characters as a reader sees them, not in UTF-8 bytes.
size_t CharacterCount(std::string_view text) {
    size_t count = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count;
}

// A whole text as a 64-bit integer, decimal or hexadecimal after "$" or "0x".
std::optional<int64_t> ParseWholeInt64(std::string_view text) {
    std::string trimmed = Trim(text);
    std::string_view rest = trimmed;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        rest.remove_prefix(1);
    }
    bool hex = false;
    if (!rest.empty() && rest.front() == '$') {
        hex = true;
        rest.remove_prefix(1);
    } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        hex = true;
        rest.remove_prefix(2);
    }
    if (rest.empty()) {
        return std::nullopt;
    }
    for (char c : rest) {
        bool digit = c >= '0' && c <= '9';
        bool hexLetter = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit && !(hex && hexLetter)) {
            return std::nullopt;
        }
    }
    return ParseLeadingInt64(trimmed);
}

std::string Quoted(const std::string& source) {
    return "\"" + source + "\": ";
}

// pugixml reports a byte offset; people look for lines.
std::string DescribeParseError(const pugi::xml_parse_result& result, const std::string& document) {
    size_t offset = std::min(static_cast<size_t>(std::max<ptrdiff_t>(result.offset, 0)), document.size());
    size_t line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset; ++i) {
        if (document[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return Format("%s at line %zu, column %zu", result.description(), line, offset - lineStart + 1);
}

// A name that is all prefix ("note:", ":") has no local part; written back it would be an empty
// name, which no parser reads, so the document is refused where it is read.
std::string CheckedLocalName(const char* qualified, const char* kind) {
    const char* local = LocalName(qualified);
    if (*local == '\0') {
        throw EGError(Format("%s name \"%s\" has nothing after its prefix", kind, qualified));
    }
    return local;
}

void Fill(TGNewXMLNode& node, const pugi::xml_node& element) {
    for (pugi::xml_attribute attribute : element.attributes()) {
        node.SetAttribute(CheckedLocalName(attribute.name(), "Attribute"), attribute.value());
    }
    if (IsTextElement(element)) {
        node.SetText(element.first_child().value());
        return;
    }
    for (pugi::xml_node child : element.children()) {
        // Text, comments and processing instructions have no place in this tree.
        if (child.type() == pugi::node_element) {
            Fill(node.AddChild(CheckedLocalName(child.name(), "Element")), child);
        }
    }
}

// Parses into a fresh tree first so that a failure leaves the target as it was.
void LoadDocument(TGNewXMLNode& target, const std::string& document, const std::string& context,
                  const std::string& source) {
    std::string prefix = source.empty() ? std::string() : Quoted(source);
    pugi::xml_document parsed;
    pugi::xml_parse_result result =
        parsed.load_buffer(document.data(), document.size(), pugi::parse_default, pugi::encoding_auto);
    if (!result) {
        throw EGError(context, prefix + DescribeParseError(result, document));
    }
    pugi::xml_node root = parsed.document_element();
    // Fill recurses once per level.
    CheckXmlDepth(root, context, source);
    try {
        TGNewXMLNode fresh(CheckedLocalName(root.name(), "Element"));
        Fill(fresh, root);
        target = std::move(fresh);
    } catch (const EGError& error) {
        throw EGError(context, prefix + error.what());
    }
}

const TGNewXMLAttribute* FindAttribute(const std::vector<TGNewXMLAttribute>& attributes,
                                       const std::string& name) {
    for (const TGNewXMLAttribute& attribute : attributes) {
        if (attribute.Name == name) {
            return &attribute;
        }
    }
    return nullptr;
}

const TGNewXMLAttribute& RequiredAttribute(const std::vector<TGNewXMLAttribute>& attributes,
                                           const std::string& name, const std::string& element) {
    if (const TGNewXMLAttribute* attribute = FindAttribute(attributes, name)) {
        return *attribute;
    }
    throw EGError(Format("Attribute \"%s\" not found (element %s)", name.c_str(), element.c_str()));
}

void WriteNode(const TGNewXMLNode& node, size_t depth, bool indented, std::string& out) {
    const std::string indent(indented ? depth : 0, ' ');
    const std::string& name = node.GetName();
    const bool hasText = !node.GetText().empty();
    bool hasChildren = false;
    for (size_t i = 0; i < node.CollectionCount(); ++i) {
        hasChildren = hasChildren || node.CollectionAt(i).Count() > 0;
    }
    const char* tagEnd = hasText || hasChildren ? ">" : "/>";

    std::string line = indent + "<" + name;
    for (const TGNewXMLAttribute& attribute : node.Attributes()) {
        line += " " + attribute.Name + "=\"";
        AppendXmlAttributeValue(line, attribute.Text);
        line += "\"";
    }
    line += tagEnd;
    if (CharacterCount(line) > MaxOpeningTagLength) {
        const std::string attributeIndent(depth + 2, ' ');
        out += indent + "<" + name + CRLF;
        for (const TGNewXMLAttribute& attribute : node.Attributes()) {
            out += attributeIndent + attribute.Name + "=\"";
            AppendXmlAttributeValue(out, attribute.Text);
            out += "\"";
            out += CRLF;
        }
        out += indent + tagEnd;
    } else {
        out += line;
    }

    if (hasText) {
        AppendXmlText(out, node.GetText());
    } else {
        out += CRLF;
    }

    bool first = true;
    for (size_t i = 0; i < node.CollectionCount(); ++i) {
        const TGNewXMLCollection& collection = node.CollectionAt(i);
        for (size_t j = 0; j < collection.Count(); ++j) {
            // The text runs straight into the first child, so it has no indentation of its own.
            WriteNode(collection.GetItem(j), depth + 2, !(hasText && first), out);
            first = false;
        }
    }

    if (hasText || hasChildren) {
        out += (hasText ? std::string() : indent) + "</" + name + ">" + CRLF;
    }
}

} // namespace

TGNewXMLCollection::TGNewXMLCollection(std::string name) : FName(std::move(name)) {}

TGNewXMLNode& TGNewXMLCollection::GetItem(size_t index) const {
    if (index >= FNodes.size()) {
        throw EGError("TGNewXMLCollection.GetItem",
                      Format("Range check error: index %zu of collection \"%s\" with %zu items", index,
                             FName.c_str(), FNodes.size()));
    }
    return *FNodes[index];
}

TGNewXMLNode& TGNewXMLCollection::Add(std::unique_ptr<TGNewXMLNode> node) {
    return *FNodes.emplace_back(std::move(node));
}

TGNewXMLNode::TGNewXMLNode(std::string name) : FName(std::move(name)) {}

void TGNewXMLNode::LoadFromFile(const std::filesystem::path& base, const TGCacheLocation& caches) {
    const std::string context = "TGNewXMLNode.LoadFromFile";
    // The folder is resolved here because a cache that does not exist yet cannot be found
    // without regard to case, and it must land in the folder that holds the ".xml".
    fs::path folder = base.parent_path();
    if (!folder.empty()) {
        folder = ResolveNoCase(folder);
    }
    const std::string stem = base.filename().string();
    const fs::path xmlPath = folder / (stem + ".xml");
    const fs::path cachePath = folder / (stem + ".cr");

    if (FileExistsNoCase(xmlPath)) {
        TGNewXMLNode source(FName);
        LoadDocument(source, ReadWholeFile(xmlPath), context, xmlPath.string());
        // The tree just read is what the game uses; the cache only spares a later start that has
        // no ".xml" the parse, so failing to write it is no error.
        caches.Refresh(cachePath, ZCompress(source.SaveToString(), 1));
        *this = std::move(source);
        return;
    }

    std::optional<fs::path> cache = caches.FindCurrent(cachePath, [](const fs::path&) { return true; });
    if (!cache) {
        throw EGError(context, Format("File not found: \"%s\" (nor its cache \"%s\")", xmlPath.c_str(),
                                      cachePath.c_str()));
    }
    std::string packed = ReadWholeFile(*cache);
    std::string document;
    try {
        document = ZDecompress(packed);
    } catch (const EGError& error) {
        throw EGError(context, Quoted(cache->string()) + error.what());
    }
    LoadDocument(*this, document, context, cache->string());
}

void TGNewXMLNode::LoadFromString(const std::string& document, const std::string& sourceName) {
    LoadDocument(*this, document, "TGNewXMLNode.LoadFromString", sourceName);
}

std::string TGNewXMLNode::SaveToString() const {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    out += CRLF;
    WriteNode(*this, 0, true, out);
    return out;
}

bool TGNewXMLNode::HasAttribute(const std::string& name) const {
    return FindAttribute(FAttributes, name) != nullptr;
}

std::string TGNewXMLNode::GetString(const std::string& name) const {
    return RequiredAttribute(FAttributes, name, FName).Text;
}

int32_t TGNewXMLNode::GetInt(const std::string& name) const {
    return RequiredAttribute(FAttributes, name, FName).Int;
}

float TGNewXMLNode::GetFloat(const std::string& name) const {
    return RequiredAttribute(FAttributes, name, FName).Float;
}

float TGNewXMLNode::GetFloatDef(const std::string& name, float def) const {
    const TGNewXMLAttribute* attribute = FindAttribute(FAttributes, name);
    return attribute ? attribute->Float : def;
}

bool TGNewXMLNode::GetBoolDef(const std::string& name, bool def) const {
    const TGNewXMLAttribute* attribute = FindAttribute(FAttributes, name);
    return attribute ? attribute->Bool : def;
}

void TGNewXMLNode::SetAttribute(const std::string& name, const std::string& text) {
    TGNewXMLAttribute attribute;
    attribute.Name = name;
    attribute.Text = text;

    std::optional<int64_t> whole = ParseWholeInt64(text);
    uint64_t magnitude = 0;
    if (whole) {
        magnitude = *whole < 0 ? 0 - static_cast<uint64_t>(*whole) : static_cast<uint64_t>(*whole);
    }
    if (magnitude > UINT32_MAX) {
        throw EGError("TGNewXMLNode.SetAttribute",
                      Format("Range check error: value \"%s\" of attribute \"%s\" does not fit in 32 bits",
                             text.c_str(), name.c_str()));
    }
    attribute.Unsigned = static_cast<uint32_t>(magnitude);

    std::optional<int64_t> decimal = ParseDecimalInt(text);
    if (decimal && *decimal >= INT32_MIN && *decimal <= INT32_MAX) {
        attribute.Int = static_cast<int32_t>(*decimal);
    }

    std::optional<double> number = ParsePointOrCommaFloat(text);
    // A value beyond single precision has no float to become, so it counts as no number.
    if (number && std::fabs(*number) <= FLT_MAX) {
        attribute.Float = static_cast<float>(*number);
    }
    attribute.Bool = number ? *number != 0.0 : EqualsNoCase(text, "true");

    for (TGNewXMLAttribute& existing : FAttributes) {
        if (existing.Name == name) {
            existing = std::move(attribute);
            return;
        }
    }
    FAttributes.push_back(std::move(attribute));
}

const TGNewXMLCollection& TGNewXMLNode::GetCollection(const std::string& name) const {
    static const TGNewXMLCollection nil("nil");
    for (const auto& collection : FCollections) {
        if (collection->GetName() == name) {
            return *collection;
        }
    }
    return nil;
}

const TGNewXMLCollection& TGNewXMLNode::CollectionAt(size_t index) const {
    if (index >= FCollections.size()) {
        throw EGError("TGNewXMLNode.CollectionAt",
                      Format("Range check error: index %zu of element %s with %zu collections", index,
                             FName.c_str(), FCollections.size()));
    }
    return *FCollections[index];
}

TGNewXMLNode& TGNewXMLNode::AddChild(const std::string& name) {
    TGNewXMLCollection* collection = nullptr;
    for (const auto& existing : FCollections) {
        if (existing->GetName() == name) {
            collection = existing.get();
            break;
        }
    }
    if (!collection) {
        collection = FCollections.emplace_back(std::make_unique<TGNewXMLCollection>(name)).get();
    }
    return collection->Add(std::make_unique<TGNewXMLNode>(name));
}

void TGNewXMLNode::SetText(const std::string& text) {
    std::string normalised;
    normalised.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            normalised += '\r';
        }
        normalised += text[i];
    }
    FText = std::move(normalised);
}

void TGNewXMLNode::Clear() {
    FText.clear();
    FAttributes.clear();
    FCollections.clear();
}

} // namespace qm
