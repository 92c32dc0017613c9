#pragma once

#include <string>

#include "cli/cli_options.h"
#include "process/ui_services.h"

// The user-interface services of brindleftp-cli. Alerts are printed on stderr as one line.
// A question (two or three buttons) takes the answer of --yes or --no when one was given,
// is asked on the terminal otherwise, and without a terminal is answered as --no would.
class TerminalUiServices final : public UserInterfaceServices {
public:
    explicit TerminalUiServices(CliAnswer answer) : answer_(answer) {}

    void RunAlert(LAlertParams& params) override;
    // Asks the password without echo; without a terminal the request is left as it is.
    bool AskLogin(LWindow parent, LoginPromptRequest& request) override;
    void SetBusy(bool) override {}
    // Runs xdg-open on the path and waits for it.
    bool OpenWithDefaultApplication(const std::string& path) override;
    // Asks for a path; false without a terminal or for an empty answer.
    bool ChooseFolder(LWindow parent, const std::string& title, const std::string& startFolder,
                      std::string& chosen) override;
    // With --yes the start path is taken and --no cancels; otherwise the path is asked on the
    // terminal (Return keeps the start path), and without a terminal the choice is cancelled.
    // An existing file is replaced only when the replace question is answered Yes.
    bool ChooseSaveFile(LWindow parent, const std::string& title, const std::string& startPath,
                        std::string& chosen) override;
    // Asked on the terminal whatever --yes or --no say; without a terminal the certificate is
    // refused.
    CertificateTrust AskCertificateTrust(const CertificateQuestion& question) override;
    // Names the fingerprint, --trust and trust-save.
    std::string CertificateRefusedText(const CertificateQuestion& question) override;

private:
    CliAnswer answer_;
};

// The headline and the text of an alert as one line.
std::string AlertMessageLine(const LAlertParams& params);

// The button (1 to 3) that --yes and --no press: the first Yes or accepting button, else button
// 1; the first No, else the escape button, else the last button.
int YesButton(const LAlertParams& params);
int NoButton(const LAlertParams& params);
