// The transfer options: their defaults, the names uploads get, and sizes in the chosen unit.
#include "settings/preference_options.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/section_settings.h"
#include "settings_fixture.h"

namespace {

using PreferenceOptionsTest = FreshSettings;

TEST_F(PreferenceOptionsTest, DefaultsWhenNothingIsStored) {
    PreferenceOptions options = LoadPreferenceOptions();
    EXPECT_FALSE(options.ftpRetry);
    EXPECT_FALSE(options.ftpNoSpaces);
    EXPECT_FALSE(options.ftpLowerCase);
    EXPECT_EQ(options.fileSizeUnits, kSizeUnitKiloBytes);
}

TEST_F(PreferenceOptionsTest, SavedInTheirOrderAsSettingsValues) {
    PreferenceOptions options;
    options.ftpRetry = true;
    options.ftpLowerCase = true;
    options.fileSizeUnits = kSizeUnitMegaBytes;
    SavePreferenceOptions(options);
    EXPECT_EQ(Entries(), (EntryList{{"Settings/FtpRetry", "1"},
                                    {"Settings/FtpNoSpaces", "0"},
                                    {"Settings/FtpLowerCase", "1"},
                                    {"Settings/FileSizeUnits", "2"}}));
    PreferenceOptions loaded = LoadPreferenceOptions();
    EXPECT_TRUE(loaded.ftpRetry);
    EXPECT_FALSE(loaded.ftpNoSpaces);
    EXPECT_TRUE(loaded.ftpLowerCase);
    EXPECT_EQ(loaded.fileSizeUnits, kSizeUnitMegaBytes);
}

TEST_F(PreferenceOptionsTest, AStoredUnitOutOfRangeReadsAsKiloBytes) {
    for (const char* stored : {"7", "3", "-1"}) {
        SetSetting(kSettingsSection, kFileSizeUnitsKey, stored);
        EXPECT_EQ(LoadPreferenceOptions().fileSizeUnits, kSizeUnitKiloBytes) << stored;
    }
}

TEST_F(PreferenceOptionsTest, UploadNamesFollowTheTwoRulesReadAtEveryCall) {
    struct Case {
        bool noSpaces;
        bool lowerCase;
        const char* local;
        const char* remote;
    };
    const Case cases[] = {
        {false, false, "My File.TXT", "My File.TXT"},
        {true, false, "My File.TXT", "My_File.TXT"},
        {false, true, "My File.TXT", "my file.txt"},
        {true, true, "My File.TXT", "my_file.txt"},
        // Bytes of UTF-8 sequences stay as they are.
        {true, true, "\xC3\x84RGER \xC3\xA4.TXT", "\xC3\x84rger_\xC3\xA4.txt"},
        {true, true, "  ", "__"},
    };
    for (const Case& c : cases) {
        SetSettingBool(kSettingsSection, kFtpNoSpacesKey, c.noSpaces);
        SetSettingBool(kSettingsSection, kFtpLowerCaseKey, c.lowerCase);
        EXPECT_EQ(UploadRemoteName(c.local), c.remote) << c.local;
    }
}

TEST_F(PreferenceOptionsTest, UploadNamesKeep259Bytes) {
    EXPECT_EQ(UploadRemoteName(std::string(300, 'n')), std::string(259, 'n'));
}

TEST(FormatSizeInUnits, RoundsUpAndGroupsDigits) {
    struct Case {
        std::uint64_t size;
        int units;
        const char* text;
    };
    const Case cases[] = {
        {0, 1, "0 KB"},
        {1, 1, "1 KB"},
        {1024, 1, "1 KB"},
        {1025, 1, "2 KB"},
        {1234567, 0, "1,234,567 B"},
        {1048576, 2, "1 MB"},
        {1048577, 2, "2 MB"},
        {1000000000000ull, 0, "1,000,000,000,000 B"},
        {999, 0, "999 B"},
        {1000, 0, "1,000 B"},
        {100000, 0, "100,000 B"},
        {1000001, 0, "1,000,001 B"},
        {18446744073709551615ull, 0, "18,446,744,073,709,551,615 B"},
        {18446744073709551615ull, 2, "17,592,186,044,416 MB"},
        {5000, 7, "5 KB"},
        {5000, -1, "5 KB"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatSizeInUnits(c.size, c.units), c.text) << c.size << " " << c.units;
    }
}

}  // namespace
