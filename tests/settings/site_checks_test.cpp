// The checks made before a site account is saved, in their order, with their texts.
#include "settings/site_checks.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kServerInvalid =
    "Server data invalid. The server should not contain the / character. Correct forms are, for "
    "example, ftp.example.com or 192.168.1.20.";

struct Case {
    const char* label;
    const char* server;
    const char* user;
    int field;  // 0: every check passes
    const char* headline;
    const char* text;
};

TEST(SiteChecks, TheFirstFailingCheckIsReported) {
    const Case cases[] = {
        {"", "", "", kSiteLabelField, "Label Required",
         "Please enter the display label for the site."},
        {"   ", "host", "u", kSiteLabelField, "Label Required",
         "Please enter the display label for the site."},
        {"A", " ", "u", kSiteServerField, "FTP Server Required",
         "Please enter the ftp server to transfer files to. The format can be the domain form, "
         "such as ftp.example.com, or a dotted IP address, such as 192.168.1.20."},
        // Refused before any look-up: the name would not resolve either.
        {"A", "no-such-host.invalid/x", "u", kSiteServerField, "FTP Server Required",
         kServerInvalid},
        {"A", "a/b", "", kSiteServerField, "FTP Server Required", kServerInvalid},
        {"A", "no-such-host.invalid:21", "u", kSiteServerField, "FTP Server Required",
         "Unable to validate Ftp Server. Connection failed. Please check the server details and "
         "try again."},
        {"A", "0.0.0.0", "u", kSiteServerField, "FTP Server Required",
         "Unable to validate Ftp Server. Connection failed. Please check the server details and "
         "try again."},
        {"A", "localhost:2121", "  ", kSiteUserNameField, "FTP User Name Required",
         "Please enter a valid user name for the ftp account. If you don't know what it is, speak "
         "to the administrator of the FTP server."},
        {"A", "10.1.2.3:2121", "u", 0, "", ""},
        {"A", "localhost", "anonymous", 0, "", ""},
    };
    for (const Case& c : cases) {
        SiteCheckFailure failure;
        bool passed = CheckSiteAccountFields(SiteFieldText(c.label), SiteFieldText(c.server),
                                             SiteFieldText(c.user), failure);
        EXPECT_EQ(passed, c.field == 0) << c.label << "|" << c.server << "|" << c.user;
        EXPECT_EQ(failure.field, c.field) << c.server;
        EXPECT_EQ(failure.headline, c.headline) << c.server;
        EXPECT_EQ(failure.text, c.text) << c.server;
    }
}

TEST(SiteChecks, FieldTextsAreCutAndStripped) {
    EXPECT_EQ(SiteFieldText("  \thost \r\n"), "host");
    EXPECT_EQ(SiteFieldText("in side"), "in side");
    EXPECT_EQ(SiteFieldText(std::string(258, 'a') + "  tail"), std::string(258, 'a'));
    EXPECT_EQ(SiteFieldText(std::string(300, 'b')), std::string(259, 'b'));
}

}  // namespace
