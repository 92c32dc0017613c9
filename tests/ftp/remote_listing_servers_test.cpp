// Listings and file facts against real servers, plain and TLS: pyftpdlib answers MLSD, MLST,
// MDTM and SIZE; vsftpd answers LIST, SIZE and MDTM. Times are checked against the mtime the
// test set, in a local zone two hours east of UTC so that UTC and local readings differ.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ftp/control_channel.h"
#include "ftp/date_time.h"
#include "ftp/ftp_features.h"
#include "ftp/logon.h"
#include "ftp/remote_listing.h"
#include "ftp/server_features.h"
#include "ftp/time_zone_guard.h"
#include "servers/pyftpd_fixture.h"
#include "servers/vsftpd_fixture.h"
#include "support/scripted_ui.h"

namespace {

const std::string kCafe = "caf\xC3\xA9.txt";
const std::string kGruesse =
    "Gr\xC3\xBC\xC3\x9F"
    "e";

// Two days ago, 37 seconds past a minute: recent enough for LIST to show the time of day.
time_t TestMtime() {
    return (std::time(nullptr) - 2 * 86400) / 60 * 60 + 37;
}

bool SetMtime(const std::string& path, time_t mtime) {
    timeval times[2] = {{mtime, 0}, {mtime, 0}};
    return lutimes(path.c_str(), times) == 0;
}

// The files every server serves, all modified at `mtime`.
void MakeTree(const std::string& root, time_t mtime) {
    ASSERT_TRUE(WriteWholeFile(root + "/plain.txt", std::string(1234, 'p')));
    ASSERT_TRUE(WriteWholeFile(root + "/" + kCafe, "hello"));
    ASSERT_TRUE(WriteWholeFile(root + "/empty", ""));
    ASSERT_EQ(mkdir((root + "/" + kGruesse).c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(root + "/" + kGruesse + "/inside.txt", "x"));
    ASSERT_EQ(symlink("plain.txt", (root + "/link-to-plain").c_str()), 0);
    for (const std::string& name : {std::string("plain.txt"), kCafe, std::string("empty"), kGruesse,
                                    std::string("link-to-plain")}) {
        ASSERT_TRUE(SetMtime(root + "/" + name, mtime)) << name;
    }
}

struct Item {
    bool isFolder = false;
    bool isLink = false;
    std::uint64_t size = 0;
    time_t modified = 0;
};

// Walks the listing through its cursor, as the remote pane does.
std::map<std::string, Item> Walk(FtpDirList& list) {
    std::map<std::string, Item> items;
    for (; !list.AtEnd(); list.Next()) {
        std::string name = list.CurrentName();
        if (name == "." || name == "..") {
            continue;
        }
        Item item;
        item.isFolder = list.IsFolderEntry();
        item.isLink = list.IsLinkEntry();
        item.size = list.GetSize();
        item.modified = list.GetModified();
        items[name] = item;
    }
    return items;
}

// What a LIST line of a UTC listing gives for mtime: the minute, read as local time.
time_t ListedMtime(time_t mtime) {
    return mtime / 60 * 60 + GetTimeZoneBias();
}

struct Session {
    RecordingProcessInterface iface;
    LSecureSocket connection;

    bool LogOn(const std::string& host, const std::string& user, const std::string& password,
               bool tls) {
        FtpConnectRequest request{&connection, host, user, password, tls};
        return FtpConnect(iface, request) == LPROCESS_OK &&
               FtpQueryFeatures(iface, connection) == LPROCESS_OK &&
               (!tls || connection.ssl != nullptr);
    }
    // Keeps only `offered` of the look-up features, so each fall-back can be tried on its own.
    void Offer(std::uint32_t offered) {
        constexpr std::uint32_t kLookUps =
            kFeatSize | kFeatMdtm | kFeatMlstModify | kFeatMlstSize | kFeatMlstType | kFeatMlsd;
        connection.features = (connection.features & ~kLookUps) | offered;
    }
};

// ---- pyftpdlib ----

class PyftpdlibListing : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        PyFtpdServer::Options options;
        options.tls = GetParam();
        server_ = std::make_unique<PyFtpdServer>(options);
        MakeTree(server_->root(), mtime_);
        std::string why;
        ASSERT_TRUE(server_->Start(&why)) << why;
        ASSERT_TRUE(session_.LogOn(server_->hostText(), "test", "secret", GetParam()));
    }

    TimeZoneGuard zone_{"XYZ-2"};
    const time_t mtime_ = TestMtime();
    std::unique_ptr<PyFtpdServer> server_;
    Session session_;
};

TEST_P(PyftpdlibListing, ListsNamesSizesKindsAndTimesWithMlsd) {
    FtpDirList list(session_.iface, session_.connection);
    ASSERT_EQ(list.result, LPROCESS_OK);
    std::map<std::string, Item> items = Walk(list);
    ASSERT_EQ(items.size(), 5u);
    ASSERT_EQ(items.count(kCafe), 1u);
    ASSERT_EQ(items.count(kGruesse), 1u);
    EXPECT_EQ(items["plain.txt"].size, 1234u);
    EXPECT_EQ(items[kCafe].size, 5u);
    EXPECT_EQ(items["empty"].size, 0u);
    EXPECT_FALSE(items["plain.txt"].isFolder);
    EXPECT_TRUE(items[kGruesse].isFolder);
    // MLSD follows links: the link is listed as what it points to.
    EXPECT_FALSE(items["link-to-plain"].isFolder);
    EXPECT_EQ(items["link-to-plain"].size, 1234u);
    // modify= is UTC to the second.
    for (const auto& [name, item] : items) {
        EXPECT_EQ(item.modified, mtime_) << name;
    }
    EXPECT_TRUE(session_.iface.errors.empty());
    // Every fact came with the listing: nothing was asked afterwards.
    EXPECT_EQ(session_.connection.features & (kFeatMlstRefused | kFeatMlsdRefused), 0u);
}

TEST_P(PyftpdlibListing, AnswersLookUpsWithMlst) {
    session_.Offer(kFeatMlstModify | kFeatMlstSize | kFeatMlstType);
    LSecureSocket& conn = session_.connection;
    std::uint64_t size = 0;
    EXPECT_EQ(FtpGetFileSize(session_.iface, conn, kCafe, size), LPROCESS_OK);
    EXPECT_EQ(size, 5u);
    time_t time = 0;
    EXPECT_EQ(FtpGetFileTime(session_.iface, conn, "plain.txt", time), LPROCESS_OK);
    EXPECT_EQ(time, mtime_);
    int kind = -1;
    EXPECT_EQ(FtpGetItemType(session_.iface, conn, kGruesse, kind), LPROCESS_OK);
    EXPECT_EQ(kind, kItemFolder);
    EXPECT_EQ(FtpGetItemType(session_.iface, conn, "plain.txt", kind), LPROCESS_OK);
    EXPECT_EQ(kind, kItemFile);
    // A missing name is size 0, and no error.
    size = 7;
    EXPECT_EQ(FtpGetFileSize(session_.iface, conn, "missing.txt", size), LPROCESS_OK);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(session_.iface.errors.empty());
}

TEST_P(PyftpdlibListing, AnswersLookUpsWithSizeAndMdtm) {
    session_.Offer(kFeatSize | kFeatMdtm);
    LSecureSocket& conn = session_.connection;
    EXPECT_EQ(FtpGetFileSizeQuiet(conn, "plain.txt"), 1234u);
    EXPECT_EQ(FtpGetFileSizeQuiet(conn, kCafe), 5u);
    EXPECT_EQ(FtpGetFileTimeQuiet(conn, kCafe), mtime_);
    // The kind comes from a LIST of the current folder.
    EXPECT_TRUE(FtpIsFolderQuiet(conn, kGruesse));
    EXPECT_FALSE(FtpIsFolderQuiet(conn, "plain.txt"));
}

INSTANTIATE_TEST_SUITE_P(PlainAndTls, PyftpdlibListing, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Tls" : "Plain";
                         });

// ---- vsftpd ----

class VsftpdListing : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        VsftpdServer::Options options;
        options.tls = GetParam();
        server_ = std::make_unique<VsftpdServer>(options);
        std::string why;
        if (!server_->Start(&why) && why == "vsftpd needs root") {
            GTEST_SKIP() << why;
        }
        ASSERT_TRUE(why.empty()) << why;
        MakeTree(server_->root(), mtime_);
        // A name in ISO-8859-1 on disk, which vsftpd lists byte for byte.
        ASSERT_TRUE(WriteWholeFile(server_->root() + "/caf\xE9-latin1.txt", "abc"));
        ASSERT_TRUE(SetMtime(server_->root() + "/caf\xE9-latin1.txt", mtime_));
        ASSERT_TRUE(SetMtime(server_->pub(), mtime_));
        ASSERT_TRUE(session_.LogOn(server_->hostText(), "anonymous", "", GetParam()));
    }

    TimeZoneGuard zone_{"XYZ-2"};
    const time_t mtime_ = TestMtime();
    std::unique_ptr<VsftpdServer> server_;
    Session session_;
};

TEST_P(VsftpdListing, ListsNamesSizesKindsAndTimesWithList) {
    FtpDirList list(session_.iface, session_.connection);
    ASSERT_EQ(list.result, LPROCESS_OK);
    std::map<std::string, Item> items = Walk(list);
    const std::string link = "link-to-plain -> plain.txt";
    const std::string latin1 = "caf\xC3\xA9-latin1.txt";
    ASSERT_EQ(items.size(), 7u);
    ASSERT_EQ(items.count(kCafe), 1u) << "UTF-8 names are kept as they are";
    ASSERT_EQ(items.count(kGruesse), 1u);
    ASSERT_EQ(items.count(latin1), 1u) << "other names are read as ISO-8859-1";
    ASSERT_EQ(items.count(link), 1u);
    ASSERT_EQ(items.count("pub"), 1u);
    EXPECT_EQ(items["plain.txt"].size, 1234u);
    EXPECT_EQ(items[kCafe].size, 5u);
    EXPECT_EQ(items["empty"].size, 0u);
    EXPECT_EQ(items[latin1].size, 3u);
    EXPECT_FALSE(items["plain.txt"].isFolder);
    EXPECT_TRUE(items[kGruesse].isFolder);
    EXPECT_TRUE(items["pub"].isFolder);
    EXPECT_TRUE(items[link].isLink);
    EXPECT_FALSE(items[kCafe].isLink);
    // vsftpd lists UTC times to the minute; the listing reads them as local time.
    for (const auto& [name, item] : items) {
        EXPECT_EQ(item.modified, ListedMtime(mtime_)) << name;
    }
    EXPECT_TRUE(session_.iface.errors.empty());
}

TEST_P(VsftpdListing, KeepsOnlyNamesMatchingThePattern) {
    FtpDirList list(session_.iface, session_.connection, "*.TXT");
    ASSERT_EQ(list.result, LPROCESS_OK);
    std::map<std::string, Item> items = Walk(list);
    std::vector<std::string> names;
    for (const auto& [name, item] : items) {
        names.push_back(name);
    }
    // The link's name, as listed, ends in its target's.
    EXPECT_EQ(names, (std::vector<std::string>{"caf\xC3\xA9-latin1.txt", kCafe,
                                               "link-to-plain -> plain.txt", "plain.txt"}));
}

TEST_P(VsftpdListing, AnswersLookUpsWithSizeAndMdtm) {
    session_.Offer(kFeatSize | kFeatMdtm);
    LSecureSocket& conn = session_.connection;
    std::uint64_t size = 0;
    EXPECT_EQ(FtpGetFileSize(session_.iface, conn, kCafe, size), LPROCESS_OK);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(FtpGetFileSizeQuiet(conn, "plain.txt"), 1234u);
    time_t time = 0;
    EXPECT_EQ(FtpGetFileTime(session_.iface, conn, kCafe, time), LPROCESS_OK);
    EXPECT_EQ(time, mtime_);
    EXPECT_EQ(FtpGetFileTimeQuiet(conn, "/plain.txt"), mtime_);
}

TEST_P(VsftpdListing, AnswersLookUpsWithListAlone) {
    session_.Offer(0);
    LSecureSocket& conn = session_.connection;
    std::uint64_t size = 0;
    EXPECT_EQ(FtpGetFileSize(session_.iface, conn, "plain.txt", size), LPROCESS_OK);
    EXPECT_EQ(size, 1234u);
    EXPECT_EQ(FtpGetFileSize(session_.iface, conn, kCafe, size), LPROCESS_OK);
    EXPECT_EQ(size, 5u);
    time_t time = 0;
    EXPECT_EQ(FtpGetFileTime(session_.iface, conn, kCafe, time), LPROCESS_OK);
    EXPECT_EQ(time, ListedMtime(mtime_));
    int kind = -1;
    EXPECT_EQ(FtpGetItemType(session_.iface, conn, kGruesse, kind), LPROCESS_OK);
    EXPECT_EQ(kind, kItemFolder);
    EXPECT_EQ(FtpGetItemType(session_.iface, conn, "link-to-plain -> plain.txt", kind),
              LPROCESS_OK);
    EXPECT_EQ(kind, kItemLink);
    EXPECT_EQ(FtpGetItemType(session_.iface, conn, kCafe, kind), LPROCESS_OK);
    EXPECT_EQ(kind, kItemFile);
}

TEST_P(VsftpdListing, AnswersForMissingNamesThroughEveryFallBack) {
    LSecureSocket& conn = session_.connection;
    std::uint64_t size = 7;
    // SIZE says 550, the LIST of the name lists nothing: no size.
    EXPECT_EQ(FtpGetFileSize(session_.iface, conn, "missing.txt", size), LPROCESS_FAILED);
    EXPECT_EQ(size, 0u);
    time_t time = 0;
    const time_t before = std::time(nullptr);
    EXPECT_EQ(FtpGetFileTime(session_.iface, conn, "missing.txt", time), LPROCESS_OK);
    const time_t after = std::time(nullptr);
    // Now, plus the local offset from UTC.
    EXPECT_GE(time, before - GetTimeZoneBias());
    EXPECT_LE(time, after - GetTimeZoneBias());
    int kind = -1;
    EXPECT_EQ(FtpGetItemType(session_.iface, conn, "missing.txt", kind), LPROCESS_FAILED);
    EXPECT_EQ(kind, kItemUnknown);
    // The session is still in step: a listing after the look-ups works.
    FtpDirList list(session_.iface, conn);
    EXPECT_EQ(list.result, LPROCESS_OK);
    EXPECT_EQ(Walk(list).size(), 7u);
}

INSTANTIATE_TEST_SUITE_P(PlainAndTls, VsftpdListing, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Tls" : "Plain";
                         });

}  // namespace
