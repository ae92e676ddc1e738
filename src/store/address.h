#pragma once

#include <QString>

namespace gudang {

// A server address as messages name it: the connection string without a password of any kind.
QString serverDisplayName(const QString &address);
// Whether a connection string names a password (password or sslpassword); and what is wrong
// with one that libpq cannot read (empty when it reads).
bool conninfoHasPassword(const QString &conninfo);
QString conninfoError(const QString &conninfo);

} // namespace gudang
