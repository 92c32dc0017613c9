#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "settings/xml_document.h"

// The reader's state over one text: position, line and column, the first error, and the modes
// (inside a CDATA section, inside a comment) that decide what counts as markup.
class LXmlParser {
public:
    // `error` is cleared; it receives the first error only.
    LXmlParser(std::string_view input, std::string& error);

    // Reads the whole text as the content of `node`, appending to its children.
    void Parse(LXmlNode& node);

private:
    char GetChar();
    char ReadEntity();
    char ReadToken(std::string& token, bool tagName);
    void ParseContent(LXmlNode& node, int depth);
    void ParseElement(LXmlNode& element, char ended, int depth);
    void HandleTextChar(std::string& text, char c);
    void RecordError(const std::string& message);

    std::string_view input_;
    std::size_t position_ = 0;
    std::string* error_;
    int line_ = 1;
    int column_ = 1;
    bool cdata_ = false;
    bool comment_ = false;
    std::array<char, 3> commentWindow_{};
    // Set when nesting went too deep: every open element returns at once.
    bool stopped_ = false;
};
