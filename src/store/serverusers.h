#pragma once

#include "core/rights.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace gudang {

// On a server every person is a login role of the server, member of the group role of their
// program role (gudang_pemilik, gudang_gudang, gudang_kasir); the server checks the password
// and what each group may do. These are the program's calls for that.

// A person's own connection string: the server's connection string with their user and
// password (kept in memory only).
QString withServerLogin(const QString &conninfo, const QString &user, const QString &password);

// A connection opened as the person. `refused`: the server refused the name or password (or
// the role may not log in), as opposed to a server that cannot be reached.
struct ServerLogin
{
    bool opened = false;
    bool refused = false;
    QString why; // the server's words when not opened
};
ServerLogin tryServerLogin(const QString &personConninfo);

// Who the connection's session user is for the program.
struct ServerPerson
{
    std::optional<Role> role; // none: not a program user (the server's administrator)
    bool mustChangePassword = false;
    int schemaVersion = 0;
};
ServerPerson serverPerson(const QString &conninfo);

// The owner's user management, run by the server for a session user who is an owner (the
// server refuses anyone else). Passwords go to the server as SCRAM verifiers, never as text.
void serverAddUser(const QString &conninfo, const QString &name, const QString &password,
                   Role role);
void serverChangeUser(const QString &conninfo, const QString &name, Role role, bool active);
// Another user's password (the owner's reset: a new one is due at their next login), or the
// session user's own.
void serverSetPassword(const QString &conninfo, const QString &name, const QString &password,
                       bool mustChange);
// A row of the log of logins and user changes, written by the server with its session user as
// the one who did it. `when` (the time a failed login was tried at this workstation) goes into
// the remark.
void serverLog(const QString &conninfo, const QString &name, const QString &event,
               const QString &computer, const QString &remark);

// A posting on the server's own rules, for a role that may not change stock otherwise: the
// stock row of the code held, tested, lowered, and the goods-out row with its journal row
// written, by the server in one statement.
struct ServerPosting
{
    QString outcome; // "ok", "hilang" (no stock row), "kosong" (no stock value), "kurang",
                     // "sama" (the whole stock, not confirmed), "bukan" (not a quantity)
    std::optional<double> stock; // as stored when decided (before the posting)
    std::optional<double> minimum;
    qint64 stockRowId = 0;
    qint64 outRowId = 0;
    qint64 outNumber = 0;
};
// `stored` is the goods-out row's quantity as stored, `quantity` the one the stock is tested
// against; `confirmedAt` the stock at which the user said to take all of it.
ServerPosting serverPost(const QString &conninfo, const QString &code, const QDateTime &date,
                         double stored, double quantity, std::optional<double> confirmedAt);

} // namespace gudang
