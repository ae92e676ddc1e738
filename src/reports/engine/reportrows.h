#pragma once

#include "core/apperror.h"
#include "core/reportcell.h"
#include "reportdefinition.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace gudang {

class ReportQuery;

// How far a definition's query may go before the report is stopped with a message naming
// the definition file.
struct ReportLimits
{
    int secondsWithoutRow = 10; // the query gives no further row for this long
    qint64 rows = 5'000'000;
};

// Called now and then while the data is read or pages are written; false stops the report
// ("Laporan dibatalkan.").
using ReportProgress = std::function<bool(qint64 rowsRead)>;

// The rows a definition's query gives, in the order the definition asks, read as they are
// needed and never all kept: a first pass over the query counts them within the limits,
// checks that totals and remarks meet numbers only and adds up the totals; then any stretch
// of rows is read from the sorted query. Only a single SELECT is run, through a read-only
// connection of the store's own.
class ReportRows
{
public:
    ReportRows(const ReportDefinition &def, const QString &workingPath,
               const QString &definitionPath, const ReportProgress &progress = {},
               const ReportLimits &limits = {}, const ReportParameters &parameters = {});
    ~ReportRows();
    ReportRows(const ReportRows &) = delete;
    ReportRows &operator=(const ReportRows &) = delete;

    const QStringList &fields() const { return m_fields; }
    // Names are compared without regard to case, as SQL compares unquoted names.
    int fieldIndex(const QString &field) const
    {
        return int(m_fields.indexOf(QRegularExpression(QRegularExpression::escape(field),
                                                       QRegularExpression::CaseInsensitiveOption)));
    }
    qint64 count() const { return m_count; }
    // The sum of each total field of the definition, in its order.
    const std::vector<double> &totals() const { return m_totals; }

    // Rows [first, first + count) in order, fewer at the end.
    std::vector<ReportRow> read(qint64 first, int count, const ReportProgress &progress = {});
    // Ends a read part way through the rows: the sorted query stops and lets go of the
    // database (an open read would keep the log from being checkpointed). The next read starts
    // the query again.
    void release();

private:
    // The fields the definition needs, those that must hold numbers, the totals.
    void setUpChecks(const ReportDefinition &def);
    // A failure of the query in the words of a report: naming the definition file.
    AppError said(const AppError &e, const ReportLimits &limits, bool sorting = false) const;
    AppError tooManyRows(const ReportLimits &limits) const;
    struct Numeric;
    AppError notANumber(const Numeric &n, const QString &text) const;

    QString m_file; // the definition, as named in messages
    ReportLimits m_limits;
    std::unique_ptr<ReportQuery> m_query;
    QStringList m_fields;
    qint64 m_count = 0;
    std::vector<double> m_totals;
    struct Numeric
    {
        int field;
        int line;
        QString what;
        int total; // index into the totals, or -1
    };
    std::vector<Numeric> m_numeric;
};

// The first rows of a definition's query as the query gives them, read at once and without the
// first pass: for a list to show while the report is counted and sorted.
struct QueryStart
{
    QStringList fields;
    std::vector<ReportRow> rows;
    bool complete = false; // the query gave no more rows
    bool ordered = false; // they stand in the definition's order
};
QueryStart readQueryStart(const ReportDefinition &def, const QString &workingPath,
                          const ReportParameters &parameters, int count);

// Whether the goods code is known to the working tables: registered, with a stock record, or
// with movements in the journal (goods deleted since).
bool goodsCodeKnown(const QString &workingPath, const QString &code);
// What a stock card of an unknown code says, on the screen and on the terminal.
QString unknownCodeText(const QString &code);

} // namespace gudang
