#include "reportpreview.h"
#include "data/apperror.h"
#include "reportprogress.h"
#include "reportrender.h"
#include "ui/app.h"
#include "ui/dialogs.h"

#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>

namespace gudang {

ReportPreview::ReportPreview(const ReportDocument &doc, Dialogs &dialogs, QWidget *parent)
    : QDialog(parent)
    , m_doc(doc)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("pratinjau"));
    setWindowTitle(QStringLiteral("Pratinjau - %1").arg(doc.title));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    auto *printer = new QPrinter(QPrinter::ScreenResolution);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setFullPage(true);
    m_view = new QPrintPreviewWidget(printer, this);
    m_view->setObjectName(QStringLiteral("halaman"));
    connect(m_view, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter *p) { guarded([&] { paintPreview(p); }); });
    connect(m_view, &QPrintPreviewWidget::previewChanged, this, &ReportPreview::updatePageLabel);
    connect(this, &QObject::destroyed, [printer] { delete printer; });

    auto *bar = new QToolBar(this);
    auto add = [&](const QString &text, const QKeySequence &key, auto slot) {
        QAction *a = bar->addAction(text);
        a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(QStringLiteral("Perbesar"), QKeySequence::ZoomIn, [this] { m_view->zoomIn(); });
    add(QStringLiteral("Perkecil"), QKeySequence::ZoomOut, [this] { m_view->zoomOut(); });
    add(QStringLiteral("Selebar Halaman"), QKeySequence(), [this] { m_view->fitToWidth(); });
    add(QStringLiteral("Satu Halaman"), QKeySequence(), [this] { m_view->fitInView(); });
    bar->addSeparator();
    add(QStringLiteral("|<"), QKeySequence(Qt::CTRL | Qt::Key_Home),
        [this] { m_view->setCurrentPage(1); });
    add(QStringLiteral("<"), QKeySequence(Qt::Key_PageUp),
        [this] { m_view->setCurrentPage(m_view->currentPage() - 1); });
    m_page = new QLabel(bar);
    bar->addWidget(m_page);
    add(QStringLiteral(">"), QKeySequence(Qt::Key_PageDown),
        [this] { m_view->setCurrentPage(m_view->currentPage() + 1); });
    add(QStringLiteral(">|"), QKeySequence(Qt::CTRL | Qt::Key_End),
        [this] { m_view->setCurrentPage(m_view->pageCount()); });
    bar->addSeparator();
    add(QStringLiteral("&Cetak..."), QKeySequence::Print, [this] { printFromPreview(); });
    add(QStringLiteral("Simpan &PDF..."), QKeySequence::Save, [this] { saveAsPdf(); });
    add(QStringLiteral("&Tutup"), QKeySequence(Qt::Key_Escape), [this] { accept(); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(m_view);
    resize(900, 1000);
    updatePageLabel();
}

void ReportPreview::paintPreview(QPrinter *printer)
{
    paint(m_doc, printer);
}

void ReportPreview::guarded(const std::function<void()> &step)
{
    // Nothing thrown may leave through Qt's signals: it is shown here, as every handler's is.
    const QString failure = describeFailure(step);
    if (!failure.isEmpty())
        m_dialogs.message(failure, Style::Critical);
}

int ReportPreview::pageCount() const
{
    return m_view->pageCount();
}

void ReportPreview::updatePageLabel()
{
    m_page->setText(
        QStringLiteral(" Halaman %1 dari %2 ").arg(m_view->currentPage()).arg(m_view->pageCount()));
}

void ReportPreview::paint(const ReportDocument &doc, QPrinter *printer, int copies,
                          const ReportPageProgress &progress)
{
    printer->setFullPage(true);
    QPainter painter;
    if (!painter.begin(printer))
        throw AppError(QStringLiteral("Printer tidak dapat dipakai."));
    const double scale = printer->resolution() / 72.0;
    painter.scale(scale, scale);
    paintReport(
        doc, painter, [printer] { printer->newPage(); }, copies, progress);
}

void ReportPreview::printFromPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPrintDialog dlg(&printer, this);
    dlg.setWindowTitle(QStringLiteral("Cetak"));
    if (dlg.exec() != QDialog::Accepted)
        return;
    guarded([&] {
        ReportProgressWindow progress(this);
        paint(m_doc, &printer, 1, progress.pages());
    });
}

void ReportPreview::saveAsPdf()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Simpan PDF"),
                                                      m_doc.title + QStringLiteral(".pdf"),
                                                      QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    guarded([&] {
        ReportProgressWindow progress(this);
        writeReportPdf(m_doc, path, 1, progress.pages());
    });
}

} // namespace gudang
