#include "process/ui_services.h"

#include "frame/text_limits.h"

std::uint16_t UserInterfaceServices::Alert(LWindow parent, std::uint16_t kind,
                                           const std::string& text, const std::string& headline,
                                           const char* button1, const char* button2,
                                           const char* button3) {
    LAlertParams params;
    return Alert(params, parent, kind, text, headline, button1, button2, button3);
}

std::uint16_t UserInterfaceServices::Alert(LAlertParams& params, LWindow parent, std::uint16_t kind,
                                           const std::string& text, const std::string& headline,
                                           const char* button1, const char* button2,
                                           const char* button3) {
    params.parent = parent;
    params.kind = kind;
    params.text = CutText(text, kAlertTextLimit);
    params.headline = CutText(headline, kTextLimit);
    params.button1 = button1;
    params.button2 = button2;
    params.button3 = button3;
    params.result = 1;
    RunAlert(params);
    return params.result;
}

void UserInterfaceServices::MessageBox(LWindow parent, const std::string& text,
                                       const std::string& headline) {
    Alert(parent, kAlertStop, text, headline, "OK");
}

void UserInterfaceServices::NoteBox(LWindow parent, const std::string& text,
                                    const std::string& headline) {
    Alert(parent, kAlertNote, text, headline, "OK");
}

void UserInterfaceServices::CautionBox(LWindow parent, const std::string& text,
                                       const std::string& headline) {
    Alert(parent, kAlertCaution, text, headline, "OK");
}

void UserInterfaceServices::ErrorBox(const std::string& text) {
    Alert(nullptr, kAlertStop, text, "Error", "OK");
}

void UserInterfaceServices::AlertBox(const std::string& headline, const std::string& text,
                                     std::uint16_t kind) {
    Alert(nullptr, kind, text, headline, "OK");
}

bool UserInterfaceServices::YesNoBox(LWindow parent, const std::string& text,
                                     const std::string& headline) {
    return Alert(parent, kAlertNote, text, headline, "Yes", "No") == 1;
}

bool UserInterfaceServices::YesNoBox(const std::string& text, const std::string& headline) {
    return YesNoBox(nullptr, text, headline);
}

bool UserInterfaceServices::YesNoBox(LWindow parent, const std::string& text,
                                     const std::string& headline, const std::string& checkBox,
                                     bool& checked) {
    LAlertParams params;
    params.checkBox = checkBox;
    std::uint16_t result = Alert(params, parent, kAlertNote, text, headline, "Yes", "No");
    checked = params.checkBoxChecked;
    return result == 1;
}

bool UserInterfaceServices::OkCancelBox(LWindow parent, const std::string& text,
                                        const std::string& headline) {
    return Alert(parent, kAlertNote, text, headline, "OK", "Cancel") == 1;
}

int UserInterfaceServices::YesNoCancelBox(LWindow parent, const std::string& text,
                                          const std::string& headline) {
    return Alert(parent, kAlertNote, text, headline, "Yes", "Cancel", "No");
}

bool UserInterfaceServices::AskBox(LWindow parent, const std::string& text,
                                   const std::string& headline, const std::string& button1,
                                   const std::string& button2) {
    return Alert(parent, kAlertNote, text, headline, button1.c_str(), button2.c_str()) == 1;
}
