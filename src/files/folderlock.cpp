#include "folderlock.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSysInfo>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

FolderLock::FolderLock(QString path, int fd)
    : m_path(std::move(path))
    , m_fd(fd)
{ }

FolderLock::~FolderLock()
{
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd); // and the flock() with it
}

std::unique_ptr<FolderLock> lockDataFolder(const Locations &locations, QString *why)
{
    QDir().mkpath(locations.dataDir());
    const QString path = locations.dataDir() + QStringLiteral("/gudang.lock");
    const QByteArray name = QFile::encodeName(path);
    qint64 pid = 0;
    int failure = 0; // why the lock file could not be made or written
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd
            = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            // Locked before a word is written, so nobody takes a lock file being written for
            // one left behind. Not synced to the disk: after a power cut its holder is gone,
            // and a lock nobody holds is taken over whatever it says.
            ::flock(fd, LOCK_EX | LOCK_NB);
            const QByteArray text = QByteArray::number(QCoreApplication::applicationPid()) + '\n'
                + QCoreApplication::applicationName().toUtf8() + '\n'
                + QSysInfo::machineHostName().toUtf8() + '\n';
            if (::write(fd, text.constData(), size_t(text.size())) == text.size())
                return std::make_unique<FolderLock>(path, fd);
            failure = errno;
            ::close(fd);
            ::unlink(name.constData());
            break;
        }
        if (errno != EEXIST) {
            failure = errno;
            break;
        }
        // There is one: held by a living program (its flock() stands), or left behind.
        const int held = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (held < 0)
            continue; // gone meanwhile: try again
        QByteArray text(256, '\0');
        const ssize_t got = ::read(held, text.data(), size_t(text.size()));
        text.truncate(got > 0 ? qsizetype(got) : 0);
        const QList<QByteArray> lines = text.split('\n');
        pid = lines.value(0).toLongLong();
        const QString host = QString::fromUtf8(lines.value(2));
        const bool here = host.isEmpty() || host == QSysInfo::machineHostName();
        const bool locked = ::flock(held, LOCK_EX | LOCK_NB) != 0;
        ::close(held);
        // (One from another computer sharing the folder is taken for alive: it cannot be asked.)
        if (locked || (pid > 0 && (!here || processRuns(pid)))) {
            *why = QStringLiteral("Gudang sudah berjalan dengan folder data %1 (proses %2). Tutup "
                                  "program itu dahulu; satu folder data hanya dipakai satu "
                                  "program.")
                       .arg(native(locations.dataDir()))
                       .arg(pid);
            return nullptr;
        }
        // Left by a program that is gone: taken over.
        if (::unlink(name.constData()) != 0 && errno != ENOENT) {
            *why = QStringLiteral("Kunci %1 dipegang proses yang sudah tidak berjalan (proses %2), "
                                  "tetapi tidak dapat diambil alih: folder data %3 tidak dapat "
                                  "ditulis. Periksa izin tulis folder itu (dan apakah disknya "
                                  "dipasang hanya-baca); setelah itu Gudang mengambil alih kunci "
                                  "itu sendiri.")
                       .arg(native(path))
                       .arg(pid)
                       .arg(native(locations.dataDir()));
            return nullptr;
        }
    }
    if (failure == ENOSPC || failure == EDQUOT)
        *why = QStringLiteral("Disk penuh: folder data %1 tidak dapat dikunci. Kosongkan ruang "
                              "di disk itu, lalu jalankan Gudang lagi.")
                   .arg(native(locations.dataDir()));
    else
        *why = QStringLiteral("Folder data %1 tidak dapat dikunci: periksa izin tulis folder itu.")
                   .arg(native(locations.dataDir()));
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
