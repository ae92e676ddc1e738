#include "backups.h"
#include "core/apperror.h"
#include "core/privatefile.h"
#include "filechecks.h"
#include "store/sqlite/sqlitefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
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

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
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
    QString why;
    try {
        sqliteVacuumInto(path, temp);
    } catch (const AppError &e) {
        why = e.description();
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
    if (!sqliteRoleOf(backup, &role))
        throw AppError(QStringLiteral("File %1 bukan cadangan database Gudang: tabelnya tidak "
                                      "sesuai.")
                           .arg(native(backup)));
    // Only what Gudang makes is taken in: a trigger or view could change the data later.
    const QStringList foreign = sqliteForeignList(backup, role);
    if (!foreign.isEmpty())
        throw AppError(QStringLiteral("File %1 tidak dipulihkan: berisi %2. Cadangan Gudang "
                                      "hanya berisi tabel Gudang.")
                           .arg(native(backup), foreign.join(QStringLiteral("; "))));
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
