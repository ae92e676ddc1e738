#pragma once

#include "options.h"

namespace gudang {

// The server of this run: --server, or the one remembered for the folder. Does what the server
// options ask that needs no window (remember, forget, prepare, copy) and returns the exit code
// when the program ends there; -1 to go on.
int chooseServer(const QCommandLineParser &parser, const Options &options, const QString &dir,
                 QString *server);

} // namespace gudang
