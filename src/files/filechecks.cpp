#include "filechecks.h"
#include "store/sqlite/sqlitefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace gudang {

namespace {

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

} // namespace

namespace {

// The damage a file's header and size show.
QString headerDamage(const QString &path)
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
    return {};
}

} // namespace

QString damageOf(const QString &path, Check check)
{
    if (const QString damage = headerDamage(path); !damage.isEmpty() || check == Check::Header)
        return damage;
    return sqlitePageCheck(path, check == Check::Full);
}

FileFindings inspectFile(const QString &path, DbRole role, Check check)
{
    FileFindings found;
    found.damage = headerDamage(path);
    if (!found.damage.isEmpty())
        return found;
    if (check == Check::Full) {
        found.damage = sqlitePageCheck(path, true);
        if (found.damage.isEmpty())
            found.foreign = foreignOf(path, role);
        return found;
    }
    const SqliteInspection inspected = sqliteInspect(path, role, check == Check::Quick);
    found.damage = inspected.damage;
    found.foreign = inspected.foreign.join(QStringLiteral("; "));
    return found;
}

QString foreignOf(const QString &path, DbRole role)
{
    return sqliteForeignObjects(path, role);
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

} // namespace gudang
