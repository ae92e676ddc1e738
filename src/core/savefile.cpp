#include "savefile.h"
#include "apperror.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gudang {

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

Locations &protectedFolder()
{
    static Locations locations { QString() };
    return locations;
}

bool &protecting()
{
    static bool on = false;
    return on;
}

// The folder's path with every link resolved; the path itself when it does not exist.
QString canonicalFolder(const QString &folder)
{
    const QString c = QFileInfo(folder).canonicalFilePath();
    return c.isEmpty() ? QDir::cleanPath(folder) : c;
}

// Whether `path` (its folder resolved) is one of the data folder's own files.
bool ownFile(const QString &path)
{
    const Locations &loc = protectedFolder();
    const QFileInfo info(path);
    const QString folder = canonicalFolder(info.absolutePath());
    const QString name = info.fileName();
    const QString data = canonicalFolder(loc.dataDir());
    if (folder == canonicalFolder(loc.credentialsFolder())
        || folder == canonicalFolder(loc.workingFolder())) {
        if (name.startsWith(QLatin1String("BARANG.db")) || name.endsWith(QLatin1String(".rpt")))
            return true;
    }
    if (folder == data
        && (name.startsWith(QLatin1String("gudang.")) || name == QLatin1String("server.conf")))
        return true;
    return folder == canonicalFolder(loc.dataDir() + QStringLiteral("/backup"))
        || folder.startsWith(canonicalFolder(loc.dataDir() + QStringLiteral("/backup"))
                             + QLatin1Char('/'));
}

bool sqliteDatabase(const QString &path)
{
    QFile f(path);
    const QFileInfo info(path);
    if (!info.isFile() || !f.open(QIODevice::ReadOnly))
        return false;
    return f.read(16) == QByteArray("SQLite format 3\0", 16);
}

} // namespace

void protectDataFolder(const Locations &locations)
{
    protectedFolder() = Locations(locations.dataDir());
    protecting() = true;
}

QString protectedTarget(const QString &target)
{
    const QString absolute = QFileInfo(target).absoluteFilePath();
    // The path as given, and the file a link there points to.
    QStringList paths { absolute };
    const QFileInfo info(absolute);
    if (info.isSymLink())
        paths << info.canonicalFilePath();
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        if (protecting() && ownFile(path))
            return QStringLiteral("File %1 tidak ditulis: file itu milik data Gudang di %2. "
                                  "Pilih nama atau folder lain.")
                .arg(native(absolute), native(protectedFolder().dataDir()));
        if (sqliteDatabase(path))
            return QStringLiteral("File %1 tidak ditulis: file itu sebuah database. Pilih nama "
                                  "lain.")
                .arg(native(absolute));
    }
    return {};
}

SaveFile::SaveFile(QString target)
    : m_target(std::move(target))
{
    if (const QString why = protectedTarget(m_target); !why.isEmpty())
        throw AppError(why, AppError::Kind::Refused);
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        m_partPath
            = QStringLiteral("%1.sebagian-%2")
                  .arg(m_target)
                  .arg(QRandomGenerator::system()->generate() % 1000000, 6, 10, QLatin1Char('0'));
        fd = ::open(QFile::encodeName(m_partPath).constData(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw AppError(
            QStringLiteral("File %1 tidak dapat ditulis: %2.").arg(native(m_target), errnoText()));
    if (!m_part.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlink(QFile::encodeName(m_partPath).constData());
        throw AppError(QStringLiteral("File %1 tidak dapat ditulis: %2.")
                           .arg(native(m_target), m_part.errorString()));
    }
}

SaveFile::~SaveFile()
{
    if (m_done)
        return;
    m_part.close();
    ::unlink(QFile::encodeName(m_partPath).constData());
}

void SaveFile::write(const QByteArray &bytes)
{
    if (m_part.write(bytes) != bytes.size())
        throw AppError(QStringLiteral("File %1 tidak dapat ditulis: %2.")
                           .arg(native(m_target), m_part.errorString()));
}

void SaveFile::commit()
{
    if (!m_part.flush() || ::fsync(m_part.handle()) != 0)
        throw AppError(QStringLiteral("File %1 tidak dapat ditulis: %2.")
                           .arg(native(m_target), m_part.errorString()));
    m_part.close();
    // Checked again at the end: the target may have become one of ours meanwhile.
    if (const QString why = protectedTarget(m_target); !why.isEmpty())
        throw AppError(why, AppError::Kind::Refused);
    if (::rename(QFile::encodeName(m_partPath).constData(), QFile::encodeName(m_target).constData())
        != 0)
        throw AppError(
            QStringLiteral("File %1 tidak dapat ditulis: %2.").arg(native(m_target), errnoText()));
    m_done = true;
    // The rename itself reaches the disk with the folder.
    const int dir = ::open(QFile::encodeName(QFileInfo(m_target).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace gudang
