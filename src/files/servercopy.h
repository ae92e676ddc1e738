#pragma once

#include "core/locations.h"

#include <QString>

namespace gudang {

// Copies the data folder's tables to a server in one transaction (see copyFilesToServer),
// holding the folder's lock meanwhile, so that no program of ours writes the files during the
// copy; refused while one runs on the folder, or when a file is damaged. Returns the rows
// copied per table.
QString copyFolderToServer(const Locations &from, const QString &conninfo);

} // namespace gudang
