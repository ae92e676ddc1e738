#include "reportoutput.h"
#include "core/apperror.h"
#include "reportpreview.h"
#include "reportprogress.h"

#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>

namespace gudang {

void QtReportOutput::preview(const ReportDocument &doc, bool maximised, Dialogs &dialogs)
{
    ReportPreview window(doc, dialogs, QApplication::activeWindow());
    if (maximised)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    window.exec();
}

void QtReportOutput::print(const ReportDocument &doc, int copies)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw AppError(QStringLiteral("Tidak ada printer yang terpasang. Laporan tidak dicetak."));
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setDocName(doc.title);
    printer.setCopyCount(copies);
    // Where the printer cannot make the copies itself, every copy is sent.
    const bool printerCopies = printer.supportsMultipleCopies();
    ReportProgressWindow progress(QApplication::activeWindow());
    ReportPreview::paint(doc, &printer, printerCopies ? 1 : copies, progress.pages());
}

} // namespace gudang
