#include "UGXMLUtils.h"

#include <cstring>
#include <pugixml.hpp>

namespace qm {

const char* LocalName(const char* qualified) {
    const char* colon = std::strrchr(qualified, ':');
    return colon ? colon + 1 : qualified;
}

bool IsTextElement(const pugi::xml_node& element) {
    pugi::xml_node child = element.first_child();
    return child && !child.next_sibling() &&
           (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata);
}

void AppendXmlEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '"':
            out += "&quot;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
}

std::string XmlEscaped(std::string_view text) {
    std::string out;
    AppendXmlEscaped(out, text);
    return out;
}

} // namespace qm
