#pragma once

#include "ui/recordcommands.h"
#include "ui/screen.h"

class QLabel;
class QPushButton;

namespace gudang {

// Goods edit: looks a goods code up in the goods entry screen's record source and rewrites
// that record.
class frmeditbrg : public Screen
{
    Q_OBJECT
public:
    explicit frmeditbrg(App &app);

    QLabel *Label1;
    QLineEdit *txtkode;
    QLabel *Label2;
    QLineEdit *txtnama;
    QLabel *Label3;
    QLineEdit *txtmerk;
    QLabel *Label4;
    QLineEdit *txtsup;
    QLabel *Label5;
    QLineEdit *txtsatuan;
    QPushButton *cmdsimpan;
    QPushButton *cmdtutup;

    void on_txtkode_returnPressed();
    void on_cmdsimpan_clicked();
    void on_cmdtutup_clicked();

private:
    RecordSource &source();

    // A record found by this screen's own lookup, since it opened or since the last "Yes".
    EditFlow m_flow;
};

} // namespace gudang
