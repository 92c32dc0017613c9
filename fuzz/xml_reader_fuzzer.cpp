// Parses arbitrary bytes as an XML document, writes the tree back and parses that again.
//
// What the writer guarantees, and so what is checked: a document read without error reads back
// without error, with the same elements in the same order, the same attributes with the same
// values, and the same text. Not checked, because the writer cannot keep them:
// - white space at the edges of a text: the writer drops blank text nodes and indents elements,
//   and the indentation becomes part of the neighbouring text when it is read back;
// - CR in text and values, which the writer turns into LF;
// - names holding bytes the reader treats as syntax (quotes, '&', white space, '/', '=', '>'):
//   they come only from character references, and names are written as they are.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/xml_document.h"

namespace {

bool IsEdgeByte(char c) {
    auto code = static_cast<unsigned char>(c);
    return c == ' ' || (code >= 1 && code <= 31);
}

std::string Comparable(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsEdgeByte(text[begin])) {
        ++begin;
    }
    while (end > begin && IsEdgeByte(text[end - 1])) {
        --end;
    }
    std::string out(text.substr(begin, end - begin));
    for (char& c : out) {
        if (c == '\r') {
            c = '\n';
        }
    }
    return out;
}

bool IsPlainName(std::string_view name) {
    return name.find_first_of("\"'& \t\r\n/=>") == std::string_view::npos;
}

bool HasPlainNames(const LXmlNode& node) {
    if (node.name && !IsPlainName(*node.name)) {
        return false;
    }
    for (const LXmlAttr& attr : node.attributes) {
        if (!IsPlainName(attr.name)) {
            return false;
        }
    }
    for (const auto& child : node.children) {
        if (!HasPlainNames(*child)) {
            return false;
        }
    }
    return true;
}

// The tree as the writer keeps it: one line per element, attribute and non-blank text.
void Describe(const LXmlNode& node, std::string& out) {
    if (node.text) {
        std::string text = Comparable(*node.text);
        if (!text.empty()) {
            out += "T" + std::to_string(text.size()) + ":" + text + "\n";
        }
        return;
    }
    out += "E" + std::to_string(node.name->size()) + ":" + *node.name + "\n";
    for (const LXmlAttr& attr : node.attributes) {
        std::string value = attr.value;
        for (char& c : value) {
            if (c == '\r') {
                c = '\n';
            }
        }
        out += "A" + attr.name + "=" + std::to_string(value.size()) + ":" + value + "\n";
    }
    for (const auto& child : node.children) {
        Describe(*child, out);
    }
    out += "/\n";
}

std::string DescribeDocument(const LXmlNode& document) {
    std::string out;
    for (const auto& child : document.children) {
        Describe(*child, out);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    LXmlNode first;
    std::string error;
    bool clean = first.Parse(input, error);
    if (error.size() > 259) {
        std::abort();
    }
    std::string written;
    first.Write(written, 0);
    if (!clean || !HasPlainNames(first)) {
        return 0;
    }
    LXmlNode second;
    std::string secondError;
    if (!second.Parse(written, secondError)) {
        std::abort();
    }
    if (DescribeDocument(first) != DescribeDocument(second)) {
        std::abort();
    }
    return 0;
}
