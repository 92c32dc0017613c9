#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "settings/xml_document.h"
#include "support/temp_folder.h"

namespace {

// A compact picture of a tree: elements as name[attr=value ...](children), text in quotes.
std::string Dump(const LXmlNode& node);

std::string DumpChildren(const LXmlNode& node) {
    std::string out;
    for (const auto& child : node.children) {
        if (!out.empty()) {
            out += ",";
        }
        out += Dump(*child);
    }
    return out;
}

std::string Dump(const LXmlNode& node) {
    if (node.text) {
        return "'" + *node.text + "'";
    }
    std::string out = node.name ? *node.name : "#document";
    if (!node.attributes.empty()) {
        out += "[";
        for (std::size_t i = 0; i < node.attributes.size(); ++i) {
            out += (i > 0 ? " " : "") + node.attributes[i].name + "=" + node.attributes[i].value;
        }
        out += "]";
    }
    if (!node.children.empty()) {
        out += "(" + DumpChildren(node) + ")";
    }
    return out;
}

struct Parsed {
    std::string tree;
    std::string error;
};

Parsed ParseText(const std::string& text) {
    LXmlNode document;
    Parsed parsed;
    document.Parse(text, parsed.error);
    parsed.tree = DumpChildren(document);
    return parsed;
}

const std::string kMismatchTail = ". Check you have terminated your element properly.";
const std::string kSemicolon =
    "Strings starting with an ampersand (&) must end with a semicolon (;). Either replace the "
    "'&' with '&amp;' or add a ';' at the end of the control string.";
const std::string kInvalidAmpersand =
    "Invalid escaped ampersand character. Make sure you use &amp; in place of any & characters!";

struct Case {
    std::string input;
    std::string tree;
    std::string error;
};

void ExpectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        Parsed parsed = ParseText(c.input);
        EXPECT_EQ(parsed.tree, c.tree) << "input: " << c.input;
        EXPECT_EQ(parsed.error, c.error) << "input: " << c.input;
    }
}

// Errors and the positions they are reported at: the line and column counters after the
// character that revealed the error.
TEST(XmlReaderErrors, ReportTheFirstErrorWithItsLineAndColumn) {
    ExpectCases({
        {"<a>text</b>", "a('text')",
         "Ln 1, Col 12: Element <a> should be terminated with </a>, was with b" + kMismatchTail},
        {"</x><a/>", "", "Ln 1, Col 5: Misplaced </x> which does not match a <x>."},
        {"<a><b>", "a(b)",
         "Ln 1, Col 7: (EOF) Element <b> should be terminated with </b>" + kMismatchTail},
        {"<a>x < y</a>", "a('x '),'y'",
         "Ln 1, Col 8: Misplaced < without name. Use &lt; instead of < if appropriate."},
        {"<a b=\"1\"", "a[b=1]", "Ln 1, Col 9: Tag <a> does not have a closing '>'"},
        {"<a>&bogus;</a>", "a('&')", "Ln 1, Col 11: " + kInvalidAmpersand},
        {"<a>x & y</a>", "a('x ')", "Ln 1, Col 8: " + kSemicolon},
        // Only the first error is kept; reading goes on after it.
        {"<a>&bogus; &x y</a><b/>", "a('& '),b", "Ln 1, Col 11: " + kInvalidAmpersand},
    });
}

TEST(XmlReaderErrors, CountEachKindOfLineBreakOnce) {
    // LF CR, CR LF and a lone CR are one break each; the column starts again at 1.
    ExpectCases({
        {"\n\r\r\n\r<a>&q;</a>", "'\n\n\n',a('&')", "Ln 4, Col 7: " + kInvalidAmpersand},
        {"<a>\r\n\r\n  &zz;</a>", "a('\n\n  &')", "Ln 3, Col 7: " + kInvalidAmpersand},
        {"<a>\n\n\n", "a('\n\n\n')",
         "Ln 4, Col 1: (EOF) Element <a> should be terminated with </a>" + kMismatchTail},
        {"<a>\r\r</a>", "a('\n\n')", ""},
    });
}

TEST(XmlReaderErrors, ClosingTagAtTheTopEndsTheParse) {
    Parsed parsed = ParseText("<a/></b><c/>");
    EXPECT_EQ(parsed.tree, "a");
    EXPECT_EQ(parsed.error, "Ln 1, Col 9: Misplaced </b> which does not match a <b>.");
}

TEST(XmlReaderErrors, EndOfInputReportsOnlyTheInnermostOpenElement) {
    Parsed parsed = ParseText("<a>\n<b>text");
    EXPECT_EQ(parsed.tree, "a('\n',b('text'))");
    EXPECT_EQ(parsed.error,
              "Ln 2, Col 8: (EOF) Element <b> should be terminated with </b>" + kMismatchTail);
}

TEST(XmlReaderErrors, MismatchedClosingTagStillEndsTheElement) {
    // The rest of a closing tag is skipped up to its '>'.
    Parsed parsed = ParseText("<a><b>x</c d='>'>y</a>");
    EXPECT_EQ(parsed.tree, "a(b('x'),''>y')");
    EXPECT_EQ(parsed.error, "Ln 1, Col 12: Element <b> should be terminated with </b>, was with c" +
                                kMismatchTail);
}

TEST(XmlReaderErrors, MessagesKeep259Characters) {
    const std::string name(300, 'n');
    Parsed parsed = ParseText("<" + name + ">");
    ASSERT_EQ(parsed.error.size(), 259u);
    EXPECT_EQ(parsed.error.substr(0, 30), "Ln 1, Col 303: (EOF) Element <");
    // Names keep 259 characters as well.
    EXPECT_EQ(parsed.tree, std::string(259, 'n'));
}

TEST(XmlReaderErrors, DeepNestingStopsAtTheDepthLimit) {
    std::string allowed;
    for (int i = 0; i < kXmlMaxDepth; ++i) {
        allowed += "<a>";
    }
    for (int i = 0; i < kXmlMaxDepth; ++i) {
        allowed += "</a>";
    }
    EXPECT_EQ(ParseText(allowed).error, "");

    std::string tooDeep;
    for (int i = 0; i <= kXmlMaxDepth; ++i) {
        tooDeep += "<a>";
    }
    tooDeep += "text";
    LXmlNode document;
    std::string error;
    EXPECT_FALSE(document.Parse(tooDeep, error));
    EXPECT_EQ(error, "Ln 1, Col 772: Element <a> is nested more than 256 levels deep.");
    int depth = 0;
    for (const LXmlNode* node = &document; !node->children.empty();
         node = node->children.front().get()) {
        ++depth;
        EXPECT_EQ(node->children.size(), 1u);
    }
    EXPECT_EQ(depth, kXmlMaxDepth);
}

TEST(XmlReaderErrors, HugeNestingNeitherCrashesNorRecursesWithoutBound) {
    std::string input;
    for (int i = 0; i < 200000; ++i) {
        input += "<a b='1'>";
    }
    LXmlNode document;
    std::string error;
    EXPECT_FALSE(document.Parse(input, error));
    EXPECT_NE(error.find("nested more than 256 levels deep"), std::string::npos) << error;
}

TEST(XmlReaderEntities, ResolveTheFiveNamesAndCharacterReferences) {
    ExpectCases({
        {"<a>x &amp; y</a>", "a('x & y')", ""},
        {"<a>&lt;&gt;&quot;&apos;</a>", "a('<>\"'')", ""},
        {"<a>&#65;&#x41;&#x6a;&#x6A;</a>", "a('AAjj')", ""},
        // The low 8 bits of the number; hex skips characters that are no digits.
        {"<a>&#321;&#x4g1;&#65abc;</a>", "a('AAA')", ""},
        // Upper-case X reads as decimal: 0, a NUL byte that ends the text.
        {"<a>b&#X41;c</a>", "a('b')", ""},
        {"<a>b&#256;c</a>", "a('b')", ""},
        {"<a>&#0;</a>", "a", ""},
        // Names compare case-sensitively; unknown ones keep a plain '&'.
        {"<a>&AMP;&nbsp;</a>", "a('&&')", "Ln 1, Col 9: " + kInvalidAmpersand},
    });
}

TEST(XmlReaderEntities, UnterminatedReferenceEndsTheTextAtTheAmpersand) {
    ExpectCases({
        {"<a>x & y</a>", "a('x ')", "Ln 1, Col 8: " + kSemicolon},
        {"<a>x &y\tz</a>", "a('x ')", "Ln 1, Col 9: " + kSemicolon},
        {"<a>x &y\nz</a>", "a('x ')", "Ln 2, Col 1: " + kSemicolon},
        {"<a>x &y", "a('x ')", "Ln 1, Col 8: " + kSemicolon},
    });
}

TEST(XmlReaderEntities, NamesLongerThan23CharactersAreUnterminated) {
    const std::string name23 = "abcdefghijklmnopqrstuvw";
    ExpectCases({
        {"<a>&" + name23 + ";</a>", "a('&')", "Ln 1, Col 29: " + kInvalidAmpersand},
        // The 24th character stops the reference and is consumed.
        {"<a>y&" + name23 + "x;</a>", "a('y')", "Ln 1, Col 30: " + kSemicolon},
    });
}

TEST(XmlReaderEntities, ApplyInsideAttributeValuesAndNames) {
    ExpectCases({
        {"<a v=\"&lt;&amp;&#x41;\"/>", "a[v=<&A]", ""},
        {"<a v='x&#0;y'/>", "a[v=x]", ""},
        {"<a v=\"x & y\" w=\"2\"/>", "a[v=x  w=2]", "Ln 1, Col 11: " + kSemicolon},
    });
}

TEST(XmlReaderSections, CdataKeepsMarkupAsText) {
    ExpectCases({
        {"<a><![CDATA[<b>&amp;</b>]]></a>", "a('<b>&amp;</b>')", ""},
        {"<a>x<![CDATA[ y ]]>z</a>", "a('x y z')", ""},
        {"<a><![CDATA[]]></a>", "a", ""},
        {"<a><![CDATA[abc", "a('abc')",
         "Ln 1, Col 16: (EOF) Element <a> should be terminated with </a>" + kMismatchTail},
        // The opening is exact: another case is an ordinary declaration-like element.
        {"<![cdata[x]]>", "![cdata[x]]", ""},
    });
}

TEST(XmlReaderSections, CommentsAreDroppedFromTheText) {
    ExpectCases({
        {"<a>x<!-- <b> & c -->y</a>", "a('xy')", ""},
        {"<!-- c --><a/>", "a", ""},
        {"<!---><a/>", "a", ""},
        {"<a><!-- x --><b/></a>", "a(b)", ""},
        {"<a>x<!-- never closed </a>", "a('x')",
         "Ln 1, Col 27: (EOF) Element <a> should be terminated with </a>" + kMismatchTail},
    });
}

TEST(XmlReaderSections, SectionEndsLoseTheirGreaterThanInPlainText) {
    ExpectCases({
        {"<a>p]]>q</a>", "a('pq')", ""},
        {"<a>p-->q</a>", "a('p--q')", ""},
        {"<a>p]>q-]>r</a>", "a('p]>q-]>r')", ""},
        {"<a>&#93;&#93;&gt;</a>", "a", ""},
    });
}

TEST(XmlReaderAttributes, ReadQuotedAndBareValues) {
    ExpectCases({
        {"<a x=\"1\" y='2'/>", "a[x=1 y=2]", ""},
        {"<a x=\"it's\" y='say \"hi\"'/>", "a[x=it's y=say \"hi\"]", ""},
        {"<a v=\"ab\"cd/>", "a[v=abcd]", ""},
        {"<a v=1 w=2>t</a>", "a[v=1 w=2]('t')", ""},
        {"<a v=\"a b/c>d=e\">t</a>", "a[v=a b/c>d=e]('t')", ""},
        {"<a v=\"\" w/>", "a[v= w=]", ""},
        {"<a   \t\n  v='1'   />", "a[v=1]", ""},
        // No white space around '='.
        {"<a a = \"1\"/>", "a[a= 1=]", ""},
        // The later value of a repeated name wins; names compare case-sensitively.
        {"<a x=\"1\" X=\"2\" x=\"3\"/>", "a[x=3 X=2]", ""},
    });
}

TEST(XmlReaderAttributes, ValuesKeep259Characters) {
    Parsed parsed = ParseText("<a v=\"" + std::string(400, 'v') + "\"/>");
    EXPECT_EQ(parsed.tree, "a[v=" + std::string(259, 'v') + "]");
    EXPECT_EQ(parsed.error, "");
}

TEST(XmlReaderAttributes, XmlSpaceKeepsTextWhateverItsValue) {
    LXmlNode document;
    document.keepSpace = false;
    std::string error;
    document.Parse("<a>\n x \n</a><b XML:Space='no'>\n y \n<c>\tz\t</c></b>", error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(DumpChildren(document), "a(' x '),b('\n y \n',c('\tz\t'))");
    EXPECT_FALSE(document.children[0]->keepSpace);
    EXPECT_TRUE(document.children[1]->keepSpace);
    EXPECT_TRUE(document.children[1]->children[1]->keepSpace) << "inherited from the parent";
}

TEST(XmlReaderAttributes, TrimmingRemovesOnlyControlBytes) {
    LXmlNode document;
    document.keepSpace = false;
    std::string error;
    document.Parse("<a>\x01\t x\xC3\xA9 \r\n\x1F</a><b>\n\t\n</b>", error);
    EXPECT_EQ(DumpChildren(document), "a(' x\xC3\xA9 '),b");
}

TEST(XmlReaderDocument, KeepsWhiteSpaceByDefault) {
    Parsed parsed = ParseText("<a>\n\t<b/>\n</a>\n");
    EXPECT_EQ(parsed.tree, "a('\n\t',b,'\n'),'\n'");
}

TEST(XmlReaderDocument, DeclarationsAndInstructionsHaveNoContent) {
    ExpectCases({
        // The closing '?' follows the quoted run and joins the value.
        {"<?xml version=\"1.0\"?>\n<a/>", "?xml[version=1.0?],'\n',a", ""},
        {"<!DOCTYPE note><note>x</note>", "!DOCTYPE[note=],note('x')", ""},
    });
}

TEST(XmlReaderDocument, TextEndsAtTheFirstNulByte) {
    Parsed parsed = ParseText(std::string("<a>x</a><b>\0</b>", 16));
    EXPECT_EQ(parsed.tree, "a('x'),b");
    EXPECT_NE(parsed.error.find("(EOF) Element <b>"), std::string::npos);
}

TEST(XmlReaderDocument, ParseReplacesTheChildren) {
    LXmlNode document;
    std::string error;
    document.Parse("<a/><b/>", error);
    document.Parse("<c/>", error);
    EXPECT_EQ(DumpChildren(document), "c");
}

TEST(XmlReaderFile, LoadsTheWholeFile) {
    TempFolder temp;
    const std::string path = temp.File("settings.xml");
    std::string content = "<Distributor>\n\t<URL value=\"http://example.org/?a=1&amp;b=2\"/>\n";
    content += "</Distributor>\n" + std::string(100000, ' ') + "<Last/>";
    ASSERT_TRUE(WriteWholeFile(path, content));
    LXmlNode document;
    std::string error = "stale";
    EXPECT_TRUE(document.LoadFile(path, error));
    EXPECT_EQ(error, "");
    LXmlNode* url = document.FindChild("Distributor")->FindChild("URL");
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(url->GetAttribute("value", ""), "http://example.org/?a=1&b=2");
    EXPECT_NE(document.FindChild("Last"), nullptr);
}

TEST(XmlReaderFile, UnreadableFileLeavesTheChildren) {
    TempFolder temp;
    LXmlNode document;
    std::string error;
    document.Parse("<kept/>", error);
    const std::string missing = temp.File("missing.xml");
    EXPECT_FALSE(document.LoadFile(missing, error));
    EXPECT_EQ(error, "Cannot open xml file: " + missing);
    EXPECT_FALSE(document.LoadFile(temp.path(), error)) << "a folder is not a file";
    EXPECT_EQ(error, "Cannot open xml file: " + temp.path());
    EXPECT_EQ(DumpChildren(document), "kept");
}

TEST(XmlReaderFile, NulByteInTheFileEndsTheInput) {
    TempFolder temp;
    const std::string path = temp.File("nul.xml");
    ASSERT_TRUE(WriteWholeFile(path, std::string("<a/>\0<b/>", 9)));
    LXmlNode document;
    std::string error;
    EXPECT_TRUE(document.LoadFile(path, error));
    EXPECT_EQ(DumpChildren(document), "a");
}

TEST(XmlNodeAccess, FindChildComparesNamesExactly) {
    LXmlNode document;
    std::string error;
    document.Parse("text<Section/><section/>", error);
    EXPECT_EQ(document.FindChild("section"), document.children[2].get());
    EXPECT_EQ(document.FindChild("Section"), document.children[1].get());
    EXPECT_EQ(document.FindChild("SECTION"), nullptr);
    EXPECT_EQ(document.FindChild(""), document.children[0].get()) << "text counts as named \"\"";
}

TEST(XmlNodeAccess, GetValueTakesOwnTextThenFirstChildText) {
    LXmlNode document;
    std::string error;
    document.Parse("<a>x<b/></a><c><d/>y</c>", error);
    EXPECT_EQ(document.FindChild("a")->GetValue(), "x");
    EXPECT_EQ(document.FindChild("a")->children[0]->GetValue(), "x");
    EXPECT_EQ(document.FindChild("c")->GetValue(), "") << "the first child is no text";
}

TEST(XmlNodeAccess, GetAttributeReturnsTheDefaultItself) {
    LXmlNode node;
    node.SetAttribute("Value", "1");
    const std::string fallback = "fallback";
    std::string_view result = node.GetAttribute("value", fallback);
    EXPECT_EQ(result.data(), fallback.data());
    EXPECT_EQ(node.GetAttribute("Value", fallback), "1");
}

TEST(XmlNodeAccess, SetAttributeReplacesOrAppends) {
    LXmlNode node;
    node.SetAttribute("a", "1");
    node.SetAttribute("b", "2");
    node.SetAttribute("a", "3");
    ASSERT_EQ(node.attributes.size(), 2u);
    EXPECT_EQ(node.attributes[0].name, "a");
    EXPECT_EQ(node.attributes[0].value, "3");
    EXPECT_EQ(node.attributes[1].name, "b");
}

TEST(XmlNodeAccess, AppendChildTakesTheParentsKeepSpace) {
    LXmlNode parent;
    parent.keepSpace = false;
    auto child = std::make_unique<LXmlNode>();
    EXPECT_TRUE(child->keepSpace) << "a new node keeps space";
    LXmlNode* appended = parent.AppendChild(std::move(child));
    EXPECT_FALSE(appended->keepSpace);
    EXPECT_EQ(parent.children.back().get(), appended);
}

}  // namespace
