#pragma once

// The FTP Explorer's commands: its buttons, menu items, keys and list notifications.
inline constexpr int kExplorerUp = 106;
inline constexpr int kExplorerNewFolderButton = 107;
inline constexpr int kExplorerRefreshButton = 109;
inline constexpr int kExplorerViewButton = 111;
inline constexpr int kExplorerOpenButton = 112;
inline constexpr int kExplorerRenameButton = 113;
inline constexpr int kExplorerDeleteButton = 114;
inline constexpr int kExplorerDownloadItem = 1001;
inline constexpr int kExplorerChangeFolderItem = 1002;
inline constexpr int kExplorerNewFolder = 1003;
inline constexpr int kExplorerRename = 1004;
inline constexpr int kExplorerDelete = 1005;
inline constexpr int kExplorerView = 1006;
inline constexpr int kExplorerRefresh = 1009;
inline constexpr int kExplorerDoubleClick = 4002;
inline constexpr int kExplorerSelectionChanged = 4010;
inline constexpr int kExplorerContextMenu = 4011;

// Its timers.
inline constexpr int kExplorerListTimer = 1;
inline constexpr int kExplorerKeepAliveTimer = 2;
