#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "frame/ascii_case.h"
#include "frame/text_limits.h"
#include "settings/xml_document.h"
#include "settings/xml_parser.h"

namespace {

constexpr std::size_t kEntityNameLimit = 23;

constexpr const char* kSemicolonMessage =
    "Strings starting with an ampersand (&) must end with a semicolon (;). Either replace the "
    "'&' with '&amp;' or add a ';' at the end of the control string.";
constexpr const char* kInvalidAmpersandMessage =
    "Invalid escaped ampersand character. Make sure you use &amp; in place of any & characters!";
constexpr const char* kBareLessThanMessage =
    "Misplaced < without name. Use &lt; instead of < if appropriate.";

// A NUL byte made by a bad reference ends the string there; what was read after it is dropped.
void CutAtNul(std::string& text) {
    std::size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
}

bool IsControlByte(char c) {
    auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 31;
}

// The low 8 bits of a character reference's number: "x" and hex digits (other characters are
// skipped), else decimal digits up to the first other character.
char CharacterReference(std::string_view digits) {
    std::uint32_t number = 0;
    if (!digits.empty() && digits[0] == 'x') {
        for (char c : digits.substr(1)) {
            if (c >= '0' && c <= '9') {
                number = number * 16 + static_cast<std::uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                number = number * 16 + static_cast<std::uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                number = number * 16 + static_cast<std::uint32_t>(c - 'A' + 10);
            }
            number &= 0xFF;
        }
    } else {
        for (char c : digits) {
            if (c < '0' || c > '9') {
                break;
            }
            number = (number * 10 + static_cast<std::uint32_t>(c - '0')) & 0xFF;
        }
    }
    return static_cast<char>(number);
}

// Flushes the collected text as a text node of `node`; the buffer starts afresh.
void FlushText(LXmlNode& node, std::string& text) {
    CutAtNul(text);
    std::size_t begin = 0;
    std::size_t end = text.size();
    if (!node.keepSpace) {
        while (begin < end && IsControlByte(text[begin])) {
            ++begin;
        }
        while (end > begin && IsControlByte(text[end - 1])) {
            --end;
        }
    }
    if (begin < end) {
        auto child = std::make_unique<LXmlNode>();
        child->text = text.substr(begin, end - begin);
        child->keepSpace = node.keepSpace;
        node.children.push_back(std::move(child));
    }
    text.clear();
}

}  // namespace

LXmlParser::LXmlParser(std::string_view input, std::string& error) : input_(input), error_(&error) {
    error_->clear();
}

void LXmlParser::Parse(LXmlNode& node) {
    ParseContent(node, 0);
}

// CR LF, LF CR, a lone CR and a lone LF are each one line break, returned as LF.
char LXmlParser::GetChar() {
    if (position_ >= input_.size() || input_[position_] == '\0') {
        return '\0';
    }
    char c = input_[position_++];
    if (c == '\r' || c == '\n') {
        char pair = c == '\r' ? '\n' : '\r';
        if (position_ < input_.size() && input_[position_] == pair) {
            ++position_;
        }
        ++line_;
        column_ = 1;
        return '\n';
    }
    ++column_;
    return c;
}

void LXmlParser::RecordError(const std::string& message) {
    if (!error_->empty()) {
        return;
    }
    *error_ = CutText("Ln " + std::to_string(line_) + ", Col " + std::to_string(column_) + ": " +
                      message);
}

// After '&': the byte the reference stands for; NUL when it is not closed by ';'.
char LXmlParser::ReadEntity() {
    std::string name;
    for (;;) {
        char c = GetChar();
        if (c == ';') {
            break;
        }
        if (c == '\0' || c == ' ' || c == '\t' || c == '\n' || name.size() == kEntityNameLimit) {
            RecordError(kSemicolonMessage);
            return '\0';
        }
        name.push_back(c);
    }
    if (name == "amp") {
        return '&';
    }
    if (name == "gt") {
        return '>';
    }
    if (name == "lt") {
        return '<';
    }
    if (name == "quot") {
        return '"';
    }
    if (name == "apos") {
        return '\'';
    }
    if (!name.empty() && name[0] == '#') {
        return CharacterReference(std::string_view(name).substr(1));
    }
    RecordError(kInvalidAmpersandMessage);
    return '&';
}

// Reads one tag name, attribute name or attribute value; returns the character that ended it.
// Only a tag name can open a comment or a CDATA section: elsewhere "<!--" and "<![CDATA[" are
// not markup.
char LXmlParser::ReadToken(std::string& token, bool tagName) {
    token.clear();
    char quote = '\0';
    char ended = '\0';
    for (;;) {
        char c = GetChar();
        if (tagName && token == "![CDATA[") {
            // The first character of the section goes back to the caller as it is.
            cdata_ = true;
            return c;
        }
        if (c == '\0') {
            break;
        }
        if (quote == '\0') {
            if (c == '"' || c == '\'') {
                quote = c;
                continue;
            }
            if (c == '\t' || c == '\n' || c == ' ' || c == '/' || c == '=' || c == '>') {
                ended = c;
                break;
            }
        } else if (c == quote) {
            quote = '\0';
            continue;
        }
        if (c == '&') {
            c = ReadEntity();
        }
        if (token.size() < kTextLimit) {
            token.push_back(c);
        }
        if (tagName && token.size() == 3 && EqualsIgnoringCase(token, "!--")) {
            return c;
        }
    }
    CutAtNul(token);
    return ended;
}

// Comment characters are dropped: a comment is not part of its element's text. Outside comments
// a '>' after "]]" ends a CDATA section and takes the brackets with it, and a '>' after "--" is
// dropped, as a comment's end would be.
void LXmlParser::HandleTextChar(std::string& text, char c) {
    if (comment_) {
        commentWindow_ = {commentWindow_[1], commentWindow_[2], c};
        if (commentWindow_[0] == '-' && commentWindow_[1] == '-' && commentWindow_[2] == '>') {
            comment_ = false;
        }
        return;
    }
    if (c == '>' && text.ends_with("]]")) {
        text.resize(text.size() - 2);
        cdata_ = false;
        return;
    }
    if (c == '>' && text.ends_with("--")) {
        return;
    }
    text.push_back(c);
}

void LXmlParser::ParseContent(LXmlNode& node, int depth) {
    std::string text;
    for (;;) {
        char c = GetChar();
        if (c == '\0') {
            if (node.name) {
                const std::string& name = *node.name;
                RecordError("(EOF) Element <" + name + "> should be terminated with </" + name +
                            ">. Check you have terminated your element properly.");
            }
            FlushText(node, text);
            return;
        }
        if (c == '<' && !cdata_ && !comment_) {
            std::string tag;
            char ended = ReadToken(tag, true);
            if (tag == "!--") {
                comment_ = true;
                commentWindow_ = {};
            }
            if (comment_ || cdata_) {
                HandleTextChar(text, ended);
                continue;
            }
            if (tag.empty() && ended == '/') {
                std::string closing;
                ended = ReadToken(closing, false);
                if (!node.name) {
                    RecordError("Misplaced </" + closing + "> which does not match a <" + closing +
                                ">.");
                } else if (*node.name != closing) {
                    const std::string& name = *node.name;
                    RecordError("Element <" + name + "> should be terminated with </" + name +
                                ">, was with " + closing +
                                ". Check you have terminated your element properly.");
                }
                while (ended != '>' && ended != '\0') {
                    ended = GetChar();
                }
                FlushText(node, text);
                return;
            }
            if (tag.empty()) {
                RecordError(kBareLessThanMessage);
                FlushText(node, text);
                return;
            }
            FlushText(node, text);
            if (depth >= kXmlMaxDepth) {
                RecordError("Element <" + tag + "> is nested more than " +
                            std::to_string(kXmlMaxDepth) + " levels deep.");
                stopped_ = true;
                return;
            }
            auto child = std::make_unique<LXmlNode>();
            child->name = std::move(tag);
            child->keepSpace = node.keepSpace;
            ParseElement(*child, ended, depth + 1);
            node.children.push_back(std::move(child));
            if (stopped_) {
                return;
            }
            continue;
        }
        if (c == '&' && !cdata_ && !comment_) {
            c = ReadEntity();
        }
        HandleTextChar(text, c);
    }
}

// After "<name": the attributes, then the content unless the tag closes itself or is a
// processing instruction or declaration.
void LXmlParser::ParseElement(LXmlNode& element, char ended, int depth) {
    const std::string& name = *element.name;
    bool selfClosed = false;
    char c = ended;
    for (;;) {
        if (c == '>') {
            if (!selfClosed && name[0] != '?' && name[0] != '!') {
                ParseContent(element, depth);
            }
            return;
        }
        if (c == '\0') {
            RecordError("Tag <" + name + "> does not have a closing '>'");
            return;
        }
        if (c == '/') {
            selfClosed = true;
        }
        // No white space around '=': "a = 1" is an empty "a" and an empty "1".
        std::string attrName;
        std::string value;
        c = ReadToken(attrName, false);
        if (c == '=') {
            c = ReadToken(value, false);
        }
        if (attrName.empty()) {
            continue;
        }
        if (EqualsIgnoringCase(attrName, "xml:space")) {
            element.keepSpace = true;
        } else {
            element.SetAttribute(attrName, value);
        }
    }
}
