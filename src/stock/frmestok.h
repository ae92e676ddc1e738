#pragma once

#include "ui/recordcommands.h"
#include "ui/screen.h"

class QLabel;
class QPushButton;

namespace gudang {

// Stock edit: looks a code up in the stock entry screen's record source and sets its quantity
// and minimum outright.
class frmestok : public Screen
{
    Q_OBJECT
public:
    explicit frmestok(App &app);

    QLabel *Label1;
    QLineEdit *txtkode;
    QLabel *Label2;
    QLineEdit *txtstok;
    QLabel *Label3;
    QLineEdit *txtmin;
    QPushButton *cmdsimpan;
    QPushButton *cmdtutup;

    void on_txtkode_returnPressed();
    void on_cmdsimpan_clicked();
    void on_cmdtutup_clicked();

private:
    RecordSource &source();
    EditFlow m_flow; // the record this screen looked up
};

} // namespace gudang
