#pragma once

#include "core/locations.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace gudang {

// The lock of a data folder while it is held: the file DIR/gudang.lock, made by this program
// (its process id, name and computer in it) and locked with flock(); removed when let go. The
// kernel lets go of the flock() when the program ends in any way, so a lock file left by a
// crash is known for what it is.
class FolderLock
{
public:
    FolderLock(QString path, int fd);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

private:
    QString m_path;
    int m_fd = -1;
};

// One program per data folder: the lock file DIR/gudang.lock, taken over when the program that
// held it is gone. Returns null and says why in `why` when another program holds it.
std::unique_ptr<FolderLock> lockDataFolder(const Locations &locations, QString *why);

// The data folder and everything in it are for the user alone: folders 0700, files 0600,
// whatever the umask. Narrows what is wider; returns the paths it narrowed.
QStringList makeDataPrivate(const Locations &locations);

} // namespace gudang
