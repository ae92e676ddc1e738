#pragma once

#include <QString>

namespace gudang {

class App;

// The checks a start on a data folder makes before anything is written, and the refusals they
// end in; the sequence of the start itself is startProgram() (startup.h).

// A refusal at start: shown in a box and said on the terminal, for a start from a script.
void refuseStart(App &app, const QString &why);

// False after telling the user, when one of the existing database files cannot be used: it
// cannot be written, it is damaged, or it is not a database of Gudang. Nothing is written to
// such a file. The credentials file is checked page by page at once; the working file's
// header and size at once, and its pages on a thread while the login waits (the first write
// waits for that check, and damage found ends the program).
bool filesSound(App &app);

// Working data without credentials: a new user is made only when the user says so.
bool newUserOverExistingData(App &app);

// True when the check of the working file's pages found damage.
bool workingFileDamaged(App &app);

} // namespace gudang
