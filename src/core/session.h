#pragma once

#include "locations.h"
#include "rights.h"

#include <QString>

namespace gudang {

// Who is logged in, and where their session's data lives.
struct Session
{
    QString name;
    Role role = Role::Pemilik;
    // The first user (tpass), always an owner; until a login the program acts as that user.
    bool first = true;
    bool mustChangePassword = false; // the owner set the password: a new one is due now
    // The data folder's locations for this session: on a server, the person's own connection
    // when the server knows them as a login role.
    Locations locations { QString() };
    // False until a person has logged in (and again after a logout): nothing is written then.
    bool loggedIn = true;
};

} // namespace gudang
