#include "database.h"
#include "apperror.h"
#include "safekeeping.h"

#include <QDir>
#include <QFileInfo>
#include <map>
#include <sqlite3.h>

namespace gudang {

namespace {

// The log of a file in steady use: SQLite checkpoints it at 1000 pages of 4 KiB.
constexpr qint64 kWorkingLogBytes = 4 * 1024 * 1024 + 64 * 1024;

std::map<QString, std::weak_ptr<Database>> &pool()
{
    static std::map<QString, std::weak_ptr<Database>> p;
    return p;
}

QString describe(int rc, sqlite3 *db)
{
    const int primary = rc & 0xff;
    switch (primary) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("database sedang dipakai program lain; coba lagi sebentar lagi");
    case SQLITE_FULL:
        return QStringLiteral("disk penuh; kosongkan ruang disk lalu coba lagi");
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return QStringLiteral("database hanya dapat dibaca; periksa izin file itu lalu coba lagi");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("file database rusak atau bukan database");
    case SQLITE_CANTOPEN:
        return QStringLiteral("file tidak dapat dibuka");
    case SQLITE_IOERR:
        return QStringLiteral("kesalahan baca/tulis disk");
    default:
        break;
    }
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

} // namespace

Statement::Statement(Database &db, const char *sql)
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

Database::Database(QString path, sqlite3 *db)
    : m_path(std::move(path))
    , m_db(db)
{ }

Database::~Database()
{
    m_begin.reset();
    m_commit.reset();
    // The last record source on the file is gone: a quiet moment. A log grown past its working
    // size by a big transaction is cut back as the connection closes (SQLite checkpoints it and
    // truncates it to the size limit); a log of working size stays, so that the next commits
    // reuse its blocks.
    const qint64 logSize = QFileInfo(m_path + QStringLiteral("-wal")).size();
    if (logSize > kWorkingLogBytes)
        sqlite3_exec(m_db, "PRAGMA journal_size_limit=0", nullptr, nullptr, nullptr);
    sqlite3_close_v2(m_db);
}

sqlite3 *Database::openHandle(const QString &path, bool create)
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
        const QString why = describe(rc, db);
        sqlite3_close_v2(db);
        throw AppError(QStringLiteral("Database %1 tidak dapat dibuka: %2.")
                           .arg(QDir::toNativeSeparators(path), why));
    }
    return db;
}

std::shared_ptr<Database> Database::open(const QString &path)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    auto &p = pool();
    if (auto existing = p[key].lock())
        return existing;
    if (!QFileInfo::exists(key)) {
        throw AppError(QStringLiteral("Database %1 tidak dapat dibuka: file tidak ditemukan.")
                           .arg(QDir::toNativeSeparators(key)));
    }
    std::shared_ptr<Database> db(new Database(key, openHandle(key, false)));
    p[key] = db;
    return db;
}

void Database::create(const QString &path, DbRole role)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        throw AppError(QStringLiteral("Folder %1 tidak dapat dibuat.")
                           .arg(QDir::toNativeSeparators(info.absolutePath())));
    }
    // Tables are never made inside a file that holds something else.
    if (info.exists()) {
        const QString foreign = foreignOf(info.absoluteFilePath(), role);
        if (!foreign.isEmpty())
            throw AppError(QStringLiteral("File %1 sudah ada dan bukan database Gudang (%2); "
                                          "file itu tidak diubah.")
                               .arg(QDir::toNativeSeparators(info.absoluteFilePath()), foreign));
    }
    std::shared_ptr<Database> db = pool()[info.absoluteFilePath()].lock();
    std::unique_ptr<Database> own;
    if (!db)
        own.reset(new Database(info.absoluteFilePath(), openHandle(path, true)));
    Database &d = db ? *db : *own;
    Transaction t(d);
    const bool hadJournal = role == DbRole::Working && tableExists(d, "tmutasi");
    for (const TableDef *table : tablesOf(role))
        d.exec(createTableSql(*table).toUtf8().constData());
    if (role == DbRole::Working && !hadJournal) {
        // The journal begins with the stock as it stands: one opening balance per code.
        d.exec("INSERT INTO tmutasi (Waktu, Pengguna, Jenis, Kode_Barang, Perubahan, Stok_Akhir, "
               "Keterangan) SELECT strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'), '', "
               "'saldo awal', Kode_Barang, coalesce(Jumlah_Stok, 0), coalesce(Jumlah_Stok, 0), "
               "'stok saat jurnal dimulai' FROM tstok ORDER BY rowid");
    }
    d.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion).toUtf8().constData());
    t.commit();
    makePrivate(info.absolutePath());
    for (const char *suffix : { "", "-wal", "-shm" }) {
        if (QFileInfo::exists(info.absoluteFilePath() + QLatin1String(suffix)))
            makePrivate(info.absoluteFilePath() + QLatin1String(suffix));
    }
}

bool Database::tableExists(Database &db, const char *table)
{
    Statement st(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?");
    sqlite3_bind_text(st.get(), 1, table, -1, SQLITE_STATIC);
    return st.step();
}

void Database::upgrade(const QString &path, DbRole role)
{
    // The version is read from the file's header (bytes 60 to 63, big-endian): no connection
    // is opened for a file that is up to date.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray header = file.read(64);
    file.close();
    const int version = header.size() == 64 ? int(uchar(header[60])) << 24
            | int(uchar(header[61])) << 16 | int(uchar(header[62])) << 8 | int(uchar(header[63]))
                                            : 0;
    if (version < kSchemaVersion)
        create(path, role);
}

void Database::exec(const char *sql)
{
    char *err = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK)
        fail(rc, QStringLiteral("Perintah database gagal"));
}

void Database::readyForWrite()
{
    if (m_transaction || (!m_stale && sqlite3_db_readonly(m_db, "main") != 1))
        return;
    sqlite3 *fresh = openHandle(m_path, false);
    m_begin.reset();
    m_commit.reset();
    // Statements still prepared on the old connection keep it until they are finalised.
    sqlite3_close_v2(m_db);
    m_db = fresh;
    m_stale = false;
    ++m_generation;
}

void Database::fail(int rc, const QString &what) const
{
    switch (rc & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_FULL:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
        m_stale = true;
        break;
    default:
        break;
    }
    throw AppError(QStringLiteral("%1 (%2): %3.")
                       .arg(what, QDir::toNativeSeparators(m_path), describe(rc, m_db)));
}

void Database::runKept(std::unique_ptr<Statement> &kept, const char *sql)
{
    if (!kept)
        kept = std::make_unique<Statement>(*this, sql);
    kept->step(); // a failing step resets the statement itself
    kept->reset();
    kept->reset();
}

void Database::addUndo(std::function<void()> undo)
{
    if (m_transaction)
        m_transaction->m_undo.push_back(std::move(undo));
}

Database::Transaction::Transaction(Database &db)
    : m_db(db)
{
    if (db.m_transaction)
        throw AppError(QStringLiteral("Transaksi database sudah berjalan."));
    db.readyForWrite();
    db.runKept(db.m_begin, "BEGIN IMMEDIATE");
    db.m_transaction = this;
}

Database::Transaction::~Transaction()
{
    if (m_done)
        return;
    sqlite3_exec(m_db.m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_db.m_transaction = nullptr;
    for (auto it = m_undo.rbegin(); it != m_undo.rend(); ++it)
        (*it)();
}

void Database::Transaction::commit()
{
    m_db.runKept(m_db.m_commit, "COMMIT");
    m_done = true;
    m_db.m_transaction = nullptr;
}

} // namespace gudang
