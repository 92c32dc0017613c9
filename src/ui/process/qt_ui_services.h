#pragma once

#include "process/ui_services.h"

// The desktop program's user-interface services: Qt's message boxes, the login prompt, the busy
// cursor, the desktop's default applications, and Qt's own file dialogs rather than the
// platform's, so that they look alike everywhere and tests can answer them. An LWindow is a
// QWidget*; a null one means the window that has the focus.
class QtUserInterfaceServices final : public UserInterfaceServices {
public:
    QtUserInterfaceServices() = default;
    // Gives back the cursor of every SetBusy(true) still in force.
    ~QtUserInterfaceServices() override;
    QtUserInterfaceServices(const QtUserInterfaceServices&) = delete;
    QtUserInterfaceServices& operator=(const QtUserInterfaceServices&) = delete;

    void RunAlert(LAlertParams& params) override;
    bool AskLogin(LWindow parent, LoginPromptRequest& request) override;
    // Calls nest: the busy cursor goes when every SetBusy(true) had its SetBusy(false).
    void SetBusy(bool busy) override;
    bool OpenWithDefaultApplication(const std::string& path) override;
    bool ChooseFolder(LWindow parent, const std::string& title, const std::string& startFolder,
                      std::string& chosen) override;
    bool ChooseSaveFile(LWindow parent, const std::string& title, const std::string& startPath,
                        std::string& chosen) override;
    // The certificate question as a message box whose text (the fingerprint) can be selected and
    // copied.
    CertificateTrust AskCertificateTrust(const CertificateQuestion& question) override;

private:
    int busyDepth_ = 0;
};
