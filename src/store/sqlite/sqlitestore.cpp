#include "sqlitestore.h"
#include "core/apperror.h"
#include "core/privatefile.h"
#include "sqlitefiles.h"
#include "store/setup.h"
#include "store/tableaccess.h"

#include <QDir>
#include <QFileInfo>
#include <map>
#include <sqlite3.h>

namespace gudang {

namespace {

// The log of a file in steady use: SQLite checkpoints it at 1000 pages of 4 KiB.
constexpr qint64 kWorkingLogBytes = 4 * 1024 * 1024 + 64 * 1024;

std::map<QString, std::weak_ptr<SqliteStore>> &pool()
{
    static std::map<QString, std::weak_ptr<SqliteStore>> p;
    return p;
}

std::map<QString, WriteGate> &gates()
{
    static std::map<QString, WriteGate> g;
    return g;
}

void passGate(const QString &path)
{
    const auto it = gates().find(path);
    if (it != gates().end()) {
        const WriteGate gate = it->second; // the gate may remove itself
        gate();
    }
}

} // namespace

void setSqliteWriteGate(const QString &path, WriteGate gate)
{
    if (gate)
        gates()[path] = std::move(gate);
    else
        gates().erase(path);
}

AppError::Kind sqliteKind(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return AppError::Kind::Busy;
    case SQLITE_FULL:
        return AppError::Kind::DiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return AppError::Kind::ReadOnly;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return AppError::Kind::Damaged;
    case SQLITE_CANTOPEN:
        return AppError::Kind::CannotOpen;
    case SQLITE_IOERR:
        return AppError::Kind::Io;
    case SQLITE_CONSTRAINT:
        return rc == SQLITE_CONSTRAINT_UNIQUE ? AppError::Kind::Unique : AppError::Kind::General;
    default:
        return AppError::Kind::General;
    }
}

QString sqliteReason(int rc, sqlite3 *db)
{
    switch (sqliteKind(rc)) {
    case AppError::Kind::Busy:
        return QStringLiteral("database sedang dipakai program lain; coba lagi sebentar lagi");
    case AppError::Kind::DiskFull:
        return QStringLiteral("disk penuh; kosongkan ruang disk lalu coba lagi");
    case AppError::Kind::ReadOnly:
        return QStringLiteral("database hanya dapat dibaca; periksa izin file itu lalu coba lagi");
    case AppError::Kind::Damaged:
        return QStringLiteral("file database rusak atau bukan database");
    case AppError::Kind::CannotOpen:
        return QStringLiteral("file tidak dapat dibuka");
    case AppError::Kind::Io:
        return QStringLiteral("kesalahan baca/tulis disk");
    default:
        break;
    }
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

Statement::Statement(SqliteStore &db, const char *sql)
    : m_db(db)
{
    const int rc = sqlite3_prepare_v2(db.handle(), sql, -1, &m_stmt, nullptr);
    if (rc != SQLITE_OK)
        db.fail(rc, QStringLiteral("Perintah database tidak dapat disiapkan"));
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_stmt);
    m_db.fail(rc, QStringLiteral("Perintah database gagal"));
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

// BEGIN IMMEDIATE on construction, ROLLBACK (and the rollback actions) on destruction unless
// commit() succeeded.
class SqliteStore::Tx final : public Transaction
{
public:
    explicit Tx(std::shared_ptr<SqliteStore> db)
        : Transaction(*db)
        , m_db(std::move(db))
    {
        if (m_db->m_transaction)
            throw AppError(QStringLiteral("Transaksi database sudah berjalan."));
        passGate(m_db->m_path);
        m_db->readyForWrite();
        m_db->runKept(m_db->m_begin, "BEGIN IMMEDIATE");
        m_db->m_transaction = this;
    }
    ~Tx() override
    {
        if (committed())
            return;
        sqlite3_exec(m_db->m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_db->m_transaction = nullptr;
        takeBack();
    }
    void commit() override
    {
        m_db->runKept(m_db->m_commit, "COMMIT");
        markCommitted();
        m_db->m_transaction = nullptr;
    }

private:
    std::shared_ptr<SqliteStore> m_db;
};

SqliteStore::SqliteStore(QString path, sqlite3 *db)
    : m_path(std::move(path))
    , m_db(db)
{ }

SqliteStore::~SqliteStore()
{
    m_begin.reset();
    m_commit.reset();
    m_values.reset();
    // The last user of the file is gone: a quiet moment. A log grown past its working size by
    // a big transaction is cut back as the connection closes (SQLite checkpoints it and
    // truncates it to the size limit); a log of working size stays, so that the next commits
    // reuse its blocks.
    const qint64 logSize = QFileInfo(m_path + QStringLiteral("-wal")).size();
    if (logSize > kWorkingLogBytes)
        sqlite3_exec(m_db, "PRAGMA journal_size_limit=0", nullptr, nullptr, nullptr);
    sqlite3_close_v2(m_db);
}

sqlite3 *SqliteStore::openHandle(const QString &path, bool create)
{
    sqlite3 *db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, 2000);
        // The write-ahead log stays on disk between runs: a commit then overwrites blocks the
        // file already has instead of growing it, which saves a journal flush of the file
        // system on every commit. A log that a big transaction made bigger than 4 MiB is cut
        // back when the database closes (see the destructor).
        int persist = 1;
        sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
        rc = sqlite3_exec(db,
                          "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; "
                          "SELECT count(*) FROM sqlite_schema;",
                          nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        const QString why = sqliteReason(rc, db);
        sqlite3_close_v2(db);
        throw AppError(QStringLiteral("Database %1 tidak dapat dibuka: %2.")
                           .arg(QDir::toNativeSeparators(path), why),
                       sqliteKind(rc));
    }
    return db;
}

std::shared_ptr<SqliteStore> SqliteStore::open(const QString &path)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    auto &p = pool();
    if (auto existing = p[key].lock())
        return existing;
    if (!QFileInfo::exists(key)) {
        throw AppError(QStringLiteral("Database %1 tidak dapat dibuka: file tidak ditemukan.")
                           .arg(QDir::toNativeSeparators(key)),
                       AppError::Kind::CannotOpen);
    }
    // Opening for writing may write the file's header (its journal mode): not before the
    // file may be written.
    passGate(key);
    std::shared_ptr<SqliteStore> db(new SqliteStore(key, openHandle(key, false)));
    p[key] = db;
    return db;
}

std::shared_ptr<SqliteStore> SqliteStore::openForCreate(const QString &path)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    if (auto existing = pool()[key].lock())
        return existing;
    std::shared_ptr<SqliteStore> db(new SqliteStore(key, openHandle(key, true)));
    pool()[key] = db;
    return db;
}

std::unique_ptr<TableAccess> SqliteStore::table(const TableDef &table)
{
    return openSqliteTable(std::static_pointer_cast<SqliteStore>(shared_from_this()), table);
}

std::unique_ptr<Transaction> SqliteStore::begin()
{
    return std::make_unique<Tx>(std::static_pointer_cast<SqliteStore>(shared_from_this()));
}

bool SqliteStore::columnExists(const QString &table, const QString &column)
{
    Statement st(*this, "SELECT 1 FROM pragma_table_info(?) WHERE name = ?");
    const QByteArray t = table.toUtf8(), c = column.toUtf8();
    sqlite3_bind_text(st.get(), 1, t.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st.get(), 2, c.constData(), -1, SQLITE_TRANSIENT);
    return st.step();
}

bool SqliteStore::tableExists(const char *table)
{
    Statement st(*this, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?");
    sqlite3_bind_text(st.get(), 1, table, -1, SQLITE_STATIC);
    return st.step();
}

void SqliteStore::exec(const char *sql)
{
    char *err = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK)
        fail(rc, QStringLiteral("Perintah database gagal"));
}

void SqliteStore::readyForWrite()
{
    if (m_transaction || (!m_stale && sqlite3_db_readonly(m_db, "main") != 1))
        return;
    sqlite3 *fresh = openHandle(m_path, false);
    m_begin.reset();
    m_commit.reset();
    m_values.reset();
    // Statements still prepared on the old connection keep it until they are finalised.
    sqlite3_close_v2(m_db);
    m_db = fresh;
    m_stale = false;
    ++m_generation;
}

void SqliteStore::fail(int rc, const QString &what) const
{
    const AppError::Kind kind = sqliteKind(rc);
    switch (kind) {
    case AppError::Kind::ReadOnly:
    case AppError::Kind::DiskFull:
    case AppError::Kind::Busy:
    case AppError::Kind::Io:
    case AppError::Kind::CannotOpen:
        m_stale = true;
        break;
    default:
        break;
    }
    throw AppError(QStringLiteral("%1 (%2): %3.")
                       .arg(what, QDir::toNativeSeparators(m_path), sqliteReason(rc, m_db)),
                   kind, QByteArray(), QString::fromUtf8(sqlite3_errmsg(m_db)));
}

void SqliteStore::runKept(std::unique_ptr<Statement> &kept, const char *sql)
{
    if (!kept)
        kept = std::make_unique<Statement>(*this, sql);
    kept->step(); // a failing step resets the statement itself
    kept->reset();
}

void createDatabaseFile(const QString &path, DbRole role)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        throw AppError(QStringLiteral("Folder %1 tidak dapat dibuat.")
                           .arg(QDir::toNativeSeparators(info.absolutePath())));
    }
    // Tables are never made inside a file that holds something else.
    if (info.exists()) {
        const QString foreign = sqliteForeignObjects(info.absoluteFilePath(), role);
        if (!foreign.isEmpty())
            throw AppError(QStringLiteral("File %1 sudah ada dan bukan database Gudang (%2); "
                                          "file itu tidak diubah.")
                               .arg(QDir::toNativeSeparators(info.absoluteFilePath()), foreign),
                           AppError::Kind::Refused);
    }
    std::shared_ptr<SqliteStore> db = SqliteStore::openForCreate(info.absoluteFilePath());
    std::unique_ptr<Transaction> t = db->begin();
    const bool hadJournal = role == DbRole::Working && db->tableExists("tmutasi");
    const bool hadDayBalances = role == DbRole::Working && db->tableExists("tsaldo");
    for (const TableDef *table : tablesOf(role)) {
        db->exec(createTableSql(*table).toUtf8().constData());
        // Columns of a later version, at the end of a table an earlier version made.
        for (const ColumnDef &c : table->columns) {
            if (c.since > 1 && !db->columnExists(table->name, c.name))
                db->exec(QStringLiteral("ALTER TABLE \"%1\" ADD COLUMN %2")
                             .arg(table->name, columnSql(c))
                             .toUtf8()
                             .constData());
        }
    }
    for (const IndexDef *index : indexesOf(role))
        db->exec(createIndexSql(*index).toUtf8().constData());
    if (role == DbRole::Working && !hadJournal) {
        // The journal begins with the stock as it stands: one opening balance per code.
        db->exec("INSERT INTO tmutasi (Waktu, Pengguna, Jenis, Kode_Barang, Perubahan, "
                 "Stok_Akhir, Keterangan, Tanggal) SELECT strftime('%Y-%m-%d %H:%M:%S', 'now', "
                 "'localtime'), 'Gudang', 'saldo awal', Kode_Barang, coalesce(Jumlah_Stok, 0), "
                 "coalesce(Jumlah_Stok, 0), 'stok saat jurnal dimulai', date('now', "
                 "'localtime') || ' 00:00:00' FROM tstok ORDER BY rowid");
    }
    if (role == DbRole::Working) {
        // Journal rows of an earlier version take their day: a posting's the goods-out row's
        // date, any other the day it was entered.
        db->exec("UPDATE tmutasi SET Tanggal = coalesce((SELECT date(k.Tanggal) FROM tbrgkeluar "
                 "k WHERE k.No_Keluar = tmutasi.No_Keluar AND tmutasi.Jenis = 'barang keluar'), "
                 "date(Waktu)) || ' 00:00:00' WHERE Tanggal IS NULL");
    }
    if (role == DbRole::Working && !hadDayBalances) {
        // The day balances of a journal that began before the values did: each code's
        // quantity at the end of each day it moved, worth nothing yet.
        db->exec("INSERT OR IGNORE INTO tsaldo (Kode_Barang, Tanggal, Jumlah, Nilai) "
                 "SELECT Kode_Barang, "
                 "substr(Tanggal, 1, 10) || ' 00:00:00', sum(sum(coalesce(Perubahan, 0))) OVER "
                 "(PARTITION BY Kode_Barang ORDER BY substr(Tanggal, 1, 10)), 0 FROM tmutasi "
                 "WHERE Kode_Barang <> '' AND Tanggal IS NOT NULL GROUP BY Kode_Barang, "
                 "substr(Tanggal, 1, 10)");
    }
    db->exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion).toUtf8().constData());
    t->commit();
    t.reset();
    makePrivate(info.absolutePath());
    for (const char *suffix : { "", "-wal", "-shm" }) {
        if (QFileInfo::exists(info.absoluteFilePath() + QLatin1String(suffix)))
            makePrivate(info.absoluteFilePath() + QLatin1String(suffix));
    }
}

void upgradeDatabaseFile(const QString &path, DbRole role)
{
    // The version is read from the file's header (bytes 60 to 63, big-endian): no connection
    // is opened for a file that is up to date.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Database %1 tidak dapat dibaca: %2.")
                           .arg(QDir::toNativeSeparators(path), file.errorString()),
                       AppError::Kind::CannotOpen);
    const QByteArray header = file.read(64);
    file.close();
    const int version = header.size() == 64 ? int(uchar(header[60])) << 24
            | int(uchar(header[61])) << 16 | int(uchar(header[62])) << 8 | int(uchar(header[63]))
                                            : 0;
    if (version < kSchemaVersion)
        createDatabaseFile(path, role);
}

} // namespace gudang
