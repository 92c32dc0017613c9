// A scripted server that lists a hostile name inside the folder being downloaded, one name per
// listing: whatever it lists, nothing is written, created or deleted outside the local target.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frame/file_system.h"
#include "frame/path_names.h"
#include "ftp/ftp_features.h"
#include "ftp/ftp_session.h"
#include "ftp/ftp_test_support.h"
#include "transfer/local_tree.h"
#include "transfer/selection_transfers.h"
#include "transfer/transfer_test_support.h"

namespace {

// What the walk must do with the hostile entry listed between "good.txt" and "after.txt".
enum class Fate {
    kEndsWalk,    // warned about; good.txt is still fetched, after.txt is not queued
    kSkipped,     // passed over without a word; both files are fetched
    kDownloaded,  // fetched under its own name inside the folder, like the two files
};

struct HostileCase {
    std::string line;  // the LIST line
    std::string name;  // the name it gives
    Fate fate;
};

HostileCase File(const std::string& name, Fate fate) {
    return {"-rw-r--r--    1 ftp      ftp             7 Jan 05  2016 " + name + "\r\n", name, fate};
}
HostileCase Folder(const std::string& name, Fate fate) {
    return {"drwxr-xr-x    2 ftp      ftp          4096 Jan 05  2016 " + name + "\r\n", name, fate};
}
HostileCase Link(const std::string& name, Fate fate) {
    return {"lrwxrwxrwx    1 ftp      ftp             1 Jan 05  2016 " + name + "\r\n", name, fate};
}

// The whole conversation of downloading the folder "dir" of "/" that lists good.txt, the hostile
// entry and after.txt; returns the files that must arrive, by name, with their bytes.
std::map<std::string, std::string> ScriptFolderDownload(ScriptedFtpServer& ftp, const HostileCase& c) {
    ftp.Reply("PWD", "257 \"/\" is the current directory.\r\n");
    ftp.TypeIs("dir", "dir");
    ftp.Reply("PWD", "257 \"/\" is the current directory.\r\n");
    ftp.Reply("CWD /dir", "250 Directory changed.\r\n");
    ftp.Reply("TYPE A", "200 Type set to A.\r\n");
    ftp.Passive(File("good.txt", Fate::kDownloaded).line + c.line +
                File("after.txt", Fate::kDownloaded).line);
    ftp.Reply("LIST", "150 Here comes the listing.\r\n226 Transfer complete.\r\n");
    ftp.TypeIs("good.txt", "file");
    std::vector<std::pair<std::string, std::string>> queued = {{"good.txt", "good"}};
    if (c.fate != Fate::kEndsWalk) {
        if (c.fate == Fate::kDownloaded) {
            ftp.TypeIs(c.name, "file");
            queued.emplace_back(c.name, "hostile");
        }
        ftp.TypeIs("after.txt", "file");
        queued.emplace_back("after.txt", "after");
        ftp.Reply("CWD /", "250 Directory changed.\r\n");
    }
    ftp.Reply("CWD /", "250 Directory changed.\r\n");
    // Newest queued first, then each finished file's time.
    for (auto item = queued.rbegin(); item != queued.rend(); ++item) {
        const std::string remote = "/dir/" + item->first;
        ftp.Reply("TYPE I", "200 Switching to Binary mode.\r\n");
        ftp.Reply("SIZE " + remote, "213 " + std::to_string(item->second.size()) + "\r\n");
        ftp.Reply("TYPE I", "200 Switching to Binary mode.\r\n");
        ftp.Passive(item->second);
        ftp.Reply("RETR " + remote, "150 Opening BINARY mode.\r\n226 Transfer complete.\r\n");
    }
    for (auto item = queued.rbegin(); item != queued.rend(); ++item) {
        ftp.Reply("MDTM /dir/" + item->first, "213 20200102030405\r\n");
    }
    ftp.control.HoldOpen();
    return {queued.begin(), queued.end()};
}

TEST(DownloadHostileListing, NoListedNameLeadsOutsideTheTarget) {
    TempFolder base("brindle-hostile");
    const std::string target = base.File("target");
    ASSERT_TRUE(MakeFolder(target));
    // Past the temporary folder that holds the target, where nothing may appear either.
    const std::string outsideName = PathFileName(base.path()) + "-escaped";
    const std::string outside = ParentPath(base.path()) + "/" + outsideName;
    const std::vector<HostileCase> cases = {
        File("../../escaped", Fate::kEndsWalk),
        File("../../../" + outsideName, Fate::kEndsWalk),
        File("sub/../../escaped", Fate::kEndsWalk),
        File("/tmp/" + outsideName, Fate::kEndsWalk),
        File("..\\..\\escaped", Fate::kEndsWalk),
        File("a\\b", Fate::kEndsWalk),
        Folder("../../up", Fate::kEndsWalk),
        Link(".. -> /etc", Fate::kEndsWalk),
        Link("../../escaped -> /etc", Fate::kEndsWalk),
        Folder(".", Fate::kSkipped),
        Folder("..", Fate::kSkipped),
        Folder("./", Fate::kSkipped),
        Folder("../", Fate::kSkipped),
        File("ctl\x01\x1b[2J\x7f name", Fate::kDownloaded),
        File("\x1b]0;title\x07", Fate::kDownloaded),
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedFtpServer ftp;
        const std::map<std::string, std::string> arriving = ScriptFolderDownload(ftp, c);
        ftp.control.Start();
        ScriptedUiServices ui;
        ScriptedProcessLauncher launcher;
        LFtpList session(ui, launcher);
        LProcessInterfaceVoidInstance iface;
        ASSERT_EQ(SecureConnect(iface, session.connection, ftp.control.address(), 2000),
                  LPROCESS_OK);
        session.connected = true;
        session.connection.features =
            kFeatQueried | kFeatSystAsked | kFeatMlstType | kFeatSize | kFeatMdtm;
        FakeTransferPane pane;
        pane.selected = {"dir"};
        SelectionTransfers transfers(session, pane, ui, launcher);
        LogTail log;

        transfers.DownloadSelection(target);

        EXPECT_EQ(ftp.control.ReceivedLines(), ftp.expected);
        std::map<std::string, std::string> expected = {{"target", "folder"},
                                                       {"target/dir", "folder"}};
        for (const auto& [name, bytes] : arriving) {
            expected["target/dir/" + name] = "file:" + bytes;
            EXPECT_EQ(ModifiedTime(target + "/dir/" + name), 1577934245) << name;
        }
        EXPECT_EQ(TreeSnapshot(base.path()), expected);
        EXPECT_NE(access(outside.c_str(), F_OK), 0);
        EXPECT_EQ(log.Contains("Skipping download of item with suspicious name: " + c.name),
                  c.fate == Fate::kEndsWalk)
            << log.Text();
        EXPECT_EQ(transfers.outcome().walkEnded, c.fate == Fate::kEndsWalk);
        EXPECT_EQ(transfers.outcome().failed, 0u);
        RemovePath(target + "/dir");
    }
}

}  // namespace
