#include "reportrender.h"
#include "core/apperror.h"
#include "core/savefile.h"

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace gudang {

void renderPage(QPainter &painter, const ReportPage &page)
{
    painter.save();
    for (const ReportItem &i : page.items) {
        switch (i.kind) {
        case ReportItem::Kind::Line:
            painter.setPen(QPen(Qt::black, 0.6));
            painter.drawLine(i.rect.topLeft(), i.rect.bottomRight());
            break;
        case ReportItem::Kind::Box:
            painter.setPen(QPen(Qt::black, 0.8));
            painter.setBrush(i.fill);
            painter.drawRect(i.rect);
            painter.setBrush(Qt::NoBrush);
            break;
        case ReportItem::Kind::Text:
            painter.setPen(Qt::black);
            painter.setFont(reportFont(i.size, i.bold));
            painter.drawText(i.rect.adjusted(kReportTextPad, 0, -kReportTextPad, 0),
                             i.align | Qt::TextSingleLine, i.text);
            break;
        }
    }
    painter.restore();
}

void writeReportPdf(const ReportDocument &doc, const QString &path, int copies,
                    const ReportPageProgress &progress)
{
    const QString shown = QDir::toNativeSeparators(path);
    // Written beside the target and put in its place at the end: a report stopped half way
    // ("Batal", a failure) leaves no half-written file, and an older file stays as it was.
    SaveFile file(path);
    {
        QPdfWriter pdf(&file.device());
        pdf.setTitle(doc.title);
        pdf.setCreator(QStringLiteral("Gudang"));
        pdf.setResolution(600);
        pdf.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&pdf))
            throw AppError(QStringLiteral("File PDF %1 tidak dapat ditulis.").arg(shown));
        const double scale = pdf.resolution() / 72.0;
        painter.scale(scale, scale);
        paintReport(
            doc, painter, [&pdf] { pdf.newPage(); }, copies, progress);
        painter.end();
    }
    if (file.device().size() == 0)
        throw AppError(QStringLiteral("File PDF %1 tidak dapat ditulis.").arg(shown));
    file.commit();
}

void paintReport(const ReportDocument &doc, QPainter &painter, const std::function<void()> &newPage,
                 int copies, const ReportPageProgress &progress)
{
    const int pages = doc.pageCount();
    // However the pages end (all drawn, "Batal", a failure), the data is let go.
    struct Release
    {
        const ReportDocument &doc;
        ~Release() { doc.release(); }
    } release { doc };
    const ReportProgress rowsProgress = [&](qint64) {
        return !progress || progress(-1, pages);
    };
    bool first = true;
    for (int c = 0; c < copies; ++c) {
        for (int i = 0; i < pages; ++i) {
            if (progress && !progress(i, pages))
                throw AppError(QStringLiteral("Laporan dibatalkan."));
            // One page at a time: laid out, drawn, let go.
            const ReportPage page = doc.page(i, progress ? rowsProgress : ReportProgress());
            if (!first)
                newPage();
            first = false;
            renderPage(painter, page);
        }
    }
}

} // namespace gudang
