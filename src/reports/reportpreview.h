#pragma once

#include "reportlayout.h"
#include "reportrender.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPrintPreviewWidget;
class QPrinter;

namespace gudang {

class Dialogs;

// The preview window: zoom, page navigation, print and save as PDF. A failure in any of its
// steps is shown through `dialogs` (critical icon, application title) and stops that step;
// the window stays open.
class ReportPreview : public QDialog
{
    Q_OBJECT
public:
    ReportPreview(const ReportDocument &doc, Dialogs &dialogs, QWidget *parent = nullptr);

    QPrintPreviewWidget *view() const { return m_view; }
    int pageCount() const;
    // Renders the document on a printer (used by the preview itself and by printing).
    static void paint(const ReportDocument &doc, QPrinter *printer, int copies = 1,
                      const ReportPageProgress &progress = {});

protected:
    // Draws the pages for the preview.
    virtual void paintPreview(QPrinter *printer);

private:
    // Runs a step of the window; a failure is shown and stops it.
    void guarded(const std::function<void()> &step);
    void updatePageLabel();
    void printFromPreview();
    void saveAsPdf();

    const ReportDocument &m_doc;
    Dialogs &m_dialogs;
    QPrintPreviewWidget *m_view;
    QLabel *m_page;
};

} // namespace gudang
