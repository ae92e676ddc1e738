#pragma once

#include "reportdefinition.h"

#include <QColor>
#include <QDateTime>
#include <QRectF>
#include <QString>
#include <functional>
#include <vector>

class QPainter;

namespace gudang {

// The rows a definition's query gives, sorted as the definition says.
struct ReportData
{
    struct Cell
    {
        QString text;
        double number = 0;
        bool isNumber = false;
        bool null = true;
    };
    QStringList fields;
    std::vector<std::vector<Cell>> rows;

    int fieldIndex(const QString &field) const { return int(fields.indexOf(field)); }
};

// How far a definition's query may go before the report is stopped with a message naming
// the definition file.
struct ReportLimits
{
    int secondsWithoutRow = 10; // the query gives no further row for this long
    qint64 rows = 5'000'000;
    qint64 bytes = qint64(1) << 30; // what the rows read take in memory, roughly
};

// Called now and then while the data is read; false stops the report ("Laporan dibatalkan.").
using ReportProgress = std::function<bool(qint64 rowsRead)>;

// Reads the data of a definition from the working database, through a read-only connection;
// only a single SELECT is run, within the limits.
ReportData readReportData(const ReportDefinition &def, const QString &workingPath,
                          const QString &definitionPath, const ReportProgress &progress = {},
                          const ReportLimits &limits = {});

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

ReportDocument layoutReport(const ReportDefinition &def, const ReportData &data,
                            const QDateTime &printedAt);

// Draws a page on any device; the painter's unit must be one point.
void renderPage(QPainter &painter, const ReportPage &page);
// Writes every page, `copies` times over, as a PDF file.
void writeReportPdf(const ReportDocument &doc, const QString &path, int copies = 1);

// Reads the definition and the data and lays the report out: what producing a report does.
ReportDocument buildReport(const QString &definitionPath, const QString &workingPath,
                           const QDateTime &printedAt, const ReportProgress &progress = {});

} // namespace gudang
