#include <string>
#include <string_view>

#include "settings/xml_document.h"

namespace {

bool IsBlankText(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// Attribute values and text. The apostrophe stays as it is; CR and LF each become one LF.
void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\r':
            case '\n':
                out += '\n';
                break;
            default:
                out += c;
        }
    }
}

void AppendIndent(std::string& out, int depth) {
    if (depth > 0) {
        out.append(static_cast<std::size_t>(depth), '\t');
    }
}

// Whether rendering the node would write nothing. An element always writes itself, so only
// blank text and name-less containers of such text write nothing; this spares rendering the
// children twice to count them.
bool WritesNothing(const LXmlNode& node) {
    if (node.text) {
        return IsBlankText(*node.text);
    }
    if (node.name) {
        return false;
    }
    for (const auto& child : node.children) {
        if (!WritesNothing(*child)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int LXmlNode::Write(std::string& out, int depth) const {
    if (text) {
        if (IsBlankText(*text)) {
            return 0;
        }
        AppendEscaped(out, *text);
        return 1;
    }
    if (!name) {
        int count = 0;
        for (const auto& child : children) {
            count += child->Write(out, depth);
        }
        return count;
    }
    AppendIndent(out, depth);
    out += '<';
    out += *name;
    for (const LXmlAttr& attr : attributes) {
        out += ' ';
        out += attr.name;
        out += "=\"";
        AppendEscaped(out, attr.value);
        out += '"';
    }
    bool hasContent = false;
    bool hasText = false;
    for (const auto& child : children) {
        hasContent = hasContent || !WritesNothing(*child);
        hasText = hasText || child->text.has_value();
    }
    if (!hasContent) {
        out += "/>";
        if (depth >= 0) {
            out += '\n';
        }
        return 1;
    }
    out += '>';
    if (!hasText && depth >= 0) {
        out += '\n';
    }
    int count = 1;
    int childDepth = depth >= 0 ? depth + 1 : -1;
    for (const auto& child : children) {
        count += child->Write(out, childDepth);
    }
    if (!hasText) {
        AppendIndent(out, depth);
    }
    out += "</";
    out += *name;
    out += '>';
    if (depth >= 0) {
        out += '\n';
    }
    return count;
}
