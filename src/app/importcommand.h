#pragma once

#include "core/locations.h"
#include "options.h"

namespace gudang {

// --import-goods FILE / --import-stock FILE without a window: a file with any refused row
// writes nothing (each row and its reason on standard error, exit 1); a clean one is written
// in one transaction and the counts are printed (exit 0).
int importCommand(const QCommandLineParser &parser, const Options &options,
                  const Locations &locations);

} // namespace gudang
