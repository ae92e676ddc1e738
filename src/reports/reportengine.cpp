#include "reportengine.h"
#include "core/apperror.h"
#include "reportoutput.h"
#include "reportprogress.h"
#include "ui/app.h"

#include <QApplication>
#include <memory>

namespace gudang {

ReportEngine::ReportEngine(App &app, QString reportFile, QObject *parent)
    : QObject(parent)
    , m_app(app)
    , m_reportFile(std::move(reportFile))
{ }

namespace {
const char *const kOutputProperty = "gudang_reportOutput";
}

// Kept with the application's screens, so that it goes when the application goes.
void setReportOutput(App &app, ReportOutput *output)
{
    app.screens().setProperty(kOutputProperty, QVariant::fromValue(static_cast<void *>(output)));
}

ReportOutput *reportOutputOf(App &app)
{
    return static_cast<ReportOutput *>(app.screens().property(kOutputProperty).value<void *>());
}

ReportOutput &ReportEngine::defaultOutput()
{
    static QtReportOutput output;
    return output;
}

void ReportEngine::setDestination(int destination)
{
    if (destination != Window && destination != Printer)
        throw AppError(QStringLiteral("Tujuan laporan %1 tidak dikenal.").arg(destination));
    m_destination = destination;
}

void ReportEngine::printReport()
{
    if (!m_saved) {
        ReportProgressWindow progress(QApplication::activeWindow());
        m_saved = buildReport(m_reportFile, m_app.locations().workingPath(),
                              QDateTime::currentDateTime(), progress.rows(), m_parameters);
    }
    ReportOutput *chosen = reportOutputOf(m_app);
    ReportOutput &out = chosen ? *chosen : defaultOutput();
    if (destination() == Printer)
        out.print(*m_saved, m_copies);
    else
        out.preview(*m_saved, m_windowState == 2, m_app.dialogs());
}

} // namespace gudang
