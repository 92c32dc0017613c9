#pragma once

#include <QGroupBox>
#include <string>

#include "process/process_launcher.h"
#include "process/ui_services.h"

class QGridLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The pieces the site dialogs (site properties and the setup wizard) share: the account's
// fields, the initial folder groups, and the remote folder browser and connection test they
// both offer. Control ids are the callers' (each dialog numbers its own controls).

// The example server addresses the hints and messages give (reserved for documentation).
inline constexpr char kExampleServerName[] = "ftp.example.com";
inline constexpr char kExampleServerAddress[] = "192.0.2.10";

// A label and its field on one row of grid; the label is the field's buddy, both carry their
// ids as object names. A password field shows dots only.
QLineEdit* AddSiteField(QGridLayout* grid, int row, const QString& labelText, int labelId,
                        int fieldId, bool password = false);

// A field's text as the site dialogs read it: 259 bytes kept, surrounding white space removed.
std::string SiteFieldValue(const QLineEdit* field);
// The same for a field holding a local path, in the file system's encoding.
std::string SiteLocalPathValue(const QLineEdit* field);
void SetSiteLocalPath(QLineEdit* field, const std::string& path);

// The texts and ids of an initial folder group.
struct SiteFolderControls {
    QString title;
    QString recentText;
    int recentId = 0;
    QString alwaysText;
    int alwaysId = 0;
    QString pathLabel;
    int pathLabelId = 0;
    int pathId = 0;
    QString browseText;
    int browseId = 0;
};

// "Use the last recent folder" or "Use this folder always" with the fixed path and its Browse
// button, which are enabled only while the fixed folder is chosen.
class SiteFolderGroup : public QGroupBox {
    Q_OBJECT

public:
    explicit SiteFolderGroup(const SiteFolderControls& controls, QWidget* parent = nullptr);

    bool UseRecent() const;
    void SetUseRecent(bool useRecent);
    QLineEdit* pathField() const { return path_; }
    QPushButton* browseButton() const { return browse_; }
    // Focuses the path, or while it is greyed the choice that makes it usable.
    void FocusPath();

signals:
    void BrowseRequested();

private:
    void UpdateControls();

    QRadioButton* recent_;
    QRadioButton* always_;
    QLineEdit* path_;
    QPushButton* browse_;
};

// What the remote folder browser and the connection test connect with.
struct SiteConnectionFields {
    std::string server;
    std::string userName;
    std::string password;
    std::string directory;
    bool useSsl = false;
};

// Opens the FTP Explorer in folder-choosing mode at fields.directory, after making sure the TLS
// library is there when secure FTP is asked for (a missing one does not stop the browse). True
// with the chosen folder in `folder` when the user pressed "Select".
bool BrowseRemoteSiteFolder(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher,
                            const SiteConnectionFields& fields, std::string& folder);

// Runs the connection test under "FTP Connection Test" (the TLS library checked first as for the
// browser) and shows its report under "FTP Connection Test Results". Nothing is saved.
void TestSiteConnection(QWidget* parent, UserInterfaceServices& ui, ProcessLauncher& launcher,
                        const SiteConnectionFields& fields);

inline constexpr char kConnectionTestResultsHeadline[] = "FTP Connection Test Results";
