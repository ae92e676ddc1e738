#include "reportdata.h"
#include "data/apperror.h"
#include "data/pgdatabase.h"
#include "data/store.h"
#include "data/value.h"

#include "data/libpq.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>
#include <sqlite3.h>

namespace gudang {

namespace {

// Watches a running query: SQLite asks it every few thousand steps whether to go on.
struct QueryWatch
{
    const ReportProgress *progress = nullptr;
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
};

} // namespace

namespace {

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

QByteArray quoted(const QString &field)
{
    QString f = field;
    return (QLatin1Char('"') + f.replace(QLatin1Char('"'), QStringLiteral("\"\""))
            + QLatin1Char('"'))
        .toUtf8();
}

} // namespace

QByteArray ReportRows::parameter(const QString &name) const
{
    const auto it = m_parameters.find(name);
    if (it == m_parameters.end())
        throw AppError(QStringLiteral("File laporan %1: nilai :%2 untuk datanya tidak diberikan.")
                           .arg(m_file, name));
    return it->second.toUtf8();
}

void ReportRows::bindParameters(sqlite3_stmt *st) const
{
    for (int i = 1; i <= sqlite3_bind_parameter_count(st); ++i) {
        const char *name = sqlite3_bind_parameter_name(st, i);
        if (!name || qstrcmp(name, ":gudang_mulai") == 0)
            continue;
        const QByteArray value = parameter(QString::fromUtf8(name + 1));
        sqlite3_bind_text(st, i, value.constData(), int(value.size()), SQLITE_TRANSIENT);
    }
}

// A query's named parameters (":name", outside quotes, not a "::" cast) as the server numbers
// them ($1, $2, ...), with their values in that order.
QByteArray ReportRows::numbered(const QByteArray &sql,
                                std::vector<std::optional<QByteArray>> *values) const
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
                values->push_back(parameter(QString::fromUtf8(name)));
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

AppError ReportRows::tooManyRows(const ReportLimits &limits) const
{
    return AppError(QStringLiteral("File laporan %1: data lebih dari %2 baris; laporan "
                                   "dihentikan. Batasi data di file itu.")
                        .arg(m_file, formatNumber(double(limits.rows), 0, true)));
}

// A total or a remark's comparison over a text would count nothing.
AppError ReportRows::notANumber(const Numeric &n, const QString &text) const
{
    return AppError(
        QStringLiteral("File laporan %1, baris %2: %3 perlu field angka, tetapi %4 berisi \"%5\".")
            .arg(m_file)
            .arg(n.line)
            .arg(n.what, m_fields[n.field], shortQuote(text)));
}

// A report's data on a server: one read-only transaction with a repeatable snapshot, so that
// the first pass and the pages read the same rows; rows come through cursors, a stretch at a
// time, never all at once.
class ReportRows::ServerQuery
{
public:
    ServerQuery(const QString &conninfo, const QString &file, int secondsWithoutRow)
        : m_file(file)
        , m_timeoutMs(qint64(secondsWithoutRow) * 1000)
        , m_conn(PgDatabase::connect(conninfo))
    { }
    ~ServerQuery() { pq().PQfinish(m_conn); }
    ServerQuery(const ServerQuery &) = delete;
    ServerQuery &operator=(const ServerQuery &) = delete;

    void begin()
    {
        if (m_inTransaction)
            return;
        run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        m_inTransaction = true;
        run("SET LOCAL statement_timeout = " + QByteArray::number(m_timeoutMs));
    }
    void end()
    {
        if (m_inTransaction)
            pq().PQclear(pq().PQexec(m_conn, "COMMIT"));
        m_inTransaction = false;
        m_sortedOpen = false;
    }

    void declare(const QByteArray &cursor, const QByteArray &query, const PgParams &values = {})
    {
        // Through the extended protocol, which takes one statement only.
        std::vector<const char *> v;
        for (const auto &value : values)
            v.push_back(value ? value->constData() : nullptr);
        PgResultHolder r(pq().PQexecParams(
            m_conn, ("DECLARE " + cursor + " NO SCROLL CURSOR FOR " + query).constData(),
            int(v.size()), nullptr, v.data(), nullptr, nullptr, 0));
        if (pq().PQresultStatus(r.get()) != PGRES_COMMAND_OK
            && QByteArray(pq().PQresultErrorMessage(r.get())).contains("multiple commands"))
            throw AppError(
                QStringLiteral("File laporan %1: data harus berupa satu perintah SELECT.")
                    .arg(m_file));
        check(r.get());
    }
    void close(const QByteArray &cursor) { run("CLOSE " + cursor); }
    // The sorted query from its row `first` on.
    void openSorted(const QByteArray &query, const PgParams &values, qint64 first)
    {
        begin();
        if (m_sortedOpen)
            close("gudang_urut");
        declare("gudang_urut", query + " OFFSET " + QByteArray::number(first), values);
        m_sortedOpen = true;
    }
    void closeSorted()
    {
        if (m_sortedOpen)
            close("gudang_urut");
        m_sortedOpen = false;
    }

    QStringList fieldsOf(const QByteArray &cursor)
    {
        PgResultHolder r(pq().PQdescribePortal(m_conn, cursor.constData()));
        check(r.get());
        QStringList fields;
        m_numeric.clear();
        for (int c = 0; c < pq().PQnfields(r.get()); ++c) {
            fields << QString::fromUtf8(pq().PQfname(r.get(), c));
            const Oid type = pq().PQftype(r.get(), c);
            // int8, int2, int4, float4, float8, numeric
            m_numeric.push_back(type == 20 || type == 21 || type == 23 || type == 700 || type == 701
                                || type == 1700);
        }
        return fields;
    }

    // Up to `count` rows of the cursor, each with its first `columns` values; false once the
    // cursor has given all.
    bool fetch(const QByteArray &cursor, int count, int columns, std::vector<ReportRow> &out)
    {
        PgResultHolder r(pq().PQexec(
            m_conn, ("FETCH " + QByteArray::number(count) + " FROM " + cursor).constData()));
        check(r.get());
        const int n = pq().PQntuples(r.get());
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
            out.push_back(std::move(row));
        }
        return n == count;
    }

private:
    struct PgResultHolder
    {
        explicit PgResultHolder(PGresult *r)
            : m_r(r)
        { }
        ~PgResultHolder() { pq().PQclear(m_r); }
        PGresult *get() const { return m_r; }
        PGresult *m_r;
    };

    void run(const QByteArray &sql)
    {
        PgResultHolder r(pq().PQexec(m_conn, sql.constData()));
        check(r.get());
    }

    void check(PGresult *r)
    {
        const ExecStatusType status = pq().PQresultStatus(r);
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            return;
        const char *state = r ? pq().PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
        if (state && qstrcmp(state, "57014") == 0) // query_canceled: the statement timeout
            throw AppError(QStringLiteral("File laporan %1: data tidak selesai dibaca dalam %2 "
                                          "detik; laporan dihentikan. Periksa perintah data di "
                                          "file itu.")
                               .arg(m_file)
                               .arg(m_timeoutMs / 1000));
        const char *primary = r ? pq().PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        throw AppError(
            QStringLiteral("File laporan %1: data tidak dapat dibaca: %2.")
                .arg(m_file,
                     QString::fromUtf8(primary ? primary : pq().PQerrorMessage(m_conn)).trimmed()));
    }

    const QString m_file;
    const qint64 m_timeoutMs;
    PGconn *m_conn;
    bool m_inTransaction = false;
    bool m_sortedOpen = false;
    std::vector<bool> m_numeric; // by column
};

void ReportRows::openOnServer(const ReportDefinition &def, const QString &conninfo,
                              const ReportProgress &progress, const ReportLimits &limits)
{
    m_server = std::make_unique<ServerQuery>(conninfo, m_file, limits.secondsWithoutRow);
    QByteArray inner = def.query.toUtf8().trimmed();
    while (inner.endsWith(';'))
        inner = inner.chopped(1).trimmed();
    m_server->begin();
    PgParams values;
    inner = numbered(inner, &values);
    m_server->declare("gudang_data", inner, values);
    m_sortedValues = values;
    m_fields = m_server->fieldsOf("gudang_data");
    setUpChecks(def);
    // The first pass: rows counted within the limits, numbers checked and added up.
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    std::vector<ReportRow> batch;
    qint64 rows = 0;
    for (bool more = true; more;) {
        batch.clear();
        more = m_server->fetch("gudang_data", 1000, int(m_fields.size()), batch);
        for (const ReportRow &row : batch) {
            if (++rows > limits.rows)
                throw tooManyRows(limits);
            for (const Numeric &n : m_numeric) {
                const ReportCell &cell = row[size_t(n.field)];
                if (cell.isNumber) {
                    if (n.total >= 0)
                        m_totals[size_t(n.total)] += cell.number;
                } else if (!cell.null) {
                    throw notANumber(n, cell.text);
                }
            }
        }
        if (progress && sinceProgress.elapsed() >= 50) {
            sinceProgress.restart();
            if (!progress(rows))
                throw AppError(QStringLiteral("Laporan dibatalkan."));
        }
    }
    m_server->close("gudang_data");
    m_count = rows;
    // Sorted as on a database file: by the definition's fields, rows without a value first,
    // ties in the order the query gives them.
    if (def.sortBy.isEmpty()) {
        m_sortedSql = "SELECT * FROM (" + inner + ") AS gudang_data";
    } else {
        QByteArrayList keys;
        for (const QString &f : def.sortBy)
            keys << quoted(m_fields[fieldIndex(f)]) + " NULLS FIRST";
        m_sortedSql = "SELECT * FROM (SELECT *, row_number() OVER () AS gudang_urut FROM (" + inner
            + ") AS gudang_data) AS gudang_baris ORDER BY " + keys.join(", ") + ", gudang_urut";
    }
}

void ReportRows::setUpChecks(const ReportDefinition &def)
{
    auto need = [&](const QString &field) {
        if (fieldIndex(field) < 0)
            throw AppError(QStringLiteral("File laporan %1: field %2 tidak ada pada data.")
                               .arg(m_file, field));
        return fieldIndex(field);
    };
    for (const ReportColumn &c : def.columns)
        need(c.field);
    for (const QString &f : def.sortBy)
        need(f);
    // Fields that must hold numbers: each total, and both sides of a remark's comparison.
    for (qsizetype t = 0; t < def.totals.size(); ++t)
        m_numeric.push_back(
            { need(def.totals[t]), def.totalLines.value(t), QStringLiteral("total"), int(t) });
    if (def.mark) {
        m_numeric.push_back({ need(def.mark->left), def.mark->line, QStringLiteral("tanda"), -1 });
        m_numeric.push_back({ need(def.mark->right), def.mark->line, QStringLiteral("tanda"), -1 });
    }
    m_totals.assign(size_t(def.totals.size()), 0.0);
}

ReportRows::ReportRows(const ReportDefinition &def, const QString &workingPath,
                       const QString &definitionPath, const ReportProgress &progress,
                       const ReportLimits &limits, const ReportParameters &parameters)
    : m_file(QDir::toNativeSeparators(definitionPath))
    , m_parameters(parameters)
{
    const QString &file = m_file;
    if (isServerAddress(workingPath)) {
        openOnServer(def, serverConninfo(workingPath), progress, limits);
        return;
    }
    if (!QFile::exists(workingPath)) {
        throw AppError(QStringLiteral("Database %1 tidak dapat dibuka: file tidak ditemukan.")
                           .arg(QDir::toNativeSeparators(workingPath)));
    }
    if (sqlite3_open_v2(QFile::encodeName(workingPath).constData(), &m_db, SQLITE_OPEN_READONLY,
                        nullptr)
        != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close(m_db);
        m_db = nullptr;
        throw AppError(QStringLiteral("Database %1 tidak dapat dibuka: %2.")
                           .arg(QDir::toNativeSeparators(workingPath), why));
    }
    // From here on the destructor does not run if the constructor throws: close on the way out.
    struct Closer
    {
        ReportRows *self;
        bool armed = true;
        ~Closer()
        {
            if (armed) {
                sqlite3_finalize(self->m_sorted);
                sqlite3_close(self->m_db);
            }
        }
    } closer { this };
    sqlite3_busy_timeout(m_db, 2000);
    const QByteArray sql = def.query.toUtf8();
    sqlite3_stmt *st = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &st, &tail) != SQLITE_OK) {
        throw AppError(QStringLiteral("File laporan %1: data tidak dapat dibaca: %2.")
                           .arg(file, QString::fromUtf8(sqlite3_errmsg(m_db))));
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> stmt(st, sqlite3_finalize);
    if (!st || QByteArray(tail).trimmed().replace(';', "").size() != 0
        || !sqlite3_stmt_readonly(st))
        throw AppError(
            QStringLiteral("File laporan %1: data harus berupa satu perintah SELECT.").arg(file));
    bindParameters(st);
    const QByteArray query = QByteArray(sql.constData(), tail - sql.constData()).trimmed();

    for (int c = 0; c < sqlite3_column_count(st); ++c)
        m_fields << QString::fromUtf8(sqlite3_column_name(st, c));
    setUpChecks(def);

    // The first pass: rows counted within the limits, numbers checked and added up.
    QueryWatch watch;
    watch.progress = &progress;
    watch.limitMs = qint64(limits.secondsWithoutRow) * 1000;
    watch.sinceRow.start();
    watch.sinceProgress.start();
    sqlite3_progress_handler(
        m_db, 10000, [](void *w) { return static_cast<QueryWatch *>(w)->goOn() ? 0 : 1; }, &watch);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        watch.sinceRow.restart();
        if (++watch.rows > limits.rows)
            throw tooManyRows(limits);
        for (const Numeric &n : m_numeric) {
            const int type = sqlite3_column_type(st, n.field);
            if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
                if (n.total >= 0)
                    m_totals[size_t(n.total)] += sqlite3_column_double(st, n.field);
            } else if (type != SQLITE_NULL) {
                throw notANumber(n, cellOf(st, n.field).text);
            }
        }
        if (progress && watch.rows % 1024 == 0 && watch.sinceProgress.elapsed() >= 50) {
            watch.sinceProgress.restart();
            if (!progress(watch.rows))
                throw AppError(QStringLiteral("Laporan dibatalkan."));
        }
    }
    sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
    if (watch.cancelled)
        throw AppError(QStringLiteral("Laporan dibatalkan."));
    if (watch.timedOut)
        throw AppError(QStringLiteral("File laporan %1: data tidak selesai dibaca dalam %2 detik; "
                                      "laporan dihentikan. Periksa perintah data di file itu.")
                           .arg(file)
                           .arg(limits.secondsWithoutRow));
    if (rc != SQLITE_DONE) {
        throw AppError(QStringLiteral("File laporan %1: data tidak dapat dibaca: %2.")
                           .arg(file, QString::fromUtf8(sqlite3_errmsg(m_db))));
    }
    m_count = watch.rows;

    // The rows in order: sorted by the definition's fields, rows that tie in the order the
    // query gives them (their number in that order decides). Rows without a value come first.
    QByteArray inner = query;
    while (inner.endsWith(';'))
        inner = inner.chopped(1).trimmed();
    QByteArray sorted;
    if (def.sortBy.isEmpty()) {
        sorted = "SELECT * FROM (" + inner + ") LIMIT -1 OFFSET :gudang_mulai";
    } else {
        QByteArrayList keys;
        for (const QString &f : def.sortBy)
            keys << quoted(f);
        sorted = "SELECT * FROM (SELECT *, row_number() OVER () AS gudang_urut FROM (" + inner
            + ")) ORDER BY " + keys.join(", ") + ", gudang_urut LIMIT -1 OFFSET :gudang_mulai";
    }
    if (sqlite3_prepare_v2(m_db, sorted.constData(), int(sorted.size()), &m_sorted, nullptr)
        != SQLITE_OK)
        throw AppError(QStringLiteral("File laporan %1: data tidak dapat diurutkan: %2.")
                           .arg(file, QString::fromUtf8(sqlite3_errmsg(m_db))));
    closer.armed = false;
}

void ReportRows::release()
{
    if (m_server) {
        m_server->end();
        m_next = -1;
        return;
    }
    if (m_sorted)
        sqlite3_reset(m_sorted);
    m_next = -1;
}

ReportRows::~ReportRows()
{
    sqlite3_finalize(m_sorted);
    sqlite3_close(m_db);
}

std::vector<ReportRow> ReportRows::read(qint64 first, int count, const ReportProgress &progress)
{
    std::vector<ReportRow> rows;
    if (first >= m_count || count <= 0)
        return rows;
    if (m_server) {
        if (m_next != first) {
            m_server->openSorted(m_sortedSql, m_sortedValues, first);
            m_next = first;
        }
        const bool more = m_server->fetch("gudang_urut", count, int(m_fields.size()), rows);
        m_next += qint64(rows.size());
        if (!more) {
            m_server->closeSorted();
            m_next = -1;
        }
        return rows;
    }
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
    watch.sinceRow.start();
    watch.sinceProgress.start();
    if (progress)
        sqlite3_progress_handler(
            m_db, 10000, [](void *w) { return static_cast<QueryWatch *>(w)->goOn() ? 0 : 1; },
            &watch);
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
        throw AppError(QStringLiteral("Laporan dibatalkan."));
    if (rc != SQLITE_DONE)
        throw AppError(QStringLiteral("File laporan %1: data tidak dapat dibaca: %2.")
                           .arg(m_file, QString::fromUtf8(sqlite3_errmsg(m_db))));
    return rows;
}

} // namespace gudang
