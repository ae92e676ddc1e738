#pragma once

namespace gudang {

class App;

// Shows the first screen: the first-run window when there are no credentials yet, otherwise
// the login screen. With `demo`, a new working database is filled with sample data.
void startProgram(App &app, bool demo);

// The whole program: command line, data folder, first screen, event loop.
int runGudang(int argc, char **argv);

} // namespace gudang
