#include "safekeeping.h"
#include "apperror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <set>
#include <sqlite3.h>
#include <unistd.h>

namespace gudang {

namespace {

const char *kindOf(DbRole role)
{
    return role == DbRole::Working ? "data" : "pengguna";
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

uint32_t bigEndian(const unsigned char *p, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

// A read-only connection that closes itself.
class ReadOnly
{
public:
    explicit ReadOnly(const QString &path)
    {
        m_rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READONLY,
                               nullptr);
        if (m_rc == SQLITE_OK) {
            sqlite3_extended_result_codes(m_db, 1);
            sqlite3_busy_timeout(m_db, 2000);
        }
    }
    ~ReadOnly() { sqlite3_close_v2(m_db); }
    ReadOnly(const ReadOnly &) = delete;
    ReadOnly &operator=(const ReadOnly &) = delete;

    bool ok() const { return m_rc == SQLITE_OK; }
    sqlite3 *handle() const { return m_db; }
    QString error() const
    {
        return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                    : QString::fromUtf8(sqlite3_errstr(m_rc));
    }

    // The rows of the first column of a query; `ok` false when it failed.
    QStringList column(const char *sql, bool *ok) const
    {
        QStringList rows;
        sqlite3_stmt *st = nullptr;
        int rc = sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr);
        while (rc == SQLITE_OK && (rc = sqlite3_step(st)) == SQLITE_ROW) {
            rows << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
            rc = SQLITE_OK;
        }
        sqlite3_finalize(st);
        *ok = rc == SQLITE_DONE || rc == SQLITE_OK;
        return rows;
    }

private:
    sqlite3 *m_db = nullptr;
    int m_rc = SQLITE_OK;
};

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The role whose tables and columns the database holds, or false.
bool roleOf(const ReadOnly &db, DbRole *role)
{
    for (DbRole r : { DbRole::Working, DbRole::Credentials }) {
        bool all = true;
        for (const TableDef *t : tablesOf(r)) {
            bool ok = false;
            const QByteArray sql
                = QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(t->name).toUtf8();
            const QStringList cols = db.column(sql.constData(), &ok);
            std::set<QString> have(cols.begin(), cols.end());
            for (const ColumnDef &c : t->columns)
                all = all && ok && have.count(c.name) == 1;
        }
        if (all) {
            *role = r;
            return true;
        }
    }
    return false;
}

QStringList backupsOf(const Locations &locations, DbRole role)
{
    QDir dir(backupFolder(locations));
    QStringList names
        = dir.entryList({ QStringLiteral("BARANG-%1-*.db").arg(QLatin1String(kindOf(role))) },
                        QDir::Files, QDir::Name | QDir::Reversed);
    return names;
}

} // namespace

std::unique_ptr<QLockFile> lockDataFolder(const Locations &locations, QString *why)
{
    QDir().mkpath(locations.dataDir());
    auto lock = std::make_unique<QLockFile>(locations.dataDir() + QStringLiteral("/gudang.lock"));
    // Only a living program holds the lock; one left by a crashed run is taken over.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return lock;
    qint64 pid = 0;
    QString host, app;
    lock->getLockInfo(&pid, &host, &app);
    if (lock->error() == QLockFile::LockFailedError) {
        *why = QStringLiteral("Gudang sudah berjalan dengan folder data %1 (proses %2). Tutup "
                              "program itu dahulu; satu folder data hanya dipakai satu program.")
                   .arg(native(locations.dataDir()))
                   .arg(pid);
    } else {
        *why = QStringLiteral("Folder data %1 tidak dapat dikunci: periksa izin tulis folder itu.")
                   .arg(native(locations.dataDir()));
    }
    return nullptr;
}

QString damageOf(const QString &path, bool full)
{
    QFile file(path);
    if (!file.exists())
        return QStringLiteral("file tidak ditemukan");
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("file tidak dapat dibaca");
    const qint64 size = file.size();
    if (size == 0)
        return QStringLiteral("file kosong (0 byte)");
    const QByteArray head = file.read(100);
    file.close();
    if (head.size() < 100)
        return QStringLiteral("file terpotong (hanya %1 byte)").arg(size);
    if (!head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return QStringLiteral("file ini bukan database");
    const auto *h = reinterpret_cast<const unsigned char *>(head.constData());
    uint32_t pageSize = bigEndian(h + 16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        return QStringLiteral("kepala file database rusak");
    if (size % pageSize != 0)
        return QStringLiteral("file terpotong: ukurannya %1 byte bukan kelipatan halaman %2 byte")
            .arg(size)
            .arg(pageSize);
    const uint32_t pages = bigEndian(h + 28, 4);
    const bool pagesValid = pages != 0 && bigEndian(h + 24, 4) == bigEndian(h + 92, 4);
    if (pagesValid && qint64(pages) * pageSize > size)
        return QStringLiteral("file terpotong: ada %1 dari %2 halaman")
            .arg(size / pageSize)
            .arg(pages);
    ReadOnly db(path);
    if (!db.ok())
        return QStringLiteral("file tidak dapat dibuka: %1").arg(db.error());
    bool ok = false;
    const QStringList result
        = db.column(full ? "PRAGMA integrity_check" : "PRAGMA quick_check", &ok);
    if (!ok)
        return QStringLiteral("pemeriksaan database gagal: %1").arg(db.error());
    if (result != QStringList { QStringLiteral("ok") })
        return QStringLiteral("pemeriksaan database menemukan kerusakan: %1").arg(result.value(0));
    return {};
}

QString backupFolder(const Locations &locations)
{
    return locations.dataDir() + QStringLiteral("/backup");
}

QString lastBackup(const Locations &locations, DbRole role)
{
    const QStringList names = backupsOf(locations, role);
    return names.isEmpty() ? QString() : backupFolder(locations) + QLatin1Char('/') + names.first();
}

QString lastBackupText(const Locations &locations, DbRole role)
{
    const QString last = lastBackup(locations, role);
    if (last.isEmpty())
        return QStringLiteral("Belum ada cadangan di %1.").arg(native(backupFolder(locations)));
    return QStringLiteral("Cadangan terakhir: %1. Pulihkan dengan: gudang --restore \"%1\"")
        .arg(native(last));
}

void backupDatabase(const QString &path, const QString &target)
{
    const QString temp = target + QStringLiteral(".tmp");
    QFile::remove(temp);
    ReadOnly db(path);
    int rc = SQLITE_OK;
    QString why;
    if (!db.ok()) {
        why = db.error();
    } else {
        sqlite3_stmt *st = nullptr;
        rc = sqlite3_prepare_v2(db.handle(), "VACUUM INTO ?", -1, &st, nullptr);
        if (rc == SQLITE_OK) {
            const QByteArray name = QFile::encodeName(temp);
            sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            rc = sqlite3_step(st);
        }
        if (rc != SQLITE_DONE)
            why = db.error();
        sqlite3_finalize(st);
    }
    if (why.isEmpty() && !QFile::rename(temp, target))
        why = QStringLiteral("file %1 tidak dapat dibuat").arg(native(target));
    if (!why.isEmpty()) {
        QFile::remove(temp);
        throw AppError(
            QStringLiteral("Cadangan database %1 tidak dapat dibuat: %2.").arg(native(path), why));
    }
    syncFolder(QFileInfo(target).absolutePath());
}

QStringList makeDailyBackups(const Locations &locations, const QDateTime &now)
{
    const QString folder = backupFolder(locations);
    if (!QDir().mkpath(folder))
        throw AppError(
            QStringLiteral("Folder cadangan %1 tidak dapat dibuat.").arg(native(folder)));
    QStringList written;
    const QString day = now.toString(QStringLiteral("yyyyMMdd"));
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (DbRole role : { DbRole::Working, DbRole::Credentials }) {
        const QString source
            = role == DbRole::Working ? locations.workingPath() : locations.credentialsPath();
        if (!QFileInfo::exists(source))
            continue;
        const QString kind = QLatin1String(kindOf(role));
        const QStringList today = QDir(folder).entryList(
            { QStringLiteral("BARANG-%1-%2-*.db").arg(kind, day) }, QDir::Files);
        if (!today.isEmpty())
            continue;
        const QString target = QStringLiteral("%1/BARANG-%2-%3.db").arg(folder, kind, stamp);
        backupDatabase(source, target);
        written << target;
        const QStringList all = backupsOf(locations, role);
        for (qsizetype i = 7; i < all.size(); ++i)
            QFile::remove(folder + QLatin1Char('/') + all[i]);
    }
    return written;
}

QString restoreBackup(const Locations &locations, const QString &backup)
{
    const QString damage = damageOf(backup, true);
    if (!damage.isEmpty())
        throw AppError(QStringLiteral("File cadangan %1 tidak dapat dipakai: %2.")
                           .arg(native(backup), damage));
    DbRole role = DbRole::Working;
    {
        ReadOnly db(backup);
        if (!roleOf(db, &role))
            throw AppError(QStringLiteral("File %1 bukan cadangan database Gudang: tabelnya tidak "
                                          "sesuai.")
                               .arg(native(backup)));
    }
    const QString target
        = role == DbRole::Working ? locations.workingPath() : locations.credentialsPath();
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder))
        throw AppError(QStringLiteral("Folder %1 tidak dapat dibuat.").arg(native(folder)));

    // The copy is made complete beside the database first; only then are the files swapped,
    // and the file it replaces is kept as BARANG.db.sebelum-pulih with its log.
    const QString fresh = target + QStringLiteral(".pulih");
    QFile::remove(fresh);
    backupDatabase(backup, fresh);
    const QString old = target + QStringLiteral(".sebelum-pulih");
    for (const char *suffix : { "", "-wal", "-shm" })
        QFile::remove(old + QLatin1String(suffix));
    QStringList moved;
    bool ok = true;
    for (const char *suffix : { "", "-wal" }) {
        const QString from = target + QLatin1String(suffix);
        if (!QFileInfo::exists(from))
            continue;
        if (!QFile::rename(from, old + QLatin1String(suffix))) {
            ok = false;
            break;
        }
        moved << QLatin1String(suffix);
    }
    ok = ok && QFile::rename(fresh, target);
    if (!ok) {
        for (const QString &suffix : moved)
            QFile::rename(old + suffix, target + suffix);
        QFile::remove(fresh);
        throw AppError(QStringLiteral("Cadangan %1 tidak dapat dipulihkan: file di folder %2 "
                                      "tidak dapat diganti. Tidak ada yang berubah.")
                           .arg(native(backup), native(folder)));
    }
    QFile::remove(target + QStringLiteral("-shm"));
    syncFolder(folder);
    return target;
}

} // namespace gudang
