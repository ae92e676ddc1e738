#include "reportengine.h"
#include "data/apperror.h"
#include "reportoutput.h"
#include "ui/app.h"

namespace gudang {

ReportEngine::ReportEngine(App &app, QString reportFile, QObject *parent)
    : QObject(parent)
    , m_app(app)
    , m_reportFile(std::move(reportFile))
{ }

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
    if (!m_saved)
        m_saved = buildReport(m_reportFile, m_app.locations().workingPath(),
                              QDateTime::currentDateTime());
    ReportOutput &out = m_app.reportOutput() ? *m_app.reportOutput() : defaultOutput();
    if (destination() == Printer)
        out.print(*m_saved, m_copies);
    else
        out.preview(*m_saved, m_windowState == 2, m_app.dialogs());
}

} // namespace gudang
