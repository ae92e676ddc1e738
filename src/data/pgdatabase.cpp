#include "pgdatabase.h"
#include "apperror.h"
#include "safekeeping.h"
#include "store.h"

#include "libpq.h"
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <charconv>
#include <map>
#include <sqlite3.h>

namespace gudang {

namespace {

std::map<QString, std::weak_ptr<PgDatabase>> &pool()
{
    static std::map<QString, std::weak_ptr<PgDatabase>> p;
    return p;
}

QString serverName(const QString &conninfo)
{
    return serverDisplayName(serverAddress(conninfo));
}

QString errorText(const char *message)
{
    return QString::fromUtf8(message).trimmed();
}

void setUpSession(PGconn *conn)
{
    pq().PQsetNoticeProcessor(
        conn, [](void *, const char *) {}, nullptr);
    PGresult *r = pq().PQexec(conn, "SET DateStyle TO 'ISO, YMD'; SET extra_float_digits TO 1");
    pq().PQclear(r);
}

QString lostText(PGconn *conn)
{
    return QStringLiteral("Hubungan ke server database terputus: %1.\nYang sedang disimpan tidak "
                          "tersimpan sama sekali; ulangi setelah server dapat dihubungi lagi.")
        .arg(errorText(pq().PQerrorMessage(conn)));
}

} // namespace

int PgResult::rows() const
{
    return pq().PQntuples(m_r.get());
}

bool PgResult::isNull(int row, int column) const
{
    return pq().PQgetisnull(m_r.get(), row, column);
}

QByteArray PgResult::bytes(int row, int column) const
{
    return QByteArray(pq().PQgetvalue(m_r.get(), row, column),
                      pq().PQgetlength(m_r.get(), row, column));
}

void PgResult::clear(pg_result *r)
{
    pq().PQclear(r);
}

PgDatabase::PgDatabase(QString conninfo, pg_conn *conn)
    : m_conninfo(std::move(conninfo))
    , m_conn(conn)
{ }

PgDatabase::~PgDatabase()
{
    pq().PQfinish(m_conn);
}

pg_conn *PgDatabase::connect(const QString &conninfo)
{
    const QByteArray info = conninfo.toUtf8();
    const char *keys[] = { "application_name", "dbname", "client_encoding", nullptr };
    const char *values[] = { "gudang", info.constData(), "UTF8", nullptr };
    PGconn *conn = pq().PQconnectdbParams(keys, values, 1);
    if (!conn)
        throw AppError(QStringLiteral("Server database tidak dapat dihubungi: memori habis."));
    if (pq().PQstatus(conn) != CONNECTION_OK) {
        const QString why = errorText(pq().PQerrorMessage(conn));
        pq().PQfinish(conn);
        throw AppError(QStringLiteral("Server database tidak dapat dihubungi (%1): %2\nPeriksa "
                                      "server dan jaringannya, lalu coba lagi.")
                           .arg(serverName(conninfo), why));
    }
    setUpSession(conn);
    return conn;
}

std::shared_ptr<PgDatabase> PgDatabase::open(const QString &conninfo)
{
    auto &p = pool();
    if (auto db = p[conninfo].lock())
        return db;
    std::shared_ptr<PgDatabase> db(new PgDatabase(conninfo, connect(conninfo)));
    p[conninfo] = db;
    return db;
}

void PgDatabase::ready()
{
    if (m_transaction) {
        if (pq().PQstatus(m_conn) != CONNECTION_OK)
            throw AppError(lostText(m_conn));
        return;
    }
    // A server that was restarted closed the connection meanwhile: reading what it sent finds
    // that out before a command is sent in vain.
    if (pq().PQstatus(m_conn) == CONNECTION_OK)
        pq().PQconsumeInput(m_conn);
    if (pq().PQstatus(m_conn) == CONNECTION_OK)
        return;
    m_prepared.clear();
    pq().PQreset(m_conn);
    if (pq().PQstatus(m_conn) != CONNECTION_OK)
        throw AppError(QStringLiteral("Server database tidak dapat dihubungi (%1): %2\nPeriksa "
                                      "server dan jaringannya, lalu coba lagi.")
                           .arg(serverName(m_conninfo), errorText(pq().PQerrorMessage(m_conn))));
    setUpSession(m_conn);
}

PgResult PgDatabase::check(pg_result *r, const QByteArray &sql)
{
    PgResult result(r);
    const ExecStatusType status = r ? pq().PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_COPY_IN
        || status == PGRES_COPY_OUT)
        return result;
    if (pq().PQstatus(m_conn) != CONNECTION_OK) {
        m_prepared.clear();
        m_lastState = QByteArrayLiteral("08006");
        m_lastDetail.clear();
        throw AppError(lostText(m_conn));
    }
    m_lastState = r ? QByteArray(pq().PQresultErrorField(r, PG_DIAG_SQLSTATE)) : QByteArray();
    m_lastDetail
        = r ? QString::fromUtf8(pq().PQresultErrorField(r, PG_DIAG_MESSAGE_DETAIL)) : QString();
    Q_UNUSED(sql);
    throw AppError(
        QStringLiteral("Perintah database gagal: %1.")
            .arg(errorText(r ? pq().PQresultErrorMessage(r) : pq().PQerrorMessage(m_conn))));
}

namespace {

struct ParamArrays
{
    explicit ParamArrays(const PgParams &params)
    {
        for (const auto &p : params) {
            values.push_back(p ? p->constData() : nullptr);
            lengths.push_back(p ? int(p->size()) : 0);
        }
    }
    std::vector<const char *> values;
    std::vector<int> lengths;
};

} // namespace

PgResult PgDatabase::exec(const QByteArray &sql, const PgParams &params)
{
    ready();
    sendPendingBegin();
    if (params.empty())
        return check(pq().PQexec(m_conn, sql.constData()), sql);
    ParamArrays a(params);
    return check(pq().PQexecParams(m_conn, sql.constData(), int(params.size()), nullptr,
                                   a.values.data(), a.lengths.data(), nullptr, 0),
                 sql);
}

PgResult PgDatabase::execKept(const QByteArray &name, const QByteArray &sql, const PgParams &params)
{
    ready();
    if (!m_prepared.count(name)) {
        sendPendingBegin();
        check(pq().PQprepare(m_conn, name.constData(), sql.constData(), 0, nullptr), sql);
        m_prepared.insert(name);
    }
    ParamArrays a(params);
    if (m_beginPending) {
        // BEGIN and the transaction's first statement go to the server together: one round
        // trip for both.
        m_beginPending = false;
        pq().PQenterPipelineMode(m_conn);
        pq().PQsendQueryParams(m_conn, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0);
        pq().PQsendQueryPrepared(m_conn, name.constData(), int(params.size()), a.values.data(),
                                 a.lengths.data(), nullptr, 0);
        pq().PQpipelineSync(m_conn);
        std::vector<PGresult *> results; // BEGIN's and the statement's
        for (int nulls = 0; nulls < 2 && pq().PQstatus(m_conn) == CONNECTION_OK;) {
            PGresult *r = pq().PQgetResult(m_conn);
            if (r)
                results.push_back(r);
            else
                ++nulls;
        }
        PGresult *sync
            = pq().PQstatus(m_conn) == CONNECTION_OK ? pq().PQgetResult(m_conn) : nullptr;
        pq().PQclear(sync);
        pq().PQexitPipelineMode(m_conn);
        PgResult begin(results.size() > 0 ? results[0] : nullptr);
        PgResult statement(results.size() > 1 ? results[1] : nullptr);
        for (size_t i = 2; i < results.size(); ++i)
            pq().PQclear(results[i]);
        check(begin.release(), "BEGIN");
        return check(statement.release(), sql);
    }
    return check(pq().PQexecPrepared(m_conn, name.constData(), int(params.size()), a.values.data(),
                                     a.lengths.data(), nullptr, 0),
                 sql);
}

void PgDatabase::sendPendingBegin()
{
    if (!m_beginPending)
        return;
    m_beginPending = false;
    check(pq().PQexec(m_conn, "BEGIN"), "BEGIN");
}

void PgDatabase::addUndo(std::function<void()> undo)
{
    if (m_transaction)
        m_transaction->m_undo.push_back(std::move(undo));
}

PgDatabase::Transaction::Transaction(PgDatabase &db)
    : m_db(db)
{
    if (db.m_transaction)
        throw AppError(QStringLiteral("Transaksi database sudah berjalan."));
    db.ready();
    db.m_beginPending = true; // sent with the first statement
    db.m_transaction = this;
}

PgDatabase::Transaction::~Transaction()
{
    if (m_done)
        return;
    if (m_db.m_beginPending)
        m_db.m_beginPending = false; // nothing was sent
    else if (pq().PQstatus(m_db.m_conn) == CONNECTION_OK)
        pq().PQclear(pq().PQexec(m_db.m_conn, "ROLLBACK"));
    m_db.m_transaction = nullptr;
    for (auto it = m_undo.rbegin(); it != m_undo.rend(); ++it)
        (*it)();
}

void PgDatabase::Transaction::commit()
{
    if (m_db.m_beginPending)
        m_db.m_beginPending = false; // nothing to commit
    else
        m_db.exec(QByteArrayLiteral("COMMIT"));
    m_done = true;
    m_db.m_transaction = nullptr;
}

QByteArray pgColumn(const ColumnDef &column)
{
    return '"' + column.name.toLower().toUtf8() + '"';
}

QByteArray pgType(const ColumnDef &column)
{
    switch (column.kind) {
    case ColumnKind::Text:
        return column.maxLength > 0 ? "varchar(" + QByteArray::number(column.maxLength) + ')'
                                    : QByteArrayLiteral("text");
    case ColumnKind::Number:
        return QByteArrayLiteral("double precision");
    case ColumnKind::Date:
        return QByteArrayLiteral("timestamp(0) without time zone");
    case ColumnKind::AutoNumber:
        return QByteArrayLiteral("integer");
    }
    return QByteArray();
}

namespace {

const char *const kVersionTable = "gudang_skema";

std::vector<const TableDef *> allOurTables()
{
    std::vector<const TableDef *> all = tablesOf(DbRole::Credentials);
    for (const TableDef *t : tablesOf(DbRole::Working))
        all.push_back(t);
    return all;
}

// Columns as information_schema says them: "name type".
QStringList expectedColumns(const TableDef &t)
{
    QStringList cols;
    for (const ColumnDef &c : t.columns) {
        QString type;
        switch (c.kind) {
        case ColumnKind::Text:
            type = c.maxLength > 0 ? QStringLiteral("character varying(%1)").arg(c.maxLength)
                                   : QStringLiteral("text");
            break;
        case ColumnKind::Number:
            type = QStringLiteral("double precision");
            break;
        case ColumnKind::Date:
            type = QStringLiteral("timestamp without time zone");
            break;
        case ColumnKind::AutoNumber:
            type = QStringLiteral("integer");
            break;
        }
        cols << c.name.toLower() + QLatin1Char(' ') + type;
    }
    cols << QStringLiteral("%1 bigint").arg(QLatin1String(kPgRowId));
    return cols;
}

std::map<QString, QStringList> foundColumns(PgDatabase &db)
{
    QByteArrayList names;
    for (const TableDef *t : allOurTables())
        names << t->name.toUtf8();
    const PgResult r = db.exec(
        "SELECT table_name, column_name, data_type, character_maximum_length FROM "
        "information_schema.columns WHERE table_schema = current_schema() AND table_name = "
        "ANY ($1::text[]) ORDER BY table_name, ordinal_position",
        { '{' + names.join(',') + '}' });
    std::map<QString, QStringList> found;
    for (int i = 0; i < r.rows(); ++i) {
        QString col = r.text(i, 1) + QLatin1Char(' ') + r.text(i, 2);
        if (!r.isNull(i, 3))
            col += QLatin1Char('(') + r.text(i, 3) + QLatin1Char(')');
        found[r.text(i, 0)] << col;
    }
    return found;
}

QByteArray createSql(const TableDef &t)
{
    QByteArrayList cols;
    bool keyed = false;
    for (const ColumnDef &c : t.columns) {
        QByteArray col = pgColumn(c) + ' ' + pgType(c);
        if (c.kind == ColumnKind::AutoNumber) {
            col += " GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY";
            keyed = true;
        }
        if (c.unique)
            col += " UNIQUE";
        cols << col;
    }
    cols << QByteArray(kPgRowId) + " bigint GENERATED ALWAYS AS IDENTITY"
            + (keyed ? " UNIQUE" : " PRIMARY KEY");
    return "CREATE TABLE " + t.name.toUtf8() + " (" + cols.join(", ") + ')';
}

QString problemOf(PgDatabase &db, QStringList *missing)
{
    const auto found = foundColumns(db);
    QStringList different;
    for (const TableDef *t : allOurTables()) {
        const auto it = found.find(t->name);
        if (it == found.end()) {
            missing->append(t->name);
        } else if (it->second != expectedColumns(*t)) {
            different << QStringLiteral("tabel %1 berkolom %2, bukan %3")
                             .arg(t->name, it->second.join(QStringLiteral(", ")),
                                  expectedColumns(*t).join(QStringLiteral(", ")));
        }
    }
    return different.join(QStringLiteral("; "));
}

} // namespace

QString initServer(const QString &conninfo)
{
    auto db = PgDatabase::open(conninfo);
    PgDatabase::Transaction t(*db);
    // Two programs preparing the same database at once: one after the other.
    db->exec("SELECT pg_advisory_xact_lock(727271)");
    QStringList missing;
    if (const QString different = problemOf(*db, &missing); !different.isEmpty())
        throw AppError(QStringLiteral("Database di %1 sudah berisi tabel dengan nama yang dipakai "
                                      "Gudang tetapi dengan kolom lain: %2.\nTidak ada yang "
                                      "dibuat atau diubah; pakai database lain yang kosong.")
                           .arg(serverName(conninfo), different));
    for (const TableDef *table : allOurTables()) {
        if (missing.contains(table->name))
            db->exec(createSql(*table));
    }
    if (missing.contains(QStringLiteral("tmutasi"))) {
        // The journal begins with the stock as it stands: one opening balance per code.
        db->exec("INSERT INTO tmutasi (waktu, pengguna, jenis, kode_barang, perubahan, "
                 "stok_akhir, keterangan) SELECT localtimestamp(0), '', 'saldo awal', "
                 "kode_barang, coalesce(jumlah_stok, 0), coalesce(jumlah_stok, 0), 'stok saat "
                 "jurnal dimulai' FROM tstok ORDER BY id_baris");
    }
    db->exec(QByteArray("CREATE TABLE IF NOT EXISTS ") + kVersionTable
             + " (versi integer NOT NULL)");
    db->exec(QByteArray("DELETE FROM ") + kVersionTable);
    db->exec(QByteArray("INSERT INTO ") + kVersionTable + " VALUES ("
             + QByteArray::number(kSchemaVersion) + ')');
    t.commit();
    if (missing.isEmpty())
        return QStringLiteral("Database di %1 sudah siap untuk Gudang; tidak ada yang diubah.")
            .arg(serverName(conninfo));
    return QStringLiteral("Tabel %1 dibuat di %2 (versi skema %3).")
        .arg(missing.join(QStringLiteral(", ")), serverName(conninfo))
        .arg(kSchemaVersion);
}

QString serverSchemaProblem(const QString &conninfo)
{
    auto db = PgDatabase::open(conninfo);
    QStringList missing;
    const QString different = problemOf(*db, &missing);
    if (!different.isEmpty())
        return different;
    QStringList needed; // a table of a later version is added at the start (upgradeServer)
    for (const QString &name : missing) {
        if (tableDef(name).since == 1)
            needed << name;
    }
    if (!needed.isEmpty())
        return QStringLiteral("tabel %1 belum ada").arg(needed.join(QStringLiteral(", ")));
    return QString();
}

void upgradeServer(const QString &conninfo)
{
    auto db = PgDatabase::open(conninfo);
    const PgResult r = db->exec("SELECT max(versi) FROM " + QByteArray(kVersionTable));
    if (r.rows() == 1 && !r.isNull(0, 0) && r.bytes(0, 0).toInt() >= kSchemaVersion)
        return;
    initServer(conninfo);
}

bool serverHasNoUsers(const QString &conninfo)
{
    auto db = PgDatabase::open(conninfo);
    return db->exec("SELECT 1 FROM tpass LIMIT 1").rows() == 0;
}

namespace {

// A value as COPY's text format writes it.
void appendCopyValue(QByteArray &line, sqlite3_stmt *st, int c)
{
    switch (sqlite3_column_type(st, c)) {
    case SQLITE_NULL:
        line += "\\N";
        return;
    case SQLITE_FLOAT: {
        char num[32];
        const auto res = std::to_chars(num, num + 32, sqlite3_column_double(st, c));
        line.append(num, int(res.ptr - num));
        return;
    }
    default:
        break;
    }
    const char *p = reinterpret_cast<const char *>(sqlite3_column_text(st, c));
    const int n = sqlite3_column_bytes(st, c);
    for (int i = 0; i < n; ++i) {
        switch (p[i]) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += p[i];
        }
    }
}

struct SqliteFile
{
    explicit SqliteFile(const QString &path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr)
            != SQLITE_OK)
            throw AppError(QStringLiteral("File %1 tidak dapat dibuka: %2.")
                               .arg(path, QString::fromUtf8(sqlite3_errmsg(db))));
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    }
    ~SqliteFile() { sqlite3_close_v2(db); }
    bool has(const QString &table) const
    {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?", -1,
                           &st, nullptr);
        const QByteArray name = table.toUtf8();
        sqlite3_bind_text(st, 1, name.constData(), -1, SQLITE_TRANSIENT);
        const bool found = sqlite3_step(st) == SQLITE_ROW;
        sqlite3_finalize(st);
        return found;
    }
    sqlite3 *db = nullptr;
};

} // namespace

QString copyToServer(const Locations &from, const QString &conninfo)
{
    if (!QFileInfo::exists(from.workingPath()))
        throw AppError(QStringLiteral("Database kerja %1 tidak ditemukan; tidak ada yang disalin.")
                           .arg(from.workingPath()));
    for (const QString &path : { from.credentialsPath(), from.workingPath() }) {
        if (!QFileInfo::exists(path))
            continue;
        if (const QString damage = damageOf(path, Check::Quick); !damage.isEmpty())
            throw AppError(QStringLiteral("File database %1 rusak: %2; tidak ada yang disalin.")
                               .arg(path, damage));
    }
    initServer(conninfo);
    auto db = PgDatabase::open(conninfo);
    PgDatabase::Transaction t(*db);
    db->exec("LOCK TABLE tpass, tbarang, tstok, tbrgkeluar IN EXCLUSIVE MODE");
    for (const TableDef *table : allOurTables()) {
        const PgResult r = db->exec("SELECT count(*) FROM " + table->name.toUtf8());
        if (r.bytes(0, 0) != "0")
            throw AppError(QStringLiteral("%1 sudah berisi data (tabel %2: %3 baris); "
                                          "tidak ada yang disalin.")
                               .arg(serverName(conninfo), table->name, r.text(0, 0)));
    }
    QStringList counts;
    std::map<QString, double> highest; // the highest automatic number of each table
    bool journalCopied = false;
    for (const TableDef *table : allOurTables()) {
        const QString path
            = table->name == QLatin1String("tpass") ? from.credentialsPath() : from.workingPath();
        qint64 rows = 0;
        std::unique_ptr<SqliteFile> source;
        if (QFileInfo::exists(path)) {
            source = std::make_unique<SqliteFile>(path);
            // A file of an earlier version has no table of a later one.
            if (table->since > 1 && !source->has(table->name))
                source.reset();
        }
        if (source) {
            SqliteFile &file = *source;
            double &highestNumber = highest[table->name];
            journalCopied = journalCopied || table->name == QLatin1String("tmutasi");
            QByteArrayList names, pgNames;
            for (const ColumnDef &c : table->columns) {
                names << '"' + c.name.toUtf8() + '"';
                pgNames << pgColumn(c);
            }
            const QByteArray select = "SELECT " + names.join(',') + " FROM \""
                + table->name.toUtf8() + "\" ORDER BY rowid";
            sqlite3_stmt *st = nullptr;
            if (sqlite3_prepare_v2(file.db, select.constData(), -1, &st, nullptr) != SQLITE_OK)
                throw AppError(
                    QStringLiteral("Tabel %1 tidak dapat dibaca dari %2: %3.")
                        .arg(table->name, path, QString::fromUtf8(sqlite3_errmsg(file.db))));
            std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> guard(st, sqlite3_finalize);
            db->exec("COPY " + table->name.toUtf8() + " (" + pgNames.join(',') + ") FROM STDIN");
            QByteArray chunk;
            int rc;
            auto flush = [&] {
                if (pq().PQputCopyData(db->handle(), chunk.constData(), int(chunk.size())) != 1)
                    throw AppError(QStringLiteral("Data tidak dapat dikirim ke server: %1")
                                       .arg(errorText(pq().PQerrorMessage(db->handle()))));
                chunk.clear();
            };
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                for (int c = 0; c < int(table->columns.size()); ++c) {
                    if (c)
                        chunk += '\t';
                    appendCopyValue(chunk, st, c);
                    if (table->columns[size_t(c)].kind == ColumnKind::AutoNumber)
                        highestNumber = std::max(highestNumber, sqlite3_column_double(st, c));
                }
                chunk += '\n';
                ++rows;
                if (chunk.size() > (1 << 16))
                    flush();
            }
            if (!chunk.isEmpty())
                flush();
            const bool readOk = rc == SQLITE_DONE;
            pq().PQputCopyEnd(db->handle(), readOk ? nullptr : "pembacaan file gagal");
            PGresult *res = pq().PQgetResult(db->handle());
            const bool copied = pq().PQresultStatus(res) == PGRES_COMMAND_OK;
            const QString why = errorText(pq().PQresultErrorMessage(res));
            pq().PQclear(res);
            while ((res = pq().PQgetResult(db->handle())))
                pq().PQclear(res);
            if (!readOk)
                throw AppError(
                    QStringLiteral("Tabel %1 tidak dapat dibaca dari %2: %3.")
                        .arg(table->name, path, QString::fromUtf8(sqlite3_errmsg(file.db))));
            if (!copied)
                throw AppError(QStringLiteral("Tabel %1 tidak dapat disalin ke server: %2\nTidak "
                                              "ada yang disalin.")
                                   .arg(table->name, why));
            // Numbers once given out are never given again, also those of deleted rows.
            sqlite3_stmt *seq = nullptr;
            if (sqlite3_prepare_v2(file.db, "SELECT seq FROM sqlite_sequence WHERE name = ?", -1,
                                   &seq, nullptr)
                == SQLITE_OK) {
                const QByteArray name = table->name.toUtf8();
                sqlite3_bind_text(seq, 1, name.constData(), -1, SQLITE_TRANSIENT);
                if (sqlite3_step(seq) == SQLITE_ROW)
                    highestNumber = std::max(highestNumber, sqlite3_column_double(seq, 0));
            }
            sqlite3_finalize(seq);
        }
        if (table->name == QLatin1String("tmutasi") && !journalCopied) {
            // The folder had no journal yet: it begins here, with the stock copied.
            const PgResult r = db->exec(
                "INSERT INTO tmutasi (waktu, pengguna, jenis, kode_barang, perubahan, "
                "stok_akhir, keterangan) SELECT localtimestamp(0), '', 'saldo awal', "
                "kode_barang, coalesce(jumlah_stok, 0), coalesce(jumlah_stok, 0), 'stok saat "
                "jurnal dimulai' FROM tstok ORDER BY id_baris");
            counts << QStringLiteral("%1: %2 baris saldo awal")
                          .arg(table->name, QString::fromLatin1(pq().PQcmdTuples(r.get())));
            continue;
        }
        counts << QStringLiteral("%1: %2 baris").arg(table->name).arg(rows);
    }
    for (const auto &[name, number] : highest) {
        if (number < 1)
            continue;
        for (const ColumnDef &c : tableDef(name).columns) {
            if (c.kind == ColumnKind::AutoNumber)
                db->exec("SELECT setval(pg_get_serial_sequence($1, $2), $3, true)",
                         { name.toUtf8(), c.name.toLower().toUtf8(),
                           QByteArray::number(qint64(number)) });
        }
    }
    t.commit();
    return QStringLiteral("Disalin ke %1 dalam satu transaksi:\n%2")
        .arg(serverName(conninfo), counts.join(QLatin1Char('\n')));
}

} // namespace gudang
