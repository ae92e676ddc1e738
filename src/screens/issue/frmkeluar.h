#pragma once

#include "core/value.h"

#include <optional>

#include "ui/datepicker.h"
#include "ui/screen.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;

namespace gudang {

// Goods-out entry: records goods taken out of the store. Posting tests the quantity against the
// stock (through the stock entry screen's record source) and lowers it.
class frmkeluar : public Screen
{
    Q_OBJECT
public:
    explicit frmkeluar(App &app);

    QGroupBox *Frame4;
    QLabel *Label5;
    QLineEdit *txtkode;
    QLabel *Label4;
    DatePicker *dt1;
    QLabel *Label6;
    QLineEdit *txtjumlah;
    QGroupBox *Frame3;
    QTableView *DataGrid1;
    QGroupBox *Frame1;
    QTableView *DataGrid2;
    QGroupBox *Frame2;
    QTableView *DataGrid3;
    QPushButton *cmdtambah;
    QPushButton *cmdsimpan;
    QPushButton *cmdedit;
    QPushButton *cmdhapus;
    QPushButton *cmdcari;
    QPushButton *cmdtutup;
    QLineEdit *Text1;
    RecordSource *adodc1; // tbrgkeluar
    RecordSource *adobrg; // tbarang
    RecordSource *Adostok; // tstok, shown only

    void on_cmdtambah_clicked();
    void on_txtkode_returnPressed();
    void on_txtjumlah_returnPressed();
    void on_cmdsimpan_clicked();
    void on_cmdedit_clicked();
    void on_cmdcari_clicked();
    void on_cmdhapus_clicked();
    void on_cmdtutup_clicked();

private:
    RecordSource &stock();
    // Places the stock record source on the stock record of the typed code, as stored now, and
    // moves the goods and stock grids to it. False, with the message, when the code has no
    // stock record; without one when the stock table is empty and `silentWhenEmpty`.
    bool checkCode(bool silentWhenEmpty);
    QString m_cari; // the last search text
};

} // namespace gudang
