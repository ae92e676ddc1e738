#pragma once

#include "core/rights.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace gudang {

// On a server every person is a login role of the server, member of the group role of their
// program role in that store's database (gudang_<database>_pemilik, _gudang, _kasir); the
// server checks the password and what each group may do. These are the program's calls for
// that.

// A person's own connection string: the server's connection string with their user and
// password (kept in memory only).
QString withServerLogin(const QString &conninfo, const QString &user, const QString &password);

// A connection opened as the person, or why not: decided by the server's SQLSTATE, never by
// its words.
struct ServerLogin
{
    bool opened = false;
    bool refused = false; // a wrong name or password (28P01)
    bool shut = false; // a role that may not log in or has no right to this store's database
    QString why; // in the program's words, when not opened
};
ServerLogin tryServerLogin(const QString &personConninfo);
// The same on a connection of its own, never one kept: whether the server still lets the
// person in now.
ServerLogin tryServerLoginAnew(const QString &personConninfo);

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

// The server's one posting: the stock row of the code held, tested, lowered, and the
// goods-out row with its journal row and the posting's token written, by the server in one
// statement. A token the server has already posted with is not posted again (Already: the row
// it wrote then).
struct ServerPosting
{
    enum class Outcome { Done, Already, CodeGone, NoStockValue, Short, AskEqual, NotAQuantity };
    Outcome outcome = Outcome::NotAQuantity;
    std::optional<double> stock; // as stored when decided (before the posting)
    std::optional<double> minimum;
    qint64 stockRowId = 0;
    qint64 outRowId = 0;
    qint64 outNumber = 0;
};
// `quantity` is the goods-out row's and the stock's; `confirmedAt` the stock at which the user
// said to take all of it; `token` the workstation's own for this posting; `user` the name the
// journal gives when the session is the store's own role (a person is named by the server). A
// connection lost before the answer throws AppError of Kind::Unsure.
ServerPosting serverPost(const QString &conninfo, const QString &code, const QDateTime &date,
                         double quantity, std::optional<double> confirmedAt, const QString &token,
                         const QString &user);
// The goods-out number of the posting with the token, none when the server has no such posting
// (one being written is waited for).
std::optional<qint64> serverPostingOf(const QString &conninfo, const QString &token);

} // namespace gudang
