#include "process/ui_services.h"

#include "frame/text_limits.h"

namespace {

constexpr LAlertButton kOk{"OK", LAlertRole::kAccept};
constexpr LAlertButton kCancel{"Cancel", LAlertRole::kReject};
constexpr LAlertButton kYes{"Yes", LAlertRole::kYes};
constexpr LAlertButton kNo{"No", LAlertRole::kNo};

// The first button (1 to 3) with a text and this role, 0 when there is none.
std::uint16_t FindRole(const LAlertParams& params, LAlertRole role) {
    const std::string* texts[] = {&params.button1, &params.button2, &params.button3};
    for (std::uint16_t i = 0; i < 3; ++i) {
        if (!texts[i]->empty() && params.roles[i] == role) {
            return static_cast<std::uint16_t>(i + 1);
        }
    }
    return 0;
}

}  // namespace

LAlertParams MakeAlertParams(LWindow parent, std::uint16_t kind, std::string_view text,
                             std::string_view headline,
                             std::initializer_list<LAlertButton> buttons) {
    LAlertParams params;
    params.parent = parent;
    params.kind = kind;
    params.text = CutText(text, kAlertTextLimit);
    params.headline = CutText(headline, kTextLimit);
    std::string* texts[] = {&params.button1, &params.button2, &params.button3};
    std::size_t count = 0;
    for (const LAlertButton& button : buttons) {
        if (count < 3) {
            *texts[count] = CutText(button.text, kTextLimit);
            params.roles[count++] = button.role;
        }
    }
    std::uint16_t last = 1;
    for (std::uint16_t i = 0; i < 3; ++i) {
        last = texts[i]->empty() ? last : static_cast<std::uint16_t>(i + 1);
    }
    params.defaultButton = kind == kAlertCaution && !params.button2.empty() ? 2 : 1;
    std::uint16_t escape = FindRole(params, LAlertRole::kReject);
    escape = escape != 0 ? escape : FindRole(params, LAlertRole::kNo);
    params.escapeButton = escape != 0 ? escape : last;
    return params;
}

std::uint16_t UserInterfaceServices::Alert(LWindow parent, std::uint16_t kind,
                                           const std::string& text, const std::string& headline,
                                           std::initializer_list<LAlertButton> buttons) {
    LAlertParams params = MakeAlertParams(parent, kind, text, headline, buttons);
    RunAlert(params);
    return params.result;
}

void UserInterfaceServices::MessageBox(LWindow parent, const std::string& text,
                                       const std::string& headline) {
    Alert(parent, kAlertStop, text, headline, {kOk});
}

void UserInterfaceServices::NoteBox(LWindow parent, const std::string& text,
                                    const std::string& headline) {
    Alert(parent, kAlertNote, text, headline, {kOk});
}

void UserInterfaceServices::CautionBox(LWindow parent, const std::string& text,
                                       const std::string& headline) {
    Alert(parent, kAlertCaution, text, headline, {kOk});
}

void UserInterfaceServices::ErrorBox(const std::string& text) {
    Alert(nullptr, kAlertStop, text, "Error", {kOk});
}

void UserInterfaceServices::AlertBox(const std::string& headline, const std::string& text,
                                     std::uint16_t kind) {
    Alert(nullptr, kind, text, headline, {kOk});
}

bool UserInterfaceServices::YesNoBox(LWindow parent, const std::string& text,
                                     const std::string& headline) {
    return Alert(parent, kAlertNote, text, headline, {kYes, kNo}) == 1;
}

bool UserInterfaceServices::YesNoBox(const std::string& text, const std::string& headline) {
    return YesNoBox(nullptr, text, headline);
}

bool UserInterfaceServices::YesNoBox(LWindow parent, const std::string& text,
                                     const std::string& headline, const std::string& checkBox,
                                     bool& checked) {
    LAlertParams params = MakeAlertParams(parent, kAlertNote, text, headline, {kYes, kNo});
    params.checkBox = checkBox;
    RunAlert(params);
    checked = params.checkBoxChecked;
    return params.result == 1;
}

bool UserInterfaceServices::OkCancelBox(LWindow parent, const std::string& text,
                                        const std::string& headline) {
    return Alert(parent, kAlertNote, text, headline, {kOk, kCancel}) == 1;
}

int UserInterfaceServices::YesNoCancelBox(LWindow parent, const std::string& text,
                                          const std::string& headline) {
    return Alert(parent, kAlertNote, text, headline, {kYes, kCancel, kNo});
}

bool UserInterfaceServices::AskBox(LWindow parent, const std::string& text,
                                   const std::string& headline, const std::string& button1,
                                   const std::string& button2) {
    return Alert(parent, kAlertNote, text, headline,
                 {{button1, LAlertRole::kAccept}, {button2, LAlertRole::kReject}}) == 1;
}

namespace {

std::string CertificateDetails(const CertificateQuestion& question) {
    return "Server: " + question.server + "\nSubject: " + question.subject +
           "\nIssuer: " + question.issuer + "\nValid from " + question.notBefore + " to " +
           question.notAfter + "\nSHA-256 fingerprint:\n" + question.fingerprint;
}

}  // namespace

LAlertParams MakeCertificateAlert(const CertificateQuestion& question) {
    const bool changed = question.kind == CertificateQuestionKind::kChanged;
    // A caution's second button is its default: "Trust Once", or "Cancel" for a changed one.
    LAlertParams params =
        changed ? MakeAlertParams(question.parent, kAlertCaution, "", kCertificateChangedHeadline,
                                  {{kTrustAlwaysButton, LAlertRole::kAccept}, kCancel})
                : MakeAlertParams(question.parent, kAlertCaution, "", kUnknownCertificateHeadline,
                                  {{kTrustAlwaysButton, LAlertRole::kAccept},
                                   {kTrustOnceButton, LAlertRole::kAccept},
                                   kCancel});
    // Set whole: an alert's usual cut would take the fingerprint off.
    params.text = changed
                      ? "The server's certificate is not the one you chose to trust always, and it "
                        "could not be verified: " +
                            question.reason + ". Someone may be intercepting the connection.\n\n" +
                            CertificateDetails(question) + "\nTrusted before:\n" +
                            question.storedFingerprint
                      : "The server's certificate could not be verified: " + question.reason +
                            ".\n\n" + CertificateDetails(question) +
                            "\n\nTrust it only if the server's administrator confirms this "
                            "fingerprint.";
    return params;
}

CertificateTrust CertificateTrustForButton(const CertificateQuestion& question,
                                           std::uint16_t button) {
    if (button == 1) {
        return CertificateTrust::kAlways;
    }
    const bool unknown = question.kind == CertificateQuestionKind::kUnknown;
    return unknown && button == 2 ? CertificateTrust::kOnce : CertificateTrust::kCancel;
}

CertificateTrust UserInterfaceServices::AskCertificateTrust(const CertificateQuestion& question) {
    LAlertParams params = MakeCertificateAlert(question);
    RunAlert(params);
    return CertificateTrustForButton(question, params.result);
}

std::string UserInterfaceServices::CertificateRefusedText(const CertificateQuestion& question) {
    return CertificateNotTrustedText(question);
}

std::string CertificateNotTrustedText(const CertificateQuestion& question) {
    return "The server's certificate could not be verified (" + question.reason +
           ") and nobody was asked to trust it; its SHA-256 fingerprint is " +
           question.fingerprint + ".";
}
