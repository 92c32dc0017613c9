#include "services/version_check.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "component_test_support.h"
#include "services/service_hosts.h"
#include "support/scripted_ui.h"

namespace {

TEST(ReadDecimal, ReadsTheNumberAsAtofDoesInTheCLocale) {
    struct Case {
        std::string text;
        double value;
    };
    const Case cases[] = {
        {"2.13", 2.13}, {"2.2&info=x", 2.2}, {" \t2.5\r\n", 2.5}, {"+3", 3.0},
        {"-1.5", -1.5}, {"1e3", 1000.0},     {".5", 0.5},         {"7.", 7.0},
        {"2,5", 2.0},   {"0x10", 16.0},      {"0x", 0.0},         {"abc", 0.0},
        {"", 0.0},      {"--5", 0.0},        {"+-5", 0.0},        {"1e-999", 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(ReadDecimal(c.text), c.value) << c.text;
    }
    EXPECT_TRUE(std::isinf(ReadDecimal("1e999")));
    EXPECT_TRUE(std::isinf(ReadDecimal(std::string(400, '9'))));
}

TEST(ParseVersionInfo, FindsBothKeysAnywhereInTheResponse) {
    VersionInfo info;
    ASSERT_TRUE(ParseVersionInfo(
        "HTTP/1.0 200 OK\r\nContent-Length: 40\r\n\r\nversion=2.2&info=http://x/new.html&more",
        info));
    EXPECT_DOUBLE_EQ(info.version, 2.2);
    EXPECT_EQ(info.infoUrl, "http://x/new.html");
}

TEST(ParseVersionInfo, AnAddressWithoutAnAmpersandRunsToTheEndOfTheResponse) {
    VersionInfo info;
    ASSERT_TRUE(ParseVersionInfo("info=http://x/page\r\nversion=2.13\r\n", info));
    EXPECT_EQ(info.infoUrl, "http://x/page\r\nversion=2.13\r\n");
    EXPECT_DOUBLE_EQ(info.version, 2.13);
}

TEST(ParseVersionInfo, KeepsAtMost259BytesOfTheAddress) {
    VersionInfo info;
    ASSERT_TRUE(ParseVersionInfo("version=3&info=" + std::string(400, 'u'), info));
    EXPECT_EQ(info.infoUrl, std::string(259, 'u'));
}

TEST(ParseVersionInfo, FailsWithoutEitherKey) {
    VersionInfo info;
    EXPECT_FALSE(ParseVersionInfo("version=2.2\r\n", info));
    EXPECT_FALSE(ParseVersionInfo("info=http://x/", info));
    EXPECT_FALSE(ParseVersionInfo("", info));
}

TEST(IsNewerVersion, ComparesDecimalNumbersNotComponents) {
    EXPECT_TRUE(IsNewerVersion(2.2));
    EXPECT_TRUE(IsNewerVersion(2.14));
    EXPECT_TRUE(IsNewerVersion(3.0));
    EXPECT_FALSE(IsNewerVersion(2.13));
    EXPECT_FALSE(IsNewerVersion(2.12));
    EXPECT_FALSE(IsNewerVersion(2.1));
}

// Switches LC_NUMERIC to a locale whose decimal separator is a comma, for as long as it lives:
// an installed one when there is one, else de_DE built with localedef into a temporary folder
// (nothing is installed system-wide).
class CommaNumericLocale {
public:
    CommaNumericLocale() {
        previous_ = std::setlocale(LC_NUMERIC, nullptr);
        if (const char* locpath = std::getenv("LOCPATH")) {
            previousLocpath_ = locpath;
            hadLocpath_ = true;
        }
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8",
                                 "nl_NL.UTF-8", "es_ES.UTF-8", "it_IT.UTF-8"}) {
            if (Use(name)) {
                return;
            }
        }
        if (access("/usr/bin/localedef", X_OK) != 0 ||
            access("/usr/share/i18n/locales/de_DE", R_OK) != 0) {
            why_ =
                "no comma locale is installed and none can be built (localedef or the de_DE "
                "locale source is missing)";
            return;
        }
        // The small ISO-8859-1 character map builds in well under a second.
        std::string output = built_.File("de_DE.ISO-8859-1");
        RunProgram({"/usr/bin/localedef", "-c", "-i", "de_DE", "-f", "ISO-8859-1", output});
        setenv("LOCPATH", built_.path().c_str(), 1);
        if (!Use("de_DE.ISO-8859-1")) {
            why_ = "localedef did not give a usable de_DE locale";
        }
    }
    ~CommaNumericLocale() {
        std::setlocale(LC_NUMERIC, previous_.c_str());
        if (hadLocpath_) {
            setenv("LOCPATH", previousLocpath_.c_str(), 1);
        } else {
            unsetenv("LOCPATH");
        }
    }
    CommaNumericLocale(const CommaNumericLocale&) = delete;
    CommaNumericLocale& operator=(const CommaNumericLocale&) = delete;

    bool active() const { return active_; }
    const std::string& why() const { return why_; }

private:
    bool Use(const char* name) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr &&
            std::string(std::localeconv()->decimal_point) == ",") {
            active_ = true;
            return true;
        }
        std::setlocale(LC_NUMERIC, previous_.c_str());
        return false;
    }

    std::string previous_;
    std::string previousLocpath_;
    bool hadLocpath_ = false;
    bool active_ = false;
    std::string why_;
    TempFolder built_{"brindle-locale"};
};

class FetchVersionInfoTest : public ComponentFolderTest {
protected:
    void SetUp() override {
        ComponentFolderTest::SetUp();
        std::string why;
        ASSERT_TRUE(server_.Start(&why)) << why;
        SetUpdateHost(server_.hostText());
    }

    void Announce(const std::string& text) {
        ASSERT_TRUE(server_.Serve("versions/brindleftp_mac.txt", text));
    }

    PythonHttpServer server_;
};

TEST_F(FetchVersionInfoTest, TheSameVersionIsCurrent) {
    Announce("version=2.13&info=http://www.example.com/brindleftp.html");
    RecordingProcessInterface iface;
    VersionInfo info;

    ASSERT_EQ(FetchVersionInfo(iface, info), LPROCESS_OK);
    EXPECT_DOUBLE_EQ(info.version, 2.13);
    EXPECT_EQ(info.infoUrl, "http://www.example.com/brindleftp.html");
    EXPECT_FALSE(IsNewerVersion(info.version));
    EXPECT_EQ(server_.Requests(),
              std::vector<std::string>{"GET /versions/brindleftp_mac.txt HTTP/1.0"});
}

TEST_F(FetchVersionInfoTest, Version22IsNewerThan213) {
    Announce("version=2.2&info=http://www.example.com/new.html\n");
    RecordingProcessInterface iface;
    VersionInfo info;

    ASSERT_EQ(FetchVersionInfo(iface, info), LPROCESS_OK);
    EXPECT_DOUBLE_EQ(info.version, 2.2);
    EXPECT_TRUE(IsNewerVersion(info.version));
    // No '&' after the address: it runs to the end, line break included.
    EXPECT_EQ(info.infoUrl, "http://www.example.com/new.html\n");
}

TEST_F(FetchVersionInfoTest, TheNumberIsReadTheSameUnderACommaLocale) {
    CommaNumericLocale comma;
    if (!comma.active()) {
        GTEST_SKIP() << "no locale with a decimal comma: " << comma.why();
    }
    Announce("version=2.2&info=http://www.example.com/new.html");
    RecordingProcessInterface iface;
    VersionInfo info;

    ASSERT_EQ(FetchVersionInfo(iface, info), LPROCESS_OK);
    EXPECT_DOUBLE_EQ(info.version, 2.2);
    EXPECT_TRUE(IsNewerVersion(info.version));
    // The locale really reads "2.2" differently, so the test would catch a locale-bound reader.
    EXPECT_DOUBLE_EQ(std::atof("2.2"), 2.0);
}

TEST_F(FetchVersionInfoTest, ATextWithoutInfoFails) {
    Announce("version=2.2\n");
    RecordingProcessInterface iface;
    VersionInfo info;
    EXPECT_EQ(FetchVersionInfo(iface, info), LPROCESS_FAILED);
}

TEST_F(FetchVersionInfoTest, AnErrorPageFails) {
    RecordingProcessInterface iface;
    VersionInfo info;
    EXPECT_EQ(FetchVersionInfo(iface, info), LPROCESS_FAILED);
    EXPECT_EQ(server_.Requests().size(), 1u);
}

TEST_F(FetchVersionInfoTest, AnUnreachableServerFails) {
    RefusingPort refusing;
    SetUpdateHost(refusing.hostText());
    RecordingProcessInterface iface;
    VersionInfo info;
    EXPECT_EQ(FetchVersionInfo(iface, info), LPROCESS_FAILED);
}

TEST_F(FetchVersionInfoTest, TheProcessKeepsWhatItFetched) {
    Announce("version=2.2&info=http://www.example.com/new.html");
    LProcessCheckForVersionUpdates process;
    RecordingProcessInterface iface;

    EXPECT_EQ(process.Run(iface), LPROCESS_OK);
    EXPECT_EQ(process.result(), LPROCESS_OK);
    EXPECT_DOUBLE_EQ(process.info().version, 2.2);
    EXPECT_EQ(process.info().infoUrl, "http://www.example.com/new.html");
}

TEST(ServiceHosts, DefaultToTheMakersServersAndCanBePointedElsewhere) {
    unsetenv("BRINDLE_COMPONENT_HOST1");
    unsetenv("BRINDLE_COMPONENT_HOST2");
    unsetenv("BRINDLE_UPDATE_HOST");
    ResetServiceHosts();
    EXPECT_EQ(GetComponentHosts()[0], kDefaultComponentHost1);
    EXPECT_EQ(GetComponentHosts()[1], kDefaultComponentHost2);
    EXPECT_EQ(GetUpdateHost(), kDefaultUpdateHost);

    setenv("BRINDLE_UPDATE_HOST", "127.0.0.1:1", 1);
    EXPECT_EQ(GetUpdateHost(), "127.0.0.1:1");
    SetUpdateHost("127.0.0.1:2");
    EXPECT_EQ(GetUpdateHost(), "127.0.0.1:2");
    SetComponentHosts("127.0.0.1:3", "127.0.0.1:4");
    EXPECT_EQ(GetComponentHosts()[1], "127.0.0.1:4");
    unsetenv("BRINDLE_UPDATE_HOST");
}

}  // namespace
