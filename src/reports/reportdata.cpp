#include "reportdata.h"
#include "data/apperror.h"
#include "data/value.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
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

ReportData readReportData(const ReportDefinition &def, const QString &workingPath,
                          const QString &definitionPath, const ReportProgress &progress,
                          const ReportLimits &limits)
{
    const QString file = QDir::toNativeSeparators(definitionPath);
    if (!QFile::exists(workingPath)) {
        throw AppError(QStringLiteral("Database %1 tidak dapat dibuka: file tidak ditemukan.")
                           .arg(QDir::toNativeSeparators(workingPath)));
    }
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(workingPath).constData(), &db, SQLITE_OPEN_READONLY,
                        nullptr)
        != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        throw AppError(QStringLiteral("Database %1 tidak dapat dibuka: %2.")
                           .arg(QDir::toNativeSeparators(workingPath), why));
    }
    sqlite3_busy_timeout(db, 2000);
    std::unique_ptr<sqlite3, int (*)(sqlite3 *)> guard(db, sqlite3_close);
    const QByteArray sql = def.query.toUtf8();
    sqlite3_stmt *st = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, &tail) != SQLITE_OK) {
        throw AppError(QStringLiteral("File laporan %1: data tidak dapat dibaca: %2.")
                           .arg(file, QString::fromUtf8(sqlite3_errmsg(db))));
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> stmt(st, sqlite3_finalize);
    if (QByteArray(tail).trimmed().replace(';', "").size() != 0 || !sqlite3_stmt_readonly(st))
        throw AppError(
            QStringLiteral("File laporan %1: data harus berupa satu perintah SELECT.").arg(file));

    ReportData data;
    for (int c = 0; c < sqlite3_column_count(st); ++c)
        data.fields << QString::fromUtf8(sqlite3_column_name(st, c));
    auto need = [&](const QString &field) {
        if (data.fieldIndex(field) < 0)
            throw AppError(
                QStringLiteral("File laporan %1: field %2 tidak ada pada data.").arg(file, field));
    };
    for (const ReportColumn &c : def.columns)
        need(c.field);
    for (const QString &f : def.sortBy)
        need(f);
    for (const QString &f : def.totals)
        need(f);
    if (def.mark) {
        need(def.mark->left);
        need(def.mark->right);
    }
    const int n = int(data.fields.size());
    QueryWatch watch;
    watch.progress = &progress;
    watch.limitMs = qint64(limits.secondsWithoutRow) * 1000;
    watch.sinceRow.start();
    watch.sinceProgress.start();
    sqlite3_progress_handler(
        db, 10000, [](void *w) { return static_cast<QueryWatch *>(w)->goOn() ? 0 : 1; }, &watch);
    qint64 bytes = 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        watch.sinceRow.restart();
        if (++watch.rows > limits.rows)
            throw AppError(QStringLiteral("File laporan %1: data lebih dari %2 baris; laporan "
                                          "dihentikan. Batasi data di file itu.")
                               .arg(file, formatNumber(double(limits.rows), 0, true)));
        std::vector<ReportData::Cell> row(static_cast<size_t>(n));
        for (int c = 0; c < n; ++c) {
            ReportData::Cell &cell = row[size_t(c)];
            const int type = sqlite3_column_type(st, c);
            if (type == SQLITE_NULL)
                continue;
            cell.null = false;
            if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
                cell.isNumber = true;
                cell.number = sqlite3_column_double(st, c);
            }
            cell.text
                = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                    sqlite3_column_bytes(st, c));
            bytes += qint64(sizeof(ReportData::Cell)) + 2 * cell.text.size() + 24;
        }
        bytes += qint64(sizeof(row));
        if (bytes > limits.bytes)
            throw AppError(QStringLiteral("File laporan %1: data lebih besar dari %2 MiB; laporan "
                                          "dihentikan. Batasi data di file itu.")
                               .arg(file)
                               .arg(limits.bytes >> 20));
        data.rows.push_back(std::move(row));
        if (progress && watch.rows % 1024 == 0 && watch.sinceProgress.elapsed() >= 50) {
            watch.sinceProgress.restart();
            if (!progress(watch.rows))
                throw AppError(QStringLiteral("Laporan dibatalkan."));
        }
    }
    if (watch.cancelled)
        throw AppError(QStringLiteral("Laporan dibatalkan."));
    if (watch.timedOut)
        throw AppError(QStringLiteral("File laporan %1: data tidak selesai dibaca dalam %2 detik; "
                                      "laporan dihentikan. Periksa perintah data di file itu.")
                           .arg(file)
                           .arg(limits.secondsWithoutRow));
    if (rc != SQLITE_DONE) {
        throw AppError(QStringLiteral("File laporan %1: data tidak dapat dibaca: %2.")
                           .arg(file, QString::fromUtf8(sqlite3_errmsg(db))));
    }
    // A total or a remark's comparison over a field that holds texts would count nothing.
    auto numeric = [&](const QString &field, int line, const QString &what) {
        const int f = data.fieldIndex(field);
        for (const auto &row : data.rows) {
            const ReportData::Cell &cell = row[size_t(f)];
            if (!cell.null && !cell.isNumber)
                throw AppError(
                    QStringLiteral("File laporan %1, baris %2: %3 perlu field angka, tetapi %4 "
                                   "berisi \"%5\".")
                        .arg(file)
                        .arg(line)
                        .arg(what, field, shortQuote(cell.text)));
        }
    };
    for (qsizetype t = 0; t < def.totals.size(); ++t)
        numeric(def.totals[t], def.totalLines.value(t), QStringLiteral("total"));
    if (def.mark) {
        numeric(def.mark->left, def.mark->line, QStringLiteral("tanda"));
        numeric(def.mark->right, def.mark->line, QStringLiteral("tanda"));
    }
    if (!def.sortBy.isEmpty()) {
        std::vector<int> keys;
        for (const QString &f : def.sortBy)
            keys.push_back(data.fieldIndex(f));
        std::stable_sort(data.rows.begin(), data.rows.end(), [&keys](const auto &a, const auto &b) {
            for (int k : keys) {
                const ReportData::Cell &x = a[size_t(k)];
                const ReportData::Cell &y = b[size_t(k)];
                if (x.null != y.null)
                    return x.null; // rows without a value first
                int cmp = 0;
                if (x.isNumber && y.isNumber)
                    cmp = x.number < y.number ? -1 : (x.number > y.number ? 1 : 0);
                else
                    cmp = QString::compare(x.text, y.text);
                if (cmp != 0)
                    return cmp < 0;
            }
            return false;
        });
    }
    return data;
}

} // namespace gudang
