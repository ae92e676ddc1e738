#pragma once

#include "core/schema.h"
#include "store/copysource.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

namespace gudang {

// What the program's files need of SQLite itself, each on a read-only connection of its own
// that never writes the file.

// Why the file's pages cannot be trusted, in the user's words (SQLite's quick check of every
// page, or with `full` its integrity check); empty when sound. `stop`, set from another thread,
// ends the check early (the result then says so).
QString sqlitePageCheck(const QString &path, bool full, const std::atomic<bool> *stop = nullptr);
// What a sound file holds that is not of the role, each said for the user: a table of the
// role missing or with other columns, or any table, view, trigger or index Gudang did not make.
// A file that cannot be opened gives one entry that says so.
QStringList sqliteForeignList(const QString &path, DbRole role);
inline QString sqliteForeignObjects(const QString &path, DbRole role)
{
    return sqliteForeignList(path, role).join(QStringLiteral("; "));
}
// Both at once, on one connection: SQLite's quick check of every page (when `pages`) and, when
// the pages are sound, what the file holds that is not of the role.
struct SqliteInspection
{
    QString damage;
    QStringList foreign;
};
SqliteInspection sqliteInspect(const QString &path, DbRole role, bool pages);
// The role whose tables the file holds; false when it holds neither's.
bool sqliteRoleOf(const QString &path, DbRole *role);
// Copies the database online into `target` (VACUUM INTO, a new file); failures throw AppError
// with SQLite's reason in the description.
void sqliteVacuumInto(const QString &path, const QString &target);
// Called before any write transaction begins on the file at `path` (an absolute path): it may
// wait, or throw AppError to refuse the write. An empty gate removes it.
using WriteGate = std::function<void()>;
void setSqliteWriteGate(const QString &path, WriteGate gate);

// The file's tables as one snapshot, for a copy to another store.
std::unique_ptr<CopySource> openSqliteCopySource(const QString &path);

} // namespace gudang
