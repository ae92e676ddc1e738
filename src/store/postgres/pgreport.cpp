#include "core/apperror.h"
#include "libpq.h"
#include "pgdatabase.h"
#include "store/reportquery.h"

#include <QElapsedTimer>
#include <cstdlib>
#include <map>

namespace gudang {

namespace {

// A field name as an SQL identifier in double quotes (quotes inside doubled).
QByteArray quotedIdentifier(const QString &field)
{
    QString f = field;
    return (QLatin1Char('"') + f.replace(QLatin1Char('"'), QStringLiteral("\"\""))
            + QLatin1Char('"'))
        .toUtf8();
}

struct ResultHolder
{
    explicit ResultHolder(PGresult *r)
        : m_r(r)
    { }
    ~ResultHolder() { pq().PQclear(m_r); }
    ResultHolder(const ResultHolder &) = delete;
    ResultHolder &operator=(const ResultHolder &) = delete;
    PGresult *get() const { return m_r; }
    PGresult *m_r;
};

// A report's data on a server: one read-only transaction with a repeatable snapshot, so that
// the first pass and the pages read the same rows; rows come through cursors, a stretch at a
// time, never all at once.
class ServerReportQuery final : public ReportQuery
{
public:
    ServerReportQuery(const QString &conninfo, const QString &sql,
                      const QueryParameters &parameters, int secondsWithoutRow,
                      const QueryProgress &progress)
        : m_parameters(parameters)
        , m_timeoutMs(qint64(secondsWithoutRow) * 1000)
        , m_progress(progress)
        , m_connection(conninfo)
    {
        QByteArray inner = sql.toUtf8().trimmed();
        while (inner.endsWith(';'))
            inner = inner.chopped(1).trimmed();
        m_query = numbered(inner, &m_values);
        begin();
        declare("gudang_data", m_query, m_values);
        describe("gudang_data");
    }

    QStringList fields() const override { return m_fields; }

    bool next() override
    {
        if (m_batchAt + 1 < m_batchRows) {
            ++m_batchAt;
            return true;
        }
        if (m_firstDone)
            return false;
        m_batch = std::make_unique<ResultHolder>(
            pq().PQexec(m_connection.get(), "FETCH 1000 FROM gudang_data"));
        check(m_batch->get());
        m_batchRows = pq().PQntuples(m_batch->get());
        m_batchAt = 0;
        m_rows += m_batchRows;
        if (m_progress && m_sinceProgress.elapsed() >= 50) {
            m_sinceProgress.restart();
            if (!m_progress(m_rows))
                throw AppError(QString(), AppError::Kind::Cancelled);
        }
        if (m_batchRows < 1000) {
            m_firstDone = true;
            run("CLOSE gudang_data");
        }
        return m_batchRows > 0;
    }

    ReportCell cell(int column) const override
    {
        ReportCell c;
        PGresult *r = m_batch->get();
        if (pq().PQgetisnull(r, m_batchAt, column))
            return c;
        c.null = false;
        c.text = QString::fromUtf8(pq().PQgetvalue(r, m_batchAt, column),
                                   pq().PQgetlength(r, m_batchAt, column));
        if (m_numeric[size_t(column)]) {
            c.isNumber = true;
            c.number = std::strtod(pq().PQgetvalue(r, m_batchAt, column), nullptr);
        }
        return c;
    }
    bool isNumber(int column) const override
    {
        return !isNull(column) && m_numeric[size_t(column)];
    }
    bool isNull(int column) const override
    {
        return pq().PQgetisnull(m_batch->get(), m_batchAt, column);
    }
    double number(int column) const override
    {
        return std::strtod(pq().PQgetvalue(m_batch->get(), m_batchAt, column), nullptr);
    }

    // Sorted as on a database file: by the fields, rows without a value first, ties in the
    // order the query gives them.
    void setOrder(const QStringList &fields) override
    {
        if (fields.isEmpty()) {
            m_sortedSql = "SELECT * FROM (" + m_query + ") AS gudang_data";
        } else {
            QByteArrayList keys;
            for (const QString &f : fields)
                keys << quotedIdentifier(f) + " NULLS FIRST";
            m_sortedSql = "SELECT * FROM (SELECT *, row_number() OVER () AS gudang_urut FROM ("
                + m_query + ") AS gudang_data) AS gudang_baris ORDER BY " + keys.join(", ")
                + ", gudang_urut";
        }
        m_next = -1;
    }

    std::vector<ReportRow> read(qint64 first, int count, const QueryProgress &) override
    {
        std::vector<ReportRow> rows;
        if (m_next != first) {
            begin();
            if (m_sortedOpen)
                run("CLOSE gudang_urut");
            declare("gudang_urut", m_sortedSql + " OFFSET " + QByteArray::number(first), m_values);
            m_sortedOpen = true;
            m_next = first;
        }
        ResultHolder r(
            pq().PQexec(m_connection.get(),
                        ("FETCH " + QByteArray::number(count) + " FROM gudang_urut").constData()));
        check(r.get());
        const int n = pq().PQntuples(r.get());
        const int columns = int(m_fields.size());
        for (int i = 0; i < n; ++i) {
            ReportRow row(static_cast<size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                ReportCell &cell = row[size_t(c)];
                if (pq().PQgetisnull(r.get(), i, c))
                    continue;
                cell.null = false;
                cell.text = QString::fromUtf8(pq().PQgetvalue(r.get(), i, c),
                                              pq().PQgetlength(r.get(), i, c));
                if (m_numeric[size_t(c)]) {
                    cell.isNumber = true;
                    cell.number = std::strtod(pq().PQgetvalue(r.get(), i, c), nullptr);
                }
            }
            rows.push_back(std::move(row));
        }
        m_next += n;
        if (n < count) {
            run("CLOSE gudang_urut");
            m_sortedOpen = false;
            m_next = -1;
        }
        return rows;
    }

    void release() override
    {
        if (m_inTransaction)
            pq().PQclear(pq().PQexec(m_connection.get(), "COMMIT"));
        m_inTransaction = false;
        m_sortedOpen = false;
        m_next = -1;
    }

private:
    void begin()
    {
        if (m_inTransaction)
            return;
        ResultHolder r(m_connection.first("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
        check(r.get());
        m_inTransaction = true;
        run("SET LOCAL statement_timeout = " + QByteArray::number(m_timeoutMs));
        m_sinceProgress.start();
    }

    void declare(const QByteArray &cursor, const QByteArray &query, const PgParams &values)
    {
        // Through the extended protocol, which takes one statement only.
        std::vector<const char *> v;
        for (const auto &value : values)
            v.push_back(value ? value->constData() : nullptr);
        ResultHolder r(
            pq().PQexecParams(m_connection.get(),
                              ("DECLARE " + cursor + " NO SCROLL CURSOR FOR " + query).constData(),
                              int(v.size()), nullptr, v.data(), nullptr, nullptr, 0));
        if (pq().PQresultStatus(r.get()) != PGRES_COMMAND_OK
            && QByteArray(pq().PQresultErrorMessage(r.get())).contains("multiple commands"))
            throw AppError(QString(), AppError::Kind::Refused);
        check(r.get());
    }

    void describe(const QByteArray &cursor)
    {
        ResultHolder r(pq().PQdescribePortal(m_connection.get(), cursor.constData()));
        check(r.get());
        for (int c = 0; c < pq().PQnfields(r.get()); ++c) {
            m_fields << QString::fromUtf8(pq().PQfname(r.get(), c));
            const Oid type = pq().PQftype(r.get(), c);
            // int8, int2, int4, float4, float8, numeric
            m_numeric.push_back(type == 20 || type == 21 || type == 23 || type == 700 || type == 701
                                || type == 1700);
        }
    }

    void run(const QByteArray &sql)
    {
        ResultHolder r(pq().PQexec(m_connection.get(), sql.constData()));
        check(r.get());
    }

    void check(PGresult *r)
    {
        const ExecStatusType status = pq().PQresultStatus(r);
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            return;
        const char *state = r ? pq().PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
        if (state && qstrcmp(state, "57014") == 0) // query_canceled: the statement timeout
            throw AppError(QString(), AppError::Kind::Timeout, state);
        const char *primary = r ? pq().PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        throw AppError(
            QString(), AppError::Kind::General, state ? QByteArray(state) : QByteArray(),
            QString::fromUtf8(primary ? primary : pq().PQerrorMessage(m_connection.get()))
                .trimmed());
    }

    // A query's named parameters (":name", outside quotes, not a "::" cast) as the server
    // numbers them ($1, $2, ...), with their values in that order.
    QByteArray numbered(const QByteArray &sql, PgParams *values) const
    {
        QByteArray out;
        std::map<QByteArray, int> numbers;
        char quote = 0;
        for (qsizetype i = 0; i < sql.size(); ++i) {
            const char c = sql[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
                out += c;
                continue;
            }
            if (c == '\'' || c == '"') {
                quote = c;
                out += c;
                continue;
            }
            if (c == ':' && i + 1 < sql.size() && sql[i + 1] == ':') {
                out += "::";
                ++i;
                continue;
            }
            if (c == ':' && i + 1 < sql.size()
                && (std::isalpha(uchar(sql[i + 1])) || sql[i + 1] == '_')) {
                qsizetype j = i + 1;
                while (j < sql.size() && (std::isalnum(uchar(sql[j])) || sql[j] == '_'))
                    ++j;
                const QByteArray name = sql.mid(i + 1, j - i - 1);
                auto it = numbers.find(name);
                if (it == numbers.end()) {
                    const auto value = m_parameters.find(QString::fromUtf8(name));
                    if (value == m_parameters.end())
                        throw AppError(QString(), AppError::Kind::Missing, QByteArray(),
                                       QString::fromUtf8(name));
                    values->push_back(value->second.toUtf8());
                    it = numbers.emplace(name, int(values->size())).first;
                }
                out += '$' + QByteArray::number(it->second);
                i = j - 1;
                continue;
            }
            out += c;
        }
        return out;
    }

    const QueryParameters m_parameters;
    const qint64 m_timeoutMs;
    const QueryProgress m_progress;
    PgReadConnection m_connection; // its transaction is taken back when it is given back
    QByteArray m_query;
    PgParams m_values;
    QStringList m_fields;
    std::vector<bool> m_numeric; // by column
    bool m_inTransaction = false;
    bool m_sortedOpen = false;
    std::unique_ptr<ResultHolder> m_batch;
    int m_batchRows = 0;
    int m_batchAt = -1;
    bool m_firstDone = false;
    qint64 m_rows = 0;
    QElapsedTimer m_sinceProgress;
    QByteArray m_sortedSql;
    qint64 m_next = -1;
};

} // namespace

std::unique_ptr<ReportQuery> openServerReportQuery(const QString &conninfo, const QString &sql,
                                                   const QueryParameters &parameters,
                                                   int secondsWithoutRow,
                                                   const QueryProgress &progress)
{
    return std::make_unique<ServerReportQuery>(conninfo, sql, parameters, secondsWithoutRow,
                                               progress);
}

} // namespace gudang
