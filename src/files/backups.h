#pragma once

#include "core/locations.h"
#include "core/schema.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace gudang {

// Backups live in DIR/backup as one file per database and run:
//   BARANG-data-YYYYMMDD-HHMMSS.db      working tables
//   BARANG-pengguna-YYYYMMDD-HHMMSS.db  credentials
QString backupFolder(const Locations &locations);
// The newest backup of the file of that role, or an empty string.
QString lastBackup(const Locations &locations, DbRole role);
// A sentence that says where the last backup of that role is, for messages.
QString lastBackupText(const Locations &locations, DbRole role);

// Copies both databases online (VACUUM INTO a temporary name, then renamed), at most once per
// calendar day of `now`, and keeps the last seven of each. Returns the files written (none when
// today's backup exists). Throws AppError when a copy fails; a failed copy leaves no file.
QStringList makeDailyBackups(const Locations &locations, const QDateTime &now);

// Writes one backup of the database at `path` to `target` (which must not exist).
void backupDatabase(const QString &path, const QString &target);

// Checks a backup file (sound, and holding the tables of one of our two databases) and puts it
// in place of the database of its role, all or nothing. Returns the path that was restored.
// Throws AppError, leaving every file as it was, when the backup is unfit or the copy fails.
QString restoreBackup(const Locations &locations, const QString &backup);

} // namespace gudang
