#pragma once

#include "reports/engine/reportrender.h"

#include <QElapsedTimer>
#include <QPointer>

class QProgressDialog;
class QWidget;

namespace gudang {

// How far a long report is: after half a second a window shows the rows read or the page
// being written, with "Batal", which stops the report ("Laporan dibatalkan.").
class ReportProgressWindow
{
public:
    explicit ReportProgressWindow(QWidget *parent);
    ~ReportProgressWindow();
    ReportProgressWindow(const ReportProgressWindow &) = delete;
    ReportProgressWindow &operator=(const ReportProgressWindow &) = delete;

    ReportProgress rows();
    ReportPageProgress pages();

private:
    // Shows `text` once half a second has passed; false once "Batal" was pressed.
    bool show(const QString &text);

    QPointer<QWidget> m_parent;
    QElapsedTimer m_clock;
    QProgressDialog *m_window = nullptr;
};

} // namespace gudang
