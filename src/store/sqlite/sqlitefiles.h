#pragma once

#include "core/schema.h"
#include "store/copysource.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace gudang {

// What the program's files need of SQLite itself, each on a read-only connection of its own
// that never writes the file.

// Why the file's pages cannot be trusted, in the user's words (SQLite's quick check of every
// page, or with `full` its integrity check); empty when sound.
QString sqlitePageCheck(const QString &path, bool full);
// What a sound file holds that is not of the role, each said for the user: a table of the
// role missing or with other columns, or any table, view, trigger or index Gudang did not make.
// A file that cannot be opened gives one entry that says so.
QStringList sqliteForeignList(const QString &path, DbRole role);
inline QString sqliteForeignObjects(const QString &path, DbRole role)
{
    return sqliteForeignList(path, role).join(QStringLiteral("; "));
}
// The role whose tables the file holds; false when it holds neither's.
bool sqliteRoleOf(const QString &path, DbRole *role);
// Copies the database online into `target` (VACUUM INTO, a new file); failures throw AppError
// with SQLite's reason in the description.
void sqliteVacuumInto(const QString &path, const QString &target);
// The file's tables as one snapshot, for a copy to another store.
std::unique_ptr<CopySource> openSqliteCopySource(const QString &path);

} // namespace gudang
