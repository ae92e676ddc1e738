#pragma once

#include "locations.h"
#include "schema.h"

#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>

namespace gudang {

// One program per data folder: the lock file DIR/gudang.lock, taken over when the program that
// held it is gone. Returns null and says why in `why` when another program holds it.
std::unique_ptr<QLockFile> lockDataFolder(const Locations &locations, QString *why);

// How deep a damage check reads: the header and size alone (a moment at any size), then
// SQLite's quick check of every page, or its full integrity check.
enum class Check { Header, Quick, Full };
// Why a database file cannot be trusted, in the user's words; empty when it is sound. The file
// is only read: its header and size are checked, then (beyond `Check::Header`) SQLite's own
// check runs on a read-only connection.
QString damageOf(const QString &path, Check check = Check::Quick);

// A clean end leaves a note of each database file as it was left (DIR/gudang.selesai: size,
// times and inode of the file and its log). The next start takes the note (it is removed at
// once, so that an end that is not clean leaves none) and trusts the page check of the last
// run for a file the note still matches; any other file is checked page by page again.
void recordCleanEnd(const Locations &locations);
class CleanEnd
{
public:
    // Takes the note from the data folder; none there means nothing is trusted.
    static CleanEnd take(const Locations &locations);
    // True when the note names the file and it, and its log, are as the note says.
    bool unchanged(const QString &path) const;

private:
    QString m_locations; // the data folder
    std::map<QString, QString> m_files; // file name within the data folder -> its state
};

// What a sound database file holds that is not of its role, in the user's words: a table of
// the role missing or with other columns, or any table, view, trigger or index Gudang did not
// make. Empty when it holds just what Gudang makes there. The file is only read.
QString foreignOf(const QString &path, DbRole role);

// Why the program cannot write the database file (or its folder, where SQLite keeps its log),
// in the user's words; empty when it can.
QString unwritableOf(const QString &path);

// The data folder and everything in it are for the user alone: folders 0700, files 0600,
// whatever the umask. Narrows what is wider; returns the paths it narrowed.
QStringList makeDataPrivate(const Locations &locations);
// A created file or folder for the user alone (0600 or 0700).
void makePrivate(const QString &path);

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
