#pragma once

#include "reportdefinition.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

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

} // namespace gudang
