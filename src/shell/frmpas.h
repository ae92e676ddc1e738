#pragma once

#include "ui/screen.h"

class QLabel;
class QPushButton;

namespace gudang {

// Login screen: the start-up screen. Compares the typed pair with the first row of tpass.
class frmpas : public Screen
{
    Q_OBJECT
public:
    explicit frmpas(App &app);

    QLabel *Label1;
    QLineEdit *txtuser;
    QLabel *Label2;
    QLineEdit *txtpass;
    QPushButton *cmdok;
    QPushButton *cmdtutup;
    RecordSource *Adodc1;

    void on_txtuser_returnPressed();
    void on_txtpass_returnPressed();
    void on_cmdok_clicked();
    void on_cmdtutup_clicked();
};

} // namespace gudang
