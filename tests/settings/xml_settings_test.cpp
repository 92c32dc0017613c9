// The values kept in XML files: where the files are, reading with defaults, writing sections and
// keys, and giving up when another writer holds the file.
#include "settings/xml_settings.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "frame/paths.h"
#include "settings/data_folders.h"
#include "settings_fixture.h"
#include "support/temp_folder.h"

namespace {

using XmlSettings = FreshSettings;

TEST_F(XmlSettings, ThePerUserFileIsInTheHiddenFolderOfTheHome) {
    EXPECT_EQ(GetPerUserXmlFile(), home() + "/.velmorsoftware/brindleftp.xml");
    EXPECT_TRUE(std::filesystem::is_directory(home() + "/.velmorsoftware"));
}

TEST_F(XmlSettings, SettingOnAMissingFileCreatesOneSectionWithOneKey) {
    EXPECT_TRUE(XmlSettingsSet("Distributor", "URL", "http://example.com/a?b=1&c=\"2\""));
    EXPECT_EQ(ReadWholeFile(GetPerUserXmlFile()),
              "<Distributor>\n"
              "\t<URL value=\"http://example.com/a?b=1&amp;c=&quot;2&quot;\"/>\n"
              "</Distributor>\n");
    EXPECT_EQ(XmlSettingsGet("Distributor", "URL", "default"), "http://example.com/a?b=1&c=\"2\"");
}

TEST_F(XmlSettings, NewKeysAndSectionsGoAtTheEndAndAKnownKeyIsReplaced) {
    XmlSettingsSet("One", "A", "1");
    XmlSettingsSet("Two", "B", "2");
    XmlSettingsSet("One", "C", "3");
    XmlSettingsSet("One", "A", "changed");
    EXPECT_EQ(XmlSettingsGet("One", "A", ""), "changed");
    EXPECT_EQ(XmlSettingsGet("One", "C", ""), "3");
    EXPECT_EQ(XmlSettingsGet("Two", "B", ""), "2");

    const std::string file = ReadWholeFile(GetPerUserXmlFile());
    std::size_t one = file.find("<One>");
    std::size_t a = file.find("<A value=\"changed\"/>");
    std::size_t c = file.find("<C value=\"3\"/>");
    std::size_t oneEnd = file.find("</One>");
    std::size_t two = file.find("<Two>");
    ASSERT_NE(two, std::string::npos) << file;
    EXPECT_TRUE(one < a && a < c && c < oneEnd && oneEnd < two) << file;
    EXPECT_EQ(file.find("<A", a + 1), std::string::npos) << file;
    // Rewrites keep one element per line.
    EXPECT_EQ(file,
              "<One>\n\t<A value=\"changed\"/>\n\t<C value=\"3\"/>\n</One>\n"
              "<Two>\n\t<B value=\"2\"/>\n</Two>\n");
}

TEST_F(XmlSettings, AnythingMissingGivesTheDefault) {
    EXPECT_EQ(XmlSettingsGet("Distributor", "URL", "no file"), "no file");
    ASSERT_TRUE(WriteWholeFile(
        GetPerUserXmlFile(), "<Distributor>\n\t<URL/>\n\t<Other value=\"x\"/>\n</Distributor>\n"));
    EXPECT_EQ(XmlSettingsGet("Missing", "URL", "no section"), "no section");
    EXPECT_EQ(XmlSettingsGet("Distributor", "Nope", "no key"), "no key");
    EXPECT_EQ(XmlSettingsGet("Distributor", "URL", "no value"), "no value");
    EXPECT_EQ(XmlSettingsGet("Distributor", "Other", "d"), "x");
    EXPECT_EQ(XmlSettingsGet("distributor", "Other", "names are exact"), "names are exact");
}

TEST_F(XmlSettings, AMalformedFileGivesWhatCouldBeRead) {
    ASSERT_TRUE(WriteWholeFile(GetPerUserXmlFile(), "<S>\n\t<K value=\"v\"/>\n\t<Broken"));
    EXPECT_EQ(XmlSettingsGet("S", "K", "d"), "v");
    EXPECT_EQ(XmlSettingsGet("S", "Broken", "d"), "d");
}

TEST_F(XmlSettings, ValuesKeep259Bytes) {
    XmlSettingsSet("S", "Long", std::string(400, 'x'));
    EXPECT_EQ(XmlSettingsGet("S", "Long", ""), std::string(259, 'x'));
    EXPECT_EQ(XmlSettingsGet("S", "Missing", std::string(300, 'd')), std::string(259, 'd'));
}

TEST_F(XmlSettings, AWriterGivesUpAtOnceWhenAnotherHoldsTheFile) {
    XmlSettingsSet("S", "K", "first");
    const std::string before = ReadWholeFile(GetPerUserXmlFile());
    int fd = open(GetPerUserXmlFile().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    EXPECT_FALSE(XmlSettingsSet("S", "K", "second"));
    EXPECT_EQ(ReadWholeFile(GetPerUserXmlFile()), before);
    close(fd);
    EXPECT_TRUE(XmlSettingsSet("S", "K", "second"));
    EXPECT_EQ(XmlSettingsGet("S", "K", ""), "second");
}

TEST_F(XmlSettings, TheSharedFileIsInTheFirstBrindleftpFolderOfTheDataDirs) {
    const std::string first = systemFolder() + "/first";
    const std::string second = systemFolder() + "/second";
    std::filesystem::create_directories(second + "/brindleftp");
    std::filesystem::create_directories(first);  // without a brindleftp folder
    setenv("XDG_DATA_DIRS", ("relative:" + first + ":" + second).c_str(), 1);
    EXPECT_EQ(GetSharedDataFolder(), second + "/brindleftp");
    EXPECT_EQ(GetSharedXmlFile(), second + "/brindleftp/SharedSettings.xml");

    ASSERT_TRUE(WriteWholeFile(GetSharedXmlFile(),
                               "<Distributor>\n\t<URL value=\"http://shared.example/\"/>\n"
                               "</Distributor>\n"));
    EXPECT_EQ(SharedXmlSettingsGet("Distributor", "URL", "d"), "http://shared.example/");
    // The per-user file is a different one.
    EXPECT_EQ(XmlSettingsGet("Distributor", "URL", "d"), "d");
}

TEST_F(XmlSettings, WithoutASystemFolderTheSharedFileIsThePerUserDataFolders) {
    EXPECT_EQ(GetSharedDataFolder(), GetDataFolder());
    EXPECT_EQ(SharedXmlSettingsGet("Distributor", "URL", "d"), "d");
}

}  // namespace
