#include "UGXMLUtils.h"

#include "UGError.h"
#include "UGStrings.h"

#include <algorithm>
#include <cstring>
#include <pugixml.hpp>

namespace qm {

const char* LocalName(const char* qualified) {
    const char* colon = std::strrchr(qualified, ':');
    return colon ? colon + 1 : qualified;
}

size_t XmlElementDepth(const pugi::xml_node& element, size_t limit) {
    if (!element || element.type() != pugi::node_element) {
        return 0;
    }
    size_t depth = 1;
    size_t deepest = 1;
    pugi::xml_node node = element;
    // Depth-first through the element children only, climbing back with parent links.
    while (true) {
        pugi::xml_node child = depth <= limit ? node.first_child() : pugi::xml_node();
        while (child && child.type() != pugi::node_element) {
            child = child.next_sibling();
        }
        if (child) {
            node = child;
            deepest = std::max(deepest, ++depth);
            continue;
        }
        while (node != element) {
            pugi::xml_node sibling = node.next_sibling();
            while (sibling && sibling.type() != pugi::node_element) {
                sibling = sibling.next_sibling();
            }
            if (sibling) {
                node = sibling;
                break;
            }
            node = node.parent();
            --depth;
        }
        if (node == element) {
            return deepest;
        }
    }
}

void CheckXmlDepth(const pugi::xml_node& element, const std::string& context, const std::string& source) {
    if (XmlElementDepth(element) > MaxXmlDepth) {
        std::string where = source.empty() ? std::string() : "\"" + source + "\": ";
        throw EGError(context,
                      Format("%selements nested deeper than %zu levels", where.c_str(), MaxXmlDepth));
    }
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

namespace {

bool IsXmlWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void AppendCharacterReference(std::string& out, char c) {
    out += "&#" + std::to_string(static_cast<unsigned char>(c)) + ";";
}

} // namespace

void AppendXmlAttributeValue(std::string& out, std::string_view value) {
    for (char c : value) {
        if (c == '\t' || c == '\n' || c == '\r') {
            AppendCharacterReference(out, c);
        } else {
            AppendXmlEscaped(out, std::string_view(&c, 1));
        }
    }
}

void AppendXmlText(std::string& out, std::string_view text) {
    const bool whiteSpaceOnly = std::all_of(text.begin(), text.end(), IsXmlWhiteSpace);
    for (char c : text) {
        if (c == '\r' || (whiteSpaceOnly && IsXmlWhiteSpace(c))) {
            AppendCharacterReference(out, c);
        } else {
            AppendXmlEscaped(out, std::string_view(&c, 1));
        }
    }
}

std::string XmlEscaped(std::string_view text) {
    std::string out;
    AppendXmlEscaped(out, text);
    return out;
}

} // namespace qm
