#pragma once

#include "reportlayout.h"

#include <functional>

class QPainter;

namespace gudang {

// Draws a page on any device; the painter's unit must be one point.
void renderPage(QPainter &painter, const ReportPage &page);
// Told before each page is laid out (and, with page -1, during a long sort of the data):
// false stops the report ("Laporan dibatalkan.").
using ReportPageProgress = std::function<bool(int page, int pages)>;

// Draws every page, `copies` times over, on a painter whose unit is one point; `newPage`
// starts the next sheet. Each page is laid out, drawn and let go before the next.
void paintReport(const ReportDocument &doc, QPainter &painter, const std::function<void()> &newPage,
                 int copies = 1, const ReportPageProgress &progress = {});
// Writes every page, `copies` times over, as a PDF file: all of it, or nothing (an existing
// file stays as it was when the report stops).
void writeReportPdf(const ReportDocument &doc, const QString &path, int copies = 1,
                    const ReportPageProgress &progress = {});

} // namespace gudang
