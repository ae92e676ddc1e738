#pragma once

#include "ui/screen.h"

class QLabel;
class QPushButton;

namespace gudang {

class DatePicker;
class ReportEngine;

// The goods-out report of a period: from and to (both days whole), by default the current
// month; a subtotal per goods code and unit, and one sum per unit at the end.
class frmperiode : public Screen
{
    Q_OBJECT
public:
    explicit frmperiode(App &app);

    QLabel *Label1;
    DatePicker *dtdari;
    QLabel *Label2;
    DatePicker *dtsampai;
    QPushButton *cmdlihat;
    QPushButton *cmdcetak;
    QPushButton *cmdtutup;

    void on_cmdlihat_clicked();
    void on_cmdcetak_clicked();
    void on_cmdtutup_clicked();

private:
    // The report of the period chosen, to the window or the printer.
    void produce(int destination);

    ReportEngine *m_engine;
};

} // namespace gudang
