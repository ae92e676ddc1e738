#include "core/apperror.h"
#include "sqlitestore.h"
#include "store/reportquery.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <limits>
#include <sqlite3.h>

namespace gudang {

namespace {

// Watches a running query: SQLite asks it every few thousand steps whether to go on.
struct QueryWatch
{
    const QueryProgress *progress = nullptr;
    qint64 rows = 0;
    QElapsedTimer sinceRow;
    QElapsedTimer sinceProgress;
    qint64 limitMs = 0;
    bool timedOut = false;
    bool cancelled = false;

    bool goOn()
    {
        if (sinceRow.elapsed() > limitMs) {
            timedOut = true;
            return false;
        }
        if (*progress && sinceProgress.elapsed() >= 50) {
            sinceProgress.restart();
            if (!(*progress)(rows)) {
                cancelled = true;
                return false;
            }
        }
        return true;
    }

    void start(sqlite3 *db)
    {
        sinceRow.start();
        sinceProgress.start();
        sqlite3_progress_handler(
            db, 10000, [](void *w) { return static_cast<QueryWatch *>(w)->goOn() ? 0 : 1; }, this);
    }
};

ReportCell cellOf(sqlite3_stmt *st, int c)
{
    ReportCell cell;
    const int type = sqlite3_column_type(st, c);
    if (type == SQLITE_NULL)
        return cell;
    cell.null = false;
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        cell.isNumber = true;
        cell.number = sqlite3_column_double(st, c);
    }
    cell.text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                  sqlite3_column_bytes(st, c));
    return cell;
}

// A field name as an SQL identifier in double quotes (quotes inside doubled).
QByteArray quotedIdentifier(const QString &field)
{
    QString f = field;
    return (QLatin1Char('"') + f.replace(QLatin1Char('"'), QStringLiteral("\"\""))
            + QLatin1Char('"'))
        .toUtf8();
}

class SqliteReportQuery final : public ReportQuery
{
public:
    SqliteReportQuery(const QString &path, const QString &sql, const QueryParameters &parameters,
                      int secondsWithoutRow, const QueryProgress &progress)
        : m_parameters(parameters)
        , m_progress(progress)
        , m_limitMs(qint64(secondsWithoutRow) * 1000)
    {
        if (!QFile::exists(path))
            throw AppError(QStringLiteral("Database %1 tidak dapat dibuka: file tidak ditemukan.")
                               .arg(QDir::toNativeSeparators(path)),
                           AppError::Kind::CannotOpen);
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READONLY,
                            nullptr)
            != SQLITE_OK) {
            const QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_close(m_db);
            m_db = nullptr;
            throw AppError(QStringLiteral("Database %1 tidak dapat dibuka: %2.")
                               .arg(QDir::toNativeSeparators(path), why),
                           AppError::Kind::CannotOpen);
        }
        sqlite3_busy_timeout(m_db, 2000);
        const QByteArray text = sql.toUtf8();
        const char *tail = nullptr;
        if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_first, &tail)
            != SQLITE_OK)
            failed();
        if (!m_first || QByteArray(tail).trimmed().replace(';', "").size() != 0
            || !sqlite3_stmt_readonly(m_first))
            throw AppError(QString(), AppError::Kind::Refused);
        bindParameters(m_first);
        m_query = QByteArray(text.constData(), tail - text.constData()).trimmed();
        while (m_query.endsWith(';'))
            m_query = m_query.chopped(1).trimmed();
        for (int c = 0; c < sqlite3_column_count(m_first); ++c)
            m_fields << QString::fromUtf8(sqlite3_column_name(m_first, c));
        m_watch.progress = &m_progress;
        m_watch.limitMs = m_limitMs;
    }

    ~SqliteReportQuery() override
    {
        sqlite3_finalize(m_first);
        sqlite3_finalize(m_sorted);
        sqlite3_close(m_db);
    }

    QStringList fields() const override { return m_fields; }

    bool next() override
    {
        if (!m_firstStarted) {
            m_firstStarted = true;
            m_watch.start(m_db);
        }
        const int rc = sqlite3_step(m_first);
        if (rc == SQLITE_ROW) {
            ++m_watch.rows;
            m_watch.sinceRow.restart();
            return true;
        }
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
        if (m_watch.cancelled)
            throw AppError(QString(), AppError::Kind::Cancelled);
        if (m_watch.timedOut)
            throw AppError(QString(), AppError::Kind::Timeout);
        if (rc != SQLITE_DONE)
            failed();
        sqlite3_reset(m_first);
        return false;
    }

    ReportCell cell(int column) const override { return cellOf(m_first, column); }
    bool isNumber(int column) const override
    {
        const int type = sqlite3_column_type(m_first, column);
        return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
    }
    bool isNull(int column) const override
    {
        return sqlite3_column_type(m_first, column) == SQLITE_NULL;
    }
    double number(int column) const override { return sqlite3_column_double(m_first, column); }

    // The rows in order: sorted by the fields, rows that tie in the order the query gives
    // them (their number in that order decides). Rows without a value come first.
    void setOrder(const QStringList &fields) override
    {
        QByteArray sorted;
        if (fields.isEmpty()) {
            sorted = "SELECT * FROM (" + m_query + ") LIMIT -1 OFFSET :gudang_mulai";
        } else {
            QByteArrayList keys;
            for (const QString &f : fields)
                keys << quotedIdentifier(f);
            sorted = "SELECT * FROM (SELECT *, row_number() OVER () AS gudang_urut FROM (" + m_query
                + ")) ORDER BY " + keys.join(", ") + ", gudang_urut LIMIT -1 OFFSET :gudang_mulai";
        }
        sqlite3_finalize(m_sorted);
        m_sorted = nullptr;
        if (sqlite3_prepare_v2(m_db, sorted.constData(), int(sorted.size()), &m_sorted, nullptr)
            != SQLITE_OK)
            throw AppError(QString(), AppError::Kind::General, QByteArrayLiteral("urut"),
                           QString::fromUtf8(sqlite3_errmsg(m_db)));
        m_next = -1;
    }

    std::vector<ReportRow> read(qint64 first, int count, const QueryProgress &progress) override
    {
        std::vector<ReportRow> rows;
        if (m_next != first) {
            sqlite3_reset(m_sorted);
            bindParameters(m_sorted);
            sqlite3_bind_int64(m_sorted, sqlite3_bind_parameter_index(m_sorted, ":gudang_mulai"),
                               first);
            m_next = first;
        }
        // "Batal" reaches into a long sort; the query has already shown that it ends.
        QueryWatch watch;
        watch.progress = &progress;
        watch.limitMs = std::numeric_limits<qint64>::max();
        watch.rows = first;
        if (progress)
            watch.start(m_db);
        const int n = int(m_fields.size());
        rows.reserve(size_t(count));
        int rc = SQLITE_ROW;
        while (int(rows.size()) < count && (rc = sqlite3_step(m_sorted)) == SQLITE_ROW) {
            ReportRow row;
            row.reserve(size_t(n));
            for (int c = 0; c < n; ++c)
                row.push_back(cellOf(m_sorted, c));
            rows.push_back(std::move(row));
            ++m_next;
        }
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
        if (rc == SQLITE_ROW)
            return rows;
        m_next = -1; // ended: the next read starts again
        if (watch.cancelled)
            throw AppError(QString(), AppError::Kind::Cancelled);
        if (rc != SQLITE_DONE)
            failed();
        return rows;
    }

    void release() override
    {
        if (m_sorted)
            sqlite3_reset(m_sorted);
        m_next = -1;
    }

private:
    [[noreturn]] void failed() const
    {
        throw AppError(QString(), AppError::Kind::General, QByteArray(),
                       QString::fromUtf8(sqlite3_errmsg(m_db)));
    }

    void bindParameters(sqlite3_stmt *st) const
    {
        for (int i = 1; i <= sqlite3_bind_parameter_count(st); ++i) {
            const char *name = sqlite3_bind_parameter_name(st, i);
            if (!name || qstrcmp(name, ":gudang_mulai") == 0)
                continue;
            const auto it = m_parameters.find(QString::fromUtf8(name + 1));
            if (it == m_parameters.end())
                throw AppError(QString(), AppError::Kind::Missing, QByteArray(),
                               QString::fromUtf8(name + 1));
            const QByteArray value = it->second.toUtf8();
            sqlite3_bind_text(st, i, value.constData(), int(value.size()), SQLITE_TRANSIENT);
        }
    }

    QueryParameters m_parameters;
    QueryProgress m_progress;
    qint64 m_limitMs;
    QueryWatch m_watch;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_first = nullptr;
    sqlite3_stmt *m_sorted = nullptr;
    bool m_firstStarted = false;
    QByteArray m_query;
    QStringList m_fields;
    qint64 m_next = -1; // the row the sorted query gives next; -1: not started
};

} // namespace

std::unique_ptr<ReportQuery> openSqliteReportQuery(const QString &path, const QString &sql,
                                                   const QueryParameters &parameters,
                                                   int secondsWithoutRow,
                                                   const QueryProgress &progress)
{
    return std::make_unique<SqliteReportQuery>(path, sql, parameters, secondsWithoutRow, progress);
}

} // namespace gudang
