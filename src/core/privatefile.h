#pragma once

#include <QString>

namespace gudang {

// A created file or folder for the user alone (0600 or 0700), whatever the umask.
void makePrivate(const QString &path);

} // namespace gudang
