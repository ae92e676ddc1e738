#include "cleanend.h"
#include "core/privatefile.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <sys/stat.h>

namespace gudang {

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
} // namespace gudang
