#pragma once

#include "ui/editscreen.h"

class QLabel;

namespace gudang {

// Stock edit: looks a code up in the stock entry screen's record source and sets its quantity
// and minimum outright.
class frmestok : public EditScreen
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

    void on_txtkode_returnPressed();
};

} // namespace gudang
