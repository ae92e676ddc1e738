#pragma once

#include "core/locations.h"

#include <QString>

namespace gudang {

// The server remembered for a data folder (DIR/server.conf); empty when none. A settings file
// that cannot be read throws AppError.
QString rememberedServer(const Locations &locations);
// Remembers the server for the folder (never a password: one in the connection string is
// refused with AppError).
void rememberServer(const Locations &locations, const QString &conninfo);
// Forgets it; false when there was none. A file that cannot be removed throws AppError.
bool forgetServer(const Locations &locations);

} // namespace gudang
