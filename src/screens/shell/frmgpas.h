#pragma once

#include "credentialsscreen.h"

class QLabel;

namespace gudang {

// Change of the logged-in user's own name and password, after the old pair is confirmed.
class frmgpas : public CredentialsScreen
{
    Q_OBJECT
public:
    explicit frmgpas(App &app);

    QLabel *Label4;
    QLineEdit *txtus2;
    QLabel *Label3;
    QLineEdit *txtpas2;

    void on_txtpass_returnPressed();
    void on_txtus2_returnPressed();
    void on_txtpas2_returnPressed();
    void on_cmdok_clicked();

    // Opened at a login with a password the owner set: the new pair is due before anything
    // else. The person's name is filled in (old and new) and the focus is on the old password.
    bool mustChange = false;
    void focusFirst() override;
};

} // namespace gudang
