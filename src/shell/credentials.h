#pragma once

#include <QString>

class QLineEdit;

namespace gudang {

// Passwords are kept as Argon2id strings, never as the typed text.
QString hashPassword(const QString &password);
// Tests only: hash with the cheapest Argon2id setting, so that suites run fast. A stored
// string carries its own setting, so verifying is the same either way.
void useCheapPasswordHashingForTests();
// True when the typed password matches the stored string.
bool verifyPassword(const QString &stored, const QString &typed);

class Dialogs;
class RecordSource;
// The check the login and change-password screens share: the current credentials row against
// the typed user and password. "User tidak dikenal" empties both fields, "Password Salah" the
// password; the focus goes where to type again. True when both match.
bool checkTypedCredentials(Dialogs &dialogs, RecordSource &tpass, QLineEdit *user,
                           QLineEdit *password);

class Locations;
// Creates both databases with the first user (first run).
void createFirstUser(const Locations &locations, const QString &user, const QString &password);

} // namespace gudang
