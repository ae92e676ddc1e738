#pragma once

#include "ui/screen.h"

class QLabel;
class QPushButton;
class QTableView;

namespace gudang {

class ReportEngine;
class ReportList;

// "Stok di bawah minimum": the goods whose stock is below their minimum, and registered goods
// without a stock record (their stock is 0), listed on the screen and printable. The list is
// the report definition minimum.rpt, so the screen and the paper say the same.
class frmminimum : public Screen
{
    Q_OBJECT
public:
    explicit frmminimum(App &app);

    QLabel *Label1;
    QTableView *DataGrid1;
    QPushButton *cmdcetak;
    QPushButton *cmdtutup;

    void on_cmdcetak_clicked();
    void on_cmdtutup_clicked();

    // Reads the list again.
    void refresh();

private:
    ReportList *m_rows;
    ReportEngine *m_engine;
};

} // namespace gudang
