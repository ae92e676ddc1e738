#pragma once

#include "ui/datepicker.h"
#include "ui/editscreen.h"

class QLabel;

namespace gudang {

// Goods-out edit: looks a recorded issue up by its number in the goods-out entry screen's
// record source and rewrites its code, date and quantity. The stock is not touched.
class frmeklr : public EditScreen
{
    Q_OBJECT
public:
    explicit frmeklr(App &app);

    QLabel *Label2;
    QLineEdit *txtklr;
    QLabel *Label5;
    QLineEdit *txtkode;
    QLabel *Label4;
    DatePicker *dt1;
    QLabel *Label6;
    QLineEdit *txtjumlah;

    void on_txtklr_returnPressed();
};

} // namespace gudang
