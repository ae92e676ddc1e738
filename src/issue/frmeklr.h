#pragma once

#include "ui/datepicker.h"
#include "ui/recordcommands.h"
#include "ui/screen.h"

class QLabel;
class QPushButton;

namespace gudang {

// Goods-out edit: looks a recorded issue up by its number in the goods-out entry screen's
// record source and rewrites its code, date and quantity. The stock is not touched.
class frmeklr : public Screen
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
    QPushButton *cmdsimpan;
    QPushButton *cmdtutup;

    void on_txtklr_returnPressed();
    void on_cmdsimpan_clicked();
    void on_cmdtutup_clicked();

private:
    RecordSource &source();
    EditFlow m_flow; // the record this screen looked up
};

} // namespace gudang
