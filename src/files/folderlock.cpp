#include "folderlock.h"
#include "core/privatefile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSysInfo>
#include <cerrno>
#include <csignal>
#include <sys/stat.h>

namespace gudang {

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// True while a process with this id runs on this computer.
bool processRuns(qint64 pid)
{
    if (pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
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

} // namespace gudang
