#include "reportrender.h"
#include "data/apperror.h"

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

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

void writeReportPdf(const ReportDocument &doc, const QString &path, int copies)
{
    QPdfWriter pdf(path);
    pdf.setTitle(doc.title);
    pdf.setCreator(QStringLiteral("Gudang"));
    pdf.setResolution(600);
    pdf.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&pdf))
        throw AppError(
            QStringLiteral("File PDF %1 tidak dapat ditulis.").arg(QDir::toNativeSeparators(path)));
    const double scale = pdf.resolution() / 72.0;
    painter.scale(scale, scale);
    bool first = true;
    for (int c = 0; c < copies; ++c) {
        for (const ReportPage &p : doc.pages) {
            if (!first)
                pdf.newPage();
            first = false;
            renderPage(painter, p);
        }
    }
    painter.end();
    if (QFile(path).size() == 0)
        throw AppError(
            QStringLiteral("File PDF %1 tidak dapat ditulis.").arg(QDir::toNativeSeparators(path)));
}

} // namespace gudang
