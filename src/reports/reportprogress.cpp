#include "reportprogress.h"
#include "ui/dialogs.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace gudang {

ReportProgressWindow::ReportProgressWindow(QWidget *parent)
    : m_parent(parent)
{
    m_clock.start();
}

ReportProgressWindow::~ReportProgressWindow()
{
    delete m_window;
}

bool ReportProgressWindow::show(const QString &text)
{
    if (!m_window && m_clock.elapsed() >= 500) {
        m_window = new QProgressDialog(m_parent);
        m_window->setObjectName(QStringLiteral("kemajuan"));
        m_window->setWindowTitle(Dialogs::applicationTitle());
        m_window->setCancelButtonText(QStringLiteral("&Batal"));
        m_window->setRange(0, 0);
        m_window->setMinimumDuration(0);
        m_window->setWindowModality(Qt::ApplicationModal);
        m_window->show();
    }
    if (!m_window)
        return true;
    m_window->setLabelText(text);
    QCoreApplication::processEvents();
    return !m_window->wasCanceled();
}

ReportProgress ReportProgressWindow::rows()
{
    return [this](qint64 rows) {
        return show(QStringLiteral("Membaca data laporan... %1 baris").arg(rows));
    };
}

ReportPageProgress ReportProgressWindow::pages()
{
    return [this](int page, int pages) {
        return show(page < 0 ? QStringLiteral("Mengurutkan data laporan...")
                             : QStringLiteral("Halaman %1 dari %2...").arg(page + 1).arg(pages));
    };
}

} // namespace gudang
