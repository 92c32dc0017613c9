#pragma once

class QWidget;

// Where the FTP Explorer was when it last closed, kept under "FtpExplorer" ("X", "Y", "Width",
// "Height", "Maximized"). Without a stored placement that fits a screen, the dialog gets its
// default size centred over its parent.
void RestoreExplorerPlacement(QWidget& dialog, const QWidget* parent);
void SaveExplorerPlacement(const QWidget& dialog);
