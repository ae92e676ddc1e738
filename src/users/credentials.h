#pragma once

#include <QString>
#include <cstddef>

namespace gudang {

// Passwords are kept as Argon2id strings, never as the typed text.
QString hashPassword(const QString &password);
// The Argon2id cost of a new hash: the program's is libsodium's interactive setting. A stored
// string carries its own setting, so verifying is the same whatever the cost; the test suites
// link a cheaper definition of their own (weak here), which the program never has.
struct PasswordHashCost
{
    unsigned long long operations;
    size_t memory;
};
PasswordHashCost passwordHashCost();
// True when the typed password matches the stored string.
bool verifyPassword(const QString &stored, const QString &typed);

class Locations;
// Creates both databases with the first user (first run); false, with nothing written, when a
// user exists already (another workstation made it meanwhile).
bool createFirstUser(const Locations &locations, const QString &user, const QString &password);

} // namespace gudang
