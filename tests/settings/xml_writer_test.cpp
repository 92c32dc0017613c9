#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "settings/xml_document.h"
#include "support/temp_folder.h"

namespace {

std::unique_ptr<LXmlNode> Element(const std::string& name) {
    auto node = std::make_unique<LXmlNode>();
    node->SetName(name);
    return node;
}

std::unique_ptr<LXmlNode> Text(const std::string& text) {
    auto node = std::make_unique<LXmlNode>();
    node->text = text;
    return node;
}

std::string Rendered(const LXmlNode& node, int depth = 0) {
    std::string out;
    node.Write(out, depth);
    return out;
}

std::string Reformatted(const std::string& input) {
    LXmlNode document;
    std::string error;
    document.Parse(input, error);
    EXPECT_EQ(error, "") << input;
    return Rendered(document);
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(dir);
    return names;
}

// The settings-file shape: sections holding empty key elements with a "value".
LXmlNode SettingsDocument() {
    LXmlNode document;
    LXmlNode* section = document.AppendChild(Element("Distributor"));
    section->AppendChild(Element("URL"))->SetAttribute("value", "http://example.org/?a=1&b=2");
    LXmlNode* other = document.AppendChild(Element("Other"));
    other->AppendChild(Element("Name"))->SetAttribute("value", "say \"it's <x>\"");
    other->AppendChild(Element("Empty"))->SetAttribute("value", "");
    return document;
}

const std::string kSettingsText =
    "<Distributor>\n"
    "\t<URL value=\"http://example.org/?a=1&amp;b=2\"/>\n"
    "</Distributor>\n"
    "<Other>\n"
    "\t<Name value=\"say &quot;it's &lt;x&gt;&quot;\"/>\n"
    "\t<Empty value=\"\"/>\n"
    "</Other>\n";

TEST(XmlWriterLayout, TextChildKeepsTheElementOnOneLine) {
    EXPECT_EQ(Reformatted("<a>x &amp; y</a>"), "<a>x &amp; y</a>\n");
}

TEST(XmlWriterLayout, ElementChildrenGoOnTabIndentedLines) {
    LXmlNode a;
    a.SetName("a");
    a.AppendChild(Element("b"))->SetAttribute("value", "1");
    std::string out;
    EXPECT_EQ(a.Write(out, 0), 2);
    EXPECT_EQ(out, "<a>\n\t<b value=\"1\"/>\n</a>\n");
    EXPECT_EQ(Rendered(a, 2), "\t\t<a>\n\t\t\t<b value=\"1\"/>\n\t\t</a>\n");
}

TEST(XmlWriterLayout, WhiteSpaceOnlyContentWritesAnEmptyElement) {
    LXmlNode name;
    name.SetName("name");
    name.AppendChild(Text(" \t\r\n"));
    std::string out;
    EXPECT_EQ(name.Write(out, 0), 1);
    EXPECT_EQ(out, "<name/>\n");
    // Blank text still counts as a text child: the start tag keeps no line break after it.
    EXPECT_EQ(Reformatted("<a>\n\t<b>\n</b>\n</a>"), "<a>\t<b/>\n</a>\n");
}

TEST(XmlWriterLayout, BlankTextCountsNothingAndOtherTextCountsOne) {
    std::string out;
    EXPECT_EQ(Text("\n\t \r")->Write(out, 0), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(Text("\x01")->Write(out, 3), 1) << "only space, tab, CR and LF are blank";
    EXPECT_EQ(out, "\x01");
}

TEST(XmlWriterLayout, MixedContentClosesDirectlyAfterTheChildren) {
    // A text child switches off the line break after the start tag and the indented end tag;
    // element children are still indented.
    EXPECT_EQ(Reformatted("<a>x<b/></a>"), "<a>x\t<b/>\n</a>\n");
    EXPECT_EQ(Reformatted("<a>\n<b/>x</a>"), "<a>\t<b/>\nx</a>\n");
}

TEST(XmlWriterLayout, NegativeDepthWritesNoLineBreaksOrTabs) {
    LXmlNode a;
    a.SetName("a");
    LXmlNode* b = a.AppendChild(Element("b"));
    b->AppendChild(Element("c"));
    b->AppendChild(Text("t"));
    a.AppendChild(Element("d"));
    std::string out;
    EXPECT_EQ(a.Write(out, -1), 5);
    EXPECT_EQ(out, "<a><b><c/>t</b><d/></a>");
}

TEST(XmlWriterLayout, DocumentWritesTopLevelNodesWithoutDeclaration) {
    LXmlNode document;
    document.AppendChild(Element("a"));
    document.AppendChild(Text("\n"));
    document.AppendChild(Element("b"));
    std::string out;
    EXPECT_EQ(document.Write(out, 0), 2);
    EXPECT_EQ(out, "<a/>\n<b/>\n");
    EXPECT_EQ(Rendered(LXmlNode()), "");
}

TEST(XmlWriterEscaping, EscapesMarkupInTextAndValues) {
    LXmlNode a;
    a.SetName("a");
    a.SetAttribute("v", "a&b<c>\"d'e\r\nf\tg");
    a.AppendChild(Text("<&>\"'\rz"));
    EXPECT_EQ(Rendered(a),
              "<a v=\"a&amp;b&lt;c&gt;&quot;d'e\n\nf\tg\">&lt;&amp;&gt;&quot;'\nz</a>\n");
}

TEST(XmlWriterEscaping, NamesAreWrittenAsTheyAre) {
    LXmlNode a;
    a.SetName("a&b");
    a.SetAttribute("x<y", "1");
    EXPECT_EQ(Rendered(a), "<a&b x<y=\"1\"/>\n");
}

TEST(XmlWriterSave, WritesTheDocumentToAnOpenFile) {
    TempFolder temp;
    const std::string path = temp.File("out.xml");
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(SettingsDocument().Save(fd));
    close(fd);
    EXPECT_EQ(ReadWholeFile(path), kSettingsText);
}

TEST(XmlWriterSave, ReportsAFileThatCannotBeWritten) {
    TempFolder temp;
    const std::string path = temp.File("readonly.xml");
    ASSERT_TRUE(WriteWholeFile(path, ""));
    int fd = open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(SettingsDocument().Save(fd));
    close(fd);
}

TEST(XmlWriterSaveFile, ReplacesTheFileAndLeavesNoTemporaryFile) {
    TempFolder temp;
    const std::string path = temp.File("brindleftp.xml");
    ASSERT_TRUE(WriteWholeFile(path, "<Old/>\n"));
    EXPECT_TRUE(SettingsDocument().SaveFile(path));
    EXPECT_EQ(ReadWholeFile(path), kSettingsText);
    EXPECT_EQ(FolderNames(temp.path()), std::vector<std::string>{"brindleftp.xml"});
}

TEST(XmlWriterSaveFile, FailsInAMissingFolderWithoutCreatingAnything) {
    TempFolder temp;
    EXPECT_FALSE(SettingsDocument().SaveFile(temp.File("missing/settings.xml")));
    EXPECT_TRUE(FolderNames(temp.path()).empty());
}

TEST(XmlWriterSaveFile, NewFileFollowsTheUmask) {
    TempFolder temp;
    for (mode_t mask : {mode_t{022}, mode_t{077}}) {
        const std::string path = temp.File("mode" + std::to_string(mask) + ".xml");
        mode_t previous = umask(mask);
        bool saved = SettingsDocument().SaveFile(path);
        umask(previous);
        ASSERT_TRUE(saved);
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
    }
}

TEST(XmlRoundTrip, SettingsFileReadsBackAsWritten) {
    TempFolder temp;
    const std::string path = temp.File("settings.xml");
    ASSERT_TRUE(SettingsDocument().SaveFile(path));
    LXmlNode loaded;
    std::string error;
    ASSERT_TRUE(loaded.LoadFile(path, error)) << error;
    EXPECT_EQ(loaded.FindChild("Distributor")->FindChild("URL")->GetAttribute("value", "-"),
              "http://example.org/?a=1&b=2");
    EXPECT_EQ(loaded.FindChild("Other")->FindChild("Name")->GetAttribute("value", "-"),
              "say \"it's <x>\"");
    EXPECT_EQ(loaded.FindChild("Other")->FindChild("Empty")->GetAttribute("value", "-"), "");
}

TEST(XmlRoundTrip, TrimmedDocumentSavesTheSameLayoutAgain) {
    TempFolder temp;
    const std::string path = temp.File("settings.xml");
    ASSERT_TRUE(WriteWholeFile(path, kSettingsText));
    LXmlNode loaded;
    loaded.keepSpace = false;
    std::string error;
    ASSERT_TRUE(loaded.LoadFile(path, error)) << error;
    ASSERT_TRUE(loaded.SaveFile(path));
    EXPECT_EQ(ReadWholeFile(path), kSettingsText);
}

TEST(XmlRoundTrip, KeptIndentationMovesTheFirstChildOntoTheStartTagOnce) {
    TempFolder temp;
    const std::string path = temp.File("settings.xml");
    ASSERT_TRUE(WriteWholeFile(path, kSettingsText));
    const std::string joined =
        "<Distributor>\t<URL value=\"http://example.org/?a=1&amp;b=2\"/>\n"
        "</Distributor>\n"
        "<Other>\t<Name value=\"say &quot;it's &lt;x&gt;&quot;\"/>\n"
        "\t<Empty value=\"\"/>\n"
        "</Other>\n";
    for (int round = 0; round < 2; ++round) {
        LXmlNode loaded;
        std::string error;
        ASSERT_TRUE(loaded.LoadFile(path, error)) << error;
        ASSERT_TRUE(loaded.SaveFile(path));
        EXPECT_EQ(ReadWholeFile(path), joined) << "round " << round;
    }
}

TEST(XmlRoundTrip, ValuesWithEveryByteSurvive) {
    TempFolder temp;
    const std::string path = temp.File("bytes.xml");
    std::string value;
    for (int byte = 1; byte < 256; ++byte) {
        if (byte != '\r') {  // CR comes back as LF
            value += static_cast<char>(byte);
        }
    }
    LXmlNode document;
    LXmlNode* key = document.AppendChild(Element("Section"))->AppendChild(Element("Key"));
    key->SetAttribute("value", value.substr(0, 200));
    key->SetAttribute("rest", value.substr(200));
    ASSERT_TRUE(document.SaveFile(path));
    LXmlNode loaded;
    std::string error;
    ASSERT_TRUE(loaded.LoadFile(path, error)) << error;
    const LXmlNode* loadedKey = loaded.FindChild("Section")->FindChild("Key");
    EXPECT_EQ(loadedKey->GetAttribute("value", ""), value.substr(0, 200));
    EXPECT_EQ(loadedKey->GetAttribute("rest", ""), value.substr(200));
}

TEST(XmlRoundTrip, TextAndCdataComeBackAsText) {
    TempFolder temp;
    const std::string path = temp.File("text.xml");
    LXmlNode document;
    std::string error;
    // The section's last two brackets close it; the two before them are text.
    document.Parse("<a><![CDATA[<b> & ]]]]><c>x &lt; y</c></a>", error);
    ASSERT_EQ(error, "");
    ASSERT_TRUE(document.SaveFile(path));
    EXPECT_EQ(ReadWholeFile(path), "<a>&lt;b&gt; &amp; ]]\t<c>x &lt; y</c>\n</a>\n");
    LXmlNode loaded;
    ASSERT_TRUE(loaded.LoadFile(path, error)) << error;
    EXPECT_EQ(loaded.FindChild("a")->GetValue(), "<b> & ]]\t");
    EXPECT_EQ(loaded.FindChild("a")->FindChild("c")->GetValue(), "x < y");
}

}  // namespace
