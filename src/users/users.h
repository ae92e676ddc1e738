#pragma once

#include "core/locations.h"
#include "core/rights.h"
#include "core/session.h"

#include <QDateTime>
#include <QString>
#include <vector>

namespace gudang {

struct LoginResult
{
    enum Outcome {
        LoggedIn,
        NoUsers, // no user at all
        UnknownUser,
        WrongPassword,
        Disabled,
        Wait, // too many wrong passwords for the name: `waitSeconds` until the next try
        NotReady, // a server whose tables are of an earlier version
    };
    Outcome outcome = UnknownUser;
    Session session;
    int waitSeconds = 0;
    QString why; // the message of Disabled, Wait and NotReady
};

// The wait before the next try after `failures` wrong passwords in a row: none for the first
// five, then 2 s doubling with each further one, never more than an hour.
int loginWaitSeconds(int failures);

// Checks a login against the first user and the active users; a server checks the password of
// a person it knows as a login role itself. Logins and failed ones are logged (the name, when,
// which computer); after five wrong passwords for a name each further try waits longer.
LoginResult logIn(const Locations &locations, const QString &name, const QString &password,
                  const QDateTime &now = QDateTime::currentDateTime());

// Whether the folder's own connection reaches the credentials (always on the files; on a server
// only where the folder's user has a password for it): where not, only the people the server
// knows log in, each as themselves.
bool folderConnectionOpens(const Locations &locations);
// Whether the server no longer lets the session's person in (disabled by the owner, or no right
// to the store any more); always false on the files and for the first user.
bool sessionShut(const Session &session);

// The computer's name as the log names it.
QString computerName();

// The users, the first one first.
struct UserEntry
{
    QString name;
    Role role = Role::Pemilik;
    bool active = true;
    bool mustChangePassword = false;
    bool first = false;
};
std::vector<UserEntry> listUsers(const Session &by);

// The owner's changes of users; each refused (AppError) for anyone but an owner, and each
// logged. The first user is changed only on the change-of-password screen, and the last active
// owner can never be disabled or demoted.
void addUser(const Session &by, const QString &name, const QString &password, Role role);
void changeUser(const Session &by, const QString &name, Role role, bool active);
// A new password set by the owner: the user sets their own at their next login.
void resetPassword(const Session &by, const QString &name, const QString &password);

// Whether the typed pair is the session user's own.
bool ownCredentialsMatch(const Session &session, const QString &name, const QString &password);
// The session user's own name and password (a new name only for the first user on a data
// folder's files, and for any user there); the session takes the new name.
void changeOwnCredentials(Session &session, const QString &newName, const QString &newPassword);

} // namespace gudang
