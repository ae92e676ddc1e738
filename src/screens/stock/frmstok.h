#pragma once

#include "ui/screen.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;

namespace gudang {

// Stock entry: books received quantities for registered goods codes, finds and deletes stock
// records. Owns the record source on tstok that the stock edit and goods-out screens reach.
class frmstok : public Screen
{
    Q_OBJECT
public:
    explicit frmstok(App &app);

    QGroupBox *Frame1;
    QLabel *Label1;
    QLineEdit *txtkode;
    QLabel *Label2;
    QLineEdit *txtstok;
    QLabel *Label3;
    QLineEdit *txtmin;
    QTableView *DataGrid1;
    QPushButton *cmdtambah;
    QPushButton *cmdsimpan;
    QPushButton *cmdedit;
    QPushButton *cmdcari;
    QPushButton *cmdhapus;
    QPushButton *cmdtutup;
    QGroupBox *Frame2;
    QTableView *DataGrid2;
    RecordSource *Adodc1; // tstok
    RecordSource *Adodc2; // tbarang

    void on_cmdtambah_clicked();
    void on_txtkode_returnPressed();
    void on_txtstok_returnPressed();
    void on_txtmin_returnPressed();
    void on_cmdsimpan_clicked();
    void on_cmdedit_clicked();
    void on_cmdcari_clicked();
    void on_cmdhapus_clicked();
    void on_cmdtutup_clicked();

private:
    // The code test: a code that is filled in and registered as goods. Reports otherwise.
    // With `silentWhenNoGoods`, an empty goods table ends the test without a message.
    bool codeRegistered(bool silentWhenNoGoods);
    void clearFields();

    QString m_cari; // the last search text
};

} // namespace gudang
