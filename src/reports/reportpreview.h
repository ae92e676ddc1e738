#pragma once

#include "reports/engine/reportlayout.h"
#include "reports/engine/reportrender.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPainter;
class QPrinter;
class QScrollArea;

namespace gudang {

class Dialogs;

// The preview window: one page at a time (laid out when it is shown, so a report of any length
// takes the memory of a page), zoom, page navigation, print and save as PDF. A failure in any
// of its steps is shown through `dialogs` (critical icon, application title) and stops that
// step; the window stays open.
class ReportPreview : public QDialog
{
    Q_OBJECT
public:
    ReportPreview(const ReportDocument &doc, Dialogs &dialogs, QWidget *parent = nullptr);
    ~ReportPreview() override;

    // The widget the page is drawn on.
    QWidget *view() const { return m_view; }
    int pageCount() const;
    int currentPage() const { return m_current + 1; } // from 1
    void setCurrentPage(int page); // from 1; kept within the pages
    // Points to pixels on the screen.
    double zoom() const { return m_zoom; }
    void setZoom(double zoom);
    void fitToWidth();
    void fitInView();

    // Renders the document on a printer (used by the preview itself and by printing).
    static void paint(const ReportDocument &doc, QPrinter *printer, int copies = 1,
                      const ReportPageProgress &progress = {});

protected:
    // Draws page `page` (from 0) for the preview; the painter's unit is one point.
    virtual void paintPreview(QPainter &painter, int page);

private:
    friend class ReportPageView;
    // Runs a step of the window; a failure is shown and stops it.
    void guarded(const std::function<void()> &step);
    void updatePageLabel();
    void printFromPreview();
    void saveAsPdf();
    void saveAsSpreadsheet();

    const ReportDocument &m_doc;
    Dialogs &m_dialogs;
    QScrollArea *m_scroll;
    QWidget *m_view;
    QLabel *m_page;
    int m_current = 0;
    double m_zoom = 1.25;
    int m_laidOut = -1; // the page kept in m_shown
    ReportPage m_shown;
};

} // namespace gudang
