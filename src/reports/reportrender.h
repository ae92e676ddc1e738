#pragma once

#include "reportlayout.h"

class QPainter;

namespace gudang {

// Draws a page on any device; the painter's unit must be one point.
void renderPage(QPainter &painter, const ReportPage &page);
// Writes every page, `copies` times over, as a PDF file.
void writeReportPdf(const ReportDocument &doc, const QString &path, int copies = 1);

} // namespace gudang
