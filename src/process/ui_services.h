#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// The front end's window, opaque to the engine (a QWidget* in the desktop program, null in the
// command-line program and in tests).
using LWindow = void*;

// Kinds of alert.
inline constexpr std::uint16_t kAlertStop = 0;
inline constexpr std::uint16_t kAlertNote = 1;
inline constexpr std::uint16_t kAlertCaution = 2;

// What a button of an alert means, so that each front end places it and answers for the user
// without reading its text.
enum class LAlertRole : std::uint8_t {
    kAccept,  // "OK", or the action the alert offers
    kReject,  // "Cancel": leaves everything as it is
    kYes,
    kNo,
};

// One alert, filled by the alert operations below and run by the front end's one routine.
// Empty texts for button 2 and 3 mean there is no such button.
struct LAlertParams {
    LWindow parent = nullptr;
    std::uint16_t kind = kAlertNote;
    std::string text;      // at most 519 bytes are kept
    std::string headline;  // at most 259 bytes are kept
    std::string button1 = "OK";
    std::string button2;
    std::string button3;
    std::array<LAlertRole, 3> roles{LAlertRole::kAccept, LAlertRole::kReject, LAlertRole::kReject};
    // The buttons (1 to 3) that Return and Escape press; Escape's is also the answer of an
    // alert closed without a button.
    std::uint16_t defaultButton = 1;
    std::uint16_t escapeButton = 1;
    std::uint16_t result = 1;  // 1, 2 or 3: the button that was pressed
    // A check box under the text ("" for none), and whether it was ticked when the alert closed.
    std::string checkBox;
    bool checkBoxChecked = false;
};

struct LAlertButton {
    std::string_view text;
    LAlertRole role;
};

// An alert with up to three buttons, its texts cut to what an alert keeps. Return presses
// button 1, or button 2 of a caution so that a risky action is never confirmed by reflex;
// Escape presses the first Cancel, else the first No, else the last button.
LAlertParams MakeAlertParams(LWindow parent, std::uint16_t kind, std::string_view text,
                             std::string_view headline,
                             std::initializer_list<LAlertButton> buttons);

// What the login prompt asks for and gives back.
struct LoginPromptRequest {
    std::string server;
    std::string user;
    std::string password;
    bool rememberPassword = false;
};

// A server certificate that did not verify, as the user is asked about it before the user name
// and password are sent. "Unknown Certificate" offers "Trust Always", "Trust Once" and "Cancel";
// "Certificate Changed" (another fingerprint was trusted always for the server) only "Trust
// Always" and "Cancel", Cancel being the default.
enum class CertificateQuestionKind { kUnknown, kChanged };

struct CertificateQuestion {
    LWindow parent = nullptr;
    CertificateQuestionKind kind = CertificateQuestionKind::kUnknown;
    std::string server;  // "host:port"
    std::string reason;  // why it did not verify: "self-signed certificate"
    std::string subject;
    std::string issuer;
    std::string notBefore;
    std::string notAfter;
    std::string fingerprint;        // SHA-256, "AB:CD:..."
    std::string storedFingerprint;  // the one trusted before (kChanged)
};

enum class CertificateTrust {
    kAlways,   // store the fingerprint for the server
    kOnce,     // until the program ends
    kCancel,   // the user said no: the connection ends as stopped
    kRefused,  // nobody could be asked: the connection fails
};

inline constexpr char kUnknownCertificateHeadline[] = "Unknown Certificate";
inline constexpr char kCertificateChangedHeadline[] = "Certificate Changed";
inline constexpr char kTrustAlwaysButton[] = "Trust Always";
inline constexpr char kTrustOnceButton[] = "Trust Once";

// The question as an alert (its text says why, and shows subject, issuer, validity and
// fingerprint), and what each of its buttons (1 to 3) answers.
LAlertParams MakeCertificateAlert(const CertificateQuestion& question);
CertificateTrust CertificateTrustForButton(const CertificateQuestion& question,
                                           std::uint16_t button);
// Why a connection ended when nobody could be asked: the reason and the fingerprint.
std::string CertificateNotTrustedText(const CertificateQuestion& question);

// What the engine and orchestration need from the windows besides progress: alerts, the login
// prompt, the busy indicator, opening files and folders, choosing a folder or a file to save.
// The desktop program, the command-line program and the tests each implement it once.
class UserInterfaceServices {
public:
    virtual ~UserInterfaceServices() = default;

    // Shows the alert and stores the pressed button (1 to 3) in params.result.
    virtual void RunAlert(LAlertParams& params) = 0;
    // Returns false when the user cancelled the prompt.
    virtual bool AskLogin(LWindow parent, LoginPromptRequest& request) = 0;
    virtual void SetBusy(bool busy) = 0;
    // Opens a file, a folder or a web address (http or https) with the desktop's default
    // application.
    virtual bool OpenWithDefaultApplication(const std::string& path) = 0;
    // Returns false when the user cancelled; chosen holds the folder otherwise.
    virtual bool ChooseFolder(LWindow parent, const std::string& title,
                              const std::string& startFolder, std::string& chosen) = 0;
    // Asks where to save a file, starting at startPath (a folder and a suggested name). Returns
    // false when the user cancelled; chosen holds the path otherwise, and the user has agreed
    // to replace it when it exists.
    virtual bool ChooseSaveFile(LWindow parent, const std::string& title,
                                const std::string& startPath, std::string& chosen) = 0;
    // Asks whether to trust a server certificate that did not verify. By default the question
    // runs as an alert (MakeCertificateAlert).
    virtual CertificateTrust AskCertificateTrust(const CertificateQuestion& question);
    // The failure text when AskCertificateTrust answered kRefused; CertificateNotTrustedText by
    // default.
    virtual std::string CertificateRefusedText(const CertificateQuestion& question);

    // The alerts, each built on RunAlert.
    void MessageBox(LWindow parent, const std::string& text, const std::string& headline);
    void NoteBox(LWindow parent, const std::string& text, const std::string& headline);
    void CautionBox(LWindow parent, const std::string& text, const std::string& headline);
    void ErrorBox(const std::string& text);
    void AlertBox(const std::string& headline, const std::string& text, std::uint16_t kind);
    bool YesNoBox(LWindow parent, const std::string& text, const std::string& headline);
    bool YesNoBox(const std::string& text, const std::string& headline);
    // A Yes/No question with a check box ("Do this for all"); `checked` tells whether the user
    // ticked it.
    bool YesNoBox(LWindow parent, const std::string& text, const std::string& headline,
                  const std::string& checkBox, bool& checked);
    bool OkCancelBox(LWindow parent, const std::string& text, const std::string& headline);
    // 1 for "Yes", 2 for "Cancel", 3 for "No".
    int YesNoCancelBox(LWindow parent, const std::string& text, const std::string& headline);
    bool AskBox(LWindow parent, const std::string& text, const std::string& headline,
                const std::string& button1, const std::string& button2);

private:
    std::uint16_t Alert(LWindow parent, std::uint16_t kind, const std::string& text,
                        const std::string& headline, std::initializer_list<LAlertButton> buttons);
};
