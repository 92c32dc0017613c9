#pragma once

// The main window's command numbers. Every menu item, toolbar button, button and list
// notification carries one (as its objectName and, for actions, its data) and goes through
// MainDialog::Command. Controls that are not commands keep their numbers as object names too.
namespace MainCommand {

inline constexpr int kReturn = 1;
inline constexpr int kConnectButton = 100;
inline constexpr int kLocalList = 101;
inline constexpr int kRemoteList = 102;
inline constexpr int kUploadButton = 103;
inline constexpr int kDownloadButton = 104;
inline constexpr int kLocalPathField = 106;
inline constexpr int kRemotePathField = 109;
inline constexpr int kLocalGo = 112;
inline constexpr int kRemoteGo = 113;
inline constexpr int kSynchronizeButton = 120;
inline constexpr int kLogDisclosure = 200;
inline constexpr int kLogView = 401;

inline constexpr int kRemoteRefreshButton = 201;
inline constexpr int kRemoteUpButton = 202;
inline constexpr int kRemoteBackButton = 203;
inline constexpr int kRemoteForwardButton = 204;
inline constexpr int kRemoteDeleteKey = 205;
inline constexpr int kRemoteRenameKey = 206;
inline constexpr int kLocalRefreshButton = 301;
inline constexpr int kLocalUpButton = 302;
inline constexpr int kLocalBackButton = 303;
inline constexpr int kLocalForwardButton = 304;
inline constexpr int kLocalFolderChanged = 306;
inline constexpr int kRemoteFolderChanged = 307;
inline constexpr int kLocalRefreshOther = 308;

inline constexpr int kConnectMenu = 1000;
inline constexpr int kConnectMenuOther = 1001;
inline constexpr int kDisconnect = 1002;
inline constexpr int kUpload = 1003;
inline constexpr int kViewLogs = 1004;
inline constexpr int kLocalOpen = 1005;
inline constexpr int kLocalDelete = 1006;
inline constexpr int kLocalRename = 1007;
inline constexpr int kSynchronize = 1008;
inline constexpr int kLocalNewFolder = 1009;

inline constexpr int kLocalRefresh = 2001;
inline constexpr int kLocalBack = 2002;
inline constexpr int kLocalForward = 2003;
inline constexpr int kLocalUp = 2004;
// Window menu (the platform's themes 2422 and 2423 are left out).
inline constexpr int kMaximize = 2424;
inline constexpr int kMinimize = 2425;

inline constexpr int kSiteMenuPopup = 3000;
inline constexpr int kSiteManager = 3001;
inline constexpr int kOptions = 3002;
inline constexpr int kSetupWizard = 3003;
// File and Help menus.
inline constexpr int kHelp = 3330;
inline constexpr int kAbout = 3331;
inline constexpr int kCheckForUpdates = 3332;
inline constexpr int kTroubleshootingPage = 3333;
inline constexpr int kFeedbackPage = 3334;
inline constexpr int kBugReportPage = 3335;
inline constexpr int kQuit = 3340;

inline constexpr int kRemoteDownload = 4001;
inline constexpr int kRemoteOpen = 4002;
inline constexpr int kRemoteDelete = 4003;
inline constexpr int kRemoteRename = 4004;
inline constexpr int kRemoteNewFolder = 4005;
inline constexpr int kRemoteRefresh = 4006;
inline constexpr int kRemoteBack = 4007;
inline constexpr int kRemoteForward = 4008;
inline constexpr int kRemoteUp = 4009;
inline constexpr int kRemoteSelectionChanged = 4010;
inline constexpr int kRemoteContextMenu = 4011;

// Site menus: the menu command 3000 pops up, and the File menu's "Connect" submenu with the
// toolbar's drop-down; "New Site ..." in both.
inline constexpr int kPopupSiteFirst = 5001;
inline constexpr int kNewSite = 5998;
inline constexpr int kSiteFirst = 6001;
inline constexpr int kSiteLast = 6998;

inline constexpr int kUpdateMenus = 7000;

}  // namespace MainCommand

// The window's timers.
inline constexpr int kStartUpTimer = 1;
inline constexpr int kConnectedIconTimer = 2;
inline constexpr int kConnectionCheckTimer = 3;
inline constexpr int kConnectionCheckMs = 10000;
inline constexpr int kConnectionCheckResumeMs = 100;
inline constexpr int kConnectedIconMs = 1000;

// The session's queued notifications around its own "FTP Download".
inline constexpr unsigned kPauseConnectionCheckNotify = 0;
inline constexpr unsigned kResumeConnectionCheckNotify = 1;

inline constexpr char kMainWindowTitle[] = "BrindleFTP";
inline constexpr char kNotConnectedText[] = "Not connected to FTP site";
inline constexpr int kMainWindowWidth = 920;
inline constexpr int kMainWindowHeight = 595;
