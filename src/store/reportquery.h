#pragma once

#include "core/reportcell.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace gudang {

// A report's query on a store: one read-only SELECT, read twice from one snapshot: a first
// pass row by row from the start, then any stretch of its rows in a given order. Failures
// throw AppError: Kind::Timeout (no row for the time allowed), Kind::Cancelled (the progress
// said stop), Kind::Refused (not a single SELECT), Kind::Missing (a parameter without a value;
// its name in the detail), otherwise the store's words in the detail.
class ReportQuery
{
public:
    virtual ~ReportQuery() = default;

    virtual QStringList fields() const = 0;

    // The first pass: the next row; false at the end.
    virtual bool next() = 0;
    virtual ReportCell cell(int column) const = 0;
    // Whether the cell of the row holds a number, or Null, without making the cell.
    virtual bool isNumber(int column) const = 0;
    virtual bool isNull(int column) const = 0;
    virtual double number(int column) const = 0;

    // The rows sorted by these fields (rows without a value first, ties in the query's order),
    // or in the query's order when none.
    virtual void setOrder(const QStringList &fields) = 0;
    // Rows [first, first + count) in that order, fewer at the end; reading on where the last
    // stretch ended is a step of the query, any other start sorts again. Failing to sort
    // throws Kind::General with "urut" as the sqlState.
    virtual std::vector<ReportRow> read(qint64 first, int count, const QueryProgress &progress) = 0;
    // Stops the sorted read and lets go of the snapshot; the next read starts again.
    virtual void release() = 0;
};

// Opens a report query on the store at `address` (a file, or a server), on a read-only
// connection of its own. A store that cannot be opened throws AppError with its description.
std::unique_ptr<ReportQuery> openReportQuery(const QString &address, const QString &sql,
                                             const QueryParameters &parameters,
                                             int secondsWithoutRow, const QueryProgress &progress);

} // namespace gudang
