#pragma once

#include "reportlayout.h"

#include <QDialog>

class QLabel;
class QPrintPreviewWidget;
class QPrinter;

namespace gudang {

// The preview window: zoom, page navigation, print and save as PDF.
class ReportPreview : public QDialog
{
    Q_OBJECT
public:
    explicit ReportPreview(const ReportDocument &doc, QWidget *parent = nullptr);

    QPrintPreviewWidget *view() const { return m_view; }
    int pageCount() const;
    // Renders the document on a printer (used by the preview itself and by printing).
    static void paint(const ReportDocument &doc, QPrinter *printer, int copies = 1);

private:
    void updatePageLabel();
    void printFromPreview();
    void saveAsPdf();

    const ReportDocument &m_doc;
    QPrintPreviewWidget *m_view;
    QLabel *m_page;
};

} // namespace gudang
