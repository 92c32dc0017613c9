#include <QLineEdit>
#include <QTreeView>
#include <string_view>

#include "ftp/connection_test.h"
#include "ftp/current_directory.h"
#include "ui/explorer/explorer_busy.h"

namespace {

// The alert shows lines, not the protocol's line ends.
std::string PassiveFailureText() {
    std::string text;
    for (const char c : std::string_view(kPassiveConnectionFailedText)) {
        if (c != '\r') {
            text += c;
        }
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

}  // namespace

void LFtpExplorer::Refresh(bool reportErrors) {
    ChangeFolder(folder_, reportErrors);
}

void LFtpExplorer::ChangeFolder(const std::string& path, bool reportErrors) {
    const Busy busy(*this);
    if (busy) {
        RefreshHeld(path, reportErrors);
    }
}

void LFtpExplorer::RefreshHeld(std::string path, bool reportErrors) {
    for (bool retry = false;; retry = true) {
        if (EnterAndList(path) != ListOutcome::kRefused || closing_) {
            break;
        }
        if (reportErrors) {
            Alert("Unable to change to the directory \"" + path + "\".");
        }
        if (retry) {
            break;
        }
        path.assign(1, '/');  // not = "/": GCC 12 warns of an overlap that cannot happen
    }
    ShowConnectionStatus();
    emit Listed();
}

LFtpExplorer::ListOutcome LFtpExplorer::EnterAndList(const std::string& path) {
    const LProcessResult entered = FtpChangeDirectory(iface_, session_.connection, path);
    if (entered != LPROCESS_OK) {
        return entered == LPROCESS_STOPPED ? ListOutcome::kStopped : ListOutcome::kRefused;
    }
    folder_ = path;
    folderField_->setText(QString::fromStdString(folder_));
    model_->SetRows({});
    std::vector<ExplorerRow> rows;
    bool dataFailed = false;
    {
        FtpDirList list(iface_, session_.connection, "*");
        dataFailed = list.dataFailed;
        if (list.cancelled || !ReadExplorerRows(list, iface_, chooseFolder_, rows)) {
            return ListOutcome::kStopped;
        }
    }
    OrderExplorerRows(rows);
    model_->SetRows(std::move(rows));
    if (dataFailed) {
        Alert(PassiveFailureText());
        reject();
        return ListOutcome::kClosed;
    }
    ShowStatus(std::to_string(model_->rowCount()) + " objects");
    FocusList();
    if (model_->rowCount() > 0) {
        list_->setCurrentIndex(model_->index(0, 0));
    }
    return ListOutcome::kListed;
}

void LFtpExplorer::UpOneLevel() {
    if (EnsureConnected()) {
        ChangeFolder(ExplorerParentFolder(folder_), true);
    }
}
