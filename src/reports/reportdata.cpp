#include "reportdata.h"
#include "data/apperror.h"
#include "data/value.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
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

ReportRows::ReportRows(const ReportDefinition &def, const QString &workingPath,
                       const QString &definitionPath, const ReportProgress &progress,
                       const ReportLimits &limits)
    : m_file(QDir::toNativeSeparators(definitionPath))
{
    const QString &file = m_file;
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
    const QByteArray query = QByteArray(sql.constData(), tail - sql.constData()).trimmed();

    for (int c = 0; c < sqlite3_column_count(st); ++c)
        m_fields << QString::fromUtf8(sqlite3_column_name(st, c));
    auto need = [&](const QString &field) {
        if (fieldIndex(field) < 0)
            throw AppError(
                QStringLiteral("File laporan %1: field %2 tidak ada pada data.").arg(file, field));
        return fieldIndex(field);
    };
    for (const ReportColumn &c : def.columns)
        need(c.field);
    for (const QString &f : def.sortBy)
        need(f);
    // Fields that must hold numbers: each total, and both sides of a remark's comparison.
    struct Numeric
    {
        int field;
        int line;
        QString what;
        int total; // index into the totals, or -1
    };
    std::vector<Numeric> numeric;
    for (qsizetype t = 0; t < def.totals.size(); ++t)
        numeric.push_back(
            { need(def.totals[t]), def.totalLines.value(t), QStringLiteral("total"), int(t) });
    if (def.mark) {
        numeric.push_back({ need(def.mark->left), def.mark->line, QStringLiteral("tanda"), -1 });
        numeric.push_back({ need(def.mark->right), def.mark->line, QStringLiteral("tanda"), -1 });
    }
    m_totals.assign(size_t(def.totals.size()), 0.0);

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
            throw AppError(QStringLiteral("File laporan %1: data lebih dari %2 baris; laporan "
                                          "dihentikan. Batasi data di file itu.")
                               .arg(file, formatNumber(double(limits.rows), 0, true)));
        for (const Numeric &n : numeric) {
            const int type = sqlite3_column_type(st, n.field);
            if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
                if (n.total >= 0)
                    m_totals[size_t(n.total)] += sqlite3_column_double(st, n.field);
            } else if (type != SQLITE_NULL) {
                // A total or a remark's comparison over a text would count nothing.
                throw AppError(
                    QStringLiteral("File laporan %1, baris %2: %3 perlu field angka, tetapi %4 "
                                   "berisi \"%5\".")
                        .arg(file)
                        .arg(n.line)
                        .arg(n.what, m_fields[n.field], shortQuote(cellOf(st, n.field).text)));
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
        sorted = "SELECT * FROM (" + inner + ") LIMIT -1 OFFSET ?1";
    } else {
        QByteArrayList keys;
        for (const QString &f : def.sortBy)
            keys << quoted(f);
        sorted = "SELECT * FROM (SELECT *, row_number() OVER () AS gudang_urut FROM (" + inner
            + ")) ORDER BY " + keys.join(", ") + ", gudang_urut LIMIT -1 OFFSET ?1";
    }
    if (sqlite3_prepare_v2(m_db, sorted.constData(), int(sorted.size()), &m_sorted, nullptr)
        != SQLITE_OK)
        throw AppError(QStringLiteral("File laporan %1: data tidak dapat diurutkan: %2.")
                           .arg(file, QString::fromUtf8(sqlite3_errmsg(m_db))));
    closer.armed = false;
}

void ReportRows::release()
{
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
    if (m_next != first) {
        sqlite3_reset(m_sorted);
        sqlite3_bind_int64(m_sorted, 1, first);
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
