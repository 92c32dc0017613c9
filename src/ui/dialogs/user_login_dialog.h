#pragma once

#include <QDialog>

#include "process/ui_services.h"

class QCheckBox;
class QLineEdit;

// The login prompt for a site connected without a stored password: the server, the user name
// and the password, and whether to remember the password. OK needs a user name.
class UserLoginDlg : public QDialog {
    Q_OBJECT

public:
    UserLoginDlg(UserInterfaceServices& ui, const LoginPromptRequest& request,
                 QWidget* parent = nullptr);

    // Shows the prompt modally, filled from the request; on OK writes the answers back into it
    // and returns true.
    static bool Ask(UserInterfaceServices& ui, QWidget* parent, LoginPromptRequest& request);

    void accept() override;

private:
    void ShowHelp();

    UserInterfaceServices& ui_;
    QLineEdit* user_;
    QLineEdit* password_;
    QCheckBox* remember_;
};
