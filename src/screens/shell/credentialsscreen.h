#pragma once

#include "ui/screen.h"

class QLabel;
class QPushButton;

namespace gudang {

// A screen that asks for the stored user and password before anything else: the login and the
// change of password. Enter in the user field moves to the password; "Tutup" closes.
class CredentialsScreen : public Screen
{
    Q_OBJECT
public:
    QLabel *Label1;
    QLineEdit *txtuser;
    QLabel *Label2;
    QLineEdit *txtpass;
    QPushButton *cmdok;
    QPushButton *cmdtutup;
    // tpass: the first user. None on a server for a person the server knows.
    RecordSource *Adodc1;

    void on_txtuser_returnPressed();
    void on_cmdtutup_clicked();

protected:
    CredentialsScreen(App &app, const FormTable &form);

    // The current credentials row against the typed user and password (for a user other than
    // the first, their own stored pair). "User tidak dikenal"
    // empties both fields, "Password Salah" the password; the focus goes where to type again.
    // True when both match.
    bool typedCredentialsMatch();
};

} // namespace gudang
