#include "safekeeping.h"
#include "apperror.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <set>
#include <sqlite3.h>
#include <sys/stat.h>
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

// What the database holds that is not of the role; empty when nothing.
QStringList foreignObjects(const ReadOnly &db, DbRole role)
{
    QStringList problems;
    std::set<QString> ours;
    for (const TableDef *t : tablesOf(role)) {
        ours.insert(t->name);
        bool ok = false;
        const QByteArray sql
            = QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(t->name).toUtf8();
        const QStringList cols = db.column(sql.constData(), &ok);
        QStringList want;
        for (const ColumnDef &c : t->columns)
            want << c.name;
        // A table of a later version is made when the file is first opened by this program.
        if (ok && cols.isEmpty() && t->since > 1)
            continue;
        if (!ok || cols.isEmpty())
            problems << QStringLiteral("tabel %1 tidak ada").arg(t->name);
        else if (cols != want)
            problems << QStringLiteral("kolom tabel %1 lain (%2)")
                            .arg(t->name, cols.join(QStringLiteral(", ")));
    }
    bool ok = false;
    const QStringList objects
        = db.column("SELECT type || ' ' || name FROM sqlite_schema ORDER BY rowid", &ok);
    if (!ok)
        return { QStringLiteral("daftar isinya tidak dapat dibaca: %1").arg(db.error()) };
    static const std::map<QString, QString> kinds = {
        { QStringLiteral("table"), QStringLiteral("tabel") },
        { QStringLiteral("view"), QStringLiteral("view") },
        { QStringLiteral("trigger"), QStringLiteral("trigger") },
        { QStringLiteral("index"), QStringLiteral("index") },
    };
    for (const QString &o : objects) {
        const QString type = o.section(QLatin1Char(' '), 0, 0);
        const QString name = o.section(QLatin1Char(' '), 1);
        if (type == QLatin1String("table")
            && (ours.count(name) || name == QLatin1String("sqlite_sequence")))
            continue;
        if (type == QLatin1String("index") && name.startsWith(QLatin1String("sqlite_autoindex_")))
            continue;
        const auto k = kinds.find(type);
        problems << QStringLiteral("%1 %2 yang tidak dibuat Gudang")
                        .arg(k == kinds.end() ? type : k->second, name);
    }
    return problems;
}

// The role whose tables the database holds, or false.
bool roleOf(const ReadOnly &db, DbRole *role)
{
    for (DbRole r : { DbRole::Working, DbRole::Credentials }) {
        bool all = true;
        for (const TableDef *t : tablesOf(r)) {
            if (t->since > 1)
                continue;
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

// True while a process with this id runs on this computer.
bool processRuns(qint64 pid)
{
    if (pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
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
    if (lock->tryLock(0)) {
        makePrivate(locations.dataDir() + QStringLiteral("/gudang.lock"));
        return lock;
    }
    qint64 pid = 0;
    QString host, app;
    const bool known = lock->getLockInfo(&pid, &host, &app);
    const bool here = host.isEmpty() || host == QSysInfo::machineHostName();
    if (known && here && !processRuns(pid)) {
        // The holder is gone, but its lock file could not be taken over.
        *why = QStringLiteral("Kunci %1 dipegang proses yang sudah tidak berjalan (proses %2), "
                              "tetapi tidak dapat diambil alih: folder data %3 tidak dapat "
                              "ditulis. Periksa izin tulis folder itu (dan apakah disknya "
                              "dipasang hanya-baca); setelah itu Gudang mengambil alih kunci "
                              "itu sendiri.")
                   .arg(native(locations.dataDir() + QStringLiteral("/gudang.lock")))
                   .arg(pid)
                   .arg(native(locations.dataDir()));
    } else if (lock->error() == QLockFile::LockFailedError) {
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

QString damageOf(const QString &path, Check check)
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
    if (check == Check::Header)
        return {};
    ReadOnly db(path);
    if (!db.ok())
        return QStringLiteral("file tidak dapat dibuka: %1").arg(db.error());
    bool ok = false;
    const QStringList result
        = db.column(check == Check::Full ? "PRAGMA integrity_check" : "PRAGMA quick_check", &ok);
    if (!ok)
        return QStringLiteral("pemeriksaan database gagal: %1").arg(db.error());
    if (result != QStringList { QStringLiteral("ok") })
        return QStringLiteral("pemeriksaan database menemukan kerusakan: %1").arg(result.value(0));
    return {};
}

namespace {

QString cleanEndNote(const Locations &locations)
{
    return locations.dataDir() + QStringLiteral("/gudang.selesai");
}

// What a file is now: size, change and status-change times to the nanosecond, inode; the
// status-change time moves with any write, whoever writes. Empty when there is no such file.
QString stateOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QStringLiteral("%1 %2.%3 %4.%5 %6")
        .arg(qint64(st.st_size))
        .arg(qint64(st.st_mtim.tv_sec))
        .arg(qint64(st.st_mtim.tv_nsec))
        .arg(qint64(st.st_ctim.tv_sec))
        .arg(qint64(st.st_ctim.tv_nsec))
        .arg(quint64(st.st_ino));
}

QString relativeName(const Locations &locations, const QString &path)
{
    return QDir(locations.dataDir()).relativeFilePath(path);
}

} // namespace

void recordCleanEnd(const Locations &locations)
{
    QByteArray note;
    for (const QString &path : { locations.credentialsPath(), locations.workingPath() }) {
        const QString state = stateOf(path);
        if (state.isEmpty())
            continue;
        // The log as well: a database is its file and its log together.
        note += (relativeName(locations, path) + QLatin1Char('\t') + state + QLatin1Char('\t')
                 + stateOf(path + QStringLiteral("-wal")) + QLatin1Char('\n'))
                    .toUtf8();
    }
    const QString target = cleanEndNote(locations);
    QFile f(target + QStringLiteral(".baru"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return; // no note: the next start checks every page, as after any other end
    makePrivate(f.fileName());
    const bool written = f.write(note) == note.size() && f.flush();
    f.close();
    if (!written
        || ::rename(QFile::encodeName(f.fileName()).constData(),
                    QFile::encodeName(target).constData())
            != 0)
        QFile::remove(f.fileName());
}

CleanEnd CleanEnd::take(const Locations &locations)
{
    CleanEnd end;
    QFile f(cleanEndNote(locations));
    if (!f.open(QIODevice::ReadOnly))
        return end;
    const QList<QByteArray> lines = f.readAll().split('\n');
    f.close();
    // Gone before any database is opened: from here on the files may change.
    if (!QFile::remove(f.fileName()))
        return end;
    for (const QByteArray &line : lines) {
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() == 3 && !parts[1].isEmpty())
            end.m_files[QString::fromUtf8(parts[0])]
                = QString::fromUtf8(parts[1]) + QLatin1Char('\t') + QString::fromUtf8(parts[2]);
    }
    end.m_locations = locations.dataDir();
    return end;
}

bool CleanEnd::unchanged(const QString &path) const
{
    const auto it = m_files.find(relativeName(Locations(m_locations), path));
    if (it == m_files.end())
        return false;
    const QString now = stateOf(path);
    return !now.isEmpty()
        && it->second == now + QLatin1Char('\t') + stateOf(path + QStringLiteral("-wal"));
}

QString foreignOf(const QString &path, DbRole role)
{
    ReadOnly db(path);
    if (!db.ok())
        return QStringLiteral("file tidak dapat dibuka: %1").arg(db.error());
    return foreignObjects(db, role).join(QStringLiteral("; "));
}

QString unwritableOf(const QString &path)
{
    const QFileInfo info(path);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    if (::access(folder.constData(), W_OK) != 0)
        return QStringLiteral("folder %1 hanya dapat dibaca (%2)")
            .arg(native(info.absolutePath()), QString::fromLocal8Bit(strerror(errno)));
    for (const char *suffix : { "", "-wal", "-shm" }) {
        const QByteArray name = QFile::encodeName(info.absoluteFilePath() + QLatin1String(suffix));
        if (::access(name.constData(), F_OK) == 0 && ::access(name.constData(), W_OK) != 0)
            return QStringLiteral("file %1 hanya dapat dibaca (%2)")
                .arg(native(info.absoluteFilePath() + QLatin1String(suffix)),
                     QString::fromLocal8Bit(strerror(errno)));
    }
    return {};
}

void makePrivate(const QString &path)
{
    const QFileInfo info(path);
    ::chmod(QFile::encodeName(path).constData(), info.isDir() ? 0700 : 0600);
}

QStringList makeDataPrivate(const Locations &locations)
{
    QStringList narrowed;
    auto narrow = [&narrowed](const QString &path) {
        struct stat st;
        const QByteArray name = QFile::encodeName(path);
        if (::lstat(name.constData(), &st) != 0 || S_ISLNK(st.st_mode))
            return;
        const mode_t want = S_ISDIR(st.st_mode) ? 0700 : 0600;
        if ((st.st_mode & 0777 & ~want) != 0 && ::chmod(name.constData(), want) == 0)
            narrowed << path;
    };
    narrow(locations.dataDir());
    QDirIterator it(locations.dataDir(),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        narrow(it.next());
    return narrowed;
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
    if (locations.onServer())
        return QStringLiteral("Data ada di server PostgreSQL; cadangannya dibuat dan dipulihkan "
                              "dengan pg_dump dan pg_restore oleh pengelola server.");
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
    if (why.isEmpty())
        makePrivate(temp);
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
    makePrivate(folder);
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
    const QString damage = damageOf(backup, Check::Full);
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
        // Only what Gudang makes is taken in: a trigger or view could change the data later.
        const QStringList foreign = foreignObjects(db, role);
        if (!foreign.isEmpty())
            throw AppError(QStringLiteral("File %1 tidak dipulihkan: berisi %2. Cadangan Gudang "
                                          "hanya berisi tabel Gudang.")
                               .arg(native(backup), foreign.join(QStringLiteral("; "))));
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
