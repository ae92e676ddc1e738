#pragma once

#include "ui/editscreen.h"

class QLabel;

namespace gudang {

// Goods edit: looks a goods code up in the goods entry screen's record source and rewrites
// that record.
class frmeditbrg : public EditScreen
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

    void on_txtkode_returnPressed();
};

} // namespace gudang
