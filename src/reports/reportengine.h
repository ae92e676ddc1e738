#pragma once

#include "reports/engine/reportlayout.h"

#include <QObject>
#include <optional>

namespace gudang {

class App;
class ReportOutput;

// Where the reports of this application go; none set (null): the real preview window and
// printer. Tests set their own.
void setReportOutput(App &app, ReportOutput *output);
ReportOutput *reportOutputOf(App &app);

// The report engine of the report screens: it works from its definition file, reads the data
// of the working database, lays the report out and sends it to the preview window or the
// printer.
class ReportEngine : public QObject
{
    Q_OBJECT
public:
    enum Destination { Window = 0, Printer = 1 };

    ReportEngine(App &app, QString reportFile, QObject *parent);

    const QString &reportFile() const { return m_reportFile; }
    // Window state of the preview: 2 opens it maximised.
    void setWindowState(int state) { m_windowState = state; }
    int windowState() const { return m_windowState; }
    // Drops the data read for the last report, so the next one reads the database again.
    void discardSavedData() { m_saved.reset(); }
    void setDestination(int destination);
    // The destination set last; the preview window when none was set.
    int destination() const { return m_destination.value_or(Window); }
    void setCopiesToPrint(int copies) { m_copies = copies; }
    // Values of the definition's named parameters (a period, a goods code).
    void setParameters(ReportParameters parameters)
    {
        m_parameters = std::move(parameters);
        m_saved.reset();
    }
    int copiesToPrint() const { return m_copies; }
    // Produces the report.
    void printReport();

    // The output used when the application has none of its own (the real window and printer).
    static ReportOutput &defaultOutput();

private:
    App &m_app;
    QString m_reportFile;
    int m_windowState = 0;
    std::optional<int> m_destination;
    int m_copies = 1;
    std::optional<ReportDocument> m_saved;
    ReportParameters m_parameters;
};

} // namespace gudang
