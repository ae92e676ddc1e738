#pragma once

#include "core/locations.h"

#include <QLockFile>
#include <QString>
#include <QStringList>
#include <memory>

namespace gudang {

// One program per data folder: the lock file DIR/gudang.lock, taken over when the program that
// held it is gone. Returns null and says why in `why` when another program holds it.
std::unique_ptr<QLockFile> lockDataFolder(const Locations &locations, QString *why);

// The data folder and everything in it are for the user alone: folders 0700, files 0600,
// whatever the umask. Narrows what is wider; returns the paths it narrowed.
QStringList makeDataPrivate(const Locations &locations);

} // namespace gudang
