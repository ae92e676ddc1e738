#pragma once

#include <QString>

namespace gudang {

// Where a table lives: a database file of SQLite (its path), or a PostgreSQL server, written
// as "server:" followed by its libpq connection string or URI. Record sources, reports and the
// start take either, so that the screens do not know which store they use.
QString serverAddress(const QString &conninfo);
bool isServerAddress(const QString &address);
// The connection string of a server address.
QString serverConninfo(const QString &address);
// A server address as messages name it: the connection string without a password.
QString serverDisplayName(const QString &address);
// Whether a connection string names a password; and what is wrong with one that libpq cannot
// read (empty when it reads).
bool conninfoHasPassword(const QString &conninfo);
QString conninfoError(const QString &conninfo);

} // namespace gudang
