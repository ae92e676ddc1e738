#pragma once

#include "core/rights.h"

#include <QByteArray>
#include <QString>

namespace gudang {

class PgDatabase;

// The roles of one store's database on a server: its three groups (pemilik, gudang, kasir),
// named after the database so that a person of one store has no right in another's, and the
// two roles that own its functions.
struct StoreRoles
{
    QByteArray groups[3];
    QByteArray posting; // owns the posting, the log and the role function
    QByteArray persons; // owns the functions that make and change people (may make roles)
};
StoreRoles storeRoles(const QString &database);
// A name quoted as an identifier of the server's SQL.
QByteArray pgIdent(const QByteArray &name);
QByteArray storeGroup(const StoreRoles &roles, Role role);

// The store's roles, its functions (the posting, user management, the log) and the grants that
// give each group exactly what its role may do; inside the running transaction of the server's
// preparation. Says which roles own the functions when a superuser prepared the store (empty
// otherwise).
QString prepareRoles(PgDatabase &db);

} // namespace gudang
