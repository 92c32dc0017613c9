#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "servers/pyftpd_fixture.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"
#include "transfer/local_tree.h"
#include "transfer/remote_pane.h"

// Records what the pane tells its owner.
class RecordingPaneListener final : public RemotePaneListener {
public:
    void OnRemotePaneCommand(std::uint32_t command) override { commands.push_back(command); }
    void OnRemoteRowsChanged() override { ++rowChanges; }
    void OnRemoteEditRow(std::size_t row) override { editRows.push_back(row); }

    std::vector<std::uint32_t> commands;
    int rowChanges = 0;
    std::vector<std::size_t> editRows;
};

// Column 0 of every row.
inline std::vector<std::string> RowNames(const RemotePane& pane) {
    std::vector<std::string> names;
    for (const RemotePaneRow& row : pane.rows()) {
        names.push_back(row[kRemoteColumnName]);
    }
    return names;
}

// The name of the focused row; "" when none.
inline std::string FocusedName(const RemotePane& pane) {
    const int row = pane.focusedRow();
    return row < 0 ? std::string() : pane.rows()[row][kRemoteColumnName];
}

// A remote pane logged on to a pyftpdlib server of its own, with scripted answers and processes
// run at once. Files are made on disk under root() before or after the connect.
class PaneOnPyFtpd : public testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(server_.Start(&why)) << why;
        pane_.SetListener(&listener_);
    }

    // Logs on and shows `start` ("/" when empty).
    bool Connect(const std::string& start = "/") {
        return pane_.Connect(server_.hostText(), server_.options().user, server_.options().password,
                             start, false) &&
               pane_.connected;
    }

    std::string OnDisk(const std::string& path) const { return server_.root() + path; }

    PyFtpdServer server_;
    ScriptedUiServices ui_;
    ScriptedProcessLauncher launcher_;
    RecordingPaneListener listener_;
    RemotePane pane_{ui_, launcher_};
};
