#pragma once

#include <QDialog>
#include <QPoint>
#include <cstdint>
#include <string>

#include "process/process_launcher.h"
#include "process/ui_services.h"
#include "ui/process/timer_handler.h"

class QPushButton;
class QTreeView;
class SiteListModel;

// What the Site Manager needs from whoever owns the connection (the main window).
class SiteConnectionState {
public:
    virtual ~SiteConnectionState() = default;
    // The label of the site connected now; "" while there is no connection.
    virtual std::string ConnectedSite() const = 0;
    // The user chose `label` with "Connect"; it is already the current site and the Site
    // Manager is closed.
    virtual void ConnectToSite(const std::string& label) = 0;
};

// Commands of the Site Manager.
inline constexpr int kSiteManagerAdd = 102;
inline constexpr int kSiteManagerProperties = 103;
inline constexpr int kSiteManagerDelete = 104;
inline constexpr int kSiteManagerSelectionChanged = 1001;
inline constexpr int kSiteManagerContextMenu = 10001;
// The timer that follows the connection and the store.
inline constexpr std::int32_t kSiteListRefreshTimer = 5;
inline constexpr std::int32_t kSiteListRefreshMs = 3000;

// Lists the site accounts with their server, folder and connection status, and adds, edits,
// deletes and connects them. Changes are stored at once; "Close" undoes nothing.
class SiteManagerDlg : public QDialog, public LTimerHandler {
    Q_OBJECT

public:
    SiteManagerDlg(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher,
                   const SiteConnectionState& connection);
    ~SiteManagerDlg() override;

    void Command(int id);
    void OnTimer(std::int32_t id) override;
    // The site chosen with "Connect" ("" before).
    const std::string& chosenSite() const { return chosenSite_; }

protected:
    // "Connect": makes the selected site current and closes; stays open without a selection.
    void accept() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Refill(int selectRow);
    void SelectRow(int row);
    // The row the user means: the current one when it is selected, else the first selected.
    int ChosenRow() const;
    int FirstSelectedRow() const;
    void UpdateControls();
    void AddSite();
    void EditSite();
    void DeleteSites();
    void ShowContextMenu();
    void ShowHelp();
    void SpreadColumns();

    UserInterfaceServices& ui_;
    ProcessLauncher& launcher_;
    const SiteConnectionState& connection_;
    SiteListModel* model_;
    QTreeView* list_;
    QPushButton* properties_;
    QPushButton* delete_;
    QPushButton* connect_;
    QPoint menuPosition_;
    std::string chosenSite_;
};

// Runs the Site Manager modally. True when it was closed with "Connect": the chosen site is then
// the current site and connection.ConnectToSite has been called with it.
bool RunSiteManager(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher,
                    SiteConnectionState& connection);
