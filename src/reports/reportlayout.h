#pragma once

#include "reportdata.h"
#include "reportdefinition.h"

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QRectF>
#include <QString>
#include <functional>
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

struct ReportDocument
{
    QString title;
    double widthPt = 0;
    double heightPt = 0;
    std::vector<ReportPage> pages;

    // All texts of a page, in the order they were laid out (for checks and search).
    QStringList texts(int page) const;
};

// Space between a text and the edges of its box, in points.
constexpr double kReportTextPad = 2;

// The font of a report's texts; one pixel is one point on every device the renderer uses.
QFont reportFont(int size, bool bold);

ReportDocument layoutReport(const ReportDefinition &def, const ReportData &data,
                            const QDateTime &printedAt);

// Reads the definition and the data and lays the report out: what producing a report does.
ReportDocument buildReport(const QString &definitionPath, const QString &workingPath,
                           const QDateTime &printedAt, const ReportProgress &progress = {});

} // namespace gudang
