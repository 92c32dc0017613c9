#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A small, forgiving XML tree of the program's own: elements, text and attributes, read from
// bytes and written back as tab-indented text. No namespaces, document types, encodings or
// validation; bytes pass through as they are.

struct LXmlAttr {
    std::string name;
    std::string value;
};

// One node. A document is a node without a name whose children are the top-level nodes; a text
// node has text and no name; an element has a name and no text.
class LXmlNode {
public:
    LXmlNode() = default;
    LXmlNode(const LXmlNode&) = delete;
    LXmlNode& operator=(const LXmlNode&) = delete;
    LXmlNode(LXmlNode&&) = default;
    LXmlNode& operator=(LXmlNode&&) = default;

    // When clear, text collected directly inside this element is trimmed of control bytes.
    bool keepSpace = true;
    // In document order; names are unique (case-sensitive).
    std::vector<LXmlAttr> attributes;
    std::vector<std::unique_ptr<LXmlNode>> children;
    std::optional<std::string> name;
    std::optional<std::string> text;

    // Replaces the children with the content of the file. `error` receives the first syntax
    // error ("Ln %d, Col %d: ...") or "" when there was none. A file that cannot be read leaves
    // the children alone and gives "Cannot open xml file: <path>". True when `error` is empty.
    bool LoadFile(const std::string& path, std::string& error);
    // The same from memory; the text ends at its first NUL byte.
    bool Parse(std::string_view content, std::string& error);

    // Writes every top-level child at depth 0 to an open file; true when every byte went out.
    bool Save(int fd) const;
    // Replaces the file at `path` with the rendered document, atomically (a temporary file in the
    // same folder renamed over it); a new file's mode follows the user's umask.
    bool SaveFile(const std::string& path) const;

    // First child whose name equals `childName` byte for byte; text nodes count as named "".
    LXmlNode* FindChild(std::string_view childName) const;
    // The node's own text, else its first child's text, else "".
    std::string_view GetValue() const;
    // The named attribute's value, else `defaultValue` itself.
    std::string_view GetAttribute(std::string_view attrName, std::string_view defaultValue) const;
    // Replaces an existing attribute's value, else appends the attribute.
    void SetAttribute(std::string_view attrName, std::string_view value);
    void SetName(std::string_view newName);
    // Appends `child` (which takes this node's keepSpace) and returns it.
    LXmlNode* AppendChild(std::unique_ptr<LXmlNode> child);

    // Renders the node into `out` at indentation `depth` (tabs), or without line breaks and
    // indentation when `depth` is negative. Returns the number of nodes written.
    int Write(std::string& out, int depth) const;
};

// Elements nest at most this deep; a deeper one stops the parse with an error.
inline constexpr int kXmlMaxDepth = 256;
