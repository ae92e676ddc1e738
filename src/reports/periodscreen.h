#pragma once

#include "ui/screen.h"

class QLabel;
class QPushButton;

namespace gudang {

class DatePicker;
class ReportEngine;

// A report of a period: from and to (both days whole), by default the current month, to the
// window or the printer. The screens of such reports differ in their form and their report.
class PeriodReportScreen : public Screen
{
    Q_OBJECT
public:
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

protected:
    PeriodReportScreen(App &app, const FormTable &form, const QString &reportPath);

private:
    // The report of the period chosen, to the window or the printer.
    void produce(int destination);

    ReportEngine *m_engine;
};

// The form of such a screen, captioned.
FormTable periodForm(const char *name, const char *caption);

} // namespace gudang
