#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pugi {
class xml_node;
}

namespace qm {

// The part of a qualified XML name after any namespace prefix ("x:Name" gives "Name"). Empty for
// a name that ends in its colon ("note:", ":").
const char* LocalName(const char* qualified);

// The engine's XML trees are built and torn down recursively, so a document nested deeper than
// this is refused before any tree is built; the game's own data stays far below it.
inline constexpr size_t MaxXmlDepth = 256;

// The number of element levels from the element down to its deepest descendant (1 for an
// element without child elements), counted without recursion and without looking further than
// `limit` + 1 levels.
size_t XmlElementDepth(const pugi::xml_node& element, size_t limit = MaxXmlDepth);

// Raises the engine error "<context>: "<source>": elements nested deeper than N levels" when
// the element's subtree is deeper than MaxXmlDepth.
void CheckXmlDepth(const pugi::xml_node& element, const std::string& context, const std::string& source);

// True when the element's only child is one text or CDATA node.
bool IsTextElement(const pugi::xml_node& element);

// Appends text with the four characters the engine's XML writer escapes (" & < >) replaced.
void AppendXmlEscaped(std::string& out, std::string_view text);
std::string XmlEscaped(std::string_view text);

// An attribute value as written by the engine, so that a parser gives back exactly these bytes:
// tab, line feed and carriage return become character references, as a parser turns them into
// spaces when they stand raw in a value.
void AppendXmlAttributeValue(std::string& out, std::string_view value);

// An element's text as written by the engine, so that a parser gives back exactly these bytes: a
// carriage return becomes a character reference (raw, a parser makes a line feed of it), and a
// text of white space alone is written entirely as references (raw, a parser drops it).
void AppendXmlText(std::string& out, std::string_view text);

} // namespace qm
