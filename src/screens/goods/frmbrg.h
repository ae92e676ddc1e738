#pragma once

#include "ui/screen.h"

class QLabel;
class QPushButton;
class QTableView;

namespace gudang {

// Goods entry: adds goods through a guided chain of fields, finds, deletes, and opens the
// goods edit screen. Owns the record source on tbarang that the goods edit and stock entry
// screens reach by name.
class frmbrg : public Screen
{
    Q_OBJECT
public:
    explicit frmbrg(App &app);

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
    QTableView *DataGrid1;
    QPushButton *cmdtambah;
    QPushButton *cmdsimpan;
    QPushButton *cmdedit;
    QPushButton *cmdhapus;
    QPushButton *cmdcari;
    QPushButton *cmdtutup;
    RecordSource *Adodc1;

    void on_cmdtambah_clicked();
    void on_txtkode_returnPressed();
    void on_txtnama_returnPressed();
    void on_txtmerk_returnPressed();
    void on_txtsup_returnPressed();
    void on_txtsatuan_returnPressed();
    void on_cmdsimpan_clicked();
    void on_cmdedit_clicked();
    void on_cmdhapus_clicked();
    void on_cmdcari_clicked();
    void on_cmdtutup_clicked();

private:
    enum class Code { Empty, Present, Free };
    // The code test: an empty code, or a code some goods record has (now current), or neither.
    Code testCode();

    QString m_cari; // the last search text
};

} // namespace gudang
