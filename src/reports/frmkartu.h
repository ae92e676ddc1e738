#pragma once

#include "ui/screen.h"

class QLabel;
class QPushButton;
class QTableView;

namespace gudang {

class DatePicker;
class ReportEngine;
class ReportList;

// "Kartu Stok": every stock movement of one goods code in a period, from the movement journal,
// with the opening balance, the balance after each movement and the closing balance; shown on
// the screen and printable. The code is typed, or chosen by name (F3).
class frmkartu : public Screen
{
    Q_OBJECT
public:
    explicit frmkartu(App &app);

    QLabel *Label1;
    QLineEdit *txtkode;
    QLabel *Label2;
    DatePicker *dtdari;
    QLabel *Label3;
    DatePicker *dtsampai;
    QPushButton *cmdtampil;
    QTableView *DataGrid1;
    QPushButton *cmdlihat;
    QPushButton *cmdcetak;
    QPushButton *cmdtutup;

    void on_txtkode_returnPressed();
    void on_cmdtampil_clicked();
    void on_cmdlihat_clicked();
    void on_cmdcetak_clicked();
    void on_cmdtutup_clicked();

private:
    // False, after saying so, when the typed code is not known to the working tables.
    bool codeKnown();
    // The values of the card asked for; AppError when they do not make one.
    std::map<QString, QString> parameters() const;

    ReportList *m_lines;
    ReportEngine *m_engine;
};

} // namespace gudang
