#pragma once

#include "core/schema.h"

#include <QString>

namespace gudang {

// Creates the database file of that role with its folder and tables when they are missing
// (a file that holds anything else is refused, unchanged); a table of a later schema version
// is added to an existing file and the file's version set. Never empties a file.
void createDatabaseFile(const QString &path, DbRole role);
// An existing file of an earlier schema version is brought up to this program's; a file that
// cannot be read fails with AppError.
void upgradeDatabaseFile(const QString &path, DbRole role);

// The tables of ours on a server, all in one database (credentials beside the working
// tables), and a schema version. Returns what it did, for the terminal; a database holding a
// table of ours with other columns is refused with AppError and nothing is created.
QString initServer(const QString &conninfo);
// Empty when the server holds every table of ours as the program needs it; otherwise what is
// missing or different, said for the user.
QString serverSchemaProblem(const QString &conninfo);
// Brings the tables on a server of an earlier schema version up to this program's.
void upgradeServer(const QString &conninfo);

// True when the credentials table at the address holds no row (the first-run window is due).
bool storeHasNoUsers(const QString &address);

// Copies the tables of a data folder's two files to a server in one transaction, all read
// from one snapshot of each file, after creating the tables there where they are missing.
// Refuses a server whose tables already hold rows. Returns the rows copied per table.
QString copyFilesToServer(const QString &credentialsPath, const QString &workingPath,
                          const QString &conninfo);

} // namespace gudang
