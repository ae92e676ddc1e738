#pragma once

#include <QString>

namespace gudang {

// Passwords are kept as Argon2id strings, never as the typed text.
QString hashPassword(const QString &password);
// Tests only: hash with the cheapest Argon2id setting, so that suites run fast. A stored
// string carries its own setting, so verifying is the same either way.
void useCheapPasswordHashingForTests();
// True when the typed password matches the stored string.
bool verifyPassword(const QString &stored, const QString &typed);

class Locations;
// Creates both databases with the first user (first run); false, with nothing written, when a
// user exists already (another workstation made it meanwhile).
bool createFirstUser(const Locations &locations, const QString &user, const QString &password);

} // namespace gudang
