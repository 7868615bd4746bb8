#pragma once

#include <string>
#include <string_view>

namespace pugi {
class xml_node;
}

namespace qm {

// The part of a qualified XML name after any namespace prefix ("x:Name" gives "Name").
const char* LocalName(const char* qualified);

// True when the element's only child is one text or CDATA node.
bool IsTextElement(const pugi::xml_node& element);

// Appends text with the four characters the engine's XML writer escapes (" & < >) replaced.
void AppendXmlEscaped(std::string& out, std::string_view text);
std::string XmlEscaped(std::string_view text);

} // namespace qm
