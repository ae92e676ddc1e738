#include "reportpreview.h"
#include "core/apperror.h"
#include "reportprogress.h"
#include "reports/engine/reportrender.h"
#include "ui/app.h"
#include "ui/dialogs.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

namespace gudang {

// The page of a preview, drawn at its zoom on white paper.
class ReportPageView : public QWidget
{
public:
    explicit ReportPageView(ReportPreview *preview)
        : QWidget(nullptr)
        , m_preview(preview)
    {
        setObjectName(QStringLiteral("halaman"));
        setAccessibleName(QStringLiteral("Halaman laporan"));
        setFocusPolicy(Qt::StrongFocus);
    }
    QSize sizeHint() const override
    {
        return QSize(int(m_preview->m_doc.widthPt * m_preview->m_zoom) + 1,
                     int(m_preview->m_doc.heightPt * m_preview->m_zoom) + 1);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(m_preview->m_zoom, m_preview->m_zoom);
        // A page that failed to draw is not tried again until another is shown: the message
        // about it would otherwise come back with every paint.
        const int page = m_preview->m_current;
        if (page == m_failed)
            return;
        bool drawn = false;
        m_preview->guarded([&] {
            m_preview->paintPreview(painter, page);
            drawn = true;
        });
        if (!drawn)
            m_failed = page;
    }

public:
    void showPage()
    {
        m_failed = -1;
        update();
    }

private:
    ReportPreview *m_preview;
    int m_failed = -1;
};

ReportPreview::ReportPreview(const ReportDocument &doc, Dialogs &dialogs, QWidget *parent)
    : QDialog(parent)
    , m_doc(doc)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("pratinjau"));
    setWindowTitle(QStringLiteral("Pratinjau - %1").arg(doc.title));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    m_view = new ReportPageView(this);
    m_view->resize(m_view->sizeHint());
    m_scroll = new QScrollArea(this);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setAlignment(Qt::AlignHCenter);
    m_scroll->setWidget(m_view);

    // Zoom and pages on one bar, printing, saving and "Tutup" on another: side by side where the
    // display has room for both, one above the other where it has not, never a button folded
    // away behind the bar's overflow arrow.
    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("halaman"));
    auto *files = new QToolBar(this);
    files->setObjectName(QStringLiteral("berkas"));
    auto add = [&](QToolBar *to, const QString &text, const QKeySequence &key, auto slot) {
        QAction *a = to->addAction(text);
        a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(bar, QStringLiteral("Perbesar"), QKeySequence::ZoomIn, [this] { setZoom(m_zoom * 1.25); });
    add(bar, QStringLiteral("Perkecil"), QKeySequence::ZoomOut, [this] { setZoom(m_zoom / 1.25); });
    add(bar, QStringLiteral("Selebar Halaman"), QKeySequence(), [this] { fitToWidth(); });
    add(bar, QStringLiteral("Satu Halaman"), QKeySequence(), [this] { fitInView(); });
    bar->addSeparator();
    add(bar, QStringLiteral("|<"), QKeySequence(Qt::CTRL | Qt::Key_Home),
        [this] { setCurrentPage(1); });
    add(bar, QStringLiteral("<"), QKeySequence(Qt::Key_PageUp),
        [this] { setCurrentPage(currentPage() - 1); });
    m_page = new QLabel(bar);
    bar->addWidget(m_page);
    add(bar, QStringLiteral(">"), QKeySequence(Qt::Key_PageDown),
        [this] { setCurrentPage(currentPage() + 1); });
    add(bar, QStringLiteral(">|"), QKeySequence(Qt::CTRL | Qt::Key_End),
        [this] { setCurrentPage(pageCount()); });
    add(files, QStringLiteral("&Cetak..."), QKeySequence::Print, [this] { printFromPreview(); });
    add(files, QStringLiteral("Simpan &PDF..."), QKeySequence::Save, [this] { saveAsPdf(); });
    add(files, QStringLiteral("Simpan E&xcel/CSV..."),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { saveAsSpreadsheet(); });
    add(files, QStringLiteral("&Tutup"), QKeySequence(Qt::Key_Escape), [this] { accept(); });
    updatePageLabel();

    const QScreen *display = screen() ? screen() : QGuiApplication::primaryScreen();
    const int room = display ? display->availableGeometry().width() - 16 : 1600;
    const int oneRow = bar->sizeHint().width() + files->sizeHint().width() + 16;
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (oneRow <= room) {
        auto *row = new QHBoxLayout;
        row->addWidget(bar);
        row->addStretch();
        row->addWidget(files);
        layout->addLayout(row);
    } else {
        layout->addWidget(bar);
        layout->addWidget(files);
    }
    layout->addWidget(m_scroll);
    resize(std::min(std::max(900, oneRow), room), 1000);
}

ReportPreview::~ReportPreview()
{
    m_doc.release(); // the pages are read from the data while the window is open
}

void ReportPreview::setCurrentPage(int page)
{
    m_current = std::clamp(page, 1, std::max(1, pageCount())) - 1;
    updatePageLabel();
    static_cast<ReportPageView *>(m_view)->showPage();
}

void ReportPreview::setZoom(double zoom)
{
    m_zoom = std::clamp(zoom, 0.2, 8.0);
    m_view->resize(m_view->sizeHint());
    m_view->update();
}

void ReportPreview::fitToWidth()
{
    setZoom((m_scroll->viewport()->width() - 2) / m_doc.widthPt);
}

void ReportPreview::fitInView()
{
    setZoom(std::min((m_scroll->viewport()->width() - 2) / m_doc.widthPt,
                     (m_scroll->viewport()->height() - 2) / m_doc.heightPt));
}

void ReportPreview::paintPreview(QPainter &painter, int page)
{
    if (m_laidOut != page) {
        m_shown = m_doc.page(page);
        m_laidOut = page;
    }
    renderPage(painter, m_shown);
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
    return m_doc.pageCount();
}

void ReportPreview::updatePageLabel()
{
    m_page->setText(QStringLiteral(" Halaman %1 dari %2 ").arg(currentPage()).arg(pageCount()));
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

void ReportPreview::saveAsSpreadsheet()
{
    const QString path = m_dialogs.saveFile(
        QStringLiteral("Simpan sebagai lembar kerja"),
        suggestedFileName(m_doc.title, QStringLiteral("xlsx")),
        { QStringLiteral("Excel (*.xlsx)"),
          QStringLiteral("CSV untuk lembar kerja berbahasa Indonesia (*.csv)") });
    if (path.isEmpty())
        return;
    guarded([&] { writeSpreadsheet(m_doc.table(), path); });
}

void ReportPreview::saveAsPdf()
{
    const QString path = m_dialogs.saveFile(QStringLiteral("Simpan PDF"),
                                            suggestedFileName(m_doc.title, QStringLiteral("pdf")),
                                            { QStringLiteral("PDF (*.pdf)") });
    if (path.isEmpty())
        return;
    guarded([&] {
        ReportProgressWindow progress(this);
        writeReportPdf(m_doc, path, 1, progress.pages());
    });
}

} // namespace gudang
