#pragma once

#include "ui/screen.h"

class QLabel;
class QPushButton;

namespace gudang {

// Change of the stored user name and password, after the old pair is confirmed.
class frmgpas : public Screen
{
    Q_OBJECT
public:
    explicit frmgpas(App &app);

    QLabel *Label1;
    QLineEdit *txtuser;
    QLabel *Label2;
    QLineEdit *txtpass;
    QLabel *Label4;
    QLineEdit *txtus2;
    QLabel *Label3;
    QLineEdit *txtpas2;
    QPushButton *cmdok;
    QPushButton *cmdtutup;
    RecordSource *Adodc1;

    void on_txtuser_returnPressed();
    void on_txtpass_returnPressed();
    void on_txtus2_returnPressed();
    void on_txtpas2_returnPressed();
    void on_cmdok_clicked();
    void on_cmdtutup_clicked();
};

} // namespace gudang
