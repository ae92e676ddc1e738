#pragma once

#include "options.h"

namespace gudang {

class Locations;

// --report NAME with --pdf, --csv or --xlsx FILE (and --from, --to, --kode where the report
// takes them): writes the report without a window. Returns the exit code: 0 written, 1
// failed (the reason on standard error), 2 a wrong command line.
int writeReportCommand(const QCommandLineParser &parser, const Options &options,
                       const Locations &locations);

} // namespace gudang
