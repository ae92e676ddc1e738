#pragma once

#include "export/export.h"
#include "reportdefinition.h"
#include "reportrows.h"

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QPainter;

namespace gudang {

// A laid-out page: positioned texts, lines and boxes, in points (1/72 inch) from the top-left
// corner of an A4 portrait sheet.
struct ReportItem
{
    enum class Kind { Text, Line, Box };
    Kind kind = Kind::Text;
    QRectF rect; // a line runs from topLeft to bottomRight
    QString text;
    int size = 9; // text size in points
    bool bold = false;
    int align = 0; // Qt::Alignment
    QColor fill; // boxes
};

struct ReportPage
{
    std::vector<ReportItem> items;
};

class ReportPager;

// A report: its pages are laid out when they are asked for, from the rows of that page alone,
// so that a report of any length takes the memory of a page.
struct ReportDocument
{
    QString title;
    double widthPt = 0;
    double heightPt = 0;
    std::shared_ptr<ReportPager> pager;

    int pageCount() const;
    // Lays out a page (zero-based). Reading pages in order reads the data once.
    ReportPage page(int index, const ReportProgress &progress = {}) const;
    // All texts of a page, in the order they were laid out (for checks and search).
    QStringList texts(int page) const;
    // Done with the pages for now: the data is let go until a page is asked for again.
    void release() const;
    // The report's rows as a table to save as a spreadsheet: its columns and headings, numbers
    // as numbers and dates as dates.
    ExportTable table() const;
};

// Space between a text and the edges of its box, in points.
constexpr double kReportTextPad = 2;

// The font of a report's texts; one pixel is one point on every device the renderer uses.
QFont reportFont(int size, bool bold);

// Lays the report out over its rows.
ReportDocument layoutReport(const ReportDefinition &def, std::shared_ptr<ReportRows> rows,
                            const QDateTime &printedAt);

// Reads the definition, makes the first pass over the data and returns the report, whose
// pages are laid out as they are asked for: what producing a report does.
// A title's "{name}" takes the parameter's value (a date as dd/MM/yyyy).
// A report's rows as a table to save as a spreadsheet: every column the printed report shows,
// its remark column too.
ExportTable reportTable(const ReportDefinition &def, std::shared_ptr<ReportRows> rows,
                        const QString &title);
// The definition's title with the values of its parameters ({kode}; {dari}, {akhir} as dates).
QString reportTitle(const ReportDefinition &def, const ReportParameters &parameters);

ReportDocument buildReport(const QString &definitionPath, const QString &workingPath,
                           const QDateTime &printedAt, const ReportProgress &progress = {},
                           const ReportParameters &parameters = {});

} // namespace gudang
