#pragma once

namespace gudang {

class App;

// Shows the first screen: the first-run window when there are no credentials yet, otherwise
// the login screen. With `demo`, a new working database is filled with sample data.
// A damaged database file stops it (false) after saying which file and where the last backup
// is; a missing working database is created only when the user agrees.
bool startProgram(App &app, bool demo);

// The end of a run: the day's backups of both databases, when not made yet. A failure is
// reported and does not stop the program from ending.
void endOfRun(App &app);

// The whole program: command line, data folder, first screen, event loop.
int runGudang(int argc, char **argv);

} // namespace gudang
